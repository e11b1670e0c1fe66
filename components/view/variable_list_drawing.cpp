#include "components/view/variable_list_drawing.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "components/plot/qpainter_canvas.h"
#include "components/view/grid_marks.h"
#include "components/view/variable_names.h"
#include "core/data/selekto.h"
#include "core/model/regression_model.h"

using namespace canvas_color;

namespace {

constexpr int kTextLeft = 2;
constexpr int kTextTop = 2;
constexpr int kRightMargin = 5;

void DrawItem(PlotCanvas& canvas, const QRect& rect, const std::string& text, CanvasColor color, bool selected) {
    canvas.SetBrushColor(selected ? kHighlight : kWhite);
    canvas.SetFontColor(selected ? kHighlightText : color);
    canvas.FillRect(ToCanvasRect(rect));
    canvas.TextOut(rect.left() + kTextLeft, rect.top(), ToCanvasRect(rect), text);
    canvas.SetBrushColor(kWhite);
}

}  // namespace

void DrawKindListItem(PlotCanvas& canvas, const QRect& rect, const std::string& text, int kind, bool selected,
                      bool coloring) {
    DrawItem(canvas, rect, text, coloring ? KindColor(kind) : kBlack, selected);
}

void DrawVarListItem(PlotCanvas& canvas, const QRect& rect, const std::string& name, bool selected, const Reg* model,
                     bool coloring) {
    const std::string text = selected ? VariableNameWithKind(model, coloring, name) : name;
    DrawItem(canvas, rect, text, VariableKindColor(model, coloring, name), selected);
}

void DrawMarkedGridCell(PlotCanvas& canvas, const QRect& rect, const QString& cellText, const MarkedCell& cell,
                        const Selekto& marks) {
    const int top = rect.top() + kTextTop;
    const CanvasRect box = ToCanvasRect(rect);
    const std::string text = cellText.toStdString();
    if (cell.fixed) {
        const int i = cell.row - 1;
        const bool marked = cell.row > 0 && IsMarked(marks, i);
        canvas.SetBrushColor(marked ? kYellow : kButtonFace);
        canvas.SetFontColor(kBlack);
        canvas.FillRect(box);
        if (marked) canvas.DrawSunkenEdge(box);
        const int x = rect.left() + (rect.width() - canvas.TextWidth(text)) / 2;
        canvas.TextOut(x, top, box, text);
        return;
    }
    const bool highlighted = cell.selected && !cell.focused;
    canvas.SetBrushColor(highlighted ? kHighlight : kWhite);
    canvas.SetFontColor(highlighted ? kHighlightText : kBlack);
    canvas.FillRect(box);
    canvas.TextOut(rect.right() + 1 - kRightMargin - canvas.TextWidth(text), top, box, text);
}

void KindListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QPainterCanvas canvas(*painter, option.palette);
    canvas.SetFont(ToCanvasFont(option.font));
    const bool selected = option.state & QStyle::State_Selected;
    const int kind = index.data(kKindRole).toInt();
    const QString text = index.data(Qt::DisplayRole).toString();
    // The check box keeps its place at the left; the text follows it.
    QStyleOptionViewItem check = option;
    initStyleOption(&check, index);
    QRect textRect = option.rect;
    painter->fillRect(option.rect, selected ? option.palette.color(QPalette::Highlight) : QColor(Qt::white));
    if (index.flags() & Qt::ItemIsUserCheckable) {
        const QWidget* w = option.widget;
        QStyle* style = w ? w->style() : nullptr;
        const QRect box = style ? style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &check, w) : QRect();
        if (style) {
            QStyleOptionViewItem indicator = check;
            indicator.rect = box;
            indicator.state = indicator.state & ~QStyle::State_HasFocus;
            indicator.state |= check.checkState == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
            if (!(index.flags() & Qt::ItemIsEnabled)) indicator.state &= ~QStyle::State_Enabled;
            style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &indicator, painter, w);
        }
        textRect.setLeft(box.right() + 2);
    }
    // The text sits in the middle of the row.
    textRect.setTop(textRect.top() + std::max(0, (textRect.height() - QFontMetrics(option.font).height()) / 2));
    DrawKindListItem(canvas, textRect, text.toStdString(), kind, selected, coloring_);
}

QSize KindListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), QFontMetrics(option.font).height() + 6));
    return size;
}

void VarListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QPainterCanvas canvas(*painter, option.palette);
    canvas.SetFont(ToCanvasFont(option.font));
    const bool selected = option.state & (QStyle::State_Selected | QStyle::State_MouseOver);
    DrawVarListItem(canvas, option.rect, index.data(Qt::DisplayRole).toString().toStdString(), selected,
                    model_ ? model_() : nullptr, coloring_ && coloring_());
}

void UseVariableListDrawing(QComboBox* box, std::function<const Reg*()> model, std::function<bool()> coloring) {
    if (!box || !box->view()) return;
    box->view()->setItemDelegate(new VarListDelegate(std::move(model), std::move(coloring), box));
}
