// The frequency and box plot pages of the univariate statistics window and
// the observation lists of a class or a quarter.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>

#include <algorithm>
#include <cmath>

#include "components/plot/flex_dosu.h"
#include "components/view/qt_text.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"
#include "stats/ui/box_plot_paint.h"
#include "stats/ui/data_list_dialog.h"
#include "stats/ui/dosu_set_dialog.h"
#include "stats/ui/fund_box_page.h"
#include "stats/ui/fund_freq_page.h"
#include "stats/ui/fund_window.h"
#include "stats/univariate_box_plot.h"
#include "stats/univariate_report.h"

namespace {

const char* const kFrequencyTitles[] = {"区間下限", "区間上限", "中央値", "度数", "累積", "相対度数", "累積度数"};

// A typed number of pieces as an int; beyond the histogram's limit it is
// refused there.
int PieceCountOf(double v, int fallback) {
    if (!std::isfinite(v)) return fallback;
    return static_cast<int>(std::clamp(std::trunc(v), -1.0, 1e6));
}

}  // namespace

int TfrmFund::ClassCount() const {
    const TFlexDosu* d = tsFreq->Dosu1;
    const int pieces = d->PieceTotal();
    return pieces > 0 ? d->GetBaseRank(pieces - 1).rank + 1 : 0;
}

FrequencyTable TfrmFund::CurrentFrequencyTable() const {
    TFlexDosu* d = tsFreq->Dosu1;
    FrequencyTable table;
    const int k = ClassCount();
    table.classes.reserve(static_cast<std::size_t>(k));
    for (int c = 0; c < k; ++c) {
        const DosuPiece r = d->GetRank(c);
        table.classes.push_back({r.low, r.high, r.count});
    }
    d->SetMode();
    table.mode = d->ModeValue;
    return table;
}

void TfrmFund::tsFreqShow() {
    if (!loaded_) return;
    TFlexDosu* d = tsFreq->Dosu1;
    TStringGrid* g = tsFreq->sgDosu;
    d->SelectedPointer(selected_);
    const FrequencyTable table = CurrentFrequencyTable();
    const int k = static_cast<int>(table.classes.size());
    const int holding = d->GetRangeIndex(stats_.values[static_cast<std::size_t>(selected_)]);
    const double n = stats_.n;
    g->ClearCells();
    g->SetRowCount(k + 1);
    for (int c = 0; c < 7; ++c) g->SetCell(c + 1, 0, kFrequencyTitles[c]);
    int cumulative = 0;
    for (int i = 0; i < k; ++i) {
        const FrequencyClassRow& r = table.classes[static_cast<std::size_t>(i)];
        const bool first = i == 0, last = i == k - 1;
        cumulative += r.frequency;
        const int row = i + 1;
        g->SetCell(0, row, Q((i == holding ? "* " : "") + std::to_string(i + 1)));
        g->SetCell(1, row, first ? "-∞" : Q(FormatNumber(false, r.lower)));
        g->SetCell(2, row, last ? "+∞" : Q(FormatNumber(false, r.upper)));
        g->SetCell(3, row, first || last ? "-" : Q(FormatNumber(false, (r.lower + r.upper) * 0.5)));
        g->SetCell(4, row, QString::number(r.frequency));
        g->SetCell(5, row, QString::number(cumulative));
        g->SetCell(6, row, Q(FormatNumber(false, r.frequency / n)));
        g->SetCell(7, row, Q(FormatNumber(false, cumulative / n)));
    }
    tsFreq->stMode->setText(Q(FormatNumber(false, table.mode)));
}

void TfrmFund::Dosu1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) {
    if (!loaded_) return;
    TFlexDosu* d = tsFreq->Dosu1;
    const int c = d->GetIndex(x, y);
    if (c < 0) return;
    if (modifiers & Qt::ControlModifier) {
        if (button == Qt::LeftButton) d->Bind(c, false);
        else if (button == Qt::RightButton) d->Bind(c, true);
        else return;
    } else if (!(modifiers & Qt::AltModifier)) {
        d->Separate(c);
    } else if (!d->Reset()) {
        return;
    }
    tsFreqShow();
}

void TfrmFund::pmBindUpperClick() {
    const int r = tsFreq->sgDosu->Row();
    if (!loaded_ || r < 2 || r > ClassCount()) return;
    tsFreq->Dosu1->Bind(r - 1, false);
    tsFreqShow();
}

void TfrmFund::pmBindLowerClick() {
    const int r = tsFreq->sgDosu->Row();
    if (!loaded_ || r < 1 || r >= ClassCount()) return;
    tsFreq->Dosu1->Bind(r - 1, true);
    tsFreqShow();
}

void TfrmFund::pmSeparateClick() {
    const int r = tsFreq->sgDosu->Row();
    if (!loaded_ || r < 1 || r > ClassCount()) return;
    tsFreq->Dosu1->Separate(r - 1);
    tsFreqShow();
}

void TfrmFund::sgDosuKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::ControlModifier) || (key != Qt::Key_Return && key != Qt::Key_Enter)) return;
    const int r = tsFreq->sgDosu->Row();
    if (r >= 1 && r <= ClassCount()) ShowDataList(r - 1, ListKind::Class);
}

void TfrmFund::sgDosuMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) {
    if (button != Qt::LeftButton || !(modifiers & Qt::ControlModifier)) return;
    int col = -1, row = -1;
    tsFreq->sgDosu->MouseToCell(x, y, col, row);
    if (row >= 1 && row <= ClassCount()) ShowDataList(row - 1, ListKind::Class);
}

void TfrmFund::FrequencyOptions() {
    TFlexDosu* d = tsFreq->Dosu1;
    // The class count is counted when the histogram paints; the dialog
    // shows the one of the table.
    d->ClassCount = ClassCount();
    TfrmDosuSet dialog(this);
    dialog.LoadFrom(d);
    if (RunDialog(dialog) != QDialog::Accepted) return;
    CalcStr& evaluator = Context().State().Evaluator();
    auto value = [&](const QLineEdit* edit, double fallback) {
        return evaluator.Evaluate(edit->text().toStdString(), fallback);
    };
    d->AutoSet = dialog.rgMode->checkedId() == 0;
    d->ClassWidth = value(dialog.eWidth, d->ClassWidth);
    // The field shows the classes; left empty it keeps their number (manual
    // classes are one piece each), not the pieces of the automatic division.
    const int classes = ClassCount();
    d->PieceCount = PieceCountOf(value(dialog.eRankNumber, classes), classes);
    d->RangeHigh = value(dialog.eMaxiVal, d->RangeHigh);
    d->RangeLow = value(dialog.eMiniVal, d->RangeLow);
    classMode_ = dialog.rgFDS->checkedId() == 1;
    d->RangeMode = classMode_ ? 1 : 0;
    d->Priority = dialog.rgPriority->checkedId() != 0 ? 1 : 0;
    d->NormalCurve = dialog.cbNormLine->isChecked();
    // Settings that give no division keep the classes as they were.
    if (!d->Reset()) WarningBox(Services(), "この設定では度数分布を作れません");
    tsFreqShow();
}

void TfrmFund::tsBoxPlotShow() {
    if (!loaded_) return;
    const BoxPlotNumbers& b = stats_.boxPlot;
    TfsBoxPage* p = tsBoxPlot;
    auto number = [](double v) { return Q(FormatNumber(false, v)); };
    p->stQuartile0->setText(number(b.minimum));
    p->stQuartile1->setText(number(b.lowerHinge));
    p->stQuartile2->setText(number(b.median));
    p->stQuartile3->setText(number(b.upperHinge));
    p->stQuartile4->setText(number(b.maximum));
    p->stRange->setText(number(b.range));
    p->stQR->setText(number(b.interquartile));
    p->stQRL->setText(b.lowerFenceShown ? number(b.lowerFence) : QString("-"));
    p->stQRH->setText(b.upperFenceShown ? number(b.upperFence) : QString("-"));
    p->stMAD->setText(number(b.meanAbsDeviation));
    p->lbList->clear();
    for (const BoxPlotOutlier& o : b.outliers) {
        auto* item = new QListWidgetItem(Q(OutlierLine(o, NumberOf(o.observation))), p->lbList);
        item->setData(Qt::UserRole, o.observation);
    }
    p->pbBox->SetNumbers(&stats_.boxPlot);
}

void TfrmFund::pbBoxMouseDown(int x) {
    if (!loaded_) return;
    const int quarter = BoxPlotQuarterAt(stats_.boxPlot, tsBoxPlot->pbBox->width(), x);
    if (quarter >= 0) ShowDataList(quarter, ListKind::Quarter);
}

void TfrmFund::lbListClick() {
    const QListWidgetItem* item = tsBoxPlot->lbList->currentItem();
    if (!loaded_ || !item) return;
    // The observation kept with the line, whatever its number's width.
    bool ok = false;
    const int observation = item->data(Qt::UserRole).toInt(&ok);
    if (ok && observation >= 0 && observation < stats_.n) selected_ = observation;
}

void TfrmFund::ShowDataList(int index, ListKind kind) {
    if (!loaded_) return;
    std::vector<int> observations;
    std::string name;
    if (kind == ListKind::Class) {
        if (index < 0 || index >= ClassCount()) return;
        const DosuPiece r = tsFreq->Dosu1->GetRank(index);
        observations = ObservationsInClass(stats_, r.low, r.high);
        name = ClassListName(index);
    } else {
        observations = ObservationsInQuarter(stats_, index);
        name = QuarterListName(index);
    }
    if (observations.empty()) return;
    TfrmDataList dialog(this);
    dialog.Clear();
    dialog.Name = name;
    for (int i : observations) dialog.AddValue(i, stats_.values[static_cast<std::size_t>(i)], NumberOf(i));
    const auto at = std::find(observations.begin(), observations.end(), selected_);
    if (at != observations.end()) dialog.Selected = static_cast<int>(at - observations.begin());
    RunDialog(dialog);
    const int chosen = dialog.GetNumber(dialog.Selected);
    if (chosen < 0) return;
    selected_ = chosen;
    if (kind == ListKind::Class) tsFreqShow();
    else tsBoxPlotShow();
}
