// The correlation matrix window, offscreen: opened from the main window's
// command, one cell, the partial view, closed; then what only the window
// decides (the selection resets the view, a singular matrix disables only
// the partial view, the pair a click or a key plots with an alternate
// table, the shown variables handed to principal components and the
// weighted and ridge regressions, whose buttons wait for their windows;
// captions, column widths, seven variables shown whole, a constant column,
// alternate values whose sums overflow).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "platform/qt/string_grid.h"
#include "estimators/ridge_request.h"
#include "estimators/wls_request.h"
#include "modal_window.h"
#include "started_windows.h"
#include "stats/pca_request.h"
#include "stats/ui/correlation_matrix_window.h"
#include "stats/ui/pca_window.h"
#include "request_probe.h"
#include "support/model_builder.h"

namespace {

const Columns kData = {{1, 2, 3, 4, 5, 7}, {2, 1, 4, 3, 6, 5}, {0.5, 0.1, 0.9, 0.4, 0.3, 0.8}};
const Columns kAlternate = {{1.5, 1.9, 3.2, 4.4, 4.9, 6.5}, {2.2, 1.1, 3.8, 3.1, 5.7, 5.2}, {0.3, 0.2, 0.7, 0.5, 0.1, 0.9}};

QString Num(double v) { return Q(FormatNumber(false, v)); }

// The names and first column of a handed-over table.
std::vector<std::string> Names(const TNamedData* t) {
    std::vector<std::string> names;
    for (int j = 0; j < t->Cols(); ++j) names.push_back(t->GetColumnName(j));
    return names;
}
std::vector<double> First(const TNamedData* t) {
    std::vector<double> v;
    for (int i = 0; i < t->Rows(); ++i) v.push_back(t->GetValue(i, 0));
    return v;
}

class CorrelationWindowTest : public StartedWindows {
protected:
    CorrelationWindowTest() : StartedWindows("relmat") {}

    std::unique_ptr<TNamedData> Table(const Columns& cols, const std::vector<std::string>& names) {
        auto t = std::make_unique<TNamedData>(state_.Context(), static_cast<int>(cols[0].size()),
                                              static_cast<int>(cols.size()));
        for (int j = 0; j < t->Cols(); ++j) {
            t->SetColumnName(j, names[static_cast<std::size_t>(j)]);
            for (int i = 0; i < t->Rows(); ++i)
                t->SetValue(i, j, cols[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]);
        }
        return t;
    }
};

TEST_F(CorrelationWindowTest, WiringFromTheMainWindowCellPartialViewClose) {
    auto model = MakeModel(kData, {}, {"X", "Z", "Y"});
    SaveAs(*model, dir_.Path("rel.MDF"));
    main_->OpenAndRemember(dir_.Path("rel.MDF"));
    QAction* command = main_->Action("RelMatView");
    ASSERT_TRUE(command && command->isEnabled());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmRelative*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        seen = true;
        EXPECT_EQ(w->windowTitle(), "相関行列");
        EXPECT_EQ(w->sgRelMat->Cell(1, 0), "X");
        EXPECT_EQ(w->sgRelMat->Cell(2, 1), Num(w->Matrices().correlation.At(1, 0)));
        EXPECT_TRUE(w->rgSel->isVisibleTo(w));
        EXPECT_FALSE(w->btnChange->isEnabled());
        w->rbPartial->click();
        EXPECT_TRUE(w->PartialShown());
        EXPECT_EQ(w->sgRelMat->Cell(2, 1), Num(w->Matrices().partial.At(1, 0)));
        w->btnCloseRM->click();
    });
    command->trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

TEST_F(CorrelationWindowTest, SelectionResetsTheViewAndASingularMatrixDisablesOnlyThePartialView) {
    Columns cols = kData;
    cols.push_back({4, 4, 4, 4, 4, 4});  // no variance
    auto t = Table(cols, {"a", "b", "c", "k"});
    t->SetSelected(1, 0);
    TfrmRelative w{WindowContext(state_)};
    ASSERT_TRUE(w.SetData(t.get(), nullptr, true));
    EXPECT_FALSE(w.rgType->isEnabled());
    EXPECT_EQ(w.sgRelMat->Cell(4, 1), "-");
    // Without the constant column the partial view is offered again.
    w.rbSelected->click();
    EXPECT_TRUE(w.SelectedOnly());
    t->SetSelected(3, 0);
    w.rbAll->click();
    w.rbSelected->click();
    EXPECT_EQ(w.sgRelMat->ColCount(), 3);
    EXPECT_TRUE(w.rgType->isEnabled());
    w.rbPartial->click();
    EXPECT_TRUE(w.PartialShown());
    w.rbAll->click();
    EXPECT_FALSE(w.PartialShown());
    EXPECT_TRUE(w.rbCorrelation->isChecked());
    EXPECT_EQ(w.sgRelMat->ColCount(), 5);
}

TEST_F(CorrelationWindowTest, PairsPlottedWithTheAlternateTable) {
    auto t = Table(kData, {"a", "b", "c"});
    auto alt = Table(kAlternate, {"", "", ""});
    TfrmRelative w{WindowContext(state_)};
    ASSERT_TRUE(w.SetData(t.get(), alt.get(), false));
    EXPECT_FALSE(w.rgSel->isVisibleTo(&w));
    EXPECT_TRUE(w.btnChange->isEnabled());
    std::vector<GraphSeen> graphs;
    auto probe = ProbeGraphs(graphs);
    struct Case {
        int row, col;
        bool other, alternateShown;
        const char *xName, *yName;
        SeriesEnds ends;
    };
    const Case cases[] = {
            {1, 2, false, false, "b", "a", {6, 2, 5, 1, 7}},
            {1, 2, true, false, "b", "(iv)a", {6, 2, 5, 1.5, 6.5}},
            {2, 2, false, false, "(iv)b", "b", {6, 2.2, 5.2, 2, 5}},  // the diagonal: against its counterpart
            {2, 2, true, false, "b", "(iv)b", {6, 2, 5, 2.2, 5.2}},
            {3, 1, false, true, "(iv)a", "(iv)c", {6, 1.5, 6.5, 0.3, 0.9}},
            {3, 3, false, true, "c", "(iv)c", {6, 0.5, 0.8, 0.3, 0.9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.col));
        if (w.AlternateShown() != c.alternateShown) w.btnChange->click();
        graphs.clear();
        w.PlotCellPair(c.row, c.col, c.other);
        ExpectGraph(graphs, c.xName, c.yName, c.ends, 0);
    }
    EXPECT_EQ(w.sgRelMat->Cell(0, 0), "(iv)");
    // From the keyboard: Shift or Ctrl with Enter, never on the diagonal.
    graphs.clear();
    w.sgRelMat->SetCurrentCell(2, 2);
    w.sgRelMatKeyDown(Qt::Key_Return, Qt::ShiftModifier);
    w.sgRelMat->SetCurrentCell(2, 1);
    w.sgRelMatKeyDown(Qt::Key_Return, Qt::NoModifier);
    EXPECT_TRUE(graphs.empty());
    w.sgRelMatKeyDown(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(graphs.size(), 1u);
    EXPECT_EQ(graphs[0].yName, "a");  // the other table is the data now
}

// k columns of twelve rows, no column a blend of the others.
Columns Wide(int k) {
    Columns cols(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < 12; ++i) cols[static_cast<std::size_t>(j)].push_back(((i + 1) * (j + 2) * 7919 % 101) / 10.0);
    return cols;
}

TEST_F(CorrelationWindowTest, SevenVariablesShowWholeWhereTheScreenHasRoom) {
    struct Case {
        int variables;
        QRect screen;
        bool whole;  // columns and rows 1 .. 7 in view
    };
    const QRect large(0, 0, 1920, 1080), small(0, 0, 700, 500);
    const Case cases[] = {{7, large, true}, {9, large, true}, {3, large, true}, {7, small, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.variables) + " on " + std::to_string(c.screen.width()));
        std::vector<std::string> names;
        for (int j = 0; j < c.variables; ++j) names.push_back("V" + std::to_string(j + 1));
        auto t = Table(Wide(c.variables), names);
        TfrmRelative w{WindowContext(state_)};
        ASSERT_TRUE(w.SetData(t.get(), nullptr, true));
        w.FitToMatrix(c.screen);
        w.show();
        QApplication::processEvents();
        // Never smaller than the window's own size, never past the screen.
        EXPECT_EQ(w.size().expandedTo(QSize(631, 280)), w.size());
        EXPECT_EQ(w.size().boundedTo(c.screen.size()), w.size());
        const TStringGrid& g = *w.sgRelMat;
        const QRect corner = g.CellRect(std::min(c.variables, 7), std::min(c.variables, 7));
        EXPECT_EQ(!corner.isEmpty() && g.viewport()->rect().contains(corner), c.whole);
    }
    // Columns are 100 pixels wide; a long name widens its column to the
    // name and 20 pixels, and the heading column with it.
    auto t = Table(kData, {"a", "とても長い名前の説明変数", "c"});
    TfrmRelative w{WindowContext(state_)};
    ASSERT_TRUE(w.SetData(t.get(), nullptr, true));
    const int text = QFontMetrics(w.sgRelMat->font()).horizontalAdvance("とても長い名前の説明変数");
    ASSERT_GT(text, 80);
    const int widths[] = {text + 20, 100, text + 20, 100};
    for (int j = 0; j < 4; ++j) EXPECT_EQ(w.sgRelMat->ColWidth(j), widths[j]) << j;
    // Captions: the window, its choices and buttons.
    EXPECT_EQ(w.windowTitle(), "相関行列");
    const std::pair<QAbstractButton*, const char*> captions[] = {
            {w.rbCorrelation, "相関行列(&R)"}, {w.rbPartial, "偏相関行列(&P)"}, {w.rbAll, "全変数(&A)"},
            {w.rbSelected, "選択変数のみ(&S)"}, {w.btnCloseRM, "閉じる(&X)"},    {w.btnPCA, "主成分分析(&C)"},
            {w.btnHelp, "ヘルプ(&H)"},         {w.btnWLS, "加重回帰(&W)"},     {w.btnRidge, "リッジ回帰(&K)"},
            {w.btnChange, "表示切り替え(&Z)"},
    };
    for (const auto& [button, caption] : captions) EXPECT_EQ(button->text().toStdString(), caption);
    EXPECT_EQ(w.rgType->title(), "表示");
    EXPECT_EQ(w.rgSel->title(), "選択");
}

TEST_F(CorrelationWindowTest, HandOversTakeTheShownVariablesAndWaitForTheirWindows) {
    auto t = Table(kData, {"a", "b", "c"});
    auto alt = Table(kAlternate, {"", "", ""});
    t->SetSelected(1, 0);
    // The buttons wait for their windows: start without them.
    for (const char* name : {"TfrmWLS", "TfrmRidge"}) AnalysisWindows().Unregister(name);
    TfrmRelative w{WindowContext(state_)};
    ASSERT_TRUE(w.SetData(t.get(), alt.get(), true));
    w.rbSelected->click();
    w.btnChange->click();  // the alternate values shown
    EXPECT_FALSE(w.btnWLS->isEnabled());
    EXPECT_FALSE(w.btnRidge->isEnabled());
    std::vector<std::string> pcaNames;
    std::vector<double> pcaFirst, wlsFirst;
    int wlsDependent = -1, ridgeCalls = 0;
    bool wlsSecond = false;
    auto p = Probe<PcaRequest>("TfrmPCA", [&](const PcaRequest& r) {
        pcaNames = Names(r.table);
        pcaFirst = First(r.table);
    });
    auto wl = Probe<WLSRequest>("TfrmWLS", [&](const WLSRequest& r) {
        wlsFirst = First(r.table);
        wlsDependent = r.dependentColumn;
        wlsSecond = r.second != nullptr;
    });
    auto rd = Probe<RidgeRequest>("TfrmRidge", [&](const RidgeRequest&) { ++ridgeCalls; });
    ASSERT_TRUE(w.btnWLS->isEnabled());
    ASSERT_TRUE(w.btnRidge->isEnabled());
    w.btnPCA->click();
    EXPECT_EQ(pcaNames, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(pcaFirst, kAlternate[0]);  // the values shown
    ui_.QueueInput("c");
    w.btnWLS->click();
    EXPECT_EQ(wlsDependent, 1);
    EXPECT_EQ(wlsFirst, kData[0]);  // the data, the alternate as second
    EXPECT_TRUE(wlsSecond);
    ui_.QueueInput("nobody");
    w.btnRidge->click();
    EXPECT_EQ(ridgeCalls, 0);
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

TEST_F(CorrelationWindowTest, AlternateValuesWhoseSumsOverflowAreRefusedAndTheShownValuesStay) {
    Columns alternate = kAlternate;
    alternate[1][2] = 1e200;
    auto t = Table(kData, {"a", "b", "c"});
    auto alt = Table(alternate, {"", "", ""});
    TfrmRelative w{WindowContext(state_)};
    ASSERT_TRUE(w.SetData(t.get(), alt.get(), false));
    const QString shown = w.sgRelMat->Cell(2, 1);
    ui_.QueueOK();
    w.btnChange->click();
    EXPECT_EQ(ui_.MessageTexts(), (std::vector<std::string>{"変数 b の平方和が有限の数値になりません。"}));
    EXPECT_FALSE(w.AlternateShown());
    EXPECT_EQ(w.sgRelMat->Cell(0, 0), "");
    EXPECT_EQ(w.sgRelMat->Cell(2, 1), shown);
}

// A constant column spoils the analysis, not the window: it opens so that
// the column can be unticked.
TEST_F(CorrelationWindowTest, PrincipalComponentsOpenOnAConstantColumnToUntickIt) {
    Columns cols = kData;
    cols.push_back({4, 4, 4, 4, 4, 4});
    auto t = Table(cols, {"a", "b", "c", "k"});
    TfrmRelative w{WindowContext(state_)};
    ASSERT_TRUE(w.SetData(t.get(), nullptr, true));
    ui_.QueueOK();
    const auto untick = [&](TfrmPCA& pca) {
        EXPECT_EQ(pca.Analysis(), nullptr);
        ASSERT_EQ(pca.lbVarSel->count(), 4);
        EXPECT_EQ(pca.lbVarSel->item(3)->text(), "k");
        pca.lbVarSel->item(3)->setCheckState(Qt::Unchecked);
        ASSERT_NE(pca.Analysis(), nullptr);
        EXPECT_EQ(pca.sgRelMat->RowCount(), 4);
        pca.Exitence->trigger();
    };
    EXPECT_TRUE(WhileModal<TfrmPCA>([&] { w.btnPCA->click(); }, untick));
    EXPECT_EQ(ui_.MessageTexts(), (std::vector<std::string>{"定数です = k"}));
}

}  // namespace
