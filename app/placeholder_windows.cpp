#include "app/placeholder_windows.h"

TfrmInputAssist::TfrmInputAssist(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInputAssist"));
    setWindowTitle(QStringLiteral("入力補助"));
}

TfrmFind::TfrmFind(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("検索"));
}

TfrmMacro::TfrmMacro(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMacro"));
    setWindowTitle(QStringLiteral("マクロ"));
}

void TfrmMacro::OpenMacroFile(const std::string& fileName) { fileName_ = fileName; }

TfrmReplace::TfrmReplace(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmReplace"));
    setWindowTitle(QStringLiteral("置換"));
}

TfrmProperty::TfrmProperty(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmProperty"));
    setWindowTitle(QStringLiteral("データ情報"));
}
