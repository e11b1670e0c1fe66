// The main window's right click on a residual column opens the univariate
// statistics window on the whole column with the clicked observation marked;
// whichever window opens it, it shows the program-wide significance level.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

#include "app/application.h"
#include "app/dialogs/henkan_window.h"
#include "app/dialogs/property_dialog.h"
#include "app/main_window/main_window.h"
#include "components/plot/xy_plot.h"
#include "components/view/graph_launchers.h"
#include "components/view/launch_request.h"
#include "components/view/window_registry.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "estimators/chow_request.h"
#include "estimators/mcl_request.h"
#include "estimators/restricted_request.h"
#include "estimators/ridge_request.h"
#include "estimators/ui/chow_window.h"
#include "estimators/ui/jackknife_window.h"
#include "estimators/ui/mcl_window.h"
#include "estimators/ui/preliminary_regression_window.h"
#include "estimators/ui/restricted_window.h"
#include "estimators/ui/ridge_window.h"
#include "estimators/ui/tobit_window.h"
#include "estimators/ui/weighted_fit_window.h"
#include "estimators/ui/yule_walker_window.h"
#include "platform/qt/string_grid.h"
#include "simeq/iv_request.h"
#include "simeq/ui/iv_set_dialog.h"
#include "simeq/ui/iv_window.h"
#include "simeq/ui/sur_window.h"
#include "started_windows.h"
#include "stats/ui/fund_basic_page.h"
#include "stats/ui/fund_window.h"
#include "stats/ui/xy_graph_window.h"
#include "support/sample_columns.h"
#include "support/sur_sample.h"

namespace {

class FundLaunchTest : public StartedWindows {
protected:
    FundLaunchTest() : StartedWindows("fund") {
        main_->resize(900, 600);
        main_->show();
    }
    // The title and the count of the statistics window that opens while
    // the action runs; it is closed at once.
    std::pair<std::string, std::string> ShownBy(const std::function<void()>& action) {
        std::pair<std::string, std::string> shown;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<TfrmFund*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            shown = {w->windowTitle().toStdString(), w->tsFund->stNumber->text().toStdString()};
            w->ExitenceExecute();
        });
        action();
        return shown;
    }
};

TEST_F(FundLaunchTest, ResidualColumnRightClickOpensTheWindow) {
    const int n = 30;
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = i + 1;
        y[i] = 0.5 * (i + 1) + (i % 3 == 0 ? 0.4 : -0.2) + 0.01 * i * i;
    }
    SaveAs(*MakeModel({x, y}, {}, {"X", "Y"}), dir_.Path("data.MDF"));
    main_->OpenAndRemember(dir_.Path("data.MDF"));
    ASSERT_NE(state_.Model(), nullptr);
    main_->mnuCheckViewClick();
    TStringGrid* res = main_->DiagnosticsGrid();

    std::string title, count, marked;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmFund*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        title = w->windowTitle().toStdString();
        count = w->tsFund->stNumber->text().toStdString();
        marked = w->tsFund->stPLOT->text().toStdString();
        w->ExitenceExecute();
    });
    QTest::mouseClick(res->viewport(), Qt::RightButton, Qt::NoModifier, res->CellRect(3, 2).center());
    EXPECT_EQ(title, "単変量統計 --- 残差");
    EXPECT_EQ(count, "30");
    EXPECT_EQ(marked, "2");
}

}  // namespace

namespace {

TEST_F(FundLaunchTest, PropertyDialogShowsTheStatisticsOfTheWorkingValues) {
    SaveAs(*MakeModel({{1, 4, 2, 8, 5, 7}, {2, 2, 3, 3, 4, 5}}, {}, {"X", "Y"}), dir_.Path("small.MDF"));
    main_->OpenAndRemember(dir_.Path("small.MDF"));
    TfrmProperty& dialog = *windows_->frmProperty;
    dialog.SetVarIndex(0);
    dialog.FormShow();
    ASSERT_TRUE(dialog.btnFund->isEnabled());
    const auto shown = ShownBy([&] { dialog.btnFund->click(); });
    EXPECT_EQ(shown.first, "単変量統計 --- X");
    EXPECT_EQ(shown.second, "6");
}

}  // namespace

namespace {

// The statistics window as its openers get it, loaded on their series; it
// notes the level it shows instead of running.
class LevelProbe : public TfrmFund {
public:
    LevelProbe(const WindowContext& context, std::vector<std::pair<std::string, double>>& seen)
        : TfrmFund(context), seen_(seen) {}
    int ShowModal() override {
        seen_.emplace_back(windowTitle().toStdString(), Alpha());
        return 0;
    }

private:
    std::vector<std::pair<std::string, double>>& seen_;
};

class FundLevelTest : public FundLaunchTest {
protected:
    Reg* OpenData(const Columns& columns, const std::vector<int>& types, const std::vector<std::string>& names,
                  const char* file) {
        SaveAs(*MakeModel(columns, types, names), dir_.Path(file));
        main_->OpenAndRemember(dir_.Path(file));
        return state_.Model();
    }
    // The last of four regressors on the first three.
    Reg* OpenCollinear() {
        Reg* m = OpenData(NearlyCollinearColumns(), {2, 2, 2, 1}, {"x1", "x2", "x3", "y"}, "collinear.MDF");
        EXPECT_TRUE(m->SetModel(3, {2, 2, 2, 1}));
        return m;
    }
    // y (endogenous) on x1 and x2 (endogenous); w and z exogenous.
    Reg* OpenInstrumental() {
        Reg* m = OpenData({{1, 2, 3, 4, 5, 6, 7, 8},
                           {2, 1, 4, 3, 6, 5, 8, 9},
                           {1, 3, 2, 5, 4, 7, 6, 9},
                           {2, 2, 1, 4, 3, 5, 7, 6},
                           {3, 4, 8, 0, 12, 14, 17, 15}},
                          {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kExogenous, Var::kEndogenous},
                          {"x1", "x2", "w", "z", "y"}, "iv.MDF");
        m->SetDependent(4);
        for (int j : {0, 1}) EXPECT_TRUE(m->ToggleVariable(j));
        return m;
    }
};

TEST_F(FundLevelTest, EveryOpenerShowsTheProgramWideLevel) {
    ASSERT_TRUE(state_.SetCoefficientAlpha(0.01));
    std::vector<std::pair<std::string, double>> seen;
    const ScopedAnalysisWindow probe("TfrmFund", [&seen](const WindowContext& c) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<LevelProbe>(c, seen);
    });
    const WindowContext context(state_);
    const std::vector<double> series = {4.1, 5.3, 2.2, 7.8, 6.0, 3.3, 5.5, 9.1};
    const struct {
        const char* opener;
        std::function<void()> open;
    } cases[] = {
        {"ridge",
         [&] {
             TfrmRidge w(context);
             ASSERT_TRUE(w.Fill(WindowRequest(RidgeRequest{OpenCollinear(), nullptr, -1, {}})));
             w.NPlotExecute();
         }},
        {"weighted",
         [&] {
             TfrmWLS w(context);
             LaunchRequest r;
             r.model = OpenCollinear();
             r.mode = 5;
             ASSERT_TRUE(w.Fill(r));
             w.FundExecute(false);
         }},
        {"Yule-Walker",
         [&] {
             TfrmYWEst w(context);
             ASSERT_TRUE(w.SetData(series, 1));
             w.btnResClick();
         }},
        {"multicollinearity",
         [&] {
             TfrmMCL w(context);
             ASSERT_TRUE(w.Fill(MclRequest{OpenCollinear(), nullptr, nullptr, false}));
             w.FundExecute();
         }},
        {"Tobit",
         [&] {
             TfrmMLE w(context);
             LaunchRequest r;
             r.model = OpenCollinear();
             ASSERT_TRUE(w.Fill(r));
             w.Show(TfrmMLE::Display::Statistics, true);
         }},
        {"jackknife",
         [&] {
             TfrmJNE w(context);
             LaunchRequest r;
             r.model = OpenCollinear();
             ASSERT_TRUE(w.Fill(r));
             w.FundExecute();
         }},
        {"preliminary regression",
         [&] {
             Reg* m = OpenCollinear();
             std::vector<double> y(static_cast<std::size_t>(m->GetObsCount()));
             for (std::size_t i = 0; i < y.size(); ++i) y[i] = m->GetValue(static_cast<int>(i), 3);
             TfrmPreREG w(context);
             ASSERT_TRUE(w.SetData(*m, 3, "y", &y));
             w.btnResClick();
         }},
        {"instrumental variables",
         [&] {
             TfrmIV w(context);
             ASSERT_TRUE(w.Fill(WindowRequest(IVRequest{OpenInstrumental(), {}, {}})));
             w.NPlotExecute();
         }},
        {"instruments",
         [&] {
             TfrmIV w(context);
             ASSERT_TRUE(w.Fill(WindowRequest(IVRequest{OpenInstrumental(), {}, {}})));
             w.ivSetRunner = [](TfrmIVSet& d) {
                 d.cbIVSel->setCurrentText("x2");
                 d.rgIVSetClick(TfrmIVSet::kExogenous);
                 d.btnRESClick();
                 return 0;
             };
             w.IVSet->trigger();
         }},
        {"seemingly unrelated regressions",
         [&] {
             SaveAs(*SurSampleModel({2, 2, 1, 1}), dir_.Path("sure.MDF"));
             main_->OpenAndRemember(dir_.Path("sure.MDF"));
             TfrmSURE w(context);
             LaunchRequest r;
             r.model = state_.Model();
             ASSERT_TRUE(w.Fill(r));
             for (int i : {0, 1}) w.lbGrpSel->item(i)->setCheckState(Qt::Checked);
             ui_.QueueInput("y1");
             ui_.QueueInput("y2");
             w.btnCalc->click();
             w.ShowPlot(TfrmSURE::Plot::Statistics);
         }},
        {"transformation",
         [&] {
             std::vector<double> y(series);
             LaunchRequest r;
             r.values = &y;
             r.variableName = "y";
             r.kind = 1;
             QTimer::singleShot(0, [] {
                 auto* w = qobject_cast<TfrmHenkan*>(QApplication::activeModalWidget());
                 ASSERT_NE(w, nullptr);
                 w->btnFundClick();
                 w->reject();
             });
             OpenWindow("TfrmHenkan", context, r);
         }},
        {"X-Y graph with a constant axis",
         [&] {
             const std::vector<double> constant(series.size(), 2.0);
             ui_.QueueYes();
             ShowXYGraph(context, "c", constant.data(), "y", static_cast<int>(series.size()), series.data());
         }},
        {"X-Y graph",
         [&] {
             TfrmGraphXY w(context);
             w.plots->resize(400, 300);
             const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8};
             ASSERT_TRUE(w.SetXY("x", x.data(), "y", series.data(), 8, 0, false));
             w.YFund->trigger();
         }},
        {"structural change",
         [&] {
             TfrmChow w(context);
             ASSERT_TRUE(w.Fill(ChowRequest{OpenCollinear(), [] { return false; }}));
             w.ResidualStatistics(0);
         }},
        {"restricted regression",
         [&] {
             TfrmRREG w(context);
             ASSERT_TRUE(w.Fill(WindowRequest(RestrictedRequest{OpenCollinear(), {1, 1, 1, 1}})));
             w.FundExecute();
         }},
        {"main window",
         [&] {
             OpenCollinear();
             main_->mnuCheckViewClick();
             TStringGrid* res = main_->DiagnosticsGrid();
             QTest::mouseClick(res->viewport(), Qt::RightButton, Qt::NoModifier, res->CellRect(3, 2).center());
         }},
        {"variable properties",
         [&] {
             OpenCollinear();
             TfrmProperty& dialog = *windows_->frmProperty;
             dialog.SetVarIndex(0);
             dialog.FormShow();
             dialog.btnFund->click();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opener);
        seen.clear();
        ui_.ClearCalls();
        c.open();
        EXPECT_EQ(seen.size(), 1u);
        for (const auto& [title, level] : seen) EXPECT_EQ(level, 0.01) << title;
        EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
    }
}

}  // namespace
