// The principal component window, offscreen: opened from the main window's
// command, one cell of each page, one command, closed; then what only the
// window decides: its actions and page captions, the rows, values and
// marks each page shows and shows anew after a typed factor count or a
// switch, the series each plot gets, the variable information of a score
// column and the renaming it leads to, Enter in the variable list, the
// name checks of renaming, adding score series with one undo step each,
// refusing series of a group analysis, keeping the analysis when a group
// choice cannot be analysed, a table source, no ticked variable, the
// loadings handed to the loading plot, and a switch to Minres that fails.
//
// Expected values were computed independently from the four-variable
// sample in 40-digit arithmetic (correlation matrix, its eigenvectors, the
// varimax maximum of the two leading components, the minimum-residual
// fit) and are written out here as data.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include <functional>

#include "app/dialogs/property_dialog.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "core/data/variable.h"
#include "core/data/variable_property_request.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "eval/reserved_words.h"
#include "modal_window.h"
#include "request_probe.h"
#include "started_windows.h"
#include "stats/fac_load_plot_request.h"
#include "stats/ui/pca_window.h"
#include "support/four_variable_sample.h"
#include "support/model_builder.h"

namespace {

const Columns& kData = kFourVariableSample;

// Scores of the first two components, factor scores of the two varimax
// factors and standardized values, first and last observation.
constexpr double kZ0First = 0.044341702763164677, kZ0Last = -0.50520576907893787;
constexpr double kZ1First = -0.32527867265142556, kZ1Last = -1.2860289166544593;
constexpr double kF0First = -0.156822590573749, kF0Last = -1.4832264522035165;
constexpr double kF1First = -0.41545264289103567, kF1Last = -1.1639083662638702;
constexpr double kStdFirst[] = {-0.068254801362021233, -0.063544026390593961, -0.31561290293925191,
                                0.11946040946207067};
constexpr double kStdLast[] = {-0.65837443813782981, -0.77886820918756598, -0.86869660744694418, 0.36302046758862254};
constexpr double kTolerance = 1e-12;

void KeyPress(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

struct PropertySeen {
    std::string name, info;
    bool renameAllowed = false;
    std::vector<double> values;
};

// Stands in for the variable information dialog: notes the variable, gives
// it the scripted name and closes with the scripted result.
class PropertyStandIn : public RequestWindow<VariablePropertyRequest> {
public:
    PropertyStandIn(std::vector<PropertySeen>& seen, std::string answer, int result)
        : seen_(seen), answer_(std::move(answer)), result_(result) {}
    using RequestWindow<VariablePropertyRequest>::Fill;
    bool Fill(const VariablePropertyRequest& r) override {
        PropertySeen s{r.variable->GetName(), r.variable->GetInfo(), r.renameAllowed, {}};
        for (int i = 0; i < r.variable->Count(); ++i) s.values.push_back(r.variable->At(i));
        seen_.push_back(std::move(s));
        r.variable->SetName(answer_);
        return true;
    }
    int ShowModal() override { return result_; }

private:
    std::vector<PropertySeen>& seen_;
    std::string answer_;
    int result_;
};

class PcaWindowTest : public StartedWindows {
protected:
    PcaWindowTest() : StartedWindows("pca") {}

    Reg* Open() {
        auto model = MakeModel(kData, {}, {"a", "b", "c", "d"});
        SaveAs(*model, dir_.Path("pca.MDF"));
        main_->OpenAndRemember(dir_.Path("pca.MDF"));
        ui_.ClearCalls();
        return state_.Model();
    }
    std::unique_ptr<TfrmPCA> Window(Reg* m) {
        auto w = std::make_unique<TfrmPCA>(WindowContext(state_));
        EXPECT_TRUE(w->Start(m));
        w->RefreshPages();
        return w;
    }
    static SelectorRunner Ticking(std::vector<int> rows) {
        return [rows](TfrmSelector& s) {
            for (int r : rows) s.lbList->item(r)->setCheckState(Qt::Checked);
            s.lbListClick();
            return static_cast<int>(QDialog::Accepted);
        };
    }
    std::vector<std::string> Errors() const {
        std::vector<std::string> texts;
        for (const RecordedCall& c : ui_.CallsOf(ServiceCall::MessageBox)) texts.push_back(c.text);
        return texts;
    }
};

TEST_F(PcaWindowTest, WiringFromTheMainWindowEveryPageOneCommandClose) {
    Open();
    QAction* command = main_->Action("PCARun");
    ASSERT_TRUE(command && command->isEnabled());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmPCA*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        seen = true;
        const PCA* p = w->Analysis();
        ASSERT_TRUE(p);
        EXPECT_EQ(w->windowTitle(), "主成分分析");
        EXPECT_EQ(w->lbVarSel->count(), 4);
        EXPECT_EQ(w->sgRelMat->Cell(2, 1), "0.9491");
        EXPECT_EQ(w->sgEV->Cell(1, 0), "2.1037");
        EXPECT_EQ(w->sgFL->Cell(2, 4), "**-0.7139");
        EXPECT_EQ(w->sgScore->Cell(2, 7), "0.3479");
        EXPECT_EQ(w->sgRF->Cell(0, 0), "Varimax");
        EXPECT_EQ(w->sgFS->Cell(1, 10), "-1.4832");
        w->PC->setCurrentWidget(w->sgCheck);
        EXPECT_EQ(w->sgCheck->Cell(3, 4), "1.33");
        // Score names count as taken while the window is open.
        EXPECT_EQ(ClassifyNewName(state_, "Z0", true), kNewNameTaken);
        w->sgEVClick(2, 1);
        EXPECT_EQ(w->SB->currentMessage(), "寄与率[2] = 4.561594E-0001");
        w->Exitence->trigger();
    });
    command->trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(ClassifyNewName(state_, "Z0", true), kNewNameFree);
}

TEST_F(PcaWindowTest, ActionsAndPagesKeepTheirCaptionsShortcutsAndHints) {
    auto w = Window(Open());
    struct Case {
        QAction* action;
        const char *name, *caption, *shortcut, *hint;
    };
    const Case cases[] = {
            {w->Exitence, "Exitence", "終了", "Ctrl+X", "閉じる"},
            {w->FFPlot, "FFPlot", "FFPlot", "Ctrl+Alt+F", "因子負荷量のプロット"},
            {w->ZZPlot, "ZZPlot", "ZZPlot", "Ctrl+Alt+Z", "スコアーのプロット"},
            {w->Selection, "Selection", "Selection", "Ctrl+Alt+S", "主成分のデータへの追加"},
            {w->Rotation, "Rotation", "Rotation", "Ctrl+Alt+R", "因子数の決定"},
            {w->Rename, "Rename", "Rename", "Ctrl+Alt+N", "名前の変更"},
            {w->ActiveGroup, "ActiveGroup", "ActiveGroup", "Ctrl+Alt+G", "使用するグループを設定"},
            {w->Setting, "Setting", "Setting", "Ctrl+O", "規準バリマックス法かＭｉｎｒｅｓ法かの選択"},
            {w->Changer, "Changer", "Changer", "Ctrl+C", ""},
            {w->HelpContext, "HelpContext", "HelpContext", "Ctrl+H", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.action);
        EXPECT_EQ(c.action->objectName(), c.name);
        EXPECT_EQ(c.action->text(), c.caption);
        EXPECT_EQ(c.action->shortcut(), QKeySequence(c.shortcut));
        EXPECT_EQ(c.action->statusTip(), c.hint);
    }
    const QStringList pages = {"選択", "固有値", "因子負荷量", "スコアー", "回転因子", "因子得点", "特異点"};
    ASSERT_EQ(w->PC->count(), pages.size());
    for (int i = 0; i < pages.size(); ++i) EXPECT_EQ(w->PC->tabText(i), pages[i]);
}

struct PageCell {
    int col, row;
    const char* text;
};

TEST_F(PcaWindowTest, PagesShowTheirRowsValuesAndMarks) {
    auto w = Window(Open());
    w->PC->setCurrentWidget(w->sgCheck);
    struct Case {
        const char* page;
        ResultGrid* grid;
        int rows, cols;
        std::vector<PageCell> cells;
    };
    const Case cases[] = {
            {"correlations", w->sgRelMat, 5, 5,
             {{1, 0, "a"}, {4, 0, "d"}, {0, 1, "a"}, {0, 4, "d"},
              {1, 1, "1.0000"}, {3, 4, "-0.8518"}, {4, 1, "0.3980"}, {4, 4, "1.0000"}}},
            {"eigenvalues", w->sgEV, 7, 5,
             {{0, 0, "固有値"}, {1, 0, "2.1037"}, {4, 0, "0.0118"},
              {0, 1, "寄与率"}, {1, 1, "0.5259"}, {4, 1, "0.0030"},
              {0, 2, "累積寄与率"}, {2, 2, "0.9821"}, {4, 2, "1.0000"},
              {0, 3, "a"}, {1, 3, "0.6487"}, {0, 6, "d"}, {4, 6, "-0.1239"}}},
            {"loadings", w->sgFL, 5, 5,
             {{0, 0, "因子負荷量"}, {1, 0, "Z0"}, {4, 0, "Z3"}, {0, 1, "a"}, {0, 4, "d"},
              {1, 1, "* 0.9408"}, {2, 3, "* 0.9346"}, {1, 3, "-0.3137"}, {2, 4, "**-0.7139"}, {4, 4, "-0.0135"}}},
            {"scores", w->sgScore, 11, 5,
             {{1, 0, "Z0"}, {4, 0, "Z3"}, {0, 1, "1"}, {1, 1, "0.0443"}, {4, 1, "-0.0451"},
              {0, 10, "10"}, {1, 10, "-0.5052"}, {4, 10, "-0.0469"}}},
            {"rotated", w->sgRF, 5, 3,
             {{0, 0, "Varimax"}, {1, 0, "F0"}, {2, 0, "F1"}, {0, 1, "a"}, {1, 1, "* 0.9821"},
              {2, 1, "-0.1689"}, {2, 3, "* 0.9695"}, {1, 4, "0.2476"}, {2, 4, "**-0.9536"}}},
            {"factor scores", w->sgFS, 11, 3,
             {{1, 0, "F0"}, {2, 0, "F1"}, {0, 1, "1"}, {1, 1, "-0.1568"}, {2, 1, "-0.4155"},
              {0, 10, "10"}, {1, 10, "-1.4832"}, {2, 10, "-1.1639"}}},
            {"outliers", w->sgCheck, 11, 7,
             {{1, 0, "a"}, {4, 0, "d"}, {5, 0, "Z0"}, {6, 0, "Z1"}, {0, 1, "1"}, {1, 1, "-0.22"},
              {6, 1, "-0.24"}, {2, 3, "* 2.00"}, {1, 9, "* 2.31"},
              {0, 10, "10"}, {1, 10, "-0.22"}, {6, 10, "-0.95"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        EXPECT_EQ(c.grid->RowCount(), c.rows);
        EXPECT_EQ(c.grid->ColCount(), c.cols);
        for (const PageCell& cell : c.cells)
            EXPECT_EQ(c.grid->Cell(cell.col, cell.row), cell.text) << cell.col << "," << cell.row;
    }
}

TEST_F(PcaWindowTest, PagesShowNewValuesAfterATypedFactorCountOrASwitch) {
    auto w = Window(Open());
    const PCA* p = w->Analysis();
    struct Case {
        const char* answer;
        int factors;
    };
    // Two eigenvalues exceed 1: the default; more than p means p.
    const Case cases[] = {{"1+2", 3}, {"0", 2}, {"9", 4}, {"-3", 2}, {"2.9", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ui_.QueueInput(c.answer);
        w->RotationExecute();
        EXPECT_EQ(p->FactorCount(), c.factors);
        EXPECT_EQ(w->sgRF->ColCount(), c.factors + 1);
        EXPECT_EQ(w->sgFS->ColCount(), c.factors + 1);
    }
    // One factor: the loadings of the first component, unrotated.
    ui_.QueueInput("1");
    w->RotationExecute();
    const std::vector<PageCell> oneFactor = {{1, 0, "F0"}, {1, 1, "* 0.9408"}, {1, 3, "-0.3137"}};
    for (const PageCell& cell : oneFactor) EXPECT_EQ(w->sgRF->Cell(cell.col, cell.row), cell.text);
    EXPECT_EQ(w->sgFS->Cell(1, 1), "0.0643");
    EXPECT_EQ(w->sgFS->Cell(1, 10), "-0.7328");
    // Showing the window again (back from a plot) keeps the chosen count.
    w->show();
    w->hide();
    w->show();
    EXPECT_EQ(p->FactorCount(), 1);

    // The minimum-residual fit of two factors.
    ui_.QueueInput("2");
    w->RotationExecute();
    w->SettingExecute();
    EXPECT_FALSE(w->UsesVarimax());
    const std::vector<PageCell> minres = {
            {0, 0, "Minres"}, {1, 1, "* 0.9825"}, {2, 1, "-0.1710"}, {2, 3, "* 0.9510"}, {2, 4, "**-0.9396"}};
    for (const PageCell& cell : minres) EXPECT_EQ(w->sgRF->Cell(cell.col, cell.row), cell.text);
    EXPECT_EQ(w->sgFS->Cell(2, 1), "-0.1964");
    EXPECT_EQ(w->sgFS->Cell(1, 10), "-0.7628");
    w->SettingExecute();
    EXPECT_EQ(w->sgRF->Cell(0, 0), "Varimax");
    EXPECT_EQ(w->sgRF->Cell(2, 1), "-0.1689");

    // The loadings view switches only on its own page; the corner switches
    // back.
    w->ChangerExecute();
    EXPECT_TRUE(w->ShowsLoadings());
    w->PC->setCurrentWidget(w->sgFL);
    w->ChangerExecute();
    EXPECT_FALSE(w->ShowsLoadings());
    const std::vector<PageCell> cumulative = {{0, 0, "寄与率"}, {1, 1, "0.8852"}, {2, 1, "0.9931"},
                                              {1, 4, "0.4610"}, {2, 3, "0.9719"}, {4, 4, "1.0000"}};
    for (const PageCell& cell : cumulative) EXPECT_EQ(w->sgFL->Cell(cell.col, cell.row), cell.text);
    w->sgFLClick(0, 0);
    EXPECT_TRUE(w->ShowsLoadings());
    EXPECT_EQ(w->sgFL->Cell(1, 1), "* 0.9408");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PcaWindowTest, EachPlotGetsItsSeriesAndNames) {
    auto w = Window(Open());
    std::vector<GraphSeen> graphs;
    auto probe = ProbeGraphs(graphs);
    struct Case {
        const char* what;
        std::function<void()> run;
        const char *xName, *yName;
        double x0, xLast, y0, yLast;
    };
    const auto zz = [&](const char* vertical, const char* horizontal) {
        return [&, vertical, horizontal] {
            ui_.QueueInput(vertical);
            ui_.QueueInput(horizontal);
            w->ZZPlotExecute();
        };
    };
    const auto rightClick = [&](ResultGrid* g, int col) {
        return [g, col, &w] { w->ObservationGridClick(g, Qt::RightButton, col, 3); };
    };
    const auto cumulativeCell = [&] {
        w->PC->setCurrentWidget(w->sgFL);
        w->ChangerExecute();
        w->sgFLClick(2, 3);
        w->ChangerExecute();
    };
    const Case cases[] = {
            {"scores, the vertical asked first", zz("F1", "Z0"), "Z0", "F1", kZ0First, kZ0Last, kF1First, kF1Last},
            {"a variable's standardized values", zz("b", "Z1"), "Z1", "b", kZ1First, kZ1Last, kStdFirst[1],
             kStdLast[1]},
            {"correlation cell: column against row", [&] { w->sgRelMatClick(2, 4); }, "b", "d", kStdFirst[1],
             kStdLast[1], kStdFirst[3], kStdLast[3]},
            {"loading cell: the component's scores", [&] { w->sgFLClick(2, 3); }, "Z1", "c", kZ1First, kZ1Last,
             kStdFirst[2], kStdLast[2]},
            {"cumulative cell: the variable rebuilt from the components so far", cumulativeCell, "Z0 ... Z1", "c",
             -0.23465088945997138, -0.78053628044502235, kStdFirst[2], kStdLast[2]},
            {"rotated cell: the factor's scores", [&] { w->sgRFClick(1, 2); }, "F0", "b", kF0First, kF0Last,
             kStdFirst[1], kStdLast[1]},
            {"outlier column of a component", rightClick(w->sgCheck, 5), "時間", "Z0", 1, 10, 0.030571872123536316,
             -0.34831964507201046},
            {"outlier column of a variable", rightClick(w->sgCheck, 1), "時間", "a", 1, 10, -0.21561319445421026,
             -0.21525934867938103},
    };
    w->PC->setCurrentWidget(w->sgCheck);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        graphs.clear();
        c.run();
        ASSERT_EQ(graphs.size(), 1u);
        const GraphSeen& g = graphs[0];
        EXPECT_EQ(g.xName, c.xName);
        EXPECT_EQ(g.yName, c.yName);
        ASSERT_EQ(g.x.size(), 10u);
        ASSERT_EQ(g.y.size(), 10u);
        EXPECT_NEAR(g.x.front(), c.x0, 1e-9);
        EXPECT_NEAR(g.x.back(), c.xLast, 1e-9);
        EXPECT_NEAR(g.y.front(), c.y0, 1e-9);
        EXPECT_NEAR(g.y.back(), c.yLast, 1e-9);
    }
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PcaWindowTest, ScoreColumnOpensItsVariableInformationAndANewNameRenamesTheSeries) {
    auto w = Window(Open());
    std::vector<PropertySeen> seen;
    std::string answer;
    int result = mrOK;
    ScopedAnalysisWindow standIn("TfrmProperty", [&](const WindowContext&) {
        return std::make_unique<PropertyStandIn>(seen, answer, result);
    });
    struct Case {
        const char* what;
        ResultGrid* grid;
        int col;
        bool byEnter;  // else the right button
        const char* answer;
        int result;
        const char *column, *nameAfter;
        double first, last;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
            {"right button on a score", w->sgScore, 2, false, "size", mrOK, "Z1", "size", kZ1First, kZ1Last, {}},
            {"Enter on a factor score", w->sgFS, 1, true, "g", mrOK, "F0", "g", kF0First, kF0Last, {}},
            {"cancelled", w->sgScore, 1, false, "x", mrCancel, "Z0", "Z0", kZ0First, kZ0Last, {}},
            {"emptied", w->sgScore, 1, true, "", mrOK, "Z0", "Z0", kZ0First, kZ0Last, {}},
            {"a variable's name", w->sgScore, 1, false, "a", mrOK, "Z0", "Z0", kZ0First, kZ0Last, {"二重定義エラー"}},
            // Two series of one name would plot and add the wrong one.
            {"another score's name", w->sgFS, 2, false, "Z0", mrOK, "F1", "F1", kF1First, kF1Last, {"二重定義エラー"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        seen.clear();
        ui_.ClearCalls();
        answer = c.answer;
        result = c.result;
        for (std::size_t e = 0; e < c.errors.size(); ++e) ui_.QueueOK();
        if (c.byEnter) {
            c.grid->SetCurrentCell(c.col, 5);
            KeyPress(c.grid, Qt::Key_Return);
        } else {
            w->ObservationGridClick(c.grid, Qt::RightButton, c.col, 1);
        }
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].name, c.column);
        EXPECT_EQ(seen[0].info, c.column);
        EXPECT_TRUE(seen[0].renameAllowed);
        ASSERT_EQ(seen[0].values.size(), 10u);
        EXPECT_NEAR(seen[0].values.front(), c.first, kTolerance);
        EXPECT_NEAR(seen[0].values.back(), c.last, kTolerance);
        EXPECT_EQ(c.grid->Cell(c.col, 0), c.nameAfter);
        EXPECT_EQ(Errors(), c.errors);
        EXPECT_TRUE(ui_.CallsOf(ServiceCall::Input).empty());
    }
    // The pages name the renamed series.
    EXPECT_EQ(w->sgScore->Cell(2, 0), "size");
    EXPECT_EQ(w->sgFL->Cell(2, 0), "size");
    EXPECT_EQ(w->sgFS->Cell(1, 0), "g");
    EXPECT_EQ(w->sgRF->Cell(1, 0), "g");
    // Other buttons read the cell into the status bar; the row header
    // column and the outlier page open nothing.
    seen.clear();
    w->ObservationGridClick(w->sgScore, Qt::LeftButton, 2, 3);
    EXPECT_EQ(w->SB->currentMessage(), "size[3] = 1.390932E+0000");
    w->ObservationGridClick(w->sgScore, Qt::RightButton, 0, 3);
    w->PC->setCurrentWidget(w->sgCheck);
    w->sgCheck->SetCurrentCell(5, 2);
    KeyPress(w->sgCheck, Qt::Key_Return);
    EXPECT_TRUE(seen.empty());
}

TEST_F(PcaWindowTest, ScoreColumnInTheRealVariableInformationDialog) {
    auto w = Window(Open());
    const auto rename = [&](TfrmProperty& d) {
        EXPECT_EQ(d.windowTitle(), "変数情報");
        EXPECT_EQ(d.parentWidget(), w.get());
        EXPECT_EQ(d.eVarNam->text(), "Z1");
        EXPECT_EQ(d.eComment->text(), "Z1");
        EXPECT_TRUE(d.eVarNam->isEnabled());
        EXPECT_FALSE(d.eComment->isEnabled());
        d.eVarNam->setText("size");
        d.btnSet->click();
    };
    const auto open = [&] { w->ObservationGridClick(w->sgScore, Qt::RightButton, 2, 1); };
    const bool ran = WhileModal<TfrmProperty>(open, rename);
    EXPECT_TRUE(ran);
    EXPECT_EQ(w->Analysis()->GetScoreName(1), "size");
    EXPECT_EQ(w->sgScore->Cell(2, 0), "size");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PcaWindowTest, EnterInTheVariableListTogglesTheFocusedVariable) {
    auto w = Window(Open());
    w->lbVarSel->setCurrentRow(1);
    KeyPress(w->lbVarSel, Qt::Key_Return);
    EXPECT_EQ(w->VarFlags(), (std::vector<std::uint8_t>{1, 0, 1, 1}));
    ASSERT_NE(w->Analysis(), nullptr);
    EXPECT_EQ(w->Analysis()->VarCount(), 3);
    EXPECT_EQ(w->sgRelMat->RowCount(), 4);
    EXPECT_EQ(w->sgRelMat->Cell(0, 2), "c");
    EXPECT_EQ(w->sgRelMat->Cell(2, 1), "0.0075");
    KeyPress(w->lbVarSel, Qt::Key_Enter);
    EXPECT_EQ(w->VarFlags(), (std::vector<std::uint8_t>{1, 1, 1, 1}));
    EXPECT_EQ(w->sgRelMat->RowCount(), 5);
    EXPECT_EQ(w->sgRelMat->Cell(0, 2), "b");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PcaWindowTest, MinresFailingForEveryFactorCountKeepsVarimaxAndItsName) {
    // d repeats a: the correlation matrix has no inverse, so no Minres fit
    // gives factor scores, whatever the number of factors.
    SaveAs(*MakeModel({kData[0], kData[1], kData[2], kData[0]}, {}, {"a", "b", "c", "d"}), dir_.Path("twin.MDF"));
    main_->OpenAndRemember(dir_.Path("twin.MDF"));
    ui_.ClearCalls();
    auto w = Window(state_.Model());
    const PCA* p = w->Analysis();
    ASSERT_TRUE(p);
    const int factors = p->FactorCount();
    std::vector<double> shown;
    for (int j = 0; j < 4; ++j)
        for (int f = 0; f < factors; ++f) shown.push_back(p->GetRotatedLoading(j, f));
    const auto expectVarimax = [&](const char* after) {
        SCOPED_TRACE(after);
        EXPECT_TRUE(w->UsesVarimax());
        EXPECT_EQ(p->Method(), PCA::kMethodVarimax);
        EXPECT_EQ(w->sgRF->Cell(0, 0), "Varimax");
        EXPECT_EQ(p->FactorCount(), factors);
        std::vector<double> now;
        for (int j = 0; j < 4; ++j)
            for (int f = 0; f < factors; ++f) now.push_back(p->GetRotatedLoading(j, f));
        EXPECT_EQ(now, shown);
    };
    // Each attempt shows the fit's error once and changes nothing.
    for (int attempt = 0; attempt < 2; ++attempt) {
        ui_.QueueOK();
        w->Setting->trigger();
        expectVarimax("switch");
    }
    EXPECT_EQ(Errors(), (std::vector<std::string>{"INVERSE ERROR!", "INVERSE ERROR!"}));
    // A rename redraws every page: the rotated loadings keep their name.
    ui_.QueueInput(p->GetScoreName(0));
    ui_.QueueInput("first");
    w->RenameExecute();
    EXPECT_EQ(p->GetScoreName(0), "first");
    expectVarimax("rename");
}

TEST_F(PcaWindowTest, RenamingChecksTheNewName) {
    auto w = Window(Open());
    const PCA* p = w->Analysis();
    ui_.QueueInput("Z0");
    ui_.QueueInput("wealth");
    w->RenameExecute();
    EXPECT_EQ(p->GetScoreName(0), "wealth");
    EXPECT_EQ(w->sgScore->Cell(1, 0), "wealth");
    // A variable's name is refused; a name no score has ends silently.
    ui_.QueueInput("F1");
    ui_.QueueInput("a");
    ui_.QueueOK();
    w->RenameExecute();
    EXPECT_EQ(p->GetFactorScoreName(1), "F1");
    EXPECT_EQ(Errors(), (std::vector<std::string>{"二重定義エラー"}));
    ui_.QueueInput("nothing");
    w->RenameExecute();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).size(), 5u);
}

TEST_F(PcaWindowTest, AddingTwoScoreSeriesOneUndoStepEach) {
    Reg* m = Open();
    auto w = Window(m);
    w->RunSelector = Ticking({1, 4});  // the second score, the first factor score
    w->SelectionExecute();
    ASSERT_EQ(m->GetVarCount(), 6);
    EXPECT_EQ(m->GetVarName(4), "Z1");
    EXPECT_EQ(m->GetVarName(5), "F0");
    EXPECT_EQ(m->GetVarInfo(4), "PCA");
    EXPECT_NEAR(m->GetValue(0, 4), kZ1First, kTolerance);
    EXPECT_NEAR(m->GetValue(9, 4), kZ1Last, kTolerance);
    EXPECT_NEAR(m->GetValue(0, 5), kF0First, kTolerance);
    EXPECT_NEAR(m->GetValue(9, 5), kF0Last, kTolerance);
    ASSERT_TRUE(state_.Undo().Undo(*m));
    EXPECT_EQ(m->GetVarCount(), 5);
    ASSERT_TRUE(state_.Undo().Undo(*m));
    EXPECT_EQ(m->GetVarCount(), 4);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PcaWindowTest, GroupsThatCannotBeAnalysedKeepTheAnalysisAndShorterScoresAreNotAdded) {
    Reg* m = Open();
    // Group 1: one observation of every variable; group 2: the first eight.
    for (int j = 0; j < 4; ++j) m->SetMark(0, j, 1);
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j) m->SetMark(i, j, static_cast<std::uint16_t>(m->GetVar(j).GetMark(i) | 2));
    auto w = Window(m);
    const PCA* before = w->Analysis();
    w->RunSelector = Ticking({1});
    ui_.QueueOK();
    w->ActiveGroup->trigger();  // through the command guard
    EXPECT_EQ(w->Analysis(), before);
    EXPECT_EQ(Errors(), (std::vector<std::string>{"定数です = a"}));
    EXPECT_EQ(w->sgScore->RowCount(), 11);
    EXPECT_EQ(w->VarFlags().size(), 4u);

    w->RunSelector = Ticking({2});
    w->ActiveGroupExecute();
    ASSERT_NE(w->Analysis(), nullptr);
    EXPECT_EQ(w->Analysis()->ObsCount(), 8);
    EXPECT_EQ(w->sgScore->RowCount(), 9);
    EXPECT_EQ(w->sgScore->Cell(0, 8), "8");
    ui_.ClearCalls();
    ui_.QueueOK();
    w->RunSelector = Ticking({0});
    w->SelectionExecute();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"グループの一部で計算した主成分はデータに追加できません"}));
    EXPECT_EQ(m->GetVarCount(), 4);
    EXPECT_NE(w->Analysis(), nullptr);
}

TEST_F(PcaWindowTest, TableSourceHidesGroupsAndAddingAndNoTickLeavesNothing) {
    EngineContext& context = state_.Context();
    TNamedData table(context, 10, 4);
    for (int j = 0; j < 4; ++j) {
        table.SetColumnName(j, std::string(1, static_cast<char>('p' + j)));
        for (int i = 0; i < 10; ++i)
            table.SetValue(i, j, kData[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]);
    }
    TfrmPCA w{WindowContext(state_)};
    ASSERT_TRUE(w.StartFromTable(table));
    w.RefreshPages();
    EXPECT_FALSE(w.ActiveGroup->isVisible());
    EXPECT_FALSE(w.Selection->isVisible());
    EXPECT_EQ(w.sgRelMat->Cell(1, 0), "p");
    EXPECT_EQ(w.sgRelMat->Cell(2, 1), "0.9491");
    w.ActiveGroupExecute();  // nothing to choose from
    for (int i = 0; i < 4; ++i) w.lbVarSel->item(i)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(w.Analysis(), nullptr);
    EXPECT_EQ(w.sgScore->Cell(1, 1), "");
    w.lbVarSel->item(2)->setCheckState(Qt::Checked);
    w.lbVarSel->item(3)->setCheckState(Qt::Checked);
    ASSERT_NE(w.Analysis(), nullptr);
    EXPECT_EQ(w.Analysis()->VarCount(), 2);
    EXPECT_EQ(w.sgRelMat->Cell(2, 0), "s");
    EXPECT_EQ(w.sgRelMat->Cell(2, 1), "-0.8518");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PcaWindowTest, LoadingPlotGetsTheChosenAxes) {
    auto w = Window(Open());
    const PCA* p = w->Analysis();
    std::vector<FacLoadPlotRequest> plots;
    auto probe = Probe<FacLoadPlotRequest>("TfrmFacLoadPlot", [&plots](const auto& r) { plots.push_back(r); });
    ui_.QueueInput("F1");  // vertical
    ui_.QueueInput("Z0");  // horizontal
    w->FFPlotExecute();
    ASSERT_EQ(plots.size(), 1u);
    EXPECT_EQ(plots[0].analysis, p);
    EXPECT_EQ(plots[0].xName, "Z0");
    EXPECT_EQ(plots[0].yName, "F1");
    EXPECT_EQ(plots[0].labels, (std::vector<std::string>{"a", "b", "c", "d"}));
    // The first component's loadings across, the second factor's rotated
    // loadings up.
    const double x[] = {0.94083242387512595, 0.81185289755193585, -0.3136999238480524, 0.67897448934163223};
    const double y[] = {-0.16890538918858462, 0.1113526595121065, 0.96949227935181569, -0.95363123392883703};
    ASSERT_EQ(plots[0].x.size(), 4u);
    ASSERT_EQ(plots[0].y.size(), 4u);
    for (std::size_t j = 0; j < 4; ++j) {
        EXPECT_NEAR(plots[0].x[j], x[j], kTolerance) << j;
        EXPECT_NEAR(plots[0].y[j], y[j], 1e-9) << j;
    }
    // A variable's name is no axis of the loading plot.
    ui_.QueueInput("a");
    w->FFPlotExecute();
    EXPECT_EQ(plots.size(), 1u);

    EXPECT_TRUE(Errors().empty());
}

}  // namespace
