// The instrumental-variable window's plots, correlation matrix, prediction
// page, hand-overs and report command offscreen: each command against a
// recording stand-in of the window it opens, the values against the
// engine's series (one call each).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>

#include <fstream>
#include <iterator>

#include "components/view/window_registry.h"
#include "core/data/variable.h"
#include "core/io/file_matrix.h"
#include "core/model/instrumental_fit.h"
#include "core/text/number_format.h"
#include "estimators/jackknife_request.h"
#include "estimators/mcl_request.h"
#include "estimators/wls_request.h"
#include "platform/qt/string_grid.h"
#include "simeq/iv_plot_series.h"
#include "simeq/ui/iv_window.h"
#include "modal_window.h"
#include "started_windows.h"
#include "stats/correlation_matrix_request.h"
#include "stats/fundamental_stats_request.h"
#include "stats/xy_graph_request.h"

namespace {

const Columns kData = {{1, 2, 3, 4, 5, 6, 7, 8},
                       {2, 1, 4, 3, 6, 5, 8, 9},
                       {1, 3, 2, 5, 4, 7, 6, 9},
                       {3, 4, 8, 0, 12, 14, 17, 15}};

struct Plot {
    std::string xName, yName;
    std::vector<double> x, y;
    std::size_t extra = 0;
};

// Stands in for a window: keeps what it was asked to show, shows nothing.
template <class Request>
class Recorder : public RequestWindow<Request> {
public:
    explicit Recorder(std::function<void(const Request&)> keep) : keep_(std::move(keep)) {}
    bool Fill(const Request& r) override {
        keep_(r);
        return false;
    }
    int ShowModal() override { return 0; }

private:
    std::function<void(const Request&)> keep_;
};

template <class Request>
ScopedAnalysisWindow Record(const char* windowClass, std::function<void(const Request&)> keep) {
    return ScopedAnalysisWindow(windowClass, [keep](const WindowContext&) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<Recorder<Request>>(keep);
    });
}

class IVPlotsTest : public StartedWindows {
protected:
    IVPlotsTest()
        : StartedWindows("ivplots"),
          graph_(Record<XYGraphRequest>("TfrmGraphXY", [this](const XYGraphRequest& r) {
              plots_.push_back({r.xName, r.yName, std::vector<double>(r.x, r.x + r.n),
                                std::vector<double>(r.y, r.y + r.n), r.extraSeries.size()});
          })) {}

    // y on x1 and x2 (endogenous); w exogenous.
    TfrmIV* Open(const Columns& data = kData, const std::vector<std::string>& names = {"x1", "x2", "w", "y"}) {
        std::vector<int> types(data.size(), Var::kExogenous);
        types.back() = Var::kEndogenous;
        auto model = MakeModel(data, types, names);
        SaveAs(*model, dir_.Path("iv.MDF"));
        main_->OpenAndRemember(dir_.Path("iv.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(static_cast<int>(data.size()) - 1);
        for (int j = 0; j + 1 < static_cast<int>(data.size()) && j < 2; ++j) EXPECT_TRUE(m->ToggleVariable(j));
        main_->UpdateLaunchActions();
        // The window the menu command fills, kept unshown for the handlers.
        return kept_.Keep([this] { main_->Action("mnuIVEst")->trigger(); });
    }
    static void Same(const Plot& p, const IVPlotSeries& s) {
        EXPECT_EQ(p.xName, s.xName);
        EXPECT_EQ(p.yName, s.yName);
        EXPECT_EQ(p.x, s.x);
        EXPECT_EQ(p.y, s.y);
    }

    std::vector<Plot> plots_;
    ScopedAnalysisWindow graph_;
    KeptWindow<TfrmIV> kept_{"TfrmIV", RegisterIVWindow};
};

// Wiring: each plot command hands the engine's series to the graph.
TEST_F(IVPlotsTest, PlotCommandsHandTheEngineSeries) {
    TfrmIV* w = Open();
    ASSERT_NE(w, nullptr);
    RegIV& iv = *w->Estimator();
    const struct {
        QAction* action;
        int mode;
    } cases[] = {{w->YEPlot, 0}, {w->TEPlot, 1}, {w->LRPlot, 300}, {w->EEPlot, 301}};
    for (const auto& c : cases) {
        plots_.clear();
        c.action->trigger();
        ASSERT_EQ(plots_.size(), 1u) << c.mode;
        Same(plots_[0], IVResidualPlotSeries(iv, c.mode));
    }
    // Eight observations: lag 4 leaves four points.
    plots_.clear();
    w->pmEELag->findChild<QAction*>("mnuEE4")->trigger();
    ASSERT_EQ(plots_.size(), 1u);
    EXPECT_EQ(plots_[0].x.size(), 4u);

    // The regressor or its instrument by name.
    for (const auto& [item, mode] : {std::pair{"x2", 101}, std::pair{"(iv)x2", 201}}) {
        plots_.clear();
        ui_.QueueInput(item);
        w->XEPlot->trigger();
        ASSERT_EQ(plots_.size(), 1u);
        Same(plots_[0], IVResidualPlotSeries(iv, mode));
    }
    plots_.clear();
    ui_.QueueInput("x1");
    w->PRLPlot->trigger();
    ASSERT_EQ(plots_.size(), 1u);
    Same(plots_[0], IVPartialPlotSeries(iv, 0));
    w->close();
}

// Two variables: the residual on the regressor needs no question, the
// partial plot has nothing to show.
TEST_F(IVPlotsTest, TwoVariablesPlotWithoutAPrompt) {
    TfrmIV* w = Open({kData[0], kData[3]}, {"x", "y"});
    ASSERT_NE(w, nullptr);
    ui_.ClearCalls();
    w->XEPlot->trigger();
    ASSERT_EQ(plots_.size(), 1u);
    EXPECT_EQ(plots_[0].xName, "x");
    w->PRLPlot->trigger();
    EXPECT_EQ(plots_.size(), 1u);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::Input).empty());
    w->close();
}

// A right click on a heading of the design or diagnostics page hands the
// column to the univariate statistics window with no observation marked, on
// a cell with its own. Residuals of least squares, worked out exactly.
TEST_F(IVPlotsTest, ColumnStatisticsGetTheColumnAndTheMarkedObservation) {
    std::vector<FundamentalStatsRequest> seen;
    auto fund = Record<FundamentalStatsRequest>("TfrmFund", [&](const auto& r) { seen.push_back(r); });
    TfrmIV* w = Open();
    ASSERT_NE(w, nullptr);
    const struct { bool design; int c, r; const char* title; double first, last; } cases[] = {
        {true, 2, 0, "x2", 2.0, 9.0}, {true, 2, 5, "x2", 2.0, 9.0}, {false, 3, 0, "残差", -37.0 / 102, -124.0 / 51}};
    w->PC->setCurrentWidget(w->tsRes);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title + std::to_string(c.r));
        seen.clear();
        if (c.design)
            w->TableCellClick(c.c, c.r, Qt::RightButton, Qt::NoModifier);
        else
            w->ResCellClick(c.c, c.r, Qt::RightButton, Qt::NoModifier);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].name, c.title);
        ASSERT_EQ(seen[0].values.size(), 8u);
        EXPECT_NEAR(seen[0].values.front(), c.first, 1e-12);
        EXPECT_NEAR(seen[0].values.back(), c.last, 1e-12);
        EXPECT_EQ(seen[0].observation, c.r);
    }
    seen.clear();
    w->TableCellClick(0, 0, Qt::RightButton, Qt::NoModifier);  // the corner and the row numbers open nothing
    w->ResCellClick(0, 3, Qt::RightButton, Qt::NoModifier);
    EXPECT_TRUE(seen.empty());
    w->close();
}

// Three marks: the X-Y plot takes the first two in order and leaves the
// third; the matrix takes what is marked then, all of it.
TEST_F(IVPlotsTest, MarkedColumnsFeedThePlotAndTheMatrix) {
    std::vector<std::string> names;
    const TFileMatrix* alternate = nullptr;
    auto relative = Record<CorrelationMatrixRequest>("TfrmRelative", [&](const CorrelationMatrixRequest& r) {
        names.clear();
        for (int j = 0; j < r.table->Cols(); ++j) names.push_back(r.table->GetColumnName(j));
        alternate = r.alternate;
    });
    TfrmIV* w = Open();
    ASSERT_NE(w, nullptr);
    w->PC->setCurrentWidget(w->tsRes);
    w->TableCellClick(2, 0, Qt::LeftButton, Qt::NoModifier);    // x2
    w->ResCellClick(2, 0, Qt::LeftButton, Qt::ControlModifier);  // 予測値
    w->TableCellClick(1, 0, Qt::LeftButton, Qt::ControlModifier);  // x1
    ASSERT_EQ(w->CountMarks(), 3);
    w->XYPlot->trigger();
    ASSERT_EQ(plots_.size(), 1u);
    EXPECT_EQ(plots_[0].xName, "x1");
    EXPECT_EQ(plots_[0].yName, "x2");
    EXPECT_EQ(w->CountMarks(), 1);
    // One mark: against time.
    w->XYPlot->trigger();
    ASSERT_EQ(plots_.size(), 2u);
    EXPECT_EQ(plots_[1].xName, "予測値");
    EXPECT_EQ(plots_[1].yName, "時間");

    w->TableCellClick(2, 0, Qt::LeftButton, Qt::NoModifier);
    w->ResCellClick(2, 0, Qt::LeftButton, Qt::ControlModifier);
    w->TableCellClick(3, 0, Qt::LeftButton, Qt::ControlModifier);
    w->RelMat->trigger();
    EXPECT_EQ(names, (std::vector<std::string>{"x2", "w", "予測値"}));
    EXPECT_EQ(alternate, nullptr);
    EXPECT_EQ(w->CountMarks(), 0);
    // No marks: every variable, the instrumented values beside.
    w->RelMat->trigger();
    EXPECT_EQ(names, (std::vector<std::string>{"x1", "x2", "w", "y"}));
    EXPECT_NE(alternate, nullptr);
    w->close();
}

// Without marks two questions: the vertical axis first, then the
// horizontal one from the list without the first answer; "(iv)" takes the
// design column.
TEST_F(IVPlotsTest, XYPlotAsksForBothAxes) {
    TfrmIV* w = Open();
    ASSERT_NE(w, nullptr);
    ui_.ClearCalls();
    ui_.QueueInput("y");
    ui_.QueueInput("(iv)x2");
    w->XYPlot->trigger();
    const auto asked = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "縦軸？");
    EXPECT_EQ(asked[0].items,
              (std::vector<std::string>{"x1", "x2", "w", "y", "(iv)x1", "(iv)x2", "(iv)w"}));
    EXPECT_EQ(asked[1].text, "横軸？");
    EXPECT_EQ(asked[1].items.size(), 6u);
    ASSERT_EQ(plots_.size(), 1u);
    EXPECT_EQ(plots_[0].xName, "(iv)x2");
    EXPECT_EQ(plots_[0].yName, "y");
    EXPECT_EQ(plots_[0].x, kData[1]);  // no instrument set: the design is the data
    EXPECT_EQ(plots_[0].y, kData[3]);
    // A cancelled question draws nothing.
    ui_.QueueCancel();
    w->XYPlot->trigger();
    EXPECT_EQ(plots_.size(), 1u);
    w->close();
}

// Typed values: an empty cell counts 0 and an unknown name is ignored; the
// engine's prediction at those values, "100" taken as 1 - 2^-23.
TEST_F(IVPlotsTest, PredictionAtTypedValuesAndFromAnObservation) {
    TfrmIV* w = Open();
    ASSERT_NE(w, nullptr);
    RegIV& iv = *w->Estimator();
    w->PC->setCurrentWidget(w->tsPred);
    ASSERT_EQ(w->sgVList->RowCount(), 3);
    EXPECT_EQ(w->sgVList->Cell(0, 1).toStdString(), "x1");
    EXPECT_EQ(w->stName->text().toStdString(), "y");
    w->sgVList->SetCell(1, 1, "2+1");
    w->sgVList->SetCell(1, 2, "");
    w->eSinraido->setText("100");
    w->btnCalc->click();
    double x[] = {3, 0, 0, 0, 0}, lower = 0, upper = 0;
    const double y = iv.Predict(x, &lower, &upper, 0.99999988079071045, 0.9);
    EXPECT_EQ(w->stPred->text().toStdString(), FormatNumber(false, y));
    EXPECT_EQ(w->stPUpper->text().toStdString(), FormatNumber(false, upper));
    EXPECT_EQ(w->stPLower->text().toStdString(), FormatNumber(false, lower));

    // Observation 0 or past n changes nothing; observation 2 copies x1 = 2, x2 = 1.
    for (const char* k : {"0", "9"}) {
        ui_.QueueInput(k);
        w->btnSel->click();
        EXPECT_EQ(w->sgVList->Cell(1, 1).toStdString(), "2+1") << k;
    }
    ui_.QueueInput("2");
    w->btnSel->click();
    EXPECT_EQ(w->sgVList->Cell(1, 1).toStdString(), FormatNumber(false, 2.0));
    EXPECT_EQ(w->sgVList->Cell(1, 2).toStdString(), FormatNumber(false, 1.0));

    // The band: the observed y with predictions and both limits over it.
    w->btnGraph->click();
    ASSERT_EQ(plots_.size(), 1u);
    EXPECT_EQ(plots_[0].xName, "時間");
    EXPECT_EQ(plots_[0].x, (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(plots_[0].y, kData[3]);
    EXPECT_EQ(plots_[0].extra, 3u);

    w->stVeClick();
    EXPECT_EQ(w->SB->currentMessage().toStdString().rfind("回帰標準誤差 : ", 0), 0u);
    w->close();
}

// Each hand-over opens its window on this window's model; the weighted
// window's command follows its registration.
TEST_F(IVPlotsTest, HandOversOpenTheirWindowsOnTheSameModel) {
    AnalysisWindows().Unregister("TfrmWLS");
    const void* mcl = nullptr;
    const void* jne = nullptr;
    const void* wls = nullptr;
    int wlsMode = -1;
    auto m = Record<MclRequest>("TfrmMCL", [&](const MclRequest& r) { mcl = r.ivModel; });
    auto j = Record<JackknifeRequest>("TfrmJNE", [&](const JackknifeRequest& r) { jne = r.ivModel; });
    TfrmIV* w = Open();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->WLS->isEnabled());
    {
        auto s = Record<WLSRequest>("TfrmWLS", [&](const WLSRequest& r) {
            wls = r.ivModel;
            wlsMode = r.mode;
        });
        EXPECT_TRUE(w->WLS->isEnabled());
        w->WLS->trigger();
    }
    EXPECT_FALSE(w->WLS->isEnabled());
    w->PC->setCurrentWidget(w->tsEst);
    w->btnVIF->click();
    w->btnJNE->click();
    EXPECT_EQ(mcl, w->Estimator());
    EXPECT_EQ(jne, w->Estimator());
    EXPECT_EQ(wls, w->Estimator());
    EXPECT_EQ(wlsMode, 5);
    w->close();
}

// The report goes to the chosen file; a file that cannot be written says
// so and leaves the window working.
TEST_F(IVPlotsTest, TextReportWrittenOrItsFailureShown) {
    TfrmIV* w = Open();
    ASSERT_NE(w, nullptr);
    const std::string path = dir_.Path("iv.TXT");
    ui_.QueueFile(path);
    w->TextSave->trigger();
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("\x81\x79\x83\x66\x81\x5b\x83\x5e\x81\x7a"), std::string::npos);  // 【データ】
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
    const auto progress = ui_.CallsOf(ServiceCall::ProgressBegin);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().text, "データの書き込み中・・・");
    EXPECT_EQ(ui_.ProgressDepth(), 0);

    // A folder that is not there; a device that takes no bytes.
    for (const std::string& bad : {dir_.Path("missing/iv.TXT"), std::string("/dev/full")}) {
        ui_.ClearCalls();
        ui_.QueueFile(bad);
        ui_.QueueOK();
        w->TextSave->trigger();
        EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u) << bad;
    }
    ASSERT_NE(w->Estimator(), nullptr);
    w->close();
}

}  // namespace
