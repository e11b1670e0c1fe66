// The long-lived windows whose contents are still to come: each is created
// once at start-up under its own class so the others can already hold it.
#pragma once

#include <QDialog>
#include <string>

#include "app/find_dialogs.h"
#include "app/input_assist.h"

class TfrmMacro : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMacro(QWidget* parent = nullptr);
    // Takes a macro source to open; the editor shows it once it exists.
    void OpenMacroFile(const std::string& fileName);
    const std::string& MacroFileName() const { return fileName_; }

private:
    std::string fileName_;
};
