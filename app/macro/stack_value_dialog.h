// TSPValDlg ("スタック値"): one word of a macro run's stack shown as an
// integer, as a number and as a text, opened from the debugger's stack grid.
#pragma once

#include <QDialog>

#include "macro/stack_word_reading.h"

class MacroRun;
class QLabel;
class QPushButton;

class TSPValDlg : public QDialog {
    Q_OBJECT
public:
    // Word stackIndex of the run's stack; only words below its stack pointer
    // are read (an index outside shows the index alone).
    TSPValDlg(const MacroRun& run, int stackIndex, QWidget* parent = nullptr);
    explicit TSPValDlg(const StackWordReading& reading, QWidget* parent = nullptr);

    // Shows the reading in the four fields.
    void FormShow();

    QLabel* stInteger = nullptr;
    QLabel* stReal = nullptr;
    QLabel* stString = nullptr;
    QLabel* stSP = nullptr;
    QPushButton* OKBtn = nullptr;

private:
    void Build();

    StackWordReading reading_;
    bool readable_ = false;
};
