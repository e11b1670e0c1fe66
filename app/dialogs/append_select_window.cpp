#include "app/dialogs/append_select_window.h"

#include <QAction>
#include <QFontMetrics>
#include <QToolBar>
#include <QVBoxLayout>

#include "components/view/grid_marks.h"
#include "components/view/guarded_slot.h"
#include "components/view/key_helpers.h"
#include "components/view/qt_text.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "eval/append_source.h"
#include "platform/command_guard.h"
#include "platform/qt/string_grid.h"
#include "platform/ui_services.h"

int TfrmApndSel::MarkAnchor = -1;

TfrmApndSel::TfrmApndSel(AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmApndSel"));
    setWindowTitle(QStringLiteral("追加データ選択"));
    resize(520, 360);
    TB = new QToolBar(this);
    TB->setObjectName(QStringLiteral("TB"));
    TB->setToolButtonStyle(Qt::ToolButtonTextOnly);
    sgEdit = new TStringGrid(this);
    sgEdit->setObjectName(QStringLiteral("sgEdit"));
    sgEdit->SetFixedCols(1);
    sgEdit->SetFixedRows(1);
    sgEdit->SetRangeSelect(true);
    sgEdit->SetEditable(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TB);
    layout->addWidget(sgEdit, 1);

    struct Spec {
        const char* name;
        const char* caption;
        const char* hint;
        const char* shortcut;
        void (TfrmApndSel::*handler)();
        const char* button;
    };
    const Spec specs[] = {
        {"All", "All", "全データ", "Ctrl+A", &TfrmApndSel::AllExecute, "tbAll"},
        {"Selected", "Selected", "選択データのみ", "Ctrl+S", &TfrmApndSel::SelectedExecute, "tbSel"},
        {"Canceled", "Canceled", "キャンセル", "Ctrl+C", &TfrmApndSel::CanceledExecute, "tbCancel"},
        {"ChoiceData", "ChoiceData", nullptr, "Ctrl+Alt+S", &TfrmApndSel::ChoiceDataExecute, nullptr},
    };
    for (const Spec& s : specs) {
        auto* a = new QAction(QString::fromUtf8(s.button ? s.hint : s.caption), this);
        a->setObjectName(QString::fromUtf8(s.name));
        a->setShortcut(QKeySequence(QString::fromUtf8(s.shortcut)));
        if (s.hint) a->setToolTip(QString::fromUtf8(s.hint));
        auto handler = s.handler;
        connect(a, &QAction::triggered, this,
                Guarded(state_, [this, handler] { (this->*handler)(); }));
        addAction(a);
        if (s.button) {
            TB->addAction(a);
            if (QWidget* w = TB->widgetForAction(a)) w->setObjectName(QString::fromUtf8(s.button));
        }
    }

    cellContext_ = MarkedGridCellContext([this](int i) { return IsMarked(rowMarks_, i); }, font());
    UseGridCellPainter(*sgEdit, [this]() -> const GridCellContext& { return cellContext_; });
    connect(sgEdit, &TStringGrid::GridMouseDown, this,
            Guarded(state_, [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                sgEditMouseDown(b, m, x, y);
            }));
    connect(sgEdit, &TStringGrid::GridMouseMove, this,
            Guarded(state_, [this](Qt::MouseButtons b, Qt::KeyboardModifiers, int x, int y) {
                sgEditMouseMove(b, x, y);
            }));
}

QAction* TfrmApndSel::ActionNamed(const QString& name) const { return findChild<QAction*>(name); }

int TfrmApndSel::ShownCount() const { return source_ ? source_->ObservationCount() : 0; }

void TfrmApndSel::SetData(AppendSource& source, std::vector<std::uint8_t>& flags) {
    source_ = &source;
    flags_ = &flags;
    const Reg& data = source.Shown();
    rowMarks_.Reset(data.GetObsCount());
    sgEdit->SetRowCount(data.GetObsCount() + 1);
    sgEdit->SetColCount(data.GetVarCount() + 1);
    sgEdit->SetCell(0, 0, QStringLiteral("CLR"));
    FitColumnWidths();
    FormShow();
}

void TfrmApndSel::FitColumnWidths() {
    const Reg& data = source_->Shown();
    // The painter's font, and room for its margins on both sides.
    const QFontMetrics metrics(cellContext_.font);
    constexpr int kMargin = 12;
    const int n = data.GetObsCount();
    sgEdit->SetColWidth(0, std::max(40, metrics.horizontalAdvance(QString::number(n)) + kMargin));
    for (int j = 0; j < data.GetVarCount(); ++j) {
        int widest = metrics.horizontalAdvance(Q(data.GetVarName(j)));
        for (int i = 0; i < n; ++i)
            widest = std::max(widest, metrics.horizontalAdvance(Q(FormatNumber(false, data.GetValue(i, j)))));
        sgEdit->SetColWidth(j + 1, std::max(sgEdit->DefaultColWidth(), widest + kMargin));
    }
}

void TfrmApndSel::FormShow() {
    if (!source_) return;
    const Reg* data = &source_->Shown();
    // Cells come from the data as they are painted.
    sgEdit->SetCellProvider([data](int c, int r) -> QString {
        if (r == 0) return c == 0 ? QStringLiteral("CLR") : Q(data->GetVarName(c - 1));
        if (c == 0) return QString::number(r);
        if (r - 1 >= data->GetObsCount() || c - 1 >= data->GetVarCount()) return {};
        return Q(FormatNumber(false, data->GetValue(r - 1, c - 1)));
    });
    sgEdit->InvalidateGrid();
}

void TfrmApndSel::AllExecute() {
    if (flags_) std::fill(flags_->begin(), flags_->end(), std::uint8_t{1});
    accept();
}

void TfrmApndSel::SelectedExecute() {
    if (flags_)
        for (std::size_t i = 0; i < flags_->size(); ++i)
            (*flags_)[i] = IsMarked(rowMarks_, static_cast<int>(i)) ? 1 : 0;
    accept();
}

void TfrmApndSel::CanceledExecute() { reject(); }

void TfrmApndSel::ChoiceDataExecute() {
    if (!source_) return;
    const InputAnswer a = state_.Services().AskInput("データ組選択", {}, "");
    if (a.result != mrOK || a.text.empty()) return;
    const int n = ShownCount();
    if (a.text[0] == '=') {
        const std::vector<std::uint8_t> marks = source_->ConditionMarks(a.text.substr(1));
        rowMarks_.Reset(n);
        for (int i = 0; i < n; ++i) rowMarks_.Set(i, marks[static_cast<std::size_t>(i)]);
    } else {
        const std::vector<std::uint8_t> listed = source_->ListedRows(a.text);
        for (int i = 0; i < n; ++i)
            if (listed[static_cast<std::size_t>(i)]) rowMarks_.Set(i, 1);
    }
    FormShow();
}

void TfrmApndSel::sgEditMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y) {
    int c = -1, r = -1;
    sgEdit->MouseToCell(x, y, c, r);
    if (c != 0 || r < 0) return;
    if (r == 0) {
        if (button == Qt::LeftButton) {
            rowMarks_.Clear();
            FormShow();
        } else if (button == Qt::RightButton) {
            ChoiceDataExecute();
        }
        return;
    }
    if (button != Qt::LeftButton || r > ShownCount()) return;
    MarkObservationsByClick(rowMarks_, MarkAnchor, KeysOf(mods), r - 1, ShownCount());
    sgEdit->InvalidateGrid();
}

void TfrmApndSel::sgEditMouseMove(Qt::MouseButtons buttons, int x, int y) {
    if (!(buttons & Qt::LeftButton)) return;
    int c = -1, r = -1;
    sgEdit->MouseToCell(x, y, c, r);
    if (c != 0 || r < 1 || r > ShownCount() || IsMarked(rowMarks_, r - 1)) return;
    rowMarks_.Set(r - 1, 1);
    sgEdit->InvalidateRow(r);
}
