// Label factories of the windows: a plain label that tests find by its
// object name, and a sunken panel that shows one value.
#pragma once

#include <QString>

class QLabel;
class QWidget;

// A label with the object name and text.
QLabel* NewNamedLabel(QWidget* parent, const char* name, const QString& text = {});
// A sunken panel for one value, at least minWidth pixels wide.
QLabel* NewValueLabel(QWidget* parent, const char* name, int minWidth = 150);
