// TfrmProperty: one variable's name, comment and type, its values typed in
// one by one or transformed, a plot of the series. In index mode it edits a
// copy of a variable of the data set and applies the changes as undo steps
// on Set; in object mode it edits a caller's variable, of which only the
// name may change. Other windows open it by class name on a variable of
// their own (object mode).
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

class AppState;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Var;

class TfrmProperty : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProperty(AppState& state, QWidget* parent = nullptr);
    ~TfrmProperty() override;
    // What the dialog asks of the window that holds the data set: to show
    // the variable list again after Set, the setting that transformations
    // note themselves in the comment, and the direct input of a series
    // (true when the values were entered). Any of them may be empty.
    struct Links {
        std::function<void()> refreshVariables;
        std::function<bool()> convertedToComment;
        std::function<bool(Var&)> inputSeries;
    };
    void SetLinks(Links links) { links_ = std::move(links); }

    // Index mode on a copy of variable j of the current data set.
    void SetVarIndex(int j);
    // Object mode on the caller's variable.
    void SetVar(Var* v, bool renameAllowed);

    void FormShow();
    void btnSetClick();
    // Transformation kind of rgChange on the working values.
    void btnChangerClick();
    void btnVarInputClick();
    void btnRPClick();
    // The univariate statistics of the working values.
    void btnFundClick();

    bool ValuesModified() const { return modified_; }
    const Var* WorkingVar() const { return var_; }
    // The working values (index mode: the copy).
    std::vector<double> WorkingValues() const;

    QLineEdit* eVarNam = nullptr;
    QLineEdit* eComment = nullptr;
    QComboBox* cbType = nullptr;
    QPushButton* btnSet = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnRP = nullptr;
    QPushButton* btnFund = nullptr;
    QPushButton* btnVarInput = nullptr;
    QPushButton* btnChanger = nullptr;
    QButtonGroup* rgChange = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void Release();

    AppState& state_;
    Links links_;
    std::unique_ptr<Var> own_;
    Var* var_ = nullptr;
    int index_ = -1;
    bool indexMode_ = false;
    bool modified_ = false;
    bool renameAllowed_ = false;
};

// Registers "TfrmProperty" for VariablePropertyRequest: a dialog of its own
// for each opening, in object mode on the caller's variable, owned by the
// opener; its modal result is mrOK after Set, mrCancel otherwise.
void RegisterPropertyDialog();
