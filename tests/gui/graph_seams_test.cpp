// Where other windows open the graph window or its options: the variable
// property dialog's series plot (the model's predicted values as a green
// line for the dependent variable only) and the transformation window's
// graph options (fixed ranges, then its own ranges again).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/dialogs/henkan_window.h"
#include "app/dialogs/property_dialog.h"
#include "components/plot/series_plot.h"
#include "components/view/window_registry.h"
#include "core/data/variable.h"
#include "stats/ui/graph_setting_dialog.h"
#include "stats/xy_graph_request.h"
#include "request_probe.h"
#include "started_windows.h"
#include "support/model_builder.h"

namespace {

class GraphSeamsTest : public StartedWindows {
protected:
    GraphSeamsTest() : StartedWindows("graph_seams") {}
};

TEST_F(GraphSeamsTest, SeriesPlotOfTheDependentCarriesThePredictedLine) {
    auto m = MakeModel({{1, 2, 3, 4}, {2.0, 4.0, 5.0, 9.0}}, {Var::kExogenous, Var::kEndogenous}, {"X", "Y"});
    ASSERT_TRUE(m->SetModel(1, {2, 0, 2}));
    state_.SetModel(std::move(m));
    const Reg& model = *state_.Model();
    std::vector<XYGraphRequest> seen;
    std::vector<GraphSeen> series;
    auto probe = Probe<XYGraphRequest>("TfrmGraphXY", [&](const XYGraphRequest& r) {
        seen.push_back(r);
        series.push_back({r.xName, r.yName, {r.x, r.x + r.n}, {r.y, r.y + r.n}});
    });
    TfrmProperty& p = *windows_->frmProperty;
    p.SetVarIndex(1);
    p.btnRP->click();
    p.SetVarIndex(0);
    p.btnRP->click();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].xName, "時間");
    EXPECT_EQ(seen[0].yName, "Y");
    ExpectEnds(series[0], {4, 1, 4, 2, 9}, 0);
    ASSERT_EQ(seen[0].extraSeries.size(), 1u);
    const XYData& line = seen[0].extraSeries[0];
    EXPECT_EQ(line.Colour(), 0x008000u);
    EXPECT_EQ(line.PenStyle(), 0);
    ASSERT_EQ(line.Count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(line.X(i), i + 1.0);
        EXPECT_EQ(line.Y(i), model.GetAnalysisValue(Reg::kRowFitted, i));
    }
    ExpectEnds(series[1], {4, 1, 4, 1, 4}, 0);
    EXPECT_TRUE(seen[1].extraSeries.empty());
}

TEST_F(GraphSeamsTest, TransformationOptionsFixTheRangesAndAutoFreesThem) {
    std::vector<double> values = {3.2, 4.1, 2.7, 5.6, 6.3};
    TfrmHenkan w([this](const std::string& t) { return state_.Evaluator().Calculate(t); }, ui_);
    ASSERT_TRUE(w.SetData("Y", &values, 0, false));
    ASSERT_TRUE(w.btnOption->isEnabled());
    auto answer = [](bool automatic) {
        QTimer::singleShot(0, [automatic] {
            auto* d = dynamic_cast<TfrmSetting*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            if (automatic) {
                d->btnAuto->click();
                return;
            }
            d->eYMin->setText("-2*5");
            d->eYMax->setText("20");
            d->btnOK->click();
        });
    };
    answer(false);
    w.btnOption->click();
    EXPECT_TRUE(w.plots->HasFixedRanges());
    EXPECT_EQ(w.plots->YScale().low, -10.0);
    EXPECT_EQ(w.stBottom->text(), "-10.0000");
    answer(true);
    w.btnOption->click();
    EXPECT_FALSE(w.plots->HasFixedRanges());
    EXPECT_EQ(w.plots->YScale().low, RoundAxisScale(2.7, 6.3).low);
}

}  // namespace
