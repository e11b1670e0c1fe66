#include "app/dialogs/expres_window.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <new>

#include "components/plot/qpainter_canvas.h"
#include "components/view/qt_text.h"
#include "components/view/variable_names.h"
#include "core/data/equation.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

constexpr int kItemHeight = 16;

class EquationDelegate : public QStyledItemDelegate {
public:
    EquationDelegate(const TfrmExpres& owner, QObject* parent) : QStyledItemDelegate(parent), owner_(owner) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QPainterCanvas canvas(*painter, option.palette);
        canvas.SetFont(ToCanvasFont(option.font));
        owner_.lbExpDrawItem(canvas, index.row(), option.rect, (option.state & QStyle::State_Selected) != 0);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(std::max(kItemHeight, option.fontMetrics.height()));
        return s;
    }

private:
    const TfrmExpres& owner_;
};

}  // namespace

TfrmExpres::TfrmExpres(AppState& state, bool coloring, QWidget* parent)
    : QDialog(parent), state_(state), coloring_(coloring) {
    setObjectName(QStringLiteral("frmExpres"));
    setWindowTitle(QStringLiteral("式リスト"));
    resize(520, 300);
    lbExp = new QListWidget(this);
    lbExp->setObjectName(QStringLiteral("lbExp"));
    lbExp->setItemDelegate(new EquationDelegate(*this, lbExp));
    btnClose = new QPushButton(QStringLiteral("閉じる(&X)"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbExp);
    layout->addLayout(buttons);
    connect(lbExp, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { lbExpClick(lbExp->row(item)); });
    connect(btnClose, &QPushButton::clicked, this, &TfrmExpres::btnCloseClick);
}

void TfrmExpres::SetData(Reg* model) {
    model_ = model;
    lbExp->clear();
    if (!model_) return;
    const ExpresList& list = model_->Expressions();
    for (int m = 0; m < list.GetCount(); ++m) lbExp->addItem(Q(list.GetItem(m).GetText()));
}

void TfrmExpres::lbExpDrawItem(PlotCanvas& canvas, int index, const QRect& rect, bool selected) const {
    using namespace canvas_color;
    if (!model_ || index < 0 || index >= model_->Expressions().GetCount()) return;
    const Expres& e = model_->Expressions().GetItem(index);
    const int x0 = rect.left() + 2;
    const CanvasRect box = ToCanvasRect(rect);
    if (selected) {
        canvas.SetBrushColor(kHighlight);
        canvas.FillRect(box);
        canvas.SetFontColor(kHighlightText);
        canvas.TextOut(x0, rect.top(), box, e.GetText());
        return;
    }
    canvas.SetBrushColor(kWhite);
    canvas.FillRect(box);
    int x = x0;
    for (const TextPiece& piece : EquationPieces(e, model_, coloring_)) {
        canvas.SetFontColor(piece.color);
        canvas.TextOut(x, rect.top(), box, piece.text);
        x += canvas.TextWidth(piece.text);
    }
}

void TfrmExpres::lbExpClick(int index) {
    if (!model_ || index < 0 || index >= model_->Expressions().GetCount()) return;
    const Expres e = model_->Expressions().GetItem(index);
    if (e.IsDefinition()) {
        EditDefinition(index);
        return;
    }
    const int left = model_->FindVar(e.GetLeftName());
    if (left < 0 || left >= model_->GetVarCount()) return;
    model_->SetDependent(left);
    // A refused dependent (the model said why) takes no variables either:
    // they would go into the model before.
    const int count = model_->FitProblem().empty() ? e.GetCount() : 0;
    for (int i = 0; i < count; ++i) {
        const int j = model_->FindVar(e.GetVarName(i));
        // The constant term is always in the model.
        if (j < 0 || j >= model_->GetVarCount() || j == left) continue;
        // A refused variable has said why; the rest would only say it again.
        if (!model_->ToggleVariable(j) && !model_->FitProblem().empty()) break;
    }
    close();
}

void TfrmExpres::EditDefinition(int index) {
    UiServices& ui = state_.Services();
    const std::string old = model_->Expressions().GetItem(index).GetText();
    const InputAnswer a = ui.AskInput(LoadStr(kStrDefinition) + "の変更", {}, old);
    if (a.result != mrOK || a.text.empty()) return;
    try {
        const Expres e(a.text, *model_, true);
        const int left = model_->FindVar(e.GetLeftName());
        if (left >= 0 && left < model_->GetVarCount() && model_->GetVarType(left) == Var::kEndogenous) {
            // Replaces the definition of the same variable as one undo step.
            AddExpressionWithUndo(
                DataEdit{*model_, state_.Undo(), [this](const std::string& n) { return state_.IsReservedName(n); }}, e);
            SetData(model_);
        }
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const Exception& ex) {
        ui.ShowMessageBox(MsgKind::Error, ex.Message(), mbOK);
    }
}
