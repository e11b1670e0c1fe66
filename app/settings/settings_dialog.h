// TSetteiDlg: the settings dialog, and the holder of the settings for the
// whole run. Created once at start-up (it reads the settings file then) and
// handed to the windows that read settings.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "app/settings/settings_file.h"

class AppState;
class QCheckBox;
class QLineEdit;
class QPushButton;

class TSetteiDlg : public QDialog {
    Q_OBJECT
public:
    TSetteiDlg(AppState& state, const std::string& settingsFileName, QWidget* parent = nullptr);
    ~TSetteiDlg() override;

    SettingsFile& Settings() { return settings_; }
    const ProgramSettings& Values() const { return settings_.Values(); }
    const GridColorList& GetColorList() const { return settings_.Colors(); }
    GridColorEntry GetGroupColors(std::uint16_t mask) const { return settings_.Colors().GetColors(mask); }

    void LoadSettings() { settings_.LoadSettings(); }
    bool SaveSettings() { return settings_.SaveSettings(); }

    // Controls from the settings, and back (the OK button).
    void FormActivate();
    void OKBtnClick();
    void btnPathSetClick();
    void btnTempClick();
    // The group colour window on a copy of the table in use, copied back on
    // OK.
    void btnGrpClrClick();

    QLineEdit* eUndoSize = nullptr;
    QLineEdit* eMargin = nullptr;
    QLineEdit* eDataPath = nullptr;
    QLineEdit* eTemp = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* btnGrpClr = nullptr;
    // Check box of each flag, in the order of SettingsFlags().
    std::vector<QCheckBox*> flagBoxes;

protected:
    void showEvent(QShowEvent* event) override;

private:
    AppState& state_;
    SettingsFile settings_;
    int colorListener_ = -1;
};
