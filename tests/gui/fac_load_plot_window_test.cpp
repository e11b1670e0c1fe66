// The factor loading plot, offscreen: filled with two components' loadings
// on the fixed square, an axis switched, a point read out, a dragged line
// kept and a click without a drag not, the last line removed, and the
// opener's free lines back in place when the plot goes; each axis plotting
// the loadings of its own component as axes are switched.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "components/plot/free_lines.h"
#include "components/plot/xy_plot.h"
#include "components/view/qt_text.h"
#include "core/numeric/xy_data.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "stats/principal_components.h"
#include "stats/ui/click_label.h"
#include "stats/ui/fac_load_plot_window.h"
#include "support/four_variable_sample.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

const Columns& kData = kFourVariableSample;

// Loadings of the sample's variables a .. d, worked out separately: the
// correlation matrix's eigenvectors (largest element positive) times the
// roots of their eigenvalues, and the second varimax factor.
const std::vector<double> kZ0 = {0.94083242387512595, 0.81185289755193585, -0.3136999238480524, 0.67897448934163223};
const std::vector<double> kZ2 = {-0.030572332185027048, -0.042574255957602022, 0.16737041468793769,
                                 0.17059780980547678};
constexpr double kZ1Ends[] = {0.32854218951756837, -0.7139388924551805};
constexpr double kZ3Ends[] = {0.077199173551443396, -0.013464321472481386};
constexpr double kF1Ends[] = {-0.16890538918858462, -0.95363123392883703};

class FacLoadPlotTest : public ::testing::Test {
protected:
    FacLoadPlotTest() {
        TestApp();
        state_.SetServices(&ui_);
        Matrix raw(10, 4);
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 4; ++j) raw[i][j] = kData[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
        pca_ = std::make_unique<PCA>(state_.Context(), std::move(raw), std::vector<std::string>{"a", "b", "c", "d"},
                                     NameInUse{});
    }
    ~FacLoadPlotTest() override { state_.SetServices(nullptr); }

    FacLoadPlotRequest Request() const {
        FacLoadPlotRequest r;
        r.analysis = pca_.get();
        r.xName = pca_->GetScoreName(0);
        r.yName = pca_->GetScoreName(1);
        for (int j = 0; j < 4; ++j) {
            r.x.push_back(pca_->GetLoading(j, 0));
            r.y.push_back(pca_->GetLoading(j, 1));
            r.labels.push_back(pca_->GetVarName(j));
        }
        return r;
    }

    ScriptedServices ui_;
    AppState state_;
    std::unique_ptr<PCA> pca_;
};

TEST_F(FacLoadPlotTest, AxesReadOutFreeLinesAndTheOpenersLines) {
    // The opener's drawing: one line on its own plot.
    XYDataList opener;
    opener.Add(XYData(0xFF, 0, true, 2));
    FreeLines() = {&opener, nullptr, true};
    {
        TfrmFacLoadPlot w{WindowContext(state_)};
        ASSERT_TRUE(w.Fill(WindowRequest(Request())));
        w.show();
        QApplication::processEvents();
        w.DrawPlot();
        EXPECT_EQ(w.windowTitle(), "因子負荷量プロット");
        EXPECT_EQ(w.FacPlot->MinX, -1);
        EXPECT_EQ(w.FacPlot->MaxY, 1);
        EXPECT_EQ(w.stYoko->text().toStdString(), pca_->GetScoreName(0));
        EXPECT_NE(FreeLines().list, &opener);

        // The vertical axis to the second factor; an unknown name keeps the
        // values but shows as the caption.
        const std::string f1 = pca_->GetFactorScoreName(1);
        ui_.QueueInput(f1);
        w.ChangeAxis(true);
        EXPECT_EQ(w.stTate->text().toStdString(), f1);
        for (int j = 0; j < 4; ++j) EXPECT_EQ(w.YValues()[static_cast<std::size_t>(j)], pca_->GetRotatedLoading(j, 1));
        ui_.QueueInput("xyz");
        w.ChangeAxis(false);
        EXPECT_EQ(w.stYoko->text(), "xyz");
        EXPECT_EQ(w.XValues()[2], pca_->GetLoading(2, 0));
        const auto choices = ui_.CallsOf(ServiceCall::Input);
        ASSERT_EQ(choices.size(), 2u);
        EXPECT_EQ(choices[1].text, "横軸？");

        // A press on point 3 reads it out; dragging draws a line.
        int px = 0, py = 0;
        w.FacPlot->setxy(w.XValues()[2], w.YValues()[2], &px, &py);
        w.FacPlotMouseDown(Qt::LeftButton, px, py);
        EXPECT_EQ(w.stPLOT->text(), "3");
        EXPECT_EQ(w.stVarName->text(), "c");
        EXPECT_EQ(w.stTateVal->text(), Q(FormatNumber(false, pca_->GetRotatedLoading(2, 1))));
        w.FacPlotMouseMove(px + 20, py + 10);
        w.FacPlotMouseMove(px + 40, py + 30);
        w.FacPlotMouseUp(Qt::LeftButton);
        ASSERT_EQ(w.Lines().Count(), 1);
        EXPECT_EQ(w.Lines().GetItem(0)->Count(), 3);
        // A click alone leaves no line; the right button takes the last away.
        w.FacPlotMouseDown(Qt::LeftButton, px, py);
        w.FacPlotMouseUp(Qt::LeftButton);
        EXPECT_EQ(w.Lines().Count(), 1);
        w.FacPlotMouseDown(Qt::RightButton, px, py);
        EXPECT_EQ(w.Lines().Count(), 0);
        w.btnExit->click();
    }
    EXPECT_EQ(FreeLines().list, &opener);
    EXPECT_TRUE(FreeLines().swap);
    EXPECT_EQ(opener.Count(), 1);
    FreeLines() = {};
}

TEST_F(FacLoadPlotTest, EachAxisPlotsTheLoadingsOfItsOwnComponent) {
    TfrmFacLoadPlot w{WindowContext(state_)};
    FacLoadPlotRequest r;
    r.analysis = pca_.get();
    r.xName = "Z0";
    r.x = kZ0;
    r.yName = "Z2";
    r.y = kZ2;
    r.labels = {"a", "b", "c", "d"};
    ASSERT_TRUE(w.Fill(WindowRequest(r)));
    w.show();
    QApplication::processEvents();
    const struct {
        int axis;  // -1 as filled, 0 horizontal switched, 1 vertical switched
        const char* answer;
        const char *xName, *yName;
        double x0, xLast, y0, yLast;
    } steps[] = {
            {-1, "", "Z0", "Z2", kZ0[0], kZ0[3], kZ2[0], kZ2[3]},
            {0, "Z3", "Z3", "Z2", kZ3Ends[0], kZ3Ends[1], kZ2[0], kZ2[3]},
            {1, "F1", "Z3", "F1", kZ3Ends[0], kZ3Ends[1], kF1Ends[0], kF1Ends[1]},
            {0, "Z1", "Z1", "F1", kZ1Ends[0], kZ1Ends[1], kF1Ends[0], kF1Ends[1]},
            {1, "Z0", "Z1", "Z0", kZ1Ends[0], kZ1Ends[1], kZ0[0], kZ0[3]},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.xName) + " / " + s.yName);
        if (s.axis >= 0) {
            ui_.QueueInput(s.answer);
            w.ChangeAxis(s.axis == 1);
        }
        EXPECT_EQ(w.stYoko->text().toStdString(), s.xName);
        EXPECT_EQ(w.stTate->text().toStdString(), s.yName);
        const TXYPlot& plot = *w.FacPlot;
        ASSERT_EQ(plot.Count(), 4);
        const double got[] = {plot.X(0), plot.X(3), plot.Y(0), plot.Y(3)};
        const double want[] = {s.x0, s.xLast, s.y0, s.yLast};
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << "end " << i;
    }
    w.btnExit->click();
}

}  // namespace
