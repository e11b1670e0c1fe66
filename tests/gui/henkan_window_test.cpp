// The variable transformation window driven through its controls: typed and
// scrolled parameters, clamping, refusals, the comment, OK and the window
// registered for the transformation commands. Expected series were worked
// out separately (exact fractions where the formula allows).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <cmath>

#include "app/dialogs/henkan_window.h"
#include "app/main_window/launch_table.h"
#include "app/window_registration.h"
#include "components/plot/series_plot.h"
#include "core/numeric/series_transforms.h"
#include "core/numeric/time_series.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "support/scripted_services.h"

namespace {

const std::vector<double> kX = {3.2, 4.1, 2.7, 5.6, 6.3, 4.8, 7.1};
const std::vector<double> kSmoothed03 = {3.2, 3.47, 3.239, 3.9473, 4.65311, 4.697177, 5.4180239};
const std::vector<double> kBoxCoxHalf = {1.5777087639996634, 2.0496913462633168, 1.2863353450309969,
                                         2.7328638264796927, 3.0199601592044534, 2.3817804600413286,
                                         3.3291650377896911};
const std::vector<double> kDifferenceRho1 = {4.8285714285714283, 4.1, 3.4285714285714288, 7.0,
                                             4.128571428571429,  5.5, 6.4285714285714288};
const std::vector<double> kMovingAverage7 = {3.6, 4.0428571428571427, 4.2714285714285714, 4.8285714285714283,
                                             5.3857142857142852, 5.8142857142857141, 6.4428571428571422};

void ExpectSeries(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-12 * std::fabs(expected[i])) << "at " << i;
}

class HenkanWindowTest : public ::testing::Test {
protected:
    HenkanWindowTest() {
        TestApp();
        state_.SetServices(&ui_);
    }
    ~HenkanWindowTest() override { state_.SetServices(nullptr); }
    std::unique_ptr<TfrmHenkan> Open(int kind, bool comment = true) {
        auto w = std::make_unique<TfrmHenkan>(
            [this](const std::string& t) { return state_.Evaluator().Calculate(t); }, ui_);
        EXPECT_TRUE(w->SetData("Y", &values_, kind, comment));
        return w;
    }
    void Type(TfrmHenkan& w, const char* text) {
        w.eVal->setText(text);
        w.btnRun->click();
    }

    ScriptedServices ui_;
    AppState state_;
    std::vector<double> values_ = kX;
};

TEST_F(HenkanWindowTest, SetDataShapesTheWindowByKind) {
    const struct {
        int kind;
        int low, high;
        const char* value;
        bool autoVisible;
        const char* caption;
    } cases[] = {{0, -10000, 10000, "0", false, "変数変換 .. ボックスコックス"},
                 {1, 0, 10000, "0", false, "変数変換 .. 指数平滑"},
                 {2, -10000, 10000, "0", true, "変数変換 .. 一般差分"},
                 {3, 1, 7, "1", false, "変数変換 .. 移動平均"}};
    for (const auto& c : cases) {
        auto w = Open(c.kind);
        EXPECT_EQ(w->sbValue->minimum(), c.low) << c.kind;
        EXPECT_EQ(w->sbValue->maximum(), c.high) << c.kind;
        EXPECT_EQ(w->eVal->text(), c.value) << c.kind;
        EXPECT_EQ(w->cbAuto->isVisibleTo(w.get()), c.autoVisible) << c.kind;
        EXPECT_EQ(w->windowTitle(), QString(c.caption));
        EXPECT_EQ(w->Transformed(), kX);
    }
    TfrmHenkan w([](const std::string&) { return 0.0; }, ui_);
    EXPECT_FALSE(w.SetData("Y", &values_, 4, false));
    EXPECT_FALSE(w.SetData("Y", nullptr, 0, false));
}

TEST_F(HenkanWindowTest, TypedParameterIsEvaluatedAndCommented) {
    auto w = Open(1);
    Type(*w, "3/10");
    EXPECT_EQ(w->eVal->text(), "0.3000");
    EXPECT_EQ(w->sbValue->value(), 3000);
    ExpectSeries(w->Transformed(), kSmoothed03);
    for (std::size_t i = 0; i < kX.size(); ++i) EXPECT_NEAR(w->Residuals()[i], kX[i] - kSmoothed03[i], 1e-12);
    EXPECT_EQ(w->Comment(), "->IEE(0.3000)");
    EXPECT_EQ(values_, kX);  // nothing reaches the caller before OK
}

TEST_F(HenkanWindowTest, NoCommentWhenNotWanted) {
    auto w = Open(1, false);
    Type(*w, "0.3");
    EXPECT_EQ(w->Comment(), "");
}

TEST_F(HenkanWindowTest, DifferenceParameterIsClampedToOne) {
    auto w = Open(2);
    Type(*w, "1.5");
    EXPECT_EQ(w->eVal->text(), "1.0000");
    EXPECT_EQ(w->sbValue->value(), 10000);
    EXPECT_EQ(w->Parameter(), 1.0);
    ExpectSeries(w->Transformed(), kDifferenceRho1);
    EXPECT_EQ(w->Comment(), "->GDE(1.0000)");
    Type(*w, "-7");
    EXPECT_EQ(w->eVal->text(), "-1.0000");
    EXPECT_EQ(w->sbValue->value(), -10000);
}

TEST_F(HenkanWindowTest, ScrollingRunsWithThePositionOverTheScale) {
    auto w = Open(0);
    w->sbValue->setValue(5000);
    EXPECT_EQ(w->eVal->text(), "0.5000");
    ExpectSeries(w->Transformed(), kBoxCoxHalf);
    EXPECT_EQ(w->Comment(), "->BCE(0.5000)");
}

TEST_F(HenkanWindowTest, RefusedParametersLeaveTheWindowAsItWas) {
    auto smoothing = Open(1);
    Type(*smoothing, "0.3");
    Type(*smoothing, "1.2");
    ExpectSeries(smoothing->Transformed(), kSmoothed03);
    EXPECT_EQ(smoothing->Comment(), "->IEE(0.3000)");
    auto average = Open(3);
    Type(*average, "0.5");
    EXPECT_EQ(average->Transformed(), kX);
    EXPECT_EQ(average->sbValue->value(), 1);
}

TEST_F(HenkanWindowTest, MovingAverageSpanIsClampedToTheSeriesLength) {
    auto w = Open(3);
    Type(*w, "10");
    EXPECT_EQ(w->eVal->text(), "7.0000");
    EXPECT_EQ(w->sbValue->value(), 7);
    ExpectSeries(w->Transformed(), kMovingAverage7);
}

TEST_F(HenkanWindowTest, BadParameterTextShowsTheErrorAndChangesNothing) {
    auto w = Open(1);
    Type(*w, "0.3");
    ui_.QueueOK();
    Type(*w, "1.2.3");
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    ExpectSeries(w->Transformed(), kSmoothed03);
}

TEST_F(HenkanWindowTest, AutomaticRhoDisablesTheFieldsAndLeavesTheParameterOutOfTheComment) {
    auto w = Open(2);
    w->cbAuto->click();
    EXPECT_FALSE(w->eVal->isEnabled());
    EXPECT_FALSE(w->sbValue->isEnabled());
    EXPECT_EQ(w->Comment(), "->GDE()");
    const double rho = EstimateAR1Coefficient(kX.data(), 7, nullptr);
    EXPECT_EQ(w->Parameter(), rho);
    std::vector<double> expected(7);
    GeneralisedDifference(kX.data(), expected.data(), 7, rho);
    EXPECT_EQ(w->Transformed(), expected);
    w->cbAuto->click();
    EXPECT_TRUE(w->eVal->isEnabled());
    EXPECT_TRUE(w->sbValue->isEnabled());
}

TEST_F(HenkanWindowTest, EnterInTheParameterFieldRunsWithoutClosing) {
    auto w = Open(1);
    w->show();
    w->eVal->setText("0.3");
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w->eVal, &press);
    EXPECT_TRUE(w->isVisible());
    EXPECT_NE(w->result(), QDialog::Accepted);
    ExpectSeries(w->Transformed(), kSmoothed03);
    EXPECT_EQ(values_, kX);
}

TEST_F(HenkanWindowTest, OkWithoutRunGivesBackTheInput) {
    auto w = Open(0);
    w->btnOK->click();
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(values_, kX);
}

TEST_F(HenkanWindowTest, OkCopiesTheTransformedSeries) {
    auto w = Open(0);
    Type(*w, "0.5");
    w->btnOK->click();
    EXPECT_EQ(w->result(), QDialog::Accepted);
    ExpectSeries(values_, kBoxCoxHalf);
}

TEST_F(HenkanWindowTest, OkIsRefusedWhileTheSeriesIsNotFinite) {
    values_ = {1.0, -2.0, 3.0};
    auto w = Open(0);
    Type(*w, "0.5");
    ui_.QueueOK();
    w->btnOK->click();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    EXPECT_NE(w->result(), QDialog::Accepted);
    EXPECT_EQ(values_, (std::vector<double>{1.0, -2.0, 3.0}));
}

TEST_F(HenkanWindowTest, ResidualChoiceShowsInputMinusTransformed) {
    auto w = Open(1);
    Type(*w, "0.3");
    EXPECT_EQ(w->plots->Y(), w->Transformed());
    const std::vector<double> numbers = {1, 2, 3, 4, 5, 6, 7};  // across, either way
    EXPECT_EQ(w->plots->X(), numbers);
    w->rbResidual->setChecked(true);
    EXPECT_EQ(w->plots->Y(), w->Residuals());
    EXPECT_EQ(w->plots->X(), numbers);
    EXPECT_EQ(w->stBottom->text().isEmpty(), false);
}

TEST_F(HenkanWindowTest, RegisteredWindowHandsBackSeriesAndComment) {
    RegisterStandardWindows();
    ASSERT_TRUE(AnalysisWindows().Has("TfrmHenkan"));
    std::vector<double> values = kX;
    std::string comment;
    LaunchRequest request;
    request.values = &values;
    request.comment = &comment;
    request.variableName = "Y";
    request.kind = 1;
    request.commentWanted = true;
    auto window = AnalysisWindows().Create("TfrmHenkan", WindowContext(state_));
    ASSERT_TRUE(window && window->Fill(request));
    QTimer::singleShot(0, [] {
        auto* w = qobject_cast<TfrmHenkan*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        w->eVal->setText("0.3");
        w->btnRun->click();
        w->btnOK->click();
    });
    EXPECT_EQ(window->ShowModal(), mrOK);
    ExpectSeries(values, kSmoothed03);
    EXPECT_EQ(comment, "->IEE(0.3000)");
}

}  // namespace
