// TfrmGroup "グループ設定" (one variable, a range of observations, one group,
// and the group's name) and TGrpSaveDlg "グループの保存" (the groups to save
// and the file). Both are created per command and shown modally.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

class AppState;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class Reg;

class TfrmGroup : public QDialog {
    Q_OBJECT
public:
    // The variable and observation of the grid's cursor (0-based).
    TfrmGroup(AppState& state, int variable, int observation, QWidget* parent = nullptr);

    void FormActivate();
    void FormShow();
    void eGRPChange();
    void cbVNameChange();
    void cbSNoChange();
    void cbENoChange();
    void btnAllSelClick();
    void btnSetClick();
    void btnResetClick();
    void btnClrClick();
    void stGrpNameClick();
    void btnAllResetClick();
    void btnAllSelVarClick();

    int Variable() const { return variable_; }
    int FirstObservation() const { return first_; }
    int LastObservation() const { return last_; }
    int GroupNumber() const { return group_; }

    QComboBox* cbVName = nullptr;
    QComboBox* cbSNo = nullptr;
    QComboBox* cbENo = nullptr;
    QLineEdit* eGRP = nullptr;
    QPushButton* stGrpName = nullptr;
    QPushButton* btnAllSel = nullptr;
    QPushButton* btnSet = nullptr;
    QPushButton* btnReset = nullptr;
    QPushButton* btnClr = nullptr;
    QPushButton* btnAllReset = nullptr;
    QPushButton* btnAllSelVar = nullptr;
    QPushButton* btnClose = nullptr;

private:
    // Mask, variable and ordered range from the fields; false when a part
    // does not read.
    bool ReadRange(std::uint16_t& mask, int& variable, int& first, int& last) const;
    // 0 set, 1 reset, 2 clear over the range.
    void ChangeRange(int how);
    Reg& Model() const;

    AppState& state_;
    std::uint16_t mask_ = 0;
    int first_ = -1;
    int last_ = -1;
    int variable_ = -1;
    int group_ = 1;
    bool filling_ = false;
};

class TGrpSaveDlg : public QDialog {
    Q_OBJECT
public:
    // chooseFile: the save dialog in the data folder; the chosen name or
    // empty when cancelled.
    TGrpSaveDlg(const Reg& model, std::function<std::string()> chooseFile, QWidget* parent = nullptr);

    void FormShow();
    void btnDirClick();
    void OKBtnClick();

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }
    std::uint16_t Mask() const { return mask_; }

    QLineEdit* eFile = nullptr;
    QPushButton* btnDir = nullptr;
    QListWidget* lbGrpNo = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    const Reg& model_;
    std::function<std::string()> chooseFile_;
    std::string fileName_;
    std::uint16_t mask_ = 0;
};
