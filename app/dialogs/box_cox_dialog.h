// TBoxCoxDlg: chooses the variables of the Box-Cox exchange, the dependent
// variable and any of the model's explanatory variables, and shows the
// lambda of the last exchange.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class Reg;

class TBoxCoxDlg : public QDialog {
    Q_OBJECT
public:
    explicit TBoxCoxDlg(QWidget* parent = nullptr);
    // Lists the model's explanatory variables, all unchecked; the lambda
    // text shows lastLambda when done.
    void Prepare(const Reg& model, bool done, double lastLambda);
    // One flag per variable, set by OK.
    const std::vector<std::uint8_t>& Flags() const { return flags_; }
    bool NothingChosen() const;
    void OKBtnClick();

    QCheckBox* cbMokuteki = nullptr;
    QListWidget* lbSetumei = nullptr;
    QLabel* stLamda = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    // Shift+Enter inverts the check of the box or the current list item.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<std::uint8_t> flags_;
    std::vector<int> listed_;
    int dependent_ = -1;
};
