// The diagnostics and influence pages of the instrumental-variable window.
// The grids hold no texts: the rows in view are asked of the estimator when
// painted, so a page of any length opens at once and a scroll costs the
// rows shown.
#include <QFontMetrics>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

#include "components/view/fundamental_stats_launcher.h"
#include "components/view/grid_marks.h"
#include "components/view/qt_text.h"
#include "core/model/instrumental_fit.h"
#include "core/model/result_texts.h"
#include "core/text/number_format.h"
#include "platform/qt/string_grid.h"
#include "resources/string_table.h"
#include "simeq/iv_tables.h"
#include "simeq/ui/iv_window.h"

namespace {

constexpr int kInfluenceFixedWidths[] = {40, 100, 100, 100, 100, 100, 70, 70};

TStringGrid* NewResultGrid(QWidget* page, const char* name) {
    auto* grid = new TStringGrid(page);
    grid->setObjectName(name);
    grid->SetDefaultColWidth(100);
    grid->SetDefaultRowHeight(22);
    grid->SetColCount(1);
    grid->SetRowCount(2);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(grid);
    return grid;
}

}  // namespace

void TfrmIV::BuildResultPages() {
    tsRes = new QWidget(PC);
    tsRes->setObjectName("tsRes");
    sgRes = NewResultGrid(tsRes, "sgRes");
    sgRes->SetCellProvider([this](int c, int r) { return DiagnosticCellText(c, r); });
    resContext_.columnMarked = [this](int i) { return IsRowMarked(2, i); };
    resContext_.font = font();
    UseGridCellPainter(*sgRes, [this]() -> const GridCellContext& { return resContext_; });
    connect(sgRes, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                int c, r;
                sgRes->MouseToCell(x, y, c, r);
                ResCellClick(c, r, b, m);
            }));
    PC->addTab(tsRes, "回帰診断");

    tsAna = new QWidget(PC);
    tsAna->setObjectName("tsAna");
    sgAna = NewResultGrid(tsAna, "sgAna");
    sgAna->SetDefaultColWidth(150);
    sgAna->SetCellProvider([this](int c, int r) { return InfluenceCellText(c, r); });
    anaContext_.columnMarked = [this](int i) { return IsRowMarked(3, i); };
    anaContext_.font = font();
    UseGridCellPainter(*sgAna, [this]() -> const GridCellContext& { return anaContext_; });
    connect(sgAna, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                int c, r;
                sgAna->MouseToCell(x, y, c, r);
                AnaCellClick(c, r, b, m);
            }));
    PC->addTab(tsAna, "影響分析");
}

QString TfrmIV::DiagnosticCellText(int c, int r) const {
    if (!model_ || !model_->DiagnosticsDone() || c < 0 || c > kDiagnosticColumns || r < 0 || r > model_->Rows())
        return {};
    if (r == 0) return c == 0 ? QString() : Q(LoadStrByNumber(c));
    if (c == 0) return QString::number(r);
    return Q(IVDiagnosticCellText(*model_, marks_, c, r - 1));
}

QString TfrmIV::InfluenceCellText(int c, int r) const {
    if (!model_ || !model_->InfluenceDone() || c < 0 || c > static_cast<int>(influence_.size()) || r < 0 ||
        r > model_->Rows())
        return {};
    if (c == 0) return r == 0 ? QString() : QString::number(r);
    const ResultColumn column = influence_[static_cast<std::size_t>(c - 1)];
    if (r == 0) return Q(IVColumnTitle(*model_, column));
    return Q(IVInfluenceCellText(*model_, marks_, column, r - 1));
}

void TfrmIV::tsResShow() {
    if (!model_) return;
    model_->ComputeDiagnostics();
    marks_ = ResultMarks(IVInfluenceCutoffs(*model_));
    sgRes->SetColCount(kDiagnosticColumns + 1);
    sgRes->SetRowCount(model_->Rows() + 1);
    sgRes->SetColWidth(0, 40);
    sgRes->InvalidateGrid();
}

void TfrmIV::tsAnaShow() {
    if (!model_) return;
    model_->ComputeInfluence();
    marks_ = ResultMarks(IVInfluenceCutoffs(*model_));
    influence_ = IVInfluenceColumns(*model_);
    const int columns = static_cast<int>(influence_.size());
    sgAna->SetColCount(columns + 1);
    sgAna->SetRowCount(model_->Rows() + 1);
    const QFontMetrics metrics(sgAna->font());
    for (int c = 0; c <= columns; ++c) {
        if (c < static_cast<int>(std::size(kInfluenceFixedWidths))) {
            sgAna->SetColWidth(c, kInfluenceFixedWidths[c]);
            continue;
        }
        const int w = metrics.horizontalAdvance(Q(IVColumnTitle(*model_, influence_[static_cast<std::size_t>(c - 1)])));
        sgAna->SetColWidth(c, w >= 130 ? w + 20 : 150);
    }
    sgAna->InvalidateGrid();
}

void TfrmIV::HeadingClick(Selekto& own, int c, Qt::KeyboardModifiers mods) {
    if (c == 0) {
        ClearMarks();
    } else {
        Selekto* const all[3] = {&tableMarks_, &resMarks_, &anaMarks_};
        ClickColumnMark(all, own, (mods & Qt::ControlModifier) != 0, c - 1);
    }
    for (TStringGrid* g : {sgTable, sgRes, sgAna}) g->InvalidateGrid();
}

void TfrmIV::ResCellClick(int c, int r, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
    if (!model_ || !model_->DiagnosticsDone() || c < 0 || c > kDiagnosticColumns || r < 0 || r > model_->Rows())
        return;
    if (button == Qt::LeftButton && r == 0) {
        HeadingClick(resMarks_, c, mods);
        return;
    }
    if (c < 1) return;
    const ResultColumn column{ResultKind::Diagnostic, c - 1};
    // The right button on the heading shows the column with no observation marked.
    if (button == Qt::RightButton)
        ShowColumnStats(column, r);
    else if (button == Qt::LeftButton && r >= 1)
        Status(FormatElementValue(IVColumnTitle(*model_, column), r, IVColumnValue(*model_, column, r - 1)));
}

ResultColumn TfrmIV::InfluenceColumnCode(int index, bool raw) const {
    if (index < 0 || index >= static_cast<int>(influence_.size())) return {};
    ResultColumn column = influence_[static_cast<std::size_t>(index)];
    if (raw && column.kind == ResultKind::ScaledDfbeta) column.kind = ResultKind::RawDfbeta;
    return column;
}

void TfrmIV::AnaCellClick(int c, int r, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
    if (!model_ || !model_->InfluenceDone() || c < 0 || c > static_cast<int>(influence_.size()) || r < 0 ||
        r > model_->Rows())
        return;
    if (r == 0) {
        if (button == Qt::LeftButton) {
            HeadingClick(anaMarks_, c, mods);
        } else if (button == Qt::RightButton && c >= 1) {
            Status(InfluenceCutoffText(marks_.Cutoffs(), InfluenceColumnCode(c - 1, false)));
        }
        return;
    }
    if (c < 1) return;
    if (button == Qt::LeftButton) {
        const ResultColumn column = InfluenceColumnCode(c - 1, true);
        Status(FormatElementValue(IVColumnTitle(*model_, column), r, IVColumnValue(*model_, column, r - 1)));
    } else if (button == Qt::RightButton) {
        ShowColumnStats(InfluenceColumnCode(c - 1, (mods & Qt::ControlModifier) != 0), r);
    }
}

void TfrmIV::ShowColumnStats(ResultColumn column, int row) {
    if (!model_) return;
    const int n = model_->Rows();
    std::vector<double> values(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = IVColumnValue(*model_, column, i);
    const std::string title = IVColumnTitle(*model_, column);
    if (!ReadsFit(column)) {
        ShowFundamentalStats(Context(), title, values.data(), n, row);
        return;
    }
    // A figure that an observation of leverage 1 lacks is left out.
    std::vector<double> leverage;
    model_->GetAnalysisRow(RegIV::kPressLeverageRow, leverage);
    ShowColumnFundamentalStats(Context(), title, values.data(), leverage.data(), n, row);
}
