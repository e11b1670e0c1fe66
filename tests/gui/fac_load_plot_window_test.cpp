// The factor loading plot, offscreen: filled with two components' loadings
// on the fixed square, an axis switched, a point read out, a dragged line
// kept and a click without a drag not, the last line removed, and the
// opener's free lines back in place when the plot goes.
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
#include "request_probe.h"
#include "stats/principal_components.h"
#include "stats/ui/click_label.h"
#include "stats/ui/fac_load_plot_window.h"
#include "support/four_variable_sample.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

const Columns& kData = kFourVariableSample;

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

// Filled with Z0 across and Z1 up, then Z3 across; variables a and d at the ends.
TEST_F(FacLoadPlotTest, AnAxisSwitchedToAnotherComponentPlotsItsLoadings) {
    TfrmFacLoadPlot w{WindowContext(state_)};
    ASSERT_TRUE(w.Fill(WindowRequest(Request())));
    ui_.QueueInput("Z3");
    w.ChangeAxis(false);
    EXPECT_EQ(w.stYoko->text().toStdString(), "Z3");
    EXPECT_EQ(w.stTate->text().toStdString(), "Z1");
    ExpectEnds(SeriesOf(*w.FacPlot),
               {4, 0.077199173551443396, -0.013464321472481386, 0.32854218951756837, -0.7139388924551805}, 1e-9);
    w.btnExit->click();
}

}  // namespace
