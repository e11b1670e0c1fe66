// The main window's pages and grids: what each page shows, that only the
// visible page refreshes, scrolling, page switching, the mouse and keyboard
// mark rules on the grids, the cursor actions and the subset choice.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTabWidget>
#include <QTest>

#include "app/application.h"
#include "app/main_window/main_window.h"
#include "app/settings/settings_dialog.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace {

class MainPagesTest : public StartedWindows {
protected:
    MainPagesTest() : StartedWindows("pages") {
        main_->resize(900, 600);
        main_->show();
    }
    // n observations of X = i + 1, Z = 2(i + 1) and Y = a wobbly line, opened.
    void Open(int n, const std::string& longName = "Z") {
        std::vector<double> x(n), z(n), y(n);
        for (int i = 0; i < n; ++i) {
            x[i] = i + 1;
            z[i] = 2.0 * (i + 1) + (i % 3);
            y[i] = 0.5 * (i + 1) + (i % 2 ? 0.25 : -0.25);
        }
        auto model = MakeModel({x, z, y}, {}, {"X", longName, "Y"});
        SaveAs(*model, dir_.Path("data.MDF"));
        main_->OpenAndRemember(dir_.Path("data.MDF"));
        ASSERT_NE(state_.Model(), nullptr);
    }
    QPoint Centre(TStringGrid* g, int c, int r) { return g->CellRect(c, r).center(); }
    void ClickCell(TStringGrid* g, int c, int r, Qt::KeyboardModifiers mods = Qt::NoModifier,
                   Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(g->viewport(), button, mods, Centre(g, c, r));
    }
    std::string Marks() {
        std::string out;
        for (int i = 0; i < main_->ObservationMarks.Count(); ++i) out += IsMarked(main_->ObservationMarks, i) ? '1' : '0';
        return out;
    }

};

TEST_F(MainPagesTest, EveryPageHasItsGridsAndNothingHappensWithoutAModel) {
    EXPECT_EQ(main_->EditGrid()->objectName(), "sgEdit");
    EXPECT_EQ(main_->EstimateGrid()->objectName(), "sgEst");
    EXPECT_EQ(main_->DiagnosticsGrid()->objectName(), "sgRes");
    EXPECT_EQ(main_->InfluenceGrid()->objectName(), "sgAna");
    EXPECT_EQ(main_->VariableListGrid()->objectName(), "sgVList");
    EXPECT_EQ(main_->PredictionGrid()->objectName(), "sgPred");
    const int cols = main_->EditGrid()->ColCount();
    for (int page = 0; page < 5; ++page) {
        main_->Pages()->setCurrentIndex(page);
        main_->RefreshActivePage();
        main_->CurEndExecute();
        main_->V_SetExecute();
        main_->ClearRowColExecute();
    }
    EXPECT_EQ(main_->EditGrid()->ColCount(), cols);
    EXPECT_EQ(main_->EditGrid()->Cell(1, 1), "");
    EXPECT_TRUE(ui_.Calls().empty());
}

TEST_F(MainPagesTest, EditPageShowsNamesNumbersAndWidths) {
    const std::string wide(20, 'W');
    Open(12, wide);
    TStringGrid* g = main_->EditGrid();
    EXPECT_EQ(main_->Pages()->currentIndex(), 0);
    EXPECT_EQ(g->ColCount(), 4);
    EXPECT_EQ(g->RowCount(), 13);
    EXPECT_EQ(g->Cell(0, 0), "CLR");
    EXPECT_EQ(g->Cell(1, 0), "X");
    EXPECT_EQ(g->Cell(3, 0), "Y");
    EXPECT_EQ(g->Cell(0, 7), "7");
    EXPECT_EQ(g->Cell(2, 3), QString::fromStdString(FormatNumber(false, 2.0 * 3 + 2)));
    EXPECT_EQ(g->Cell(3, 12), QString::fromStdString(FormatNumber(false, 0.5 * 12 + 0.25)));
    EXPECT_EQ(g->ColWidth(1), 100);  // a narrow name
    const int w = QFontMetrics(g->font()).horizontalAdvance(QString::fromStdString(wide));
    ASSERT_GT(w, 80);
    EXPECT_EQ(g->ColWidth(2), w + 20);
    // The cursor is on the first cell and its status is shown.
    EXPECT_EQ(g->Col(), 1);
    EXPECT_EQ(g->Row(), 1);
    EXPECT_EQ(main_->StatusPanel(0), "X[1] = 1");
    EXPECT_EQ(main_->InputBox()->currentText(), "1");
    EXPECT_EQ(state_.Evaluator().CurrentValue(), 1.0);
}

TEST_F(MainPagesTest, CellStatusNamesTheGroup) {
    Open(6);
    state_.Model()->SetMark(2, 1, 0x0005);
    main_->EditGrid()->SetCurrentCell(2, 3);
    main_->sgEditClick();
    EXPECT_EQ(main_->StatusPanel(0), "Z[3] in group[13] = 8");
}

TEST_F(MainPagesTest, EveryRowInViewIsFilledWhereverTheGridIsScrolledAndHoweverTall) {
    Open(1000);
    TStringGrid* g = main_->EditGrid();
    g->SetTopRow(500);
    EXPECT_EQ(g->Cell(0, 500), "500");
    EXPECT_EQ(g->Cell(1, 540), QString::fromStdString(FormatNumber(false, 540)));
    main_->resize(900, 2400);  // taller than 41 rows
    QCoreApplication::processEvents();
    ASSERT_GT(g->LastVisibleRow() - g->TopRow(), 45);
    for (int r = g->TopRow(); r <= g->LastVisibleRow(); ++r) {
        EXPECT_EQ(g->Cell(0, r), QString::number(r));
        EXPECT_EQ(g->Cell(1, r), QString::fromStdString(FormatNumber(false, r))) << r;
    }
    // A million-row grid stores no cell texts: the rows in view are asked for.
    EXPECT_EQ(g->StoredCellCount(), 0);
}

TEST_F(MainPagesTest, EditPageRendersOffscreen) {
    Open(8);
    TStringGrid* g = main_->EditGrid();
    QImage image(g->viewport()->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    {
        QPainter painter(&image);
        g->PaintCells(painter, image.rect());
    }
    auto count = [&](const QRect& rect, auto pred) {
        int n = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) n += pred(QColor(image.pixel(x, y)));
        return n;
    };
    auto dark = [](const QColor& c) { return c.lightness() < 128; };
    // The dependent variable's header is green with its name drawn on it.
    const QRect dep = g->CellRect(3, 0);
    EXPECT_GT(count(dep, [](const QColor& c) { return c == QColor(0, 128, 0); }), dep.width() * dep.height() / 2);
    EXPECT_GT(count(dep, dark), 3);  // its name (kind undefined: black)
    // A name header has dark text; a number is drawn dark at the right of a white cell.
    EXPECT_GT(count(g->CellRect(1, 0), dark), 3);
    const QRect cell = g->CellRect(1, 4);
    EXPECT_GT(count(QRect(cell.left() + cell.width() / 2, cell.top(), cell.width() / 2, cell.height()), dark), 3);
    EXPECT_EQ(count(QRect(cell.left(), cell.top(), cell.width() / 3, cell.height()), dark), 0);
    const QRect cells = g->CellRect(0, 0).united(g->CellRect(3, 8));
    EXPECT_EQ(count(cells, [](const QColor& c) { return c == QColor(Qt::magenta); }), 0);  // every cell painted
}

TEST_F(MainPagesTest, OnlyTheVisiblePageRefreshes) {
    Open(9);
    TStringGrid* res = main_->DiagnosticsGrid();
    TStringGrid* ana = main_->InfluenceGrid();
    const int resRows = res->RowCount(), anaRows = ana->RowCount();
    main_->RefreshActivePage();
    EXPECT_EQ(res->RowCount(), resRows);
    EXPECT_EQ(ana->RowCount(), anaRows);
    main_->mnuCheckViewClick();
    EXPECT_EQ(res->RowCount(), 10);
    EXPECT_EQ(res->ColCount(), 11);
    EXPECT_EQ(res->Cell(1, 0), "観測値");
    EXPECT_EQ(res->Cell(1, 4), QString::fromStdString(FormatNumber(false, state_.Model()->GetValue(3, 2))));
    EXPECT_EQ(ana->RowCount(), anaRows);
    main_->mnuAnalysisViewClick();
    EXPECT_EQ(ana->RowCount(), 10);
    EXPECT_EQ(ana->Cell(1, 0), "s^2(i)");
    EXPECT_EQ(ana->Cell(0, 9), "9");
}

TEST_F(MainPagesTest, NextAndPreviousPageWrap) {
    Open(5);
    const int next[] = {1, 2, 3, 4, 0};
    for (int page = 0; page < 5; ++page) {
        main_->Pages()->setCurrentIndex(page);
        main_->NextPageExecute();
        EXPECT_EQ(main_->Pages()->currentIndex(), next[page]);
    }
    main_->Pages()->setCurrentIndex(0);
    main_->PreviousPageExecute();
    EXPECT_EQ(main_->Pages()->currentIndex(), 4);
    main_->PreviousPageExecute();
    EXPECT_EQ(main_->Pages()->currentIndex(), 3);
}

TEST_F(MainPagesTest, RowHeaderClicksMarkObservationsOnEveryMainGrid) {
    Open(6);
    TStringGrid* g = main_->EditGrid();
    EXPECT_FALSE(main_->Action("CutEdit")->isEnabled());
    ClickCell(g, 0, 5);
    EXPECT_EQ(Marks(), "000010");
    EXPECT_EQ(main_->MarkAnchor, 4);
    EXPECT_TRUE(main_->Action("CutEdit")->isEnabled());
    EXPECT_TRUE(main_->Action("CopyEdit")->isEnabled());
    ClickCell(g, 0, 2, Qt::ShiftModifier);
    EXPECT_EQ(Marks(), "011110");
    EXPECT_EQ(main_->MarkAnchor, -1);
    // The diagnostics grid shares the marks.
    main_->mnuCheckViewClick();
    TStringGrid* res = main_->DiagnosticsGrid();
    ClickCell(res, 0, 3, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(Marks(), "010110");
    ClickCell(res, 0, 1, Qt::AltModifier);
    EXPECT_EQ(Marks(), "000000");
    EXPECT_FALSE(main_->Action("CutEdit")->isEnabled());
    // Dragging down the row headers marks each row passed.
    main_->mnuAnalysisViewClick();
    TStringGrid* ana = main_->InfluenceGrid();
    QTest::mousePress(ana->viewport(), Qt::LeftButton, Qt::ControlModifier, Centre(ana, 0, 2));
    for (int r : {3, 4}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(Centre(ana, 0, r)), ana->viewport()->mapToGlobal(QPointF(Centre(ana, 0, r))),
                         Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
        QCoreApplication::sendEvent(ana->viewport(), &move);
    }
    QTest::mouseRelease(ana->viewport(), Qt::LeftButton, Qt::ControlModifier, Centre(ana, 0, 4));
    EXPECT_EQ(Marks(), "011100");
    EXPECT_TRUE(main_->Action("CopyEdit")->isEnabled());
}

TEST_F(MainPagesTest, ColumnTitleClicksAndTheCorner) {
    Open(6);
    TStringGrid* g = main_->EditGrid();
    ClickCell(g, 1, 0, Qt::ControlModifier);
    ClickCell(g, 2, 0, Qt::ControlModifier);
    EXPECT_TRUE(IsMarked(main_->EditColumnMarks, 0));
    EXPECT_TRUE(IsMarked(main_->EditColumnMarks, 1));
    main_->mnuCheckViewClick();
    ClickCell(main_->DiagnosticsGrid(), 4, 0, Qt::ControlModifier);
    EXPECT_EQ(main_->CountMarkedColumns(false), 2);
    EXPECT_EQ(main_->CountMarkedColumns(true), 3);
    main_->mnuEditViewClick();
    ClickCell(g, 3, 0);  // a plain click leaves only this column marked, in all grids
    EXPECT_EQ(main_->CountMarkedColumns(true), 1);
    EXPECT_TRUE(IsMarked(main_->EditColumnMarks, 2));

    // The plot takes the vertical axis first, then the horizontal one.
    ClickCell(g, 1, 0, Qt::ControlModifier);
    main_->TakeXYColumnCodes();
    EXPECT_EQ(main_->PlotColumnY, (ResultColumn{ResultKind::Variable, 0}));
    EXPECT_EQ(main_->PlotColumnX, (ResultColumn{ResultKind::Variable, 2}));
    EXPECT_EQ(main_->TakeNextMarkedColumnCode(), ResultColumn{});

    ClickCell(g, 0, 3);
    ClickCell(g, 2, 0);
    ClickCell(g, 0, 0);  // the corner clears everything
    EXPECT_EQ(main_->CountMarkedColumns(true), 0);
    EXPECT_EQ(main_->CountMarkedObservations(), 0);
}

TEST_F(MainPagesTest, MarkedColumnsTurnIntoResultColumnsAcrossTheGrids) {
    Open(8);
    ASSERT_TRUE(state_.Model()->ToggleVariable(0));
    main_->mnuAnalysisViewClick();
    TStringGrid* ana = main_->InfluenceGrid();
    ana->SetCurrentCell(8, 1);  // the leave-one-out t column of X
    main_->V_SetExecute();
    main_->mnuCheckViewClick();
    main_->DiagnosticsGrid()->SetCurrentCell(2, 1);
    main_->V_SetExecute();
    EXPECT_EQ(main_->TakeNextMarkedColumnCode(), ResultColumn::FromCode(101));
    const ResultColumn t = main_->TakeNextMarkedColumnCode();
    EXPECT_EQ(t.kind, ResultKind::DeletedT);
    EXPECT_EQ(main_->TakeNextMarkedColumnCode(), ResultColumn{});
}

TEST_F(MainPagesTest, CursorActionsWrapAtTheEdges) {
    Open(3);  // 4 columns, 4 rows
    TStringGrid* g = main_->EditGrid();
    struct Step {
        const char* action;  // triggered through the window's action
        int fromC, fromR, toC, toR;
    } steps[] = {
        {"CurLeft", 2, 2, 1, 2},  {"CurLeft", 1, 2, 3, 1},
        {"CurLeft", 1, 1, 1, 1},  {"CurRight", 1, 1, 2, 1},
        {"CurRight", 3, 1, 1, 2}, {"CurRight", 3, 3, 3, 3},
        {"CurUp", 2, 2, 2, 1},    {"CurUp", 2, 1, 1, 3},
        {"CurUp", 1, 1, 1, 1},    {"CurDown", 1, 1, 1, 2},
        {"CurDown", 1, 3, 2, 1},  {"CurDown", 3, 3, 3, 3},
        {"CurHome", 3, 3, 1, 1},  {"CurEnd", 1, 1, 3, 3},
    };
    for (const Step& s : steps) {
        g->SetCurrentCell(s.fromC, s.fromR);
        main_->Action(s.action)->trigger();
        EXPECT_EQ(g->Col(), s.toC) << s.fromC << "," << s.fromR;
        EXPECT_EQ(g->Row(), s.toR) << s.fromC << "," << s.fromR;
    }
    // Not on the estimates page.
    main_->mnuSelectViewClick();
    main_->CurHomeExecute();
    EXPECT_EQ(g->Col(), 3);
}

TEST_F(MainPagesTest, KeyedMarksRangeChoiceAndClear) {
    Open(6);
    TStringGrid* g = main_->EditGrid();
    g->SetCurrentCell(2, 4);
    main_->D_SetExecute();
    EXPECT_EQ(Marks(), "000100");
    EXPECT_TRUE(main_->Action("CutEdit")->isEnabled());
    main_->D_ResetExecute();
    EXPECT_EQ(Marks(), "000000");
    main_->V_SetExecute();
    EXPECT_TRUE(IsMarked(main_->EditColumnMarks, 1));
    main_->V_ResetExecute();
    EXPECT_FALSE(IsMarked(main_->EditColumnMarks, 1));

    g->SetSelection({2, 2, 3, 4});
    main_->mnuChoiceClick();
    EXPECT_EQ(Marks(), "011100");
    EXPECT_EQ(main_->CountMarkedColumns(false), 2);
    main_->ClearRowColExecute();
    EXPECT_EQ(Marks(), "000000");
    EXPECT_EQ(main_->CountMarkedColumns(true), 0);

    // The same through the pop-up of a right click on a data cell.
    ClickCell(g, 2, 2, Qt::NoModifier, Qt::RightButton);
    ASSERT_TRUE(main_->EditPopup()->isVisible());
    main_->EditPopup()->hide();
    for (QAction* a : main_->EditPopup()->actions())
        if (a->objectName() == "mnuChoice") a->trigger();
    EXPECT_EQ(Marks(), "011100");
    main_->ClearRowColExecute();
    EXPECT_FALSE(main_->Action("CopyEdit")->isEnabled());
}

TEST_F(MainPagesTest, SubsetChoiceByListOrCondition) {
    Open(6);
    main_->ObservationMarks.Set(4, 1);
    ui_.QueueInput("1,3");
    main_->ChoiceDataExecute();
    EXPECT_EQ(Marks(), "101010");  // the list adds to the marks
    ui_.QueueInput("=X>3");
    main_->ChoiceDataExecute();
    EXPECT_EQ(Marks(), "000111");  // the condition sets and clears
    ui_.QueueInput(mrCancel, "1");
    main_->ChoiceDataExecute();
    EXPECT_EQ(Marks(), "000111");
    ASSERT_FALSE(ui_.Calls().empty());
    EXPECT_EQ(ui_.Calls().back().text, "データ組選択");
}

TEST_F(MainPagesTest, MarksNeverOutliveTheirObservations) {
    Open(6);
    main_->ObservationMarks.Set(5, 1);
    main_->ObservationMarks.Set(1, 1);
    main_->MarkAnchor = 5;
    state_.Model()->DeleteObservation(5);
    main_->RefreshActivePage();
    EXPECT_EQ(Marks(), "01000");
    EXPECT_EQ(main_->MarkAnchor, -1);
    EXPECT_EQ(main_->EditGrid()->RowCount(), 6);
    EXPECT_EQ(main_->EditGrid()->Cell(1, 6), "");
}

TEST_F(MainPagesTest, PainterContextFollowsTheSettings) {
    Open(4);
    TSetteiDlg& settings = *windows_->SetteiDlg;
    GridColorEntry fileEntry, settingsEntry;
    fileEntry.Set(0x0001, 0x0000FF, 0x00FFFF);
    settingsEntry.Set(0x0001, 0x800000, 0xFFFF00);
    state_.Colors().SetColors(fileEntry);
    settings.Settings().Colors().SetColors(settingsEntry);
    struct Case {
        bool fileGcl, coloring;
        ColorValue text;
    } cases[] = {{true, true, 0x0000FF}, {false, true, 0x800000}, {false, false, 0x800000}};
    for (const Case& k : cases) {
        settings.Settings().Values().FileGCL = k.fileGcl;
        settings.Settings().Values().Coloring = k.coloring;
        const GridCellContext& ctx = main_->CellContext(main_->EditGrid());
        EXPECT_EQ(ctx.kind, GridKind::MainEdit);
        EXPECT_EQ(ctx.model, state_.Model());
        EXPECT_EQ(ctx.coloring, k.coloring);
        EXPECT_EQ(ctx.groupColors(0x0001).textColor, k.text) << k.fileGcl;
        EXPECT_EQ(ctx.groupColors(0x0002).backgroundColor, kDefaultBackgroundColor);  // no entry: white
    }
    // Marks reach the context of each main grid and of no other.
    main_->ObservationMarks.Set(2, 1);
    main_->DiagnosticColumnMarks.Set(4, 1);
    EXPECT_TRUE(main_->CellContext(main_->InfluenceGrid()).observationMarked(2));
    EXPECT_TRUE(main_->CellContext(main_->DiagnosticsGrid()).columnMarked(4));
    EXPECT_FALSE(main_->CellContext(main_->EditGrid()).columnMarked(4));
    EXPECT_FALSE(main_->CellContext(main_->EditGrid()).observationMarked(99));
    EXPECT_EQ(main_->CellContext(main_->EstimateGrid()).kind, GridKind::Other);
    EXPECT_FALSE(main_->CellContext(main_->EstimateGrid()).columnMarked);
}

}  // namespace

namespace {

// A right click on a result cell hands its whole column to the statistics
// window, the clicked observation marked; Ctrl takes the raw DFBETA.
TEST_F(MainPagesTest, RightClickOnAResultColumnShowsItsStatistics) {
    Open(50);
    struct Shown {
        std::string title;
        std::vector<double> values;
        int marked = 0;
    };
    std::vector<Shown> shown;
    main_->SetFundamentalStatsView([&](const std::string& title, const std::vector<double>& values, int k) {
        shown.push_back({title, values, k});
    });
    main_->mnuCheckViewClick();
    TStringGrid* res = main_->DiagnosticsGrid();
    ClickCell(res, 3, 2, Qt::NoModifier, Qt::RightButton);  // code 102: the residuals
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "残差");
    EXPECT_EQ(shown[0].marked, 2);
    ASSERT_EQ(shown[0].values.size(), 50u);  // every observation, not only those in view
    const Reg& model = *state_.Model();
    for (int i = 0; i < 50; ++i) EXPECT_EQ(shown[0].values[static_cast<std::size_t>(i)], model.GetAnalysisValue(Reg::kRowResidual, i));

    main_->mnuAnalysisViewClick();
    TStringGrid* ana = main_->InfluenceGrid();
    const int last = ana->ColCount() - 1;  // the constant's DFBETA
    ClickCell(ana, last, 1, Qt::NoModifier, Qt::RightButton);
    ClickCell(ana, last, 1, Qt::ControlModifier, Qt::RightButton);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[1].marked, 1);
    EXPECT_NE(shown[1].values, shown[2].values);  // scaled, then raw
}

// The constant alone (X exogenous and Z endogenous left out), in two-stage
// estimation with observed leverages reached through the window's commands:
// the influence page shows a row per observation, the constant's DFBETA last,
// and its marks (Cook's D above F/(F + 6), scaled DFBETA above 2/sqrt(8)).
TEST_F(MainPagesTest, InfluencePageOfAModelOfTheConstantAloneInTwoStageEstimation) {
    auto model = MakeModel({{2, 3, 5, 7, 11, 4, 6, 10}, {1, 2, 3, 4, 5, 6, 7, 8}, {3, 1, 4, 1, 5, 9, 2, 6}},
                           {1, 2, 1}, {"Y", "X", "Z"});
    ASSERT_TRUE(model->SetModel(0, {1, 0, 0, 2}));
    state_.SetModel(std::move(model));
    main_->RefreshAfterLoad();
    for (const char* command : {"LSE", "btnRealCalc"}) main_->Action(command)->trigger();
    ASSERT_TRUE(state_.Model()->IsTwoStage() && state_.Model()->IsRealCalc());
    main_->mnuAnalysisViewClick();
    TStringGrid* ana = main_->InfluenceGrid();
    EXPECT_EQ(ana->RowCount(), 9);
    EXPECT_EQ(ana->ColCount(), 9);
    EXPECT_EQ(ana->Cell(8, 0), "β変化量[定数項]");
    EXPECT_EQ(ana->Cell(8, 1), "-0.5714 (-0.5402)");
    EXPECT_EQ(ana->Cell(4, 5), "* 0.3968");
    EXPECT_EQ(ana->Cell(8, 5), "* 0.7143 (+0.7509)");
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

// Y near 1e307 chosen as the dependent in the list: its squares overflow,
// so the fit is refused with one message, the page keeps the fit of W on X
// and no candidate enters.
TEST_F(MainPagesTest, ADependentWhoseSquaresOverflowIsRefusedAndTheFitOnShowStays) {
    auto model = MakeModel({{1, 2, 3, 4, 5}, {1, 2, 3.5, 3, 5}, {1e307, -1e307, 1.5e307, 2e307, -1.2e307}}, {},
                           {"X", "W", "Y"});
    ASSERT_TRUE(model->SetModel(1, {2, 1, 0, 2}));
    state_.SetModel(std::move(model));
    main_->RefreshAfterLoad();
    main_->mnuSelectViewClick();
    TStringGrid* est = main_->EstimateGrid();
    const auto page = [&] {
        std::vector<QString> cells;
        for (int r = 0; r < est->RowCount(); ++r)
            for (int c = 0; c < est->ColCount(); ++c) cells.push_back(est->Cell(c, r));
        for (const char* name : {"stVe", "stRR", "stPSS", "stFDE"}) cells.push_back(main_->EstimateLabel(name)->text());
        return cells;
    };
    const auto before = page();
    EXPECT_EQ(est->Cell(0, 0), "W");
    ui_.ClearCalls();
    ui_.QueueOK();
    emit main_->VariableList()->textActivated(QStringLiteral("Y"));
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "変数 Y の平方和が有限の数値になりません。");
    EXPECT_EQ(page(), before);
    EXPECT_EQ(main_->VariableList()->currentText(), "W");
    EXPECT_EQ(state_.Model()->GetDependent(), 1);
    EXPECT_TRUE(state_.Model()->IsExplanatory(0));
    state_.Model()->SetModified(false);
}

}  // namespace
