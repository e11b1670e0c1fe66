// The weighted regression window, offscreen: opened from both main-window
// commands (cells against the engine's own estimator, one command, closed),
// then what only the window decides: its commands, page rows and plot
// series, the weight choices and their modes,
// the AR order limits, the manual weight prompts, the Huber switch in the
// window's mode, a failed or refused fit, the groups, marks, the AR
// coefficients, the report file and the request of other windows.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include <cmath>
#include <filesystem>

#include "components/view/result_grid.h"
#include "components/view/window_registry.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "core/report/result_table.h"
#include "core/text/number_format.h"
#include "estimators/ui/ar_coefficient_dialog.h"
#include "estimators/ui/weight_option_dialog.h"
#include "estimators/ui/weighted_fit_pages.h"
#include "estimators/ui/weighted_fit_window.h"
#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_tables.h"
#include "request_probe.h"
#include "started_windows.h"
#include "stats/correlation_matrix_request.h"
#include "stats/xy_graph_request.h"
#include "support/model_builder.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const std::vector<double> kX2 = {3.1, 1.7, 4.4, 2.9, 5.6, 3.3, 6.1, 4.8, 7.2, 5.5, 8.3, 6.0};
const std::vector<double> kY = {4.2, 5.1, 8.3, 7.9, 11.6, 10.2, 14.9, 13.1, 17.8, 15.2, 30.0, 18.1};

std::string Shown(double v) { return NumberCell(v).Shown(); }
std::string Text(const ResultGrid* g, int c, int r) { return g->Cell(c, r).toStdString(); }


class WeightedWindowTest : public StartedWindows {
protected:
    WeightedWindowTest() : StartedWindows("wls") {}

    // X1 and X2 explain Y; a variable W outside the model when given.
    Reg* Open(const std::vector<double>& w = {}) {
        auto model = w.empty() ? MakeModel({kX1, kX2, kY}, {2, 2, 1}, {"X1", "X2", "Y"})
                               : MakeModel({kX1, kX2, kY, w}, {2, 2, 1, 2}, {"X1", "X2", "Y", "W"});
        SaveAs(*model, dir_.Path("wls.MDF"));
        main_->OpenAndRemember(dir_.Path("wls.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(2);
        EXPECT_TRUE(m->ToggleVariable(0));
        EXPECT_TRUE(m->ToggleVariable(1));
        main_->UpdateLaunchActions();
        ui_.ClearCalls();
        return m;
    }
    std::unique_ptr<TfrmWLS> Window(Reg* m, int mode = 5) {
        auto w = std::make_unique<TfrmWLS>(WindowContext(state_));
        LaunchRequest r;
        r.model = m;
        r.mode = mode;
        EXPECT_TRUE(w->Fill(r));
        return w;
    }
    // The engine's own fit of the model in a mode.
    static std::unique_ptr<WLSE> Engine(const Reg& m, int mode) {
        auto fit = std::make_unique<WLSE>(m, 0, "Y");
        (void)fit->Estimate(mode);
        return fit;
    }
    // Answers the weight dialog: weight item, AR item, constant text.
    static std::function<int(TfrmWeightOption&)> Choose(int item, int ar, const char* text) {
        return [=](TfrmWeightOption& d) {
            d.rgSetClick(item);
            d.rgARClick(ar);
            if (text) d.eH->setText(text);
            d.btnSetClick();
            return d.result();
        };
    }
    // A named table of n rows, y = 1 + 2 x + a wobble, for the order limits.
    std::unique_ptr<TNamedData> Table(int n) {
        auto t = std::make_unique<TNamedData>(state_.Context(), n, 2);
        t->SetColumnName(0, "x");
        t->SetColumnName(1, "y");
        for (int i = 0; i < n; ++i) {
            t->SetValue(i, 0, i + 1.0);
            t->SetValue(i, 1, 1.0 + 2.0 * (i + 1) + std::sin(i * 1.7));
        }
        return t;
    }
};

TEST_F(WeightedWindowTest, WiringOpensFromBothCommandsShowsTheEngineAndCloses) {
    Reg* m = Open();
    for (const char* command : {"WREGRun", "mnuGLS"}) {
        SCOPED_TRACE(command);
        const bool ar = std::string(command) == "mnuGLS";
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<TfrmWLS*>(QApplication::activeModalWidget());
            ASSERT_TRUE(w);
            seen = true;
            const auto engine = Engine(*m, ar ? 101 : 5);
            EXPECT_EQ(w->windowTitle().toStdString(), ar ? "自己回帰過程" : "加重回帰");
            EXPECT_EQ(w->tsEst->btnAR->isEnabled(), ar);
            EXPECT_EQ(Text(w->tsEst->sgEst, 0, 0), "Y");
            EXPECT_EQ(Text(w->tsEst->sgEst, 1, 1), Shown(engine->GetCoef(0)));
            EXPECT_EQ(Text(w->tsEst->sgEst, 2, 3), Shown(engine->GetStdErr(2)));
            EXPECT_EQ(Text(w->sgRes, 5, 0), ar ? "予測値1" : "ウェイト");
            EXPECT_EQ(Text(w->sgRes, 5, 4), Shown(engine->GetWeight(3)));
            EXPECT_EQ(Text(w->sgData, 2, 2), Shown(engine->GetTransformed(1, 1)));
            EXPECT_EQ(Text(w->sgAna, 4, 7), Shown(engine->GetResult(WLSE::kRowStandardized, 6)));
            w->stR2Click();
            EXPECT_EQ(w->tsEst->lblRR2->text().toStdString(), "自由度修正済R^2");
            EXPECT_EQ(w->tsEst->stR2->text().toStdString(), FormatNumber(false, engine->AdjR2()));
            w->Exitence->trigger();
        });
        main_->Action(command)->trigger();
        EXPECT_TRUE(seen);
    }
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

// The plain fit's commands, page titles and rows (t(i) unmarked: its "**"
// is the report's), and each plot's axes and the length and ends of its
// series: x first and last, y first and last (exact least squares).
TEST_F(WeightedWindowTest, CommandsPagesAndPlotSeries) {
    auto w = Window(Open(), -1);
    const struct {
        const char *name, *caption, *hint, *shortcut;
    } cases[] = {
        {"Exitence", "終了", "終了", "Ctrl+X"}, {"ActiveGroup", "グループ", "使用するグループを設定", "Ctrl+Alt+G"},
        {"SetWeight", "ウェイト", "ウェイトの設定", "Ctrl+W"}, {"XYPlot", "X-Y", "Ｘ－Ｙ　プロット", "Ctrl+G"},
        {"RelMat", "相関", "相関行列の表示", "Ctrl+Alt+R"}, {"EYPlot", "e-y", "予測値・残差プロット", "Ctrl+Alt+C"},
        {"ETPlot", "e-t", "残差時系列プロット", "Ctrl+Alt+T"}, {"PRLPlot", "偏回帰", "偏回帰作用点のプロット", "Ctrl+Alt+P"},
        {"Fund", "統計量", "残差基本統計量", "Ctrl+Alt+N"}, {"EEPlot", "e-e", "ｒ（ｉ）・ｒ（ｉ－１）プロット", "Ctrl+Alt+E"},
        {"EXPlot", "e-x", "残差・説明変数プロット", "Ctrl+Alt+X"}, {"LRPlot", "L-R", "Ｌ－Ｒ　プロット", "Ctrl+Alt+L"},
        {"TextSave", "保存", "テキスト保存", "Ctrl+Alt+V"}, {"Addexpres", "式追加", "式に追加する", "Ctrl+Alt+A"},
        {"HelpContext", "?", "ヘルプ", "Ctrl+H"}, {"EELagx", "", "", "Ctrl+E"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* a = w->findChild<QAction*>(c.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text().toStdString(), c.caption);
        EXPECT_EQ(a->statusTip().toStdString(), c.hint);
        EXPECT_EQ(a->shortcut(), QKeySequence(c.shortcut));
    }
    QStringList lags, pages;
    for (const QAction* a : w->pmEELag->actions()) lags << a->text();
    EXPECT_EQ(lags, (QStringList{"二期前(&2)", "三期前(&3)", "四期前(&4)"}));
    for (int i = 0; i < w->PC->count(); ++i) pages << w->PC->tabText(i);
    EXPECT_EQ(pages, (QStringList{"推定", "残差", "変換データ", "変換データ分析", "予測"}));

    const std::pair<ResultGrid*, QStringList> grids[] = {
        {w->sgRes, {"", "観測値", "予測値", "残差", "誤差率(%)", "ウェイト"}},
        {w->sgData, {"", "X1", "X2", "定数項", "Y"}},
        {w->sgAna, {"", "予測値", "残差", "PRESS残差", "r(i)", "t(i)", "残差平方", "作用点", "s^2(i)", "W(i)", "COVRATIO",
                    "β変化量[X1]", "β変化量[X2]", "β変化量[定数項]"}},
    };
    for (const auto& [grid, titles] : grids) {
        SCOPED_TRACE(grid->objectName().toStdString());
        QStringList shown;
        for (int col = 0; col < grid->ColCount(); ++col) shown << grid->Cell(col, 0);
        EXPECT_EQ(shown, titles);
        ASSERT_EQ(grid->RowCount(), 13);
        EXPECT_EQ(Text(grid, 0, 12), "12");
    }
    EXPECT_EQ(Text(w->sgAna, 5, 11), "11.4115");
    EXPECT_EQ(Text(w->sgAna, 9, 11), "* 36.7466");

    std::vector<GraphSeen> seen;
    const auto graph = ProbeGraphs(seen);
    const struct {
        QAction* action;
        const char *xName, *yName;
        std::size_t count;
        double ends[4];
    } plots[] = {
        {w->EYPlot, "予測値", "標準化残差", 12, {4.85193691673030, 19.6524483526190, -0.297253685388692, -0.754934644748038}},
        {w->ETPlot, "時間", "標準化残差", 12, {1, 12, -0.297253685388692, -0.754934644748038}},
        {w->LRPlot, "残差平方", "作用点", 12, {0.00674915619215928, 0.0382712504381300, 0.312555735625324, 0.395638974441331}},
        {w->EEPlot, "e(i-1)", "e(i)", 11, {-0.651936916730300, 6.10451119808335, 2.52916875454089, -1.55244835261899}},
        {w->pmEELag->actions()[0], "e(i-2)", "e(i)", 10,
         {-0.651936916730300, -1.82089884239760, -0.927428451864108, -1.55244835261899}},
    };
    for (const auto& c : plots) {
        SCOPED_TRACE(c.yName + std::string(" / ") + c.xName);
        seen.clear();
        c.action->trigger();
        ASSERT_EQ(seen.size(), 1u);
        const GraphSeen& g = seen[0];
        EXPECT_EQ(g.xName, c.xName);
        EXPECT_EQ(g.yName, c.yName);
        ASSERT_EQ(g.x.size(), c.count);
        ASSERT_EQ(g.y.size(), c.count);
        const double got[] = {g.x.front(), g.x.back(), g.y.front(), g.y.back()};
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], c.ends[i], 1e-12 * (1 + std::fabs(c.ends[i]))) << i;
    }
}

// The plots that ask for a variable, on the unweighted fit (exact least squares).
TEST_F(WeightedWindowTest, PlotsOfAChosenVariableHandItsSeries) {
    auto w = Window(Open(), -1);
    std::vector<GraphSeen> seen;
    const auto graph = ProbeGraphs(seen);
    ui_.QueueInput("Y");  // the X-Y plot asks for its y first
    ExpectPlots({{w->XYPlot, "X2", "X2", "Y", {12, 3.1, 6.0, 4.2, 18.1}},
                 {w->EXPlot, "X2", "X2", "標準化残差", {12, 3.1, 6.0, -0.29725368538869176, -0.75493464474803799}},
                 {w->PRLPlot, "X2", "e(X2|-X2)", "e(Y|-X2)",
                  {12, 0.51666666666666667, -1.2333333333333333, 0.47435897435897436, -4.241025641025641}}},
                ui_, seen);
}

TEST_F(WeightedWindowTest, EachWeightChoiceReEstimatesInItsMode) {
    Reg* m = Open();
    auto w = Window(m);
    const struct {
        int item, ar;
        const char* text;
        int mode;
        double tuning;
    } cases[] = {{2, 0, nullptr, 2, 1.345}, {3, 0, nullptr, 3, 1.339}, {2, 0, "1+1", 2, 2.0},
                 {4, 0, nullptr, 4, 1.59},  {1, 0, "4", 1, 1.59},      {2, 1, "2", 102, 1.59},
                 {0, 1, "1+1", 101, 1.59},  {3, 1, "0", 100, 1.59}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        w->RunWeightDialog = Choose(c.item, c.ar, c.text);
        w->SetWeightExecute();
        EXPECT_EQ(w->Mode(), c.mode);
        EXPECT_DOUBLE_EQ(w->Estimator()->tuning, c.tuning);
        // The engine given the same constants.
        WLSE engine(*m, 0, "Y");
        engine.tuning = c.tuning;
        if (c.mode == 1) {
            EXPECT_EQ(w->Estimator()->tDf, 4.0);
            engine.tDf = 4.0;
        }
        (void)engine.Estimate(c.mode);
        EXPECT_EQ(Text(w->tsEst->sgEst, 1, 1), Shown(engine.GetCoef(0)));
        EXPECT_EQ(w->windowTitle().toStdString(), c.mode > 10 ? "自己回帰過程" : "加重回帰");
    }
    // Cancel changes nothing.
    w->RunWeightDialog = [](TfrmWeightOption&) { return int(QDialog::Rejected); };
    w->SetWeightExecute();
    EXPECT_EQ(w->Mode(), 100);
}

TEST_F(WeightedWindowTest, AROrderIsLimitedByTheObservations) {
    Open();
    const struct {
        int n;
        const char* typed;
        int mode;
    } cases[] = {{100, "0", 100}, {100, "50", 125}, {400, "50", 140}, {100, "-3", 101}, {100, "abc", 101}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.n) + " " + c.typed);
        auto table = Table(c.n);
        TfrmWLS w{WindowContext(state_)};
        WLSRequest r;
        r.table = table.get();
        r.dependentColumn = 1;
        r.mode = -1;
        ASSERT_TRUE(w.Fill(r));
        w.RunWeightDialog = Choose(0, 1, c.typed);
        w.SetWeightExecute();
        EXPECT_EQ(w.Mode(), c.mode);
        EXPECT_EQ(w.Estimator()->AROrder(), c.mode > 100 ? c.mode - 100 : 0);
    }
}

TEST_F(WeightedWindowTest, ManualWeightPrompts) {
    Reg* m = Open();
    const struct {
        std::vector<std::string> answers;  // "" cancels, "!" closes an error box
        std::vector<double> weights;       // first four
        int mode;
    } cases[] = {
        {{"2", "3", "=X1*10"}, {2, 3, 30, 40}, 0},
        {{"2", "-1", "4", "<constant>"}, {2, 4, 1, 1}, 0},
        {{"2", "=X1-4", "5", ""}, {2, 5, 1, 1}, 0},
        {{"2", "=zz9zz", "<constant>"}, {2, 1, 1, 1}, 0},
        {{"2", "<auto>"}, {}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answers.back());
        auto w = Window(m, 2);
        for (const std::string& a : c.answers) {
            if (a.empty()) ui_.QueueCancel();
            else if (a == "!") ui_.QueueOK();
            else ui_.QueueInput(a);
        }
        w->RunWeightDialog = Choose(0, 0, nullptr);
        w->SetWeightExecute();
        EXPECT_EQ(w->Mode(), c.mode);
        for (std::size_t t = 0; t < c.weights.size(); ++t) EXPECT_EQ(w->Estimator()->GetWeight(int(t)), c.weights[t]);
        if (c.mode == 0) {
            EXPECT_EQ(w->Estimator()->GetWeight(11), c.answers[2][0] == '=' ? 120.0 : 1.0);
        }
    }
    const auto inputs = ui_.CallsOf(ServiceCall::Input);
    ASSERT_FALSE(inputs.empty());
    EXPECT_EQ(inputs[0].text, "Weight [ 1 ] ");
    EXPECT_EQ(inputs[0].items, (std::vector<std::string>{"<auto>", "<constant>"}));

    // All weights zero: a message, and the former fit stays.
    ui_.ClearCalls();
    auto w = Window(m, 5);
    const WLSE* before = w->Estimator();
    ui_.QueueInput("=0");
    ui_.QueueOK();
    w->RunWeightDialog = Choose(0, 0, nullptr);
    w->SetWeightExecute();
    EXPECT_EQ(w->Mode(), 5);
    EXPECT_EQ(w->Estimator(), before);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
}

TEST_F(WeightedWindowTest, HuberCovarianceSwitchesBackInTheWindowsOwnMode) {
    Reg* m = Open();
    auto w = Window(m, 5);
    auto huber = Engine(*m, 5);
    ASSERT_TRUE(huber->HuberCovariance());
    w->stVeDblClick();
    EXPECT_TRUE(w->HuberShown());
    EXPECT_EQ(Text(w->tsEst->sgEst, 2, 1), Shown(huber->GetStdErr(0)));
    w->stVeDblClick();
    EXPECT_FALSE(w->HuberShown());
    EXPECT_EQ(w->Mode(), 5);
    EXPECT_EQ(Text(w->tsEst->sgEst, 2, 1), Shown(Engine(*m, 5)->GetStdErr(0)));
    EXPECT_EQ(Text(w->tsEst->sgEst, 1, 1), Shown(Engine(*m, 5)->GetCoef(0)));
}

TEST_F(WeightedWindowTest, AFailedRobustFitShowsAMessageAndThePlainFit) {
    Reg* m = Open();
    auto w = Window(m, 5);
    // Andrews' weights with a vanishing constant leave no weight at all.
    w->RunWeightDialog = Choose(3, 0, "0.000000001");
    ui_.QueueOK();
    w->SetWeightExecute();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    const auto plain = Engine(*m, -1);
    EXPECT_EQ(Text(w->tsEst->sgEst, 1, 1), Shown(plain->GetCoef(0)));
    EXPECT_EQ(Text(w->sgRes, 5, 1), Shown(1.0));
}

// A refused weighting (weights whose products fall below the normal range
// of double) leaves the fit on show, its caption, mode and Huber's errors.
TEST_F(WeightedWindowTest, ARefusedFitLeavesTheFitOnShow) {
    Reg* m = Open();
    for (const int mode : {101, 5}) {
        SCOPED_TRACE(mode);
        auto w = Window(m, mode);
        if (mode == 5) w->stVeDblClick();
        const std::string title = w->windowTitle().toStdString(), se = Text(w->tsEst->sgEst, 2, 1);
        ui_.ClearCalls();
        ui_.QueueInput("=1e-310");
        ui_.QueueOK();
        w->RunWeightDialog = Choose(0, 0, nullptr);
        w->SetWeight->trigger();
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "変数 定数項 の係数または標準誤差が有限の数値になりません。");
        EXPECT_EQ(w->Mode(), mode);
        EXPECT_EQ(w->windowTitle().toStdString(), title);
        EXPECT_EQ(Text(w->tsEst->sgEst, 2, 1), se);
        EXPECT_EQ(w->tsEst->btnAR->isEnabled(), mode == 101);
        EXPECT_EQ(w->HuberShown(), mode == 5);
    }
}

// The groups' dependent variable is one of their block's variables; Y,
// outside it, fits nothing.
TEST_F(WeightedWindowTest, GroupCommandOffersTheVariablesOfTheGroupsBlock) {
    Reg* m = Open({2, 7, 1, 8, 2, 8, 1, 8, 2, 8, 4, 5});
    for (int t = 0; t < 8; ++t)
        for (int j : {0, 1, 3}) m->SetMark(t, j, 0x1);
    auto w = Window(m, 5);
    const WLSE* before = w->Estimator();
    w->RunGroupSelector = [](TfrmSelector& s) {
        s.lbList->item(1)->setCheckState(Qt::Checked);
        return int(QDialog::Accepted);
    };
    ui_.QueueInput("Y");
    w->ActiveGroupExecute();
    const auto inputs = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].items, (std::vector<std::string>{"X1", "X2", "W"}));
    EXPECT_EQ(w->Estimator(), before);
    ui_.QueueInput("W");
    w->ActiveGroupExecute();
    EXPECT_EQ(w->GroupMask(), 1);
    EXPECT_EQ(Text(w->tsEst->sgEst, 0, 0), "W");
}

TEST_F(WeightedWindowTest, GroupMaskZeroRebindsToTheWholeModel) {
    Reg* m = Open();
    auto w = Window(m, 3);
    const WLSE* before = w->Estimator();
    w->RunGroupSelector = [](TfrmSelector& s) {
        s.lbList->item(0)->setCheckState(Qt::Checked);
        return int(QDialog::Accepted);
    };
    w->ActiveGroupExecute();
    EXPECT_NE(w->Estimator(), before);
    EXPECT_EQ(w->GroupMask(), 0);
    EXPECT_EQ(w->Mode(), 3);
    EXPECT_EQ(w->Estimator()->ObsCount(), 12);
}

TEST_F(WeightedWindowTest, MarksFollowClicksAndOneMarkPlotsAgainstTime) {
    Reg* m = Open();
    auto w = Window(m);
    w->resize(900, 600);
    w->PC->setCurrentWidget(w->sgAna);
    w->show();
    QApplication::processEvents();
    auto click = [&](int col, Qt::KeyboardModifiers mods) {
        const QPoint p = w->sgAna->CellRect(col, 0).center();
        w->GridMouseDown(w->sgAna, Qt::LeftButton, mods, p.x(), p.y());
    };
    click(1, Qt::NoModifier);
    click(2, Qt::ControlModifier);
    EXPECT_TRUE(w->IsMarked(TfrmWLS::kAnalysisGrid, 0));
    EXPECT_TRUE(w->IsMarked(TfrmWLS::kAnalysisGrid, 1));
    EXPECT_EQ(w->MarkOrder(), (std::vector<int>{5, 6}));
    click(4, Qt::NoModifier);
    EXPECT_EQ(w->MarkOrder(), (std::vector<int>{8}));
    EXPECT_FALSE(w->IsMarked(TfrmWLS::kAnalysisGrid, 0));

    std::vector<GraphSeen> seen;
    const auto graph = ProbeGraphs(seen);
    w->XYPlotExecute();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].xName, "時間");
    EXPECT_EQ(seen[0].yName, "r(i)");
    EXPECT_TRUE(w->MarkOrder().empty());
    w->close();
}

TEST_F(WeightedWindowTest, ARCoefficientDialogIsEmptyOutsideARMode) {
    Reg* m = Open();
    for (int mode : {5, 101}) {
        auto w = Window(m, mode);
        std::string variance, estimate;
        w->RunARDialog = [&](TfrmARP& d) {
            variance = d.stARV->text().toStdString();
            estimate = d.sgARE->Cell(1, 1).toStdString();
            return 1;
        };
        w->btnARClick();
        EXPECT_EQ(variance, mode > 100 ? FormatNumber(false, w->Estimator()->ARVariance()) : "");
        EXPECT_EQ(estimate, mode > 100 ? Shown(w->Estimator()->GetARCoef(0)) : "");
    }
}

TEST_F(WeightedWindowTest, ReportIsSavedOnlyWhenWrittenCompletely) {
    Reg* m = Open();
    auto w = Window(m);
    const std::string good = dir_.Path("report.txt");
    EXPECT_TRUE(w->SaveReport(good));
    EXPECT_GT(std::filesystem::file_size(good), 1000u);
    EXPECT_FALSE(std::filesystem::exists(good + ".part"));
    ui_.QueueOK();
    EXPECT_FALSE(w->SaveReport(dir_.Path("missing/report.txt")));
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
}

TEST_F(WeightedWindowTest, TwoStageDataPageSwitchesToTheInstrumentedRows) {
    Open();
    auto table = Table(20);
    auto second = Table(20);
    for (int i = 0; i < 20; ++i) second->SetValue(i, 0, i + 1.0 + std::cos(i * 0.9));
    TfrmWLS w{WindowContext(state_)};
    WLSRequest r;
    r.table = table.get();
    r.second = second.get();
    r.dependentColumn = 1;
    r.mode = -1;
    ASSERT_TRUE(w.Fill(r));
    w.resize(700, 500);
    w.PC->setCurrentWidget(w.sgData);
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(Text(w.sgData, 1, 0), "x");
    const QPoint corner = w.sgData->CellRect(0, 0).center();
    w.GridMouseDown(w.sgData, Qt::RightButton, Qt::NoModifier, corner.x(), corner.y());
    EXPECT_TRUE(w.ShowInstrumented());
    EXPECT_EQ(Text(w.sgData, 0, 0), "(iv)");
    EXPECT_EQ(Text(w.sgData, 1, 0), "x(iv)");
    EXPECT_EQ(Text(w.sgData, 1, 3), Shown(w.Estimator()->GetSecondTransformed(0, 2)));
    w.GridMouseDown(w.sgData, Qt::RightButton, Qt::NoModifier, corner.x(), corner.y());
    EXPECT_EQ(Text(w.sgData, 1, 3), Shown(w.Estimator()->GetTransformed(0, 2)));
    // Marked columns go to the correlation matrix as the "(iv)" view shows
    // them: x(iv) is 1 + cos 0 at the first row, y(iv) = y is 3.
    w.GridMouseDown(w.sgData, Qt::RightButton, Qt::NoModifier, corner.x(), corner.y());
    for (const int col : {1, 3}) {
        const QPoint p = w.sgData->CellRect(col, 0).center();
        w.GridMouseDown(w.sgData, Qt::LeftButton, col == 1 ? Qt::NoModifier : Qt::ControlModifier, p.x(), p.y());
    }
    std::vector<std::string> names;
    std::vector<double> firstRow;
    const auto probe = Probe<CorrelationMatrixRequest>("TfrmRelative", [&](const CorrelationMatrixRequest& q) {
        for (int j = 0; j < q.table->Cols(); ++j) names.push_back(q.table->GetColumnName(j));
        for (int j = 0; j < q.table->Cols(); ++j) firstRow.push_back(q.table->GetValue(0, j));
    });
    w.RelMat->trigger();
    EXPECT_EQ(names, (std::vector<std::string>{"x(iv)", "y(iv)"}));
    EXPECT_EQ(firstRow, (std::vector<double>{2.0, 3.0}));
    w.close();
}

// Buttons to windows that register later stay disabled until they do.
TEST_F(WeightedWindowTest, ButtonsToOtherWindowsFollowTheRegistry) {
    Reg* m = Open();
    // Both windows are part of the program: start without them.
    for (const char* name : {"TfrmMCL", "TfrmRelative"}) AnalysisWindows().Unregister(name);
    auto w = Window(m);
    EXPECT_FALSE(w->tsEst->btnMCL->isEnabled());
    EXPECT_FALSE(w->RelMat->isEnabled());
    {
        auto none = [](const WindowContext&) -> std::unique_ptr<AnalysisWindow> { return nullptr; };
        ScopedAnalysisWindow mcl("TfrmMCL", none);
        ScopedAnalysisWindow relative("TfrmRelative", none);
        // Two regressors besides the constant term.
        EXPECT_TRUE(w->tsEst->btnMCL->isEnabled());
        EXPECT_TRUE(w->RelMat->isEnabled());
    }
    EXPECT_FALSE(w->tsEst->btnMCL->isEnabled());
    EXPECT_FALSE(w->RelMat->isEnabled());
}

TEST_F(WeightedWindowTest, OtherWindowsReadTheEstimatorWhenItCloses) {
    Open();
    auto table = Table(20);
    const WLSE* read = nullptr;
    double slope = 0.0;
    WLSRequest r;
    r.table = table.get();
    r.dependentColumn = 1;
    r.mode = 5;
    r.requireFit = true;
    r.closed = [&](const WLSE& fit) {
        read = &fit;
        slope = fit.GetCoef(0);
    };
    QTimer::singleShot(0, [] {
        if (auto* w = qobject_cast<TfrmWLS*>(QApplication::activeModalWidget())) w->close();
    });
    EXPECT_EQ(OpenWindow("TfrmWLS", WindowContext(state_), r), 0);
    ASSERT_NE(read, nullptr);
    EXPECT_NEAR(slope, 2.0, 0.1);
}

}  // namespace
