// TfrmDataProperty: the data set's name and description and a table of its
// variables with their means and standard deviations; a row opens the
// variable's property dialog.
#pragma once

#include <QDialog>

#include "components/view/grid_cell_painter.h"

class AppState;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TfrmProperty;
class TStringGrid;

class TfrmDataProperty : public QDialog {
    Q_OBJECT
public:
    TfrmDataProperty(AppState& state, TfrmProperty* property, QWidget* parent = nullptr);
    // Fills the grid and the texts from the current data set.
    void FormShow();
    // Name and description through their undo steps, then OK.
    void btnOKClick();
    // The variable named in column 0 of the row, in the property dialog;
    // the grid is filled again after OK.
    void OpenRow(int row);

    QLineEdit* eName = nullptr;
    QPlainTextEdit* mText = nullptr;
    TStringGrid* sgVar = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    AppState& state_;
    TfrmProperty* property_;
    GridCellContext gridContext_;
};
