// The correlation matrix window, offscreen: opened from the main window's
// command, one cell, the partial view, closed; then what only the window
// decides (the selection resets the view, a singular matrix disables only
// the partial view, the pair a click or a key plots with an alternate
// table, the shown variables handed to principal components and the
// weighted and ridge regressions, whose buttons wait for their windows).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "estimators/ridge_request.h"
#include "estimators/wls_request.h"
#include "started_windows.h"
#include "stats/pca_request.h"
#include "stats/ui/correlation_matrix_window.h"
#include "stats/xy_graph_request.h"
#include "support/model_builder.h"

namespace {

const Columns kData = {{1, 2, 3, 4, 5, 7}, {2, 1, 4, 3, 6, 5}, {0.5, 0.1, 0.9, 0.4, 0.3, 0.8}};
const Columns kAlternate = {{1.5, 1.9, 3.2, 4.4, 4.9, 6.5}, {2.2, 1.1, 3.8, 3.1, 5.7, 5.2}, {0.3, 0.2, 0.7, 0.5, 0.1, 0.9}};

QString Num(double v) { return Q(FormatNumber(false, v)); }

struct GraphSeen {
    std::string xName, yName;
    std::vector<double> x, y;
};
class ProbeGraph : public RequestWindow<XYGraphRequest> {
public:
    explicit ProbeGraph(std::vector<GraphSeen>& seen) : seen_(seen) {}
    using RequestWindow<XYGraphRequest>::Fill;
    bool Fill(const XYGraphRequest& r) override {
        seen_.push_back({r.xName, r.yName, {r.x, r.x + r.n}, {r.y, r.y + r.n}});
        return false;
    }
    int ShowModal() override { return 0; }

private:
    std::vector<GraphSeen>& seen_;
};

// What a hand-over received: its table's names and first column, and the
// dependent's column.
struct HandedOver {
    std::vector<std::string> names;
    std::vector<double> first;
    int dependent = -1;
    bool second = false;
};
HandedOver Copy(const TNamedData* t, int dependent, bool second) {
    HandedOver h{{}, {}, dependent, second};
    for (int j = 0; j < t->Cols(); ++j) h.names.push_back(t->GetColumnName(j));
    for (int i = 0; i < t->Rows(); ++i) h.first.push_back(t->GetValue(i, 0));
    return h;
}
template <class Request>
class ProbeHandOver : public RequestWindow<Request> {
public:
    explicit ProbeHandOver(std::vector<HandedOver>& seen) : seen_(seen) {}
    using RequestWindow<Request>::Fill;
    bool Fill(const Request& r) override {
        if constexpr (std::is_same_v<Request, WLSRequest>) {
            seen_.push_back(Copy(r.table, r.dependentColumn, r.second != nullptr));
        } else if constexpr (std::is_same_v<Request, RidgeRequest>) {
            seen_.push_back(Copy(r.table, r.dependentColumn, false));
        } else {
            seen_.push_back(Copy(r.table, -1, false));
        }
        return false;
    }
    int ShowModal() override { return 0; }

private:
    std::vector<HandedOver>& seen_;
};

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
    std::vector<std::string> Errors() const {
        std::vector<std::string> texts;
        for (const RecordedCall& c : ui_.CallsOf(ServiceCall::MessageBox)) texts.push_back(c.text);
        return texts;
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
    EXPECT_TRUE(Errors().empty());
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
    ScopedAnalysisWindow probe("TfrmGraphXY",
                               [&graphs](const WindowContext&) { return std::make_unique<ProbeGraph>(graphs); });
    struct Case {
        int row, col;
        bool other, alternateShown;
        const char *xName, *yName;
        double x0, y0;
    };
    const Case cases[] = {
            {1, 2, false, false, "b", "a", 2, 1},
            {1, 2, true, false, "b", "(iv)a", 2, 1.5},
            {2, 2, false, false, "(iv)b", "b", 2.2, 2},  // the diagonal: against its counterpart
            {2, 2, true, false, "b", "(iv)b", 2, 2.2},
            {3, 1, false, true, "(iv)a", "(iv)c", 1.5, 0.3},
            {3, 3, false, true, "c", "(iv)c", 0.5, 0.3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.col));
        if (w.AlternateShown() != c.alternateShown) w.btnChange->click();
        graphs.clear();
        w.PlotCellPair(c.row, c.col, c.other);
        ASSERT_EQ(graphs.size(), 1u);
        EXPECT_EQ(graphs[0].xName, c.xName);
        EXPECT_EQ(graphs[0].yName, c.yName);
        EXPECT_EQ(graphs[0].x[0], c.x0);
        EXPECT_EQ(graphs[0].y[0], c.y0);
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

TEST_F(CorrelationWindowTest, HandOversTakeTheShownVariablesAndWaitForTheirWindows) {
    auto t = Table(kData, {"a", "b", "c"});
    auto alt = Table(kAlternate, {"", "", ""});
    t->SetSelected(1, 0);
    TfrmRelative w{WindowContext(state_)};
    ASSERT_TRUE(w.SetData(t.get(), alt.get(), true));
    w.rbSelected->click();
    w.btnChange->click();  // the alternate values shown
    EXPECT_FALSE(w.btnWLS->isEnabled());
    EXPECT_FALSE(w.btnRidge->isEnabled());
    std::vector<HandedOver> pca, wls, ridge;
    ScopedAnalysisWindow p("TfrmPCA", [&pca](const WindowContext&) {
        return std::make_unique<ProbeHandOver<PcaRequest>>(pca);
    });
    ScopedAnalysisWindow wl("TfrmWLS", [&wls](const WindowContext&) {
        return std::make_unique<ProbeHandOver<WLSRequest>>(wls);
    });
    ScopedAnalysisWindow r("TfrmRidge", [&ridge](const WindowContext&) {
        return std::make_unique<ProbeHandOver<RidgeRequest>>(ridge);
    });
    ASSERT_TRUE(w.btnWLS->isEnabled());
    ASSERT_TRUE(w.btnRidge->isEnabled());
    w.btnPCA->click();
    ASSERT_EQ(pca.size(), 1u);
    EXPECT_EQ(pca[0].names, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(pca[0].first, kAlternate[0]);  // the values shown
    ui_.QueueInput("c");
    w.btnWLS->click();
    ASSERT_EQ(wls.size(), 1u);
    EXPECT_EQ(wls[0].dependent, 1);
    EXPECT_EQ(wls[0].first, kData[0]);  // the data, the alternate as second
    EXPECT_TRUE(wls[0].second);
    ui_.QueueInput("nobody");
    w.btnRidge->click();
    EXPECT_TRUE(ridge.empty());
    EXPECT_TRUE(Errors().empty());
}

}  // namespace
