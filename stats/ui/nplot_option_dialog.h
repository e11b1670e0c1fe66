// TfrmNPlotOpt: the options of the probability plot of the univariate
// statistics window: normal or half-normal plot, and the colour and pen
// style of the free lines drawn on it. The caller loads the current choice,
// runs the dialog and reads the fields back after OK.
#pragma once

#include <QDialog>

#include <cstdint>

class QButtonGroup;
class QComboBox;
class QPushButton;

class TfrmNPlotOpt : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNPlotOpt(QWidget* parent = nullptr);

    // kind 0 normal, 1 half-normal; colour as the canvas keeps it; style the
    // index of the pen style list (0 solid .. 4 dash-dot-dot).
    void Load(int kind, std::uint32_t colour, int style);
    void btnOKClick();

    int Kind() const { return kind_; }
    std::uint32_t Colour() const { return colour_; }
    int Style() const { return style_; }

    QButtonGroup* RadioGroup1 = nullptr;
    QComboBox* ColorBox1 = nullptr;
    QComboBox* cbLineStyle = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    int kind_ = 0;
    std::uint32_t colour_ = 0x008000;
    int style_ = 0;
};
