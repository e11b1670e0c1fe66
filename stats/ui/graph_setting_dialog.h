// TfrmSetting: the modal dialog of an X-Y plot's axis ranges and grid
// intervals and of the colour and pen style of free-drawn lines, or a request
// for automatic ranges. The caller fills it with SetValues, runs it and reads
// the public fields.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class UiServices;

class TfrmSetting : public QDialog {
    Q_OBJECT
public:
    // evaluate(text, fallback): the value of a typed expression, the fallback
    // for an empty or incomplete one; a text in error raises, and the dialog
    // then shows the error through services and stays open.
    using Evaluate = std::function<double(const std::string& text, double fallback)>;
    TfrmSetting(Evaluate evaluate, UiServices& services, QWidget* owner = nullptr);

    void SetValues(bool enableY, bool enableX, double xMin, double xMax, double xInterval, double yMin, double yMax,
                   double yInterval, bool enableOptions, std::uint32_t colour, std::uint8_t style);

    // Read by the caller after OK.
    double xMax = 0, xMin = 0, yMin = 0, yMax = 0, xInterval = 0, yInterval = 0;
    std::uint8_t automatic = 0;
    std::uint32_t lineColour = 0x008000;
    std::uint8_t lineStyle = 0;

    QGroupBox* gbX = nullptr;
    QGroupBox* gbY = nullptr;
    QGroupBox* gbOptions = nullptr;
    QLineEdit* eXMin = nullptr;
    QLineEdit* eXMax = nullptr;
    QLineEdit* eXLineW = nullptr;
    QLineEdit* eYMin = nullptr;
    QLineEdit* eYMax = nullptr;
    QLineEdit* eYLineW = nullptr;
    QComboBox* ColorBox1 = nullptr;
    QComboBox* cbLineStyle = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnAuto = nullptr;

    void btnOKClick();
    void btnAutoClick();

private:
    void SelectColour(std::uint32_t colour);
    void TakeLineOptions();

    Evaluate evaluate_;
    UiServices& services_;
};
