// Start-up: the eight long-lived windows, created once and in order, the
// settings read, and the data file of the command line opened. main() and
// the start-up tests run the same code.
#pragma once

#include <memory>
#include <string>
#include <vector>

class AppState;
class QtServices;
class TfrmREG;
class TfrmInputAssist;
class TfrmFind;
class TfrmMacro;
class TInputDlg;
class TfrmReplace;
class TfrmProperty;
class TSetteiDlg;

extern const char* const kApplicationTitle;  // "回帰分析 MERLOX"

// The windows that live for the whole run; destroyed in reverse order.
struct ApplicationWindows {
    ApplicationWindows();
    ~ApplicationWindows();
    ApplicationWindows(const ApplicationWindows&) = delete;
    ApplicationWindows& operator=(const ApplicationWindows&) = delete;

    std::unique_ptr<TfrmREG> frmREG;
    std::unique_ptr<TfrmInputAssist> frmInputAssist;
    std::unique_ptr<TfrmFind> frmFind;
    std::unique_ptr<TfrmMacro> frmMacro;
    std::unique_ptr<TInputDlg> InputDlg;
    std::unique_ptr<TfrmReplace> frmReplace;
    std::unique_ptr<TfrmProperty> frmProperty;
    std::unique_ptr<TSetteiDlg> SetteiDlg;
    // Class names in the order the windows were created.
    std::vector<std::string> creationOrder;
};

// Creates the eight windows in order (the settings dialog last, reading the
// settings file), wires them to each other and to the Qt services when
// given, then opens the data file named by the first argument (if any)
// through the same path as File/Open. The arguments "--first-start FILE"
// (a new user's first start with the sample) open FILE and show its fit on
// the estimates page. Returns null after showing why when a window could not
// be created.
inline constexpr const char* kFirstStartOption = "--first-start";
std::unique_ptr<ApplicationWindows> StartApplication(AppState& state, QtServices* qtServices,
                                                     const std::string& settingsFileName,
                                                     const std::vector<std::string>& arguments);
