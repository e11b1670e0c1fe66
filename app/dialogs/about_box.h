// TAboutBox: the version box of the help menu.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The version shown in the box.
extern const char* const kProgramVersionText;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Comments = nullptr;
    QLabel* ProductNameSub = nullptr;
    QPushButton* OKButton = nullptr;
};
