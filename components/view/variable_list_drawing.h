// Owner drawing of variable names in lists and of the value grids whose
// rows carry marks: the routines draw on a grid canvas, and a list delegate
// puts them on the screen.
#pragma once

#include <QStyledItemDelegate>
#include <functional>
#include <string>

#include "components/plot/core/plot_canvas.h"

class QComboBox;
class QRect;
class Reg;
class Selekto;

// Item of a list of names by kind (1 endogenous, 2 exogenous, 3 lagged
// endogenous): the rectangle filled, the text 2 pixels right of its left
// edge at its top; a selected item in the highlight colours, another black
// on white or, with the colouring switch, in its kind's colour. The brush
// is white again afterwards.
void DrawKindListItem(PlotCanvas& canvas, const QRect& rect, const std::string& text, int kind, bool selected,
                      bool coloring);

// Item of a list of the model's variable names: like DrawKindListItem with
// the variable's kind; a selected item shows the name with its kind suffix.
void DrawVarListItem(PlotCanvas& canvas, const QRect& rect, const std::string& name, bool selected, const Reg* model,
                     bool coloring);

// A cell of a small value grid whose row headers mark observations.
struct MarkedCell {
    int col = 0;
    int row = 0;
    bool fixed = false;     // a header cell
    bool selected = false;  // in the selection
    bool focused = false;   // the current cell
};
// Header cells on button face, yellow with a sunken edge when row > 0 and
// observation row - 1 is marked, text centred; selected cells other than
// the focused one in the highlight colours, the others black on white,
// text right-aligned 5 pixels from the right edge; text top at cell top + 2.
void DrawMarkedGridCell(PlotCanvas& canvas, const QRect& rect, const QString& text, const MarkedCell& cell,
                        const Selekto& marks);

// Item role holding the kind of a list item (an int).
inline constexpr int kKindRole = Qt::UserRole + 1;

// Draws list items through DrawKindListItem, the kind from kKindRole.
class KindListDelegate : public QStyledItemDelegate {
public:
    KindListDelegate(bool coloring, QObject* parent) : QStyledItemDelegate(parent), coloring_(coloring) {}
    void SetColoring(bool on) { coloring_ = on; }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    bool coloring_;
};

// Draws the items of a list of variable names through DrawVarListItem, the
// model and the colouring switch as they are when an item is drawn.
class VarListDelegate : public QStyledItemDelegate {
public:
    VarListDelegate(std::function<const Reg*()> model, std::function<bool()> coloring, QObject* parent)
        : QStyledItemDelegate(parent), model_(std::move(model)), coloring_(std::move(coloring)) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    std::function<const Reg*()> model_;
    std::function<bool()> coloring_;
};

// The drop-down list of the combo box drawn by a VarListDelegate.
void UseVariableListDrawing(QComboBox* box, std::function<const Reg*()> model, std::function<bool()> coloring);
