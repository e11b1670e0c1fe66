// TfrmUD ("ユーザ定義"): the ten user scalars of both banks and the ten
// user functions, each cell edited through the one-line prompt. An accepted
// edit is stored at once; closing stores nothing more, so values keep their
// full precision and nothing is marked modified without an edit.
#pragma once

#include <QDialog>

class AppState;
class QAction;
class QTabWidget;
class QToolBar;
class TStringGrid;

class TfrmUD : public QDialog {
    Q_OBJECT
public:
    explicit TfrmUD(AppState& state, QWidget* parent = nullptr);

    // Page fillers (the pages' OnShow).
    void tsVarShow();
    void tsFuncShow();
    // A click on a cell, or Enter on the current one.
    void sgUVClick(int col, int row);
    void sgUFClick(int col, int row);

    void ExitenceExecute();
    void ClearAllExecute();
    void ClearOneExecute();

    QAction* ActionNamed(const QString& name) const;

    QTabWidget* PC = nullptr;
    QWidget* tsVar = nullptr;
    QWidget* tsFunc = nullptr;
    TStringGrid* sgUV = nullptr;
    TStringGrid* sgUF = nullptr;
    QToolBar* TB = nullptr;

private:
    void BuildActions();
    bool OnVariablePage() const;

    AppState& state_;
};

// Registers TfrmUD as the window of the "UserDef" command.
void RegisterUserDefWindow();
