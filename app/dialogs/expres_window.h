// TfrmExpres: the list of the data set's equations ("式リスト"). Clicking a
// structural equation makes it the main window's model; clicking a
// definition edits it through the one-line prompt.
#pragma once

#include <QDialog>
#include <QRect>
#include <string>

#include "components/plot/core/plot_canvas.h"

class AppState;
class QListWidget;
class QPushButton;
class Reg;

class TfrmExpres : public QDialog {
    Q_OBJECT
public:
    TfrmExpres(AppState& state, bool coloring, QWidget* parent = nullptr);

    // The data set whose equations are listed; fills the list.
    void SetData(Reg* model);

    void lbExpClick(int index);
    void btnCloseClick() { close(); }
    // One item as the list draws it: a selected item as its plain text in the
    // highlight colours, any other in pieces on white, 2 pixels in.
    void lbExpDrawItem(PlotCanvas& canvas, int index, const QRect& rect, bool selected) const;

    QListWidget* lbExp = nullptr;
    QPushButton* btnClose = nullptr;

private:
    void EditDefinition(int index);

    AppState& state_;
    bool coloring_;
    Reg* model_ = nullptr;
};
