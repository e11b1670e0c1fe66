// The instrumental-variable window offscreen: its cells against the
// engine's tables (one call each), and what only the window and its
// instrument dialog decide.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QListWidget>
#include <QTabWidget>

#include "app/settings/settings_dialog.h"
#include "components/view/result_grid.h"
#include "components/view/selector_dialog.h"
#include "core/data/equation_list.h"
#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "core/text/number_format.h"
#include "estimators/instrument_builder.h"
#include "estimators/instrument_values.h"
#include "estimators/ridge.h"
#include "estimators/ridge_request.h"
#include "platform/qt/string_grid.h"
#include "simeq/iv_tables.h"
#include "simeq/ui/iv_set_dialog.h"
#include "simeq/ui/iv_window.h"
#include "modal_window.h"
#include "request_probe.h"
#include "started_windows.h"

namespace {

const Columns kData = {{1, 2, 3, 4, 5, 6, 7, 8},
                       {2, 1, 4, 3, 6, 5, 8, 9},
                       {1, 3, 2, 5, 4, 7, 6, 9},
                       {2, 2, 1, 4, 3, 5, 7, 6},
                       {3, 4, 8, 0, 12, 14, 17, 15}};
const std::vector<int> kTypes = {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kExogenous,
                                 Var::kEndogenous};

const Columns kSmall = {{1, 2, 3, 4}, {2, 1, 4, 3}, {1, 1, 2, 3}, {3, 4, 8, 9}};

class IVWindowTest : public StartedWindows {
protected:
    IVWindowTest() : StartedWindows("ivwin") {}

    // y (endogenous) on x1 and x2 (endogenous); w and z exogenous.
    Reg* Open(const Columns& data = kData, const std::vector<int>& types = kTypes,
              const std::vector<std::string>& names = {"x1", "x2", "w", "z", "y"},
              const std::vector<int>& regressors = {0, 1}) {
        auto model = MakeModel(data, types, names);
        SaveAs(*model, dir_.Path("iv.MDF"));
        main_->OpenAndRemember(dir_.Path("iv.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(static_cast<int>(data.size()) - 1);
        for (int j : regressors) EXPECT_TRUE(m->ToggleVariable(j));
        main_->UpdateLaunchActions();
        return m;
    }
    // The window the menu command fills, kept unshown for the handlers.
    TfrmIV* Launch() {
        QAction* a = main_->Action("mnuIVEst");
        EXPECT_TRUE(a && a->isEnabled());
        return kept_.Keep([a] { if (a) a->trigger(); });
    }
    static void ExpectSameTable(const ResultGrid& grid, const ResultTable& table) {
        ASSERT_EQ(grid.RowCount(), table.RowCount() + 1);
        for (int r = 0; r < table.RowCount(); ++r)
            for (int c = 0; c < table.ColumnCount(); ++c)
                EXPECT_EQ(grid.Cell(c, r + 1).toStdString(), table.Cell(c, r).Shown()) << c << "," << r;
    }
    // Runs the instrument dialog with the script instead of showing it.
    static void ScriptDialog(TfrmIV* w, std::function<void(TfrmIVSet&)> script) {
        w->ivSetRunner = [script](TfrmIVSet& d) {
            script(d);
            return 1;
        };
    }
    static std::vector<double> Design(const TfrmIV* w, int j) {
        std::vector<double> v;
        w->Estimator()->GetDesignColumn(j, v);
        return v;
    }
    static void ExpectWiring(TfrmIV* w);

    KeptWindow<TfrmIV> kept_{"TfrmIV", RegisterIVWindow};
};

// The window the menu command runs, checked from within its loop.
void IVWindowTest::ExpectWiring(TfrmIV* w) {
    EXPECT_EQ(w->windowTitle().toStdString(), "操作変数");
    RegIV* iv = w->Estimator();
    ASSERT_NE(iv, nullptr);
    EXPECT_EQ(w->PC->currentWidget(), w->tsView);
    EXPECT_EQ(w->sgTable->ColCount(), 5);  // every variable but the dependent
    EXPECT_EQ(w->sgTable->Cell(2, 0).toStdString(), "x2");
    EXPECT_EQ(w->sgTable->Cell(2, 3).toStdString(), FormatNumber(false, 4.0));

    w->PC->setCurrentWidget(w->tsEst);
    EXPECT_TRUE(iv->IsExplanatory(0) && iv->IsExplanatory(1) && iv->IsExplanatory(5));
    ExpectSameTable(*w->sgEst, IVEstimatesTable(*iv));
    const IVSummary s = IVSummaryCells(*iv);
    for (auto [label, cell] : {std::pair{w->stFE, s.df}, {w->stVe, s.s}, {w->stSpecTest, s.specification},
                               {w->stPSS, s.press}, {w->stGK, s.gk}, {w->stDWR, s.dw}, {w->stRR, s.r2}})
        EXPECT_EQ(label->text().toStdString(), cell.Shown());
    EXPECT_TRUE(w->btnVIF->isEnabled());  // two regressors beside the constant term
    EXPECT_TRUE(w->TextSave->isEnabled());

    // One command: w (row 3) enters.
    w->EstCellClick(0, 3, Qt::LeftButton, Qt::NoModifier);
    EXPECT_TRUE(iv->IsExplanatory(2));
    ExpectSameTable(*w->sgEst, IVEstimatesTable(*iv));

    w->Exitence->trigger();
}

TEST_F(IVWindowTest, WiringOpensFromTheMenuShowsTheEngineTableTogglesAndCloses) {
    Open();
    EXPECT_TRUE(WhileModal<TfrmIV>([this] { main_->Action("mnuIVEst")->trigger(); },
                                   [](TfrmIV& w) { ExpectWiring(&w); }));
    for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<TfrmIV*>(top), nullptr);
}

// Every command's caption, keys and hint.
TEST_F(IVWindowTest, ActionsCaptionsKeysAndHints) {
    Open();
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    const struct { const char *name, *caption, *keys, *hint; } actions[] = {
        {"Exitence", "終了", "Ctrl+X", "終了する"},
        {"ActiveGroup", "グループ", "Ctrl+Alt+G", "使用するグループの選択"},
        {"IVSet", "操作変数", "Ctrl+Alt+S", "操作変数の設定"},
        {"XYPlot", "X-Y", "Ctrl+G", "Ｘ－Ｙ　プロット"},
        {"RelMat", "相関", "Ctrl+Alt+R", "相関行列を表示"},
        {"YEPlot", "e-y", "Ctrl+Alt+C", "残差・予測値プロット"},
        {"TEPlot", "e-t", "Ctrl+Alt+T", "残差時系列プロット"},
        {"PRLPlot", "偏回帰", "Ctrl+Alt+P", "偏回帰作用点プロット"},
        {"NPlot", "正規", "Ctrl+Alt+N", "残差の正規プロット"},
        {"EEPlot", "e-e", "Ctrl+Alt+E", "Ｅ－Ｅプロット"},
        {"XEPlot", "e-x", "Ctrl+Alt+X", "残差・説明変数プロット"},
        {"LRPlot", "L-R", "Ctrl+Alt+L", "Ｌ－Ｒプロット"},
        {"TextSave", "保存", "Ctrl+Alt+V", "テキスト保存"},
        {"WLS", "加重", "Ctrl+Alt+W", "加重回帰分析をする"},
        {"AddExpres", "式追加", "Ctrl+Alt+A", "式に追加する"},
        {"EELagx", "", "Ctrl+E", ""},
        {"HelpContext", "", "Ctrl+H", ""},
    };
    for (const auto& a : actions) {
        const QAction* action = w->findChild<QAction*>(a.name);
        ASSERT_NE(action, nullptr) << a.name;
        EXPECT_EQ(action->text().toStdString(), a.caption) << a.name;
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromUtf8(a.keys))) << a.name;
        EXPECT_EQ(action->statusTip().toStdString(), a.hint) << a.name;
    }
    w->close();
}

// The first stage on the exogenous variables with K = 1 puts the fitted
// values in place of x2: the estimates are those of the engine on that
// design. K = 0 leaves the variable itself, "<auto>" takes the default K,
// ranks and typed values go in as they are; "解除" restores the data.
TEST_F(IVWindowTest, InstrumentMethodsAndK) {
    Reg* data = Open();
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    RegIV* iv = w->Estimator();
    std::vector<double> observed;
    iv->GetDataColumn(1, observed);

    const struct {
        const char* name;
        int method;
        const char* k;  // typed at the K prompt, or null
    } cases[] = {{"exogenous, K = 1", TfrmIVSet::kExogenous, nullptr},
                          {"exogenous, K = 0", TfrmIVSet::kExogenous, "0"},
                          {"others, <auto>", TfrmIVSet::kOthers, "<auto>"},
                          {"ranks", TfrmIVSet::kRanks, nullptr},
                          {"typed", TfrmIVSet::kTyped, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        double k = 1.0, defaultK = 0.0;
        std::string r;
        ScriptDialog(w, [&](TfrmIVSet& d) {
            d.cbIVSel->setCurrentText("x2");
            d.rgIVSetClick(c.method);
            if (c.method == TfrmIVSet::kOthers) {
                d.sgREGClick(1, 3, Qt::LeftButton);  // w and z enter
                d.sgREGClick(1, 4, Qt::LeftButton);
            }
            defaultK = iv->GetDefaultK();
            if (c.k) {
                ui_.QueueInput(c.k);
                d.stLamdaClick();
            }
            k = d.K();
            if (c.method == TfrmIVSet::kTyped) {
                ui_.QueueInput(FormatNumber(false, observed[0]));  // kept
                ui_.QueueInput("@@+1");
                for (std::size_t i = 2; i < observed.size(); ++i) ui_.QueueInput("5");
            }
            d.btnSetClick();
            r = d.stR->text().toStdString();
        });
        w->IVSet->trigger();
        std::vector<double> expected(observed.size(), 5.0);
        if (c.method == TfrmIVSet::kRanks) {
            expected = RankInstrument(observed);
        } else if (c.method == TfrmIVSet::kTyped) {
            expected[0] = observed[0];
            expected[1] = observed[1] + 1;
        } else {
            const bool exo = c.method == TfrmIVSet::kExogenous;
            const int target = data->FindVar("x2");
            InstrumentFirstStage fs(*data, target,
                                    exo ? InstrumentFirstStage::ExogenousCandidates(*data, target)
                                        : InstrumentFirstStage::OtherCandidates(*data, target),
                                    0, exo);
            ASSERT_TRUE(exo || (fs.ToggleColumn(1) && fs.ToggleColumn(2)));
            expected = fs.KClassInstrument(k);
        }
        if (c.k) {
            EXPECT_EQ(k, std::string(c.k) == "0" ? 0.0 : defaultK);
        }
        if (k == 0.0) {
            EXPECT_EQ(expected, observed);  // K = 0: the variable itself
        }
        EXPECT_EQ(Design(w, 1), expected);
        EXPECT_EQ(r, FormatNumber(false, InstrumentCorrelation(*iv, 1)));
        w->PC->setCurrentWidget(w->tsEst);  // the estimates of the new design
        ExpectSameTable(*w->sgEst, IVEstimatesTable(*iv));
        w->PC->setCurrentWidget(w->tsView);

        ScriptDialog(w, [](TfrmIVSet& d) {
            d.cbIVSel->setCurrentText("x2");
            d.btnResetClick();
            EXPECT_EQ(d.stR->text().toStdString(), "1.0000");
        });
        w->IVSet->trigger();
        EXPECT_EQ(Design(w, 1), observed);
    }
    // Typed values cancelled: the ranks set before stay; the correlation shown is 1.
    ScriptDialog(w, [&](TfrmIVSet& d) {
        d.cbIVSel->setCurrentText("x2");
        d.rgIVSetClick(TfrmIVSet::kRanks);
        d.btnSetClick();
        ASSERT_NE(d.stR->text().toStdString(), "1.0000");
        d.rgIVSetClick(TfrmIVSet::kTyped);
        ui_.QueueCancel();
        d.btnSetClick();
        EXPECT_EQ(d.stR->text().toStdString(), "1.0000");
    });
    w->IVSet->trigger();
    EXPECT_EQ(Design(w, 1), RankInstrument(observed));
    w->close();
}

TEST_F(IVWindowTest, InstrumentPlotHandsTheInstrumentAgainstTheVariable) {
    Open();
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    std::vector<GraphSeen> seen;
    auto probe = ProbeGraphs(seen);
    ScriptDialog(w, [](TfrmIVSet& d) {
        d.cbIVSel->setCurrentText("x2");
        d.rgIVSetClick(TfrmIVSet::kRanks);
        d.btnSetClick();
        d.btnPlotClick();
    });
    w->IVSet->trigger();
    // x2 = 2, 1, 4, 3, 6, 5, 8, 9: ranks 2, 1, 4, 3, 6, 5, 7, 8 over 8.
    ExpectGraph(seen, "(iv)x2", "x2", {8, 0.25, 1, 2, 9}, 0);
    w->close();
}

// Four observations: the constant term and x1 leave two residual degrees
// of freedom, the floor; a click on x2 changes nothing, a click on x1
// removes it.
TEST_F(IVWindowTest, TogglesRefusedAtTwoDegreesOfFreedom) {
    Open(kSmall, {}, {"x1", "x2", "w", "y"}, {0});
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    RegIV* iv = w->Estimator();
    ASSERT_EQ(iv->GetDf(), 2);
    w->PC->setCurrentWidget(w->tsEst);
    const ResultTable before = IVEstimatesTable(*iv);
    w->EstCellClick(0, 2, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(iv->GetDf(), 2);
    ExpectSameTable(*w->sgEst, before);
    w->EstCellClick(0, 1, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(iv->GetDf(), 3);
    w->close();
}

// A group of all four observations: every variable is offered, and those
// that would leave fewer than two residual degrees of freedom stay out.
TEST_F(IVWindowTest, GroupChoiceLeavesOutWhatTheDegreesOfFreedomCannotHold) {
    Reg* data = Open(kSmall, {}, {"x1", "x2", "w", "y"}, {0});
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) data->SetMark(i, j, 0x0001);
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    w->groupRunner = [](TfrmSelector& s) {
        s.lbList->item(1)->setCheckState(Qt::Checked);
        return static_cast<int>(QDialog::Accepted);
    };
    ui_.QueueInput("y");
    w->ActiveGroupExecute();
    EXPECT_EQ(w->GroupMask(), 0x0001);
    RegIV* iv = w->Estimator();
    ASSERT_NE(iv, nullptr);
    EXPECT_EQ(iv->GetVarName(iv->GetDependent()), "y");
    EXPECT_EQ(iv->GetDf(), 2);
    EXPECT_TRUE(iv->IsExplanatory(0));
    EXPECT_FALSE(iv->IsExplanatory(1) || iv->IsExplanatory(2));
    w->close();
}

// "@@*2" doubles the design value of the cell; the estimate follows the
// new design; a formula that fails changes nothing.
TEST_F(IVWindowTest, DesignEditsThroughTheCellValue) {
    Open();
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    RegIV* iv = w->Estimator();
    const double coefBefore = iv->GetCoef(1);
    ui_.QueueInput("@@*2");
    w->TableCellEdit(2, 3);  // x2 at observation 3
    ASSERT_FALSE(ui_.CallsOf(ServiceCall::Input).empty());
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).back().text, "x2[3]");
    EXPECT_EQ(iv->GetDesignValue(2, 1), 8.0);
    EXPECT_EQ(iv->GetDataValue(2, 1), 4.0);
    EXPECT_EQ(w->sgTable->Cell(2, 3).toStdString(), FormatNumber(false, 8.0));
    EXPECT_NE(iv->GetCoef(1), coefBefore);  // refitted on the new design

    ui_.SetFailOnUnusedAnswers(false);
    ui_.QueueInput("@@*");
    ui_.QueueOK();  // the macro engine's error box
    w->TableCellEdit(2, 3);
    EXPECT_EQ(iv->GetDesignValue(2, 1), 8.0);
    w->close();
}

// Plain clicks on a heading leave exactly that column marked (in every
// grid of the window), Ctrl adds and removes, the corner clears; a right
// click on an influence heading shows its cut-off.
TEST_F(IVWindowTest, HeadingMarksAndCutoffTexts) {
    Open();
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    w->PC->setCurrentWidget(w->tsRes);
    for (int i = 0; i < 2; ++i) w->ResCellClick(3, 0, Qt::LeftButton, Qt::NoModifier);
    w->ResCellClick(5, 0, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_TRUE(w->IsRowMarked(2, 2) && w->IsRowMarked(2, 4));
    w->PC->setCurrentWidget(w->tsAna);
    w->AnaCellClick(2, 0, Qt::LeftButton, Qt::NoModifier);
    EXPECT_FALSE(w->IsRowMarked(2, 2) || w->IsRowMarked(2, 4));
    EXPECT_TRUE(w->IsRowMarked(3, 1));
    w->AnaCellClick(0, 0, Qt::LeftButton, Qt::NoModifier);
    EXPECT_FALSE(w->IsRowMarked(3, 1));

    RegIV* iv = w->Estimator();
    const InfluenceCutoffs cut = IVInfluenceCutoffs(*iv);
    EXPECT_EQ(w->sgAna->ColCount(), 2 * iv->GetParamCount() + 8);
    w->AnaCellClick(2, 0, Qt::RightButton, Qt::NoModifier);
    EXPECT_EQ(w->SB->currentMessage().toStdString(), "COVRATIOの切断点 = " + FormatNumber(false, cut.covratioLow) +
                                                           "～" + FormatNumber(false, cut.covratioHigh));
    const int beta = w->sgAna->ColCount() - 1;
    w->AnaCellClick(beta, 0, Qt::RightButton, Qt::NoModifier);
    EXPECT_EQ(w->SB->currentMessage().toStdString(), "標準化β変化量の切断点 = " + FormatNumber(false, cut.dfbeta));
    // A data cell of a coefficient change reports the raw change.
    w->AnaCellClick(beta, 2, Qt::LeftButton, Qt::NoModifier);
    const ResultColumn raw = w->InfluenceColumnCode(beta - 1, true);
    EXPECT_EQ(raw.kind, ResultKind::RawDfbeta);
    EXPECT_EQ(w->SB->currentMessage().toStdString(),
              FormatElementValue(IVColumnTitle(*iv, raw), 2, IVColumnValue(*iv, raw, 1)));
    EXPECT_EQ(w->sgAna->Cell(2, 2).toStdString(),
              IVInfluenceCellText(*iv, ResultMarks(cut), {ResultKind::Influence, 1}, 1));
    EXPECT_EQ(w->sgRes->Cell(8, 5).toStdString(), IVDiagnosticCellText(*iv, ResultMarks(cut), 8, 4));
    w->close();
}

// The equation of an endogenous dependent goes to the list in one undo
// step; an exogenous dependent adds nothing.
TEST_F(IVWindowTest, AddsTheEquationWithOneUndoStep) {
    Reg* model = Open();
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    const int before = model->Expressions().GetCount();
    w->AddExpres->trigger();
    ASSERT_EQ(model->Expressions().GetCount(), before + 1);
    const int e = model->Expressions().IndexOf("y");
    ASSERT_GE(e, 0);
    const Expres& added = model->Expressions().GetItem(e);
    EXPECT_EQ(added.GetCount(), 3);
    EXPECT_EQ(added.GetVarName(2), "定数項");
    EXPECT_EQ(added.GetCoef(1), w->Estimator()->GetCoef(1));
    main_->Action("UndoEdit")->trigger();
    EXPECT_EQ(model->Expressions().GetCount(), before);
    w->close();

    std::vector<int> types = kTypes;
    types[4] = Var::kExogenous;
    model = Open(kData, types);
    w = Launch();
    ASSERT_NE(w, nullptr);
    w->AddExpres->trigger();
    EXPECT_EQ(model->Expressions().GetCount(), 0);
    w->close();
}

// The R^2 switch: the label and the value agree after a refill.
TEST_F(IVWindowTest, RSquaredLabelAndValueAgreeAfterARefill) {
    Open();
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    w->PC->setCurrentWidget(w->tsEst);
    w->stRRClick();
    EXPECT_EQ(w->lblRR2->text().toStdString(), "自由度修正済R^2");
    w->EstCellClick(0, 3, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(w->lblRR2->text().toStdString(), "自由度修正済R^2");
    EXPECT_EQ(w->stRR->text().toStdString(), FormatNumber(true, w->Estimator()->GetAdjR2()));
    w->stRRClick();
    EXPECT_EQ(w->lblRR2->text().toStdString(), "決定係数(R^2)");
    EXPECT_EQ(w->stRR->text().toStdString(), FormatNumber(true, w->Estimator()->GetR2()));
    w->close();
}

// With the model's variables only, the estimator holds x1, x2 and y, and
// the roles go across by name: x1 and x2 are in, y the dependent.
TEST_F(IVWindowTest, SelectedVariablesMatchedByName) {
    Open(kData, kTypes, {"x1", "x2", "w", "z", "y"}, {1, 3});
    windows_->SetteiDlg->Settings().Values().IV_Selected = true;
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    RegIV* iv = w->Estimator();
    ASSERT_EQ(iv->VarCount(), 3);
    EXPECT_EQ(iv->GetVarName(iv->GetDependent()), "y");
    EXPECT_TRUE(iv->IsExplanatory(iv->FindVar("x2")));
    EXPECT_TRUE(iv->IsExplanatory(iv->FindVar("z")));
    windows_->SetteiDlg->Settings().Values().IV_Selected = false;
    w->close();
}

// A start that fails shows its message and leaves the window empty.
TEST_F(IVWindowTest, AFailedStartShowsItsMessageAndLeavesNoEstimator) {
    Reg empty(0, 2);  // no observations: no block to estimate on
    TfrmIV w{WindowContext(state_)};
    ui_.QueueOK();
    EXPECT_FALSE(w.CreateEstimator(&empty));
    EXPECT_EQ(w.Estimator(), nullptr);
    const auto shown = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("データ不足"), std::string::npos);
    w.tsEstShow();
    w.EstCellClick(0, 1, Qt::LeftButton, Qt::NoModifier);
    w.AddExpresExecute();
}

}  // namespace

namespace {

// A ridge window that refuses its table, or fits it and hands the fit back
// as the real window does when it closes.
class FakeRidge : public RequestWindow<RidgeRequest> {
public:
    explicit FakeRidge(bool accept, std::vector<double>* fitted) : accept_(accept), fitted_(fitted) {}
    bool Fill(const RidgeRequest& r) override {
        if (!accept_ || !r.table) return false;
        ridge_ = std::make_unique<Ridge>(*r.table, r.dependentColumn);
        if (!ridge_->Calculate()) return false;
        closed_ = r.closed;
        return true;
    }
    int ShowModal() override {
        fitted_->resize(static_cast<std::size_t>(ridge_->N()));
        ridge_->ReadResultRow(1, fitted_->data());
        if (closed_) closed_(*ridge_);
        return 1;
    }

private:
    bool accept_;
    std::vector<double>* fitted_;
    std::unique_ptr<Ridge> ridge_;
    std::function<void(const Ridge&)> closed_;
};

}  // namespace

// The ridge first stage goes through the ridge window: its fitted values
// become the instrument; a window that refuses the data (here the weighted
// one) leaves the variable itself. Both choices stay off until their
// windows are registered.
TEST_F(IVWindowTest, WeightedAndRidgeFirstStagesThroughTheirWindows) {
    Open();
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    std::vector<double> observed, ridgeFitted;
    w->Estimator()->GetDataColumn(1, observed);
    ScriptDialog(w, [](TfrmIVSet& d) { EXPECT_FALSE(d.rbRidge->isEnabled() || d.rbWLS->isEnabled()); });
    w->IVSet->trigger();
    ScopedAnalysisWindow ridge("TfrmRidge", [&ridgeFitted](const WindowContext&) {
        return std::make_unique<FakeRidge>(true, &ridgeFitted);
    });
    // A window that takes no request of its kind refuses whatever it gets.
    ScopedAnalysisWindow weighted("TfrmWLS", [&ridgeFitted](const WindowContext&) {
        return std::make_unique<FakeRidge>(false, &ridgeFitted);
    });
    ScriptDialog(w, [](TfrmIVSet& d) {
        d.cbIVSel->setCurrentText("x2");
        d.rgIVSetClick(TfrmIVSet::kExogenous);
        ASSERT_TRUE(d.rbRidge->isEnabled());
        d.rbRidge->setChecked(true);
        d.btnSetClick();
        EXPECT_TRUE(d.FirstStage()->IsRidge());
        EXPECT_EQ(d.sgREG->Cell(1, 0).toStdString(), "分散拡大要因");
        d.rbOLS->setChecked(true);  // the heading follows the fit chosen, not the one that ran
        EXPECT_EQ(d.sgREG->Cell(1, 0).toStdString(), "Ｆ値");
    });
    w->IVSet->trigger();
    ASSERT_EQ(ridgeFitted.size(), observed.size());
    EXPECT_EQ(Design(w, 1), ridgeFitted);

    ScriptDialog(w, [](TfrmIVSet& d) {
        d.cbIVSel->setCurrentText("x2");
        d.rgIVSetClick(TfrmIVSet::kExogenous);
        ASSERT_TRUE(d.rbWLS->isEnabled());
        d.rbWLS->setChecked(true);
        d.btnSetClick();
        EXPECT_EQ(d.stR->text().toStdString(), "1.0000");
    });
    w->IVSet->trigger();
    EXPECT_EQ(Design(w, 1), observed);
    w->close();
}

// x2 = 2 x1 + 1: with x1 in the first stage nothing is left to explain,
// and a click on a "TOL CHECK" row leaves it out.
TEST_F(IVWindowTest, ExactFirstStageKeepsTheOtherColumnsOut) {
    Columns data = kData;
    for (std::size_t i = 0; i < 8; ++i) data[1][i] = 2 * data[0][i] + 1;
    Open(data, kTypes, {"x1", "x2", "w", "z", "y"}, {1});
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    ScriptDialog(w, [](TfrmIVSet& d) {
        d.cbIVSel->setCurrentText("x2");
        d.rgIVSetClick(TfrmIVSet::kOthers);
        d.sgREGClick(1, 2, Qt::LeftButton);  // x1 enters
        ASSERT_TRUE(d.FirstStage()->IsIn(0));
        d.sgREGClick(1, 3, Qt::LeftButton);  // w
        EXPECT_FALSE(d.FirstStage()->IsIn(1));
    });
    w->IVSet->trigger();
    w->close();
}

// x2's first stage on x1 alone gives an instrument that x1 and the constant
// term already hold: a warning, and the estimate before stays.
TEST_F(IVWindowTest, RefusedInstrumentKeepsTheEstimateBefore) {
    Open();
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    ScriptDialog(w, [](TfrmIVSet& d) {
        d.cbIVSel->setCurrentText("x2");
        d.rgIVSetClick(TfrmIVSet::kOthers);
        d.sgREGClick(1, 2, Qt::LeftButton);  // x1
        d.btnSetClick();
    });
    ui_.QueueOK();
    w->IVSet->trigger();
    const auto shown = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "識別不能状態です。");
    EXPECT_EQ(shown[0].msgKind, MsgKind::Warning);
    EXPECT_TRUE(w->Estimator()->IsExplanatory(1));
    w->close();
}

// Group 1 of one observation is refused ("データ不足"): the estimator and
// groups before stay. Of every observation, it enters each variable but z
// (1e16 throughout, beside the constant term), and nothing is said.
TEST_F(IVWindowTest, GroupChoiceRefusedOrWithoutARepeatingRegressor) {
    Columns data = kData;
    data[3].assign(8, 1e16);
    Reg* model = Open(data);
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    RegIV* const iv = w->Estimator();
    w->groupRunner = [](TfrmSelector& s) {
        s.lbList->item(1)->setCheckState(Qt::Checked);
        return static_cast<int>(QDialog::Accepted);
    };
    for (int j = 0; j < model->GetVarCount(); ++j) model->SetMark(0, j, 0x0001);
    ui_.QueueInput("y");
    ui_.QueueOK();
    w->ActiveGroupExecute();
    const auto shown = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "データ不足");
    EXPECT_EQ(w->GroupMask(), 0);
    EXPECT_EQ(w->Estimator(), iv);

    for (int i = 1; i < 8; ++i)
        for (int j = 0; j < model->GetVarCount(); ++j) model->SetMark(i, j, 0x0001);
    ui_.QueueInput("y");
    w->ActiveGroupExecute();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    EXPECT_EQ(w->GroupMask(), 0x0001);
    EXPECT_TRUE(w->Estimator()->IsExplanatory(2));
    EXPECT_FALSE(w->Estimator()->IsExplanatory(3));
    w->close();
}
