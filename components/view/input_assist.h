// TfrmInputAssist ("入力補助"): a calculator-style editor for an expression.
// Token buttons and the pickers of variable and function names insert at
// the caret of eEval; "." after a data variable offers its statistics; "計"
// evaluates the expression through the macro host (an expression that fails
// stays in the edit). The main window's input line and the one-line prompt
// open it and take its text on OK.
#pragma once

#include <QDialog>
#include <string>

class AppState;
class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class Reg;

class TfrmInputAssist : public QDialog {
    Q_OBJECT
public:
    explicit TfrmInputAssist(AppState& state, QWidget* parent = nullptr);

    // Fills the pickers for a data set (null: none), the user functions and
    // the macro library, and empties the edit.
    void SetRegData(const Reg* model);
    // The expression, read after OK.
    std::string Expression() const;
    void SetExpression(const std::string& text);

    // Handlers, also for tests.
    void InsertToken(const QString& token);
    void InsertStatistic(const QString& name);
    void cbVarNamesChange(int index);
    void cbFuncNamesChange(int index);
    void btnPeriodClick();
    // After "." was typed into the edit.
    void eEvalPeriodTyped();
    void btnHomeClick();
    void btnEndClick();
    void btnLeftClick();
    void btnRightClick();
    void btnBSClick();
    void btnDelClick();
    void btnACClick();
    void CalculateExecute();
    void ShowHandler();

    QLineEdit* eEval = nullptr;
    QComboBox* cbVarNames = nullptr;
    QComboBox* cbFuncNames = nullptr;
    QPushButton* btnPeriod = nullptr;
    QPushButton* btnHome = nullptr;
    QPushButton* btnEnd = nullptr;
    QPushButton* btnLeft = nullptr;
    QPushButton* btnRight = nullptr;
    QPushButton* btnBS = nullptr;
    QPushButton* btnDel = nullptr;
    QPushButton* btnAC = nullptr;
    QPushButton* btnCalc = nullptr;
    QPushButton* btnOut = nullptr;
    QPushButton* btnCancel = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Calculate = nullptr;
    QAction* HelpContext = nullptr;

    // The token button of that object name ("btnPlus"), or null.
    QPushButton* TokenButton(const QString& name) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildTokenButtons(class QGridLayout* grid);
    QPushButton* MakeKey(const QString& name, const QString& caption);
    // The word the statistics would follow, without a leading "#".
    QString WordForStatistics() const;
    bool IsDataVariable(const QString& word) const;
    void SetEditAndCaret(const QString& text, int caret);

    AppState& state_;
    const Reg* model_ = nullptr;
    QString pending_;
};
