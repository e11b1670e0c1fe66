#include "components/view/labels.h"

#include <QFrame>
#include <QLabel>

QLabel* NewNamedLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromUtf8(name));
    return label;
}

QLabel* NewValueLabel(QWidget* parent, const char* name, int minWidth) {
    QLabel* label = NewNamedLabel(parent, name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(minWidth);
    return label;
}
