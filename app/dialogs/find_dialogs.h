// TfrmFind "データ検索" and TfrmReplace "データ置換": the long-lived dialogs of
// the find and replace commands. They keep the typed value, scope,
// direction and start, and the cell last found, for the whole run, so that
// the repeat commands go on from there.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "core/model/data_find.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Reg;
class UiServices;

class TfrmFind : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFind(QWidget* parent = nullptr);

    // How typed texts become numbers ("@@" preset before the second part).
    void SetEvaluator(FindEvaluator evaluator) { evaluator_ = std::move(evaluator); }
    // Where evaluation errors are shown.
    void SetServices(UiServices* services) { services_ = services; }
    // The data set to search and the cell the command starts at (0-based);
    // that cell becomes current.
    void SetPosition(Reg* data, int observation, int variable);
    // Scans from the start (or, with next, from the cell after current);
    // the cell found becomes current. False when nothing matched.
    [[nodiscard]] bool Search(bool next, int& observation, int& variable);
    // Parses the value field; evaluation errors propagate.
    void ReadValue();
    bool Matches(double x) const { return MatchesFind(criterion_, x); }
    // True once a value was read from a confirmed dialog: the repeat
    // commands have something to repeat.
    bool HasValue() const { return hasValue_; }
    const FindCriterion& Criterion() const { return criterion_; }

    void FormShow();
    void rbAllDataClick() { FormShow(); }
    void rbVarClick() { FormShow(); }
    void rbGroupClick() { FormShow(); }
    void btnOkClick();

    QLineEdit* eValue = nullptr;
    QGroupBox* gbDataSel = nullptr;
    QRadioButton* rbAllData = nullptr;
    QRadioButton* rbVar = nullptr;
    QRadioButton* rbGroup = nullptr;
    QComboBox* cbVar = nullptr;
    QComboBox* cbGroup = nullptr;
    QGroupBox* rgWard = nullptr;
    QRadioButton* rbForward = nullptr;
    QRadioButton* rbBackward = nullptr;
    QGroupBox* rgStart = nullptr;
    QRadioButton* rbFromFirst = nullptr;
    QRadioButton* rbFromCurrent = nullptr;
    QRadioButton* rbFromLast = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    // The rows above the buttons; the replace dialog adds its field there.
    class QGridLayout* Body() const { return body_; }
    // Runs the dialog's own reading before OK closes it; false keeps it open.
    virtual bool ReadFields();
    void ShowError(const std::string& text);
    FindEvaluator evaluator_;
    UiServices* services_ = nullptr;

private:
    Reg* data_ = nullptr;
    int startObservation_ = 0;
    int startVariable_ = 0;
    int current_ = 0;
    FindCriterion criterion_;
    bool hasValue_ = false;
    QGridLayout* body_ = nullptr;
};

class TfrmReplace : public TfrmFind {
    Q_OBJECT
public:
    explicit TfrmReplace(QWidget* parent = nullptr);

    // The replacement text through the evaluator, "@@" standing for old; a
    // failing text gives old.
    double ReplacementValue(double old);
    const std::string& ReplacementText() const { return replacement_; }

    QLineEdit* eReplace = nullptr;

protected:
    bool ReadFields() override;

private:
    std::string replacement_;
};
