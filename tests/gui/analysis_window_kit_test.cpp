// The window kit end to end with a window that exists only here: registered
// by class name, opened modally with its own request struct and destroyed
// when it closes; its handlers run under the command guard and its number
// field takes formulas.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "app/main_window/main_window.h"
#include "components/view/analysis_window_base.h"
#include "components/view/numeric_field.h"
#include "components/view/window_registry.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"
#include "modal_window.h"
#include "started_windows.h"

namespace {

// The probe's request: the variable whose first value it shows.
struct ProbeRequest {
    std::string variable;
};

class TfrmProbe : public AnalysisWindowFor<ProbeRequest> {
public:
    explicit TfrmProbe(const WindowContext& context) : AnalysisWindowFor(context) {
        stValue = new QLabel(this);
        eFactor = new NumericField(context, this);
        btnRun = new QPushButton(this);
        connect(btnRun, &QPushButton::clicked, this, GuardedSlot([this] { btnRunClick(); }));
    }
    QLabel* stValue;
    NumericField* eFactor;
    QPushButton* btnRun;
    double product = 0.0;

protected:
    bool Setup(const ProbeRequest&) override { return ShowValue(); }

private:
    bool ShowValue() {
        const Reg* model = Context().State().Model();
        const int j = model ? model->FindVar(Req().variable) : -1;
        if (j < 0) return false;
        stValue->setText(QString::number(model->GetValue(0, j)));
        return true;
    }
    void btnRunClick() {
        const std::optional<double> factor = eFactor->Value();
        if (!factor) return;
        if (*factor < 0) throw Exception("負の係数");
        product = *factor * stValue->text().toDouble();
    }
};

class AnalysisWindowKitTest : public StartedWindows {
protected:
    AnalysisWindowKitTest() : StartedWindows("kit") {
        Save("one.MDF", 10);
        main_->OpenAndRemember(dir_.Path("one.MDF"));
        ui_.ClearCalls();
    }
    void Save(const std::string& name, double firstB) {
        auto model = MakeModel({{1, 2, 3, 4}, {firstB, 20, 30, 40}}, {}, {"A", "B"});
        SaveAs(*model, dir_.Path(name));
    }
    // Runs the body while the probe opened through the registry runs modally.
    bool WhileOpen(const WindowRequest& request, const std::function<void(TfrmProbe&)>& body) {
        return WhileModal<TfrmProbe>([&] { OpenWindow("TfrmProbe", main_->ViewContext(), request); }, body);
    }

    QPointer<TfrmProbe> last_;
    ScopedAnalysisWindow probe_{"TfrmProbe", [this](const WindowContext& context) {
                                    auto w = std::make_unique<TfrmProbe>(context);
                                    last_ = w.get();
                                    return w;
                                }};
};

TEST_F(AnalysisWindowKitTest, OpensModalOnlyWithItsOwnRequestAndGoesWhenClosed) {
    struct Case {
        const char* what;
        WindowRequest request;
        bool opens;
    };
    const Case cases[] = {
        {"its request", ProbeRequest{"B"}, true},
        {"a variable the data set lacks", ProbeRequest{"Z"}, false},
        {"another window's request", LaunchRequest{}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string shown;
        const bool opened = WhileOpen(c.request, [&](TfrmProbe& w) {
            EXPECT_TRUE(w.isModal());
            EXPECT_EQ(w.parentWidget(), main_);
            shown = w.stValue->text().toStdString();
        });
        EXPECT_EQ(opened, c.opens);
        EXPECT_EQ(shown, c.opens ? "10" : "");
        EXPECT_TRUE(last_.isNull());
    }
}

TEST_F(AnalysisWindowKitTest, HandlerErrorsAreShownAndTheWindowStays) {
    struct Case {
        const char* factor;
        double product;      // 10 times the factor, or 0 when it failed
        const char* box;     // start of the error box, or null
    };
    const Case cases[] = {{"1+2", 30, nullptr}, {"-1", 0, "負の係数"}, {"@~Missing(1)", 0, "【式実行時エラー】"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.factor);
        ui_.ClearCalls();
        if (c.box) ui_.QueueOK();
        EXPECT_TRUE(WhileOpen(ProbeRequest{"B"}, [&](TfrmProbe& w) {
            w.eFactor->setText(c.factor);
            w.btnRun->click();
            EXPECT_DOUBLE_EQ(w.product, c.product);
            EXPECT_TRUE(w.isVisible());
        }));
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        if (!c.box) {
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text.rfind(c.box, 0), 0u) << boxes[0].text;
    }
}

TEST_F(AnalysisWindowKitTest, NumberFieldTakesFormulasAndCtrlAOpensTheAssistant) {
    std::vector<std::string> offered;
    WindowContext context(state_, main_, [&offered](std::string& text) {
        offered.push_back(text);
        text = "#B[2] / 4";
        return true;
    });
    NumericField field(context);
    struct Case {
        const char* text;
        std::optional<double> current;
        double value;  // by hand: B is 10, 20, 30, 40
    };
    const Case cases[] = {{"", {}, 0}, {"2 * 3 + 2", {}, 8}, {"@@ * 2", 4.0, 8}, {"#B[3] - #A[1]", {}, 29}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        field.setText(c.text);
        const std::optional<double> v = field.Value(c.current);
        ASSERT_TRUE(v);
        EXPECT_DOUBLE_EQ(*v, c.value);
    }
    field.setText("1+");
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(offered, std::vector<std::string>{"1+"});
    EXPECT_EQ(field.text(), "#B[2] / 4");
    EXPECT_EQ(field.Value(), std::optional<double>(5.0));
}

}  // namespace
