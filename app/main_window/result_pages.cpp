// The diagnostics and influence pages of the main window: per-observation
// residual diagnostics with the GK, DW and BG statistics, and the
// leave-one-out influence measures with their cut-off marks. The grids hold
// no texts: the rows in view are asked of the model when painted.
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <charconv>
#include <cmath>

#include "app/main_window/main_window.h"
#include "components/view/guarded_slot.h"
#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "core/model/regression_diagnostics.h"
#include "core/model/regression_model.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "platform/qt/string_grid.h"
#include "resources/string_table.h"

namespace {

QLabel* NewCaption(QWidget* parent, const char* text) { return new QLabel(QString::fromUtf8(text), parent); }

constexpr int kAnalysisFixedWidths[] = {40, 100, 100, 100, 100, 100, 70, 70};

// A whole number typed for the BG order; nullopt for a text that is a
// number but no int, 1 for any other text.
std::optional<long long> ReadOrder(const std::string& text) {
    std::size_t a = text.find_first_not_of(" \t");
    std::size_t b = text.find_last_not_of(" \t");
    if (a == std::string::npos) return 1;
    const std::string t = text.substr(a, b - a + 1);
    long long v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec == std::errc::result_out_of_range) return std::nullopt;
    if (ec != std::errc() || end != t.data() + t.size()) return 1;
    return v;
}

}  // namespace

void TfrmREG::BuildDiagnosticsPage() {
    sgRes = NewGrid(tsCheck, "sgRes");
    sgRes->SetCellProvider([this](int c, int r) { return DiagnosticsCellText(c, r); });
    connect(sgRes, &TStringGrid::TopLeftChanged, this, Guarded(state_, [this] { sgResTopLeftChanged(); }));
    connect(sgRes, &TStringGrid::GridMouseDown, this,
            Guarded(state_, [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                sgResMouseDown(b, m, x, y);
            }));

    auto* side = new QWidget(tsCheck);
    auto* form = new QGridLayout(side);
    form->setContentsMargins(8, 0, 6, 0);
    stGK = NewValueLabel(side, "stGK");
    stDWR = NewValueLabel(side, "stDWR");
    stBGTest = NewValueLabel(side, "stBGTest");
    lblBGTest = NewCaption(side, "ＢＧテスト");
    lblBGTest->setObjectName(QStringLiteral("lblBGTest"));
    form->addWidget(NewCaption(side, "ＧＫ統計量"), 0, 0);
    form->addWidget(stGK, 0, 1);
    form->addWidget(NewCaption(side, "DW比"), 1, 0);
    form->addWidget(stDWR, 1, 1);
    form->addWidget(lblBGTest, 2, 0);
    form->addWidget(stBGTest, 2, 1);
    form->setRowMinimumHeight(3, 12);
    btnBGTest = new QPushButton(QStringLiteral("ＢＧテスト次数(&B)"), side);
    btnBGTest->setObjectName(QStringLiteral("btnBGTest"));
    connect(btnBGTest, &QPushButton::clicked, this, Guarded(state_, [this] { btnBGTestClick(); }));
    form->addWidget(btnBGTest, 4, 0, 1, 2);
    btnJNE = new QPushButton(QStringLiteral("ジャックナイフ(&J)"), side);
    btnJNE->setObjectName(QStringLiteral("btnJNE"));
    btnJNE->setEnabled(false);  // enabled once its window is registered
    form->addWidget(btnJNE, 5, 0, 1, 2);
    form->setRowStretch(6, 1);

    auto* layout = new QHBoxLayout(tsCheck);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(sgRes, 1);
    layout->addWidget(side, 0);
}

void TfrmREG::BuildInfluencePage() {
    sgAna = NewGrid(tsAnalysis, "sgAna");
    sgAna->SetDefaultColWidth(150);
    sgAna->SetCellProvider([this](int c, int r) { return InfluenceCellText(c, r); });
    auto* layout = new QVBoxLayout(tsAnalysis);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(sgAna);
    connect(sgAna, &TStringGrid::TopLeftChanged, this, Guarded(state_, [this] { sgAnaTopLeftChanged(); }));
    connect(sgAna, &TStringGrid::GridMouseDown, this,
            Guarded(state_, [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                sgAnaMouseDown(b, m, x, y);
            }));
}

QLabel* TfrmREG::PageLabel(const std::string& name) const {
    for (QLabel* l : {stGK, stDWR, lblBGTest, stBGTest, stDepNam, stPreval, stMaxPV, stMinPV})
        if (l && l->objectName().toStdString() == name) return l;
    return nullptr;
}

QString TfrmREG::DiagnosticsCellText(int c, int r) const {
    const Reg* model = state_.Model();
    if (!model || !model->IsAnalysisReady() || c < 0 || c > kDiagnosticColumns) return {};
    if (r == 0) return c == 0 ? QStringLiteral("CLR") : Q(LoadStrByNumber(c));
    if (r - 1 >= model->GetObsCount()) return {};
    if (c == 0) return QString::number(r);
    return Q(::DiagnosticCellText(*model, MarksFor(*model), c, r - 1));
}

QString TfrmREG::InfluenceCellText(int c, int r) const {
    const Reg* model = state_.Model();
    if (!model || !model->IsInfluenceReady() || c < 0 || c > static_cast<int>(influenceColumns_.size())) return {};
    if (r == 0) {
        if (c == 0) return QStringLiteral("CLR");
        return Q(ResultColumnTitle(*model, influenceColumns_[static_cast<std::size_t>(c - 1)]));
    }
    if (r - 1 >= model->GetObsCount()) return {};
    if (c == 0) return QString::number(r);
    return Q(::InfluenceCellText(*model, MarksFor(*model), influenceColumns_[static_cast<std::size_t>(c - 1)], r - 1));
}

const ResultMarks& TfrmREG::MarksFor(const Reg& model) const {
    // The cut-offs depend on n and df alone; a scroll keeps them.
    if (!resultMarks_.Fits(model.GetObsCount(), model.GetResidualDf())) resultMarks_ = ResultMarks(model);
    return resultMarks_;
}

void TfrmREG::tsCheckShow() {
    Reg* model = state_.Model();
    if (!model) return;
    sgRes->SetColCount(kDiagnosticColumns + 1);
    if (!model->HasEstimate()) {
        // No rows and no statistics to show: the grid is blank.
        sgRes->SetRowCount(2);
        sgRes->InvalidateGrid();
        for (QLabel* l : {stGK, stDWR, stBGTest}) l->setText(QStringLiteral("-"));
        return;
    }
    model->ComputeAnalysisData();
    sgRes->SetRowCount(std::max(model->GetObsCount() + 1, 2));
    sgRes->SetColWidth(0, sgEdit->ColWidth(0));
    resTop_ = sgRes->TopRow();
    sgRes->InvalidateGrid();
    const double gk = model->GetHetero();
    stGK->setText(Q(FormatIndexedLabel(FormatNumber(true, gk), FormatPercent(ChiSquare1SignificanceLevel(gk)), false)));
    stDWR->setText(Q(FormatNumber(false, model->GetDurbinWatson())));
}

void TfrmREG::btnBGTestClick() {
    Reg* model = state_.Model();
    if (!model) return;
    model->RequireEstimate();
    const InputAnswer a = state_.Services().AskInput("次数の入力", {}, "1");
    if (a.result != mrOK) return;
    const std::optional<long long> order = ReadOrder(a.text);
    if (!order || *order < 1 || model->GetResidualDf() - *order < 4) return;
    const int p = static_cast<int>(*order);
    model->ComputeAnalysisData();
    const double x = BreuschGodfreyTest(*model, p);
    stBGTest->setText(Q(FormatIndexedLabel(FormatNumber(true, x), FormatPercent(ChiSquareSignificanceLevel(p, x)), false)));
    lblBGTest->setText(Q(FormatIndexedLabel("ＢＧテスト", std::to_string(p), false)));
}

void TfrmREG::tsAnalysisShow() {
    Reg* model = state_.Model();
    if (!model) return;
    if (!model->HasEstimate()) {
        sgAna->SetRowCount(2);
        sgAna->InvalidateGrid();
        return;
    }
    model->ComputeInfluence();
    influenceColumns_ = InfluenceGridColumns(*model);
    (void)MarksFor(*model);
    const int columns = static_cast<int>(influenceColumns_.size());
    InfluenceColumnMarks.Resize(std::max(InfluenceColumnMarks.Count(), columns));
    sgAna->SetColCount(columns + 1);
    sgAna->SetRowCount(std::max(model->GetObsCount() + 1, 2));
    const QFontMetrics metrics(sgAna->font());
    for (int c = 0; c <= columns; ++c) {
        if (c < static_cast<int>(std::size(kAnalysisFixedWidths))) {
            sgAna->SetColWidth(c, kAnalysisFixedWidths[c]);
            continue;
        }
        const ResultColumn column = influenceColumns_[static_cast<std::size_t>(c - 1)];
        const int w = metrics.horizontalAdvance(Q(ResultColumnTitle(*model, column)));
        const bool isT = column.kind == ResultKind::DeletedT;
        const int wide = isT ? 80 : 130;
        sgAna->SetColWidth(c, w > wide ? w + 20 : (isT ? 100 : 150));
    }
    anaTop_ = sgAna->TopRow();
    sgAna->InvalidateGrid();
}

void TfrmREG::sgResMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y) {
    const Reg* model = state_.Model();
    if (!model) return;
    int c, r;
    sgRes->MouseToCell(x, y, c, r);
    if (button == Qt::RightButton) {
        if (c == 0 && r == 0)
            ChoiceDataExecute();
        else if (c >= 1 && c <= kDiagnosticColumns && r >= 0)
            ShowResultColumnStatistics({ResultKind::Diagnostic, c - 1}, r);
        return;
    }
    if (button != Qt::LeftButton) return;
    if (c == 0 && r >= 1) {
        MarkObservationsByClick(sgRes, mods, r);
        return;
    }
    if (c >= 1 && c <= kDiagnosticColumns && r >= 1) {
        // The press made the cell current, and may have scrolled it into view.
        c = sgRes->Col();
        r = sgRes->Row();
        if (r > model->GetObsCount() || !model->IsAnalysisReady()) return;
        const double v = ResultColumnValue(*model, {ResultKind::Diagnostic, c - 1}, r - 1);
        sbPanel0->setText(Q(FormatElementValue(LoadStrByNumber(c), r, v)));
        sbPanel1->clear();
        return;
    }
    if (r == 0 && c >= 1 && c <= kDiagnosticColumns) {
        Selekto* all[3] = {&EditColumnMarks, &DiagnosticColumnMarks, &InfluenceColumnMarks};
        ClickColumnMark(all, DiagnosticColumnMarks, mods & Qt::ControlModifier, c - 1);
    } else if (r == 0 && c == 0) {
        ObservationMarks.Clear();
        ClearColumnMarks();
    } else {
        return;
    }
    tsCheckShow();
}

void TfrmREG::sgAnaMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y) {
    const Reg* model = state_.Model();
    if (!model) return;
    int c, r;
    sgAna->MouseToCell(x, y, c, r);
    const int columns = static_cast<int>(influenceColumns_.size());
    if (button == Qt::RightButton) {
        if (c == 0 && r == 0)
            ChoiceDataExecute();
        else if (c >= 1 && c <= columns && r >= 0)
            // With Ctrl the DFBETA columns give their raw values.
            ShowResultColumnStatistics(AnalysisColumnCode(c - 1, (mods & Qt::ControlModifier) != 0), r);
        return;
    }
    if (button != Qt::LeftButton) return;
    if (c == 0 && r >= 1) {
        MarkObservationsByClick(sgAna, mods, r);
        return;
    }
    if (c >= 1 && c <= columns && r >= 1) {
        // The press made the cell current, and may have scrolled it into view.
        c = sgAna->Col();
        r = sgAna->Row();
        if (c > columns || r > model->GetObsCount() || !model->IsInfluenceReady()) return;
        const ResultColumn column = AnalysisColumnCode(c - 1, true);
        const double v = ResultColumnValue(*model, column, r - 1);
        std::string status = FormatIndexedLabel(ResultColumnTitle(*model, column), std::to_string(r), true) + " = " +
                             FormatExponent(7, v);
        if (column.kind == ResultKind::RawDfbeta)
            status += "(" + FormatFloat("0.######", ResultColumnValue(*model, {ResultKind::ScaledDfbeta, column.index}, r - 1)) + ")";
        sbPanel0->setText(Q(status));
        sbPanel1->setText(c - 1 < InfluenceColumnMarks.Count() ? Q(InfluenceCutoffText(MarksFor(*model).Cutoffs(), column)) : QString());
        return;
    }
    if (r == 0 && c >= 1 && c <= columns) {
        Selekto* all[3] = {&EditColumnMarks, &DiagnosticColumnMarks, &InfluenceColumnMarks};
        ClickColumnMark(all, InfluenceColumnMarks, mods & Qt::ControlModifier, c - 1);
    } else if (r == 0 && c == 0) {
        ObservationMarks.Clear();
        ClearColumnMarks();
    } else {
        return;
    }
    tsAnalysisShow();
}
