#include "app/placeholder_windows.h"

TfrmInputAssist::TfrmInputAssist(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInputAssist"));
    setWindowTitle(QStringLiteral("入力補助"));
}
