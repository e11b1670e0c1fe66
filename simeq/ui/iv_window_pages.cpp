// The design and estimates pages of the instrumental-variable window.
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

#include "components/view/field_formula.h"
#include "components/view/grid_marks.h"
#include "components/view/key_helpers.h"
#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "core/model/estimate_texts.h"
#include "core/model/instrumental_fit.h"
#include "core/text/float_format.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/qt/string_grid.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "simeq/iv_tables.h"
#include "simeq/ui/iv_window.h"

namespace {

constexpr int kSummaryRows = 7;

QLabel* Caption(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

}  // namespace

void TfrmIV::BuildDesignPage() {
    tsView = new QWidget(PC);
    tsView->setObjectName("tsView");
    sgTable = new TStringGrid(tsView);
    sgTable->setObjectName("sgTable");
    sgTable->SetDefaultColWidth(100);
    sgTable->SetDefaultRowHeight(22);
    sgTable->SetColWidth(0, 40);
    sgTable->SetColCount(1);
    sgTable->SetRowCount(2);
    sgTable->SetCellProvider([this](int c, int r) { return DesignCellText(c, r); });
    tableContext_.columnMarked = [this](int i) { return IsRowMarked(0, i); };
    tableContext_.font = font();
    UseGridCellPainter(*sgTable, [this]() -> const GridCellContext& { return tableContext_; });
    connect(sgTable, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                int c, r;
                sgTable->MouseToCell(x, y, c, r);
                TableCellClick(c, r, b, m);
            }));
    connect(sgTable, &TStringGrid::KeyDown, this, GuardedSlot([this](int key, Qt::KeyboardModifiers m) {
                if (IsEnterKey(key) && (m & Qt::ShiftModifier)) TableCellEdit(sgTable->Col(), sgTable->Row());
            }));
    sgTable->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(tsView);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(sgTable);
    PC->addTab(tsView, "操作変数");
}

void TfrmIV::BuildEstimatesPage() {
    tsEst = new QWidget(PC);
    tsEst->setObjectName("tsEst");
    sgEst = new ResultGrid(tsEst);
    sgEst->setObjectName("sgEst");
    sgEst->setMinimumWidth(525);
    connect(sgEst, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                int c, r;
                sgEst->MouseToCell(x, y, c, r);
                EstCellClick(c, r, b, m);
            }));
    connect(sgEst, &TStringGrid::KeyDown, this,
            GuardedSlot([this](int key, Qt::KeyboardModifiers m) { EstKey(key, m); }));

    auto* side = new QWidget(tsEst);
    auto* form = new QGridLayout(side);
    form->setContentsMargins(8, 2, 12, 2);
    QLabel** values[kSummaryRows] = {&stFE, &stVe, &stRR, &stSpecTest, &stPSS, &stGK, &stDWR};
    const char* names[kSummaryRows] = {"stFE", "stVe", "stRR", "stSpecTest", "stPSS", "stGK", "stDWR"};
    const char* captions[kSummaryRows] = {"自由度", "回帰標準誤差", "", "特定化検定", "予測平方和", "GK統計量", "DW比"};
    for (int i = 0; i < kSummaryRows; ++i) {
        *values[i] = NewValueLabel(side, names[i], 150);
        (*values[i])->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QLabel* caption = Caption(side, QString::fromUtf8(captions[i]));
        if (i == 2) {
            lblRR2 = caption;
            lblRR2->setObjectName("lblRR2");
            lblRR2->setText(Q(LoadStr(kStrRSquared)));
        }
        form->addWidget(caption, i, 0);
        form->addWidget(*values[i], i, 1);
    }
    stRR->setCursor(Qt::PointingHandCursor);
    stRR->installEventFilter(this);
    btnVIF = new QPushButton("多重共線性(&M)", side);
    btnVIF->setObjectName("btnVIF");
    btnVIF->setEnabled(false);
    connect(btnVIF, &QPushButton::clicked, this, GuardedSlot([this] { btnVIFClick(); }));
    btnJNE = new QPushButton("ジャックナイフ(&J)", side);
    btnJNE->setObjectName("btnJNE");
    btnJNE->setEnabled(false);
    connect(btnJNE, &QPushButton::clicked, this, GuardedSlot([this] { btnJNEClick(); }));
    stVe->setCursor(Qt::PointingHandCursor);
    stVe->installEventFilter(this);
    form->setRowMinimumHeight(kSummaryRows, 12);
    form->addWidget(btnVIF, kSummaryRows + 1, 0, 1, 2);
    form->addWidget(btnJNE, kSummaryRows + 2, 0, 1, 2);
    form->setRowStretch(kSummaryRows + 3, 1);

    auto* layout = new QHBoxLayout(tsEst);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(sgEst, 1);
    layout->addWidget(side, 0);
    PC->addTab(tsEst, "推定値");
}

bool TfrmIV::eventFilter(QObject* watched, QEvent* event) {
    if (watched == stRR && event->type() == QEvent::MouseButtonPress) {
        Guard([this] { stRRClick(); });
        return true;
    }
    if (NPlot && watched == TB->widgetForAction(NPlot) && event->type() == QEvent::MouseButtonPress) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button != Qt::RightButton) return AnalysisWindowFor::eventFilter(watched, event);
        Guard([this, button] { ToolButton9MouseDown(button); });
        return true;
    }
    if (watched == stVe && event->type() == QEvent::MouseButtonPress) {
        Guard([this] { stVeClick(); });
        return true;
    }
    if (watched == sgTable->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* me = static_cast<QMouseEvent*>(event);
        int c, r;
        sgTable->MouseToCell(static_cast<int>(me->position().x()), static_cast<int>(me->position().y()), c, r);
        Guard([this, c, r] { TableCellEdit(c, r); });
        return true;
    }
    return AnalysisWindowFor::eventFilter(watched, event);
}

QString TfrmIV::DesignCellText(int c, int r) const {
    if (!model_ || c < 0 || c > static_cast<int>(designColumns_.size()) || r < 0 || r > model_->Rows()) return {};
    if (c == 0) return r == 0 ? QString() : QString::number(r);
    const int j = designColumns_[static_cast<std::size_t>(c - 1)];
    if (r == 0) return Q(model_->GetVarName(j));
    return Q(FormatNumber(false, model_->GetDesignValue(r - 1, j)));
}

void TfrmIV::tsViewShow() {
    designColumns_.clear();
    // The hand-overs follow the estimator from the first page on.
    EnableHandOvers();
    if (!model_) {
        sgTable->SetColCount(1);
        sgTable->InvalidateGrid();
        return;
    }
    for (int j = 0; j < model_->VarCount(); ++j)
        if (model_->GetRole(j) != RegIV::kRoleDependent) designColumns_.push_back(j);
    sgTable->SetColCount(static_cast<int>(designColumns_.size()) + 1);
    sgTable->SetRowCount(model_->Rows() + 1);
    const QFontMetrics metrics(sgTable->font());
    for (std::size_t c = 0; c < designColumns_.size(); ++c) {
        const int w = metrics.horizontalAdvance(Q(model_->GetVarName(designColumns_[c])));
        sgTable->SetColWidth(static_cast<int>(c) + 1, w > 80 ? w + 20 : 100);
    }
    sgTable->InvalidateGrid();
}

void TfrmIV::TableCellClick(int c, int r, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
    if (!model_ || c < 0 || r < 0 || c > static_cast<int>(designColumns_.size())) return;
    if (button == Qt::LeftButton && r == 0) {
        HeadingClick(tableMarks_, c, mods);
        return;
    }
    if (c == 0 || r > model_->Rows()) return;
    const int j = designColumns_[static_cast<std::size_t>(c - 1)];
    // The right button on the heading shows the column with no observation marked.
    if (button == Qt::RightButton)
        ShowColumnStats({ResultKind::Variable, j}, r);
    else if (button == Qt::LeftButton)
        Status(FormatElementValue(model_->GetVarName(j), r, model_->GetDesignValue(r - 1, j)));
}

void TfrmIV::TableCellEdit(int c, int r) {
    if (!model_ || c < 1 || r < 1 || c > static_cast<int>(designColumns_.size()) || r > model_->Rows()) return;
    const int j = designColumns_[static_cast<std::size_t>(c - 1)];
    const double old = model_->GetDesignValue(r - 1, j);
    const InputAnswer a = Context().Services().AskInput(
        FormatIndexedLabel(model_->GetVarName(j), std::to_string(r), true), {}, FloatToStrGeneral(old));
    if (a.result != mrOK) return;
    // "@@" is the cell's value; the macro engine shows its own errors.
    const std::optional<double> v = EvaluateFieldFormula(Context().State(), a.text, old);
    if (!v || !std::isfinite(*v)) return;
    model_->SetDesignValue(r - 1, j, *v);
    // Refused: the value goes back with the estimate it belongs to.
    if (!model_->Refit(false)) ShowFitProblem(*model_);
    tsViewShow();
}

void TfrmIV::ShowRSquared() {
    if (!model_) return;
    lblRR2->setText(Q(LoadStr(adjustedR2_ ? kStrAdjRSquared : kStrRSquared)));
    stRR->setText(Q(FormatNumber(true, adjustedR2_ ? model_->GetAdjR2() : model_->GetR2())));
}

void TfrmIV::tsEstShow() {
    if (!model_) return;
    const IVSummary s = IVSummaryCells(*model_);
    specTest_ = s.specification.value;
    estimateRows_ = IVEstimateRowVariables(*model_);
    sgEst->Show(IVEstimatesTable(*model_));
    sgEst->SetColWidth(0, 150);
    sgEst->SetColWidth(1, 100);
    sgEst->SetColWidth(2, 100);
    sgEst->SetColWidth(3, 145);
    stFE->setText(Q(s.df.Shown()));
    stVe->setText(Q(s.s.Shown()));
    // The label and the value follow the one switch.
    ShowRSquared();
    stSpecTest->setText(Q(s.specification.Shown()));
    stPSS->setText(Q(s.press.Shown()));
    stGK->setText(Q(s.gk.Shown()));
    stDWR->setText(Q(s.dw.Shown()));
    EnableHandOvers();
}

void TfrmIV::stRRClick() {
    adjustedR2_ = !adjustedR2_;
    ShowRSquared();
}

void TfrmIV::EstCellClick(int c, int r, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
    if (!model_ || r < 1 || r > static_cast<int>(estimateRows_.size()) || c < 0) return;
    const int j = estimateRows_[static_cast<std::size_t>(r - 1)];
    const std::string name = model_->GetVarName(j);
    if (button == Qt::RightButton) {
        if (model_->IsExplanatory(j))
            Status(name + " : " +
                   FormatConfidenceInterval(model_->GetDf(), 0.05, model_->GetCoefSE(j), model_->GetCoef(j)));
        return;
    }
    if (button != Qt::LeftButton) return;
    if (mods & Qt::ControlModifier) {
        if ((c == 2 || c == 3) && model_->IsExplanatory(j)) {
            const double v = c == 2 ? model_->GetCoef(j) : model_->GetCoefSE(j);
            Status(FormatIndexedLabel(sgEst->Cell(c, 0).toStdString(), name, true) + " = " + FormatExponent(7, v));
        }
        return;
    }
    if (IVRowLocked(*model_, j)) return;
    if (!model_->ToggleVariable(j)) {
        ShowFitProblem(*model_);
        return;
    }
    tsEstShow();
}

void TfrmIV::EstKey(int key, Qt::KeyboardModifiers mods) {
    if (!IsEnterKey(key)) return;
    if (mods & Qt::ShiftModifier) EstCellClick(sgEst->Col(), sgEst->Row(), Qt::RightButton, Qt::NoModifier);
    else EstCellClick(sgEst->Col(), sgEst->Row(), Qt::LeftButton, Qt::NoModifier);
}
