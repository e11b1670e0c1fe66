#include "app/placeholder_windows.h"

TfrmMacro::TfrmMacro(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMacro"));
    setWindowTitle(QStringLiteral("マクロ"));
}

void TfrmMacro::OpenMacroFile(const std::string& fileName) { fileName_ = fileName; }
