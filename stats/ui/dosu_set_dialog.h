// TfrmDosuSet: the class settings of a histogram (automatic or manual
// classes, which of count and width wins, the range and the normal curve).
// The caller loads it from the histogram, runs it and, after OK, reads the
// controls back into the histogram.
#pragma once

#include <QDialog>

class FlexDosuCore;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

class TfrmDosuSet : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDosuSet(QWidget* parent = nullptr);

    void LoadFrom(const FlexDosuCore* dosu);
    // Manual classes enable the range and the priority choice; automatic
    // ones leave only the range kind choosable.
    void rgModeClick();
    // Width priority enables the width, count priority the class count.
    void rgPriorityClick();

    QGroupBox* gbMode = nullptr;
    QGroupBox* gbPriority = nullptr;
    QGroupBox* gbFDS = nullptr;
    QButtonGroup* rgMode = nullptr;
    QButtonGroup* rgPriority = nullptr;
    QButtonGroup* rgFDS = nullptr;
    QLineEdit* eRankNumber = nullptr;
    QLineEdit* eWidth = nullptr;
    QLineEdit* eMiniVal = nullptr;
    QLineEdit* eMaxiVal = nullptr;
    QCheckBox* cbNormLine = nullptr;
    QPushButton* btnSet = nullptr;
    QPushButton* btnCancel = nullptr;
};
