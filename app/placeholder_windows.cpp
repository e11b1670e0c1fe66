#include "app/placeholder_windows.h"

TfrmInputAssist::TfrmInputAssist(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInputAssist"));
    setWindowTitle(QStringLiteral("入力補助"));
}

TfrmMacro::TfrmMacro(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMacro"));
    setWindowTitle(QStringLiteral("マクロ"));
}

void TfrmMacro::OpenMacroFile(const std::string& fileName) { fileName_ = fileName; }
