// TfrmSelector: a check list of names, optionally coloured by variable
// kind, where the first item may stand for all the others. The group
// chooser is built on it.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class KindListDelegate;
class QListWidget;
class QPushButton;
class Reg;

class TfrmSelector : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelector(QWidget* parent = nullptr, bool coloring = true);

    // The texts with every flag cleared; kinds (1 endogenous, 2 exogenous,
    // 3 lagged endogenous, others uncoloured) may be empty. Always true.
    bool SetItems(const std::vector<std::string>& texts, const std::vector<int>& kinds, bool firstIsAll);
    // One flag per item (0 or 1), valid after the dialog closed.
    const std::vector<std::uint8_t>& GetChecked() const { return checked_; }

    // A change of the ticks: with the first item standing for all, a ticked
    // first item clears and disables every other, an unticked one enables
    // them again; then the flags follow the ticks.
    void lbListClick();
    // Shift+Enter toggles the current item.
    void lbListKeyDown(int key, Qt::KeyboardModifiers mods);
    void SetColoring(bool on);

    QListWidget* lbList = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<std::uint8_t> checked_;
    bool firstIsAll_ = false;
    bool updating_ = false;
    KindListDelegate* delegate_ = nullptr;
};

// Runs a dialog modally; tests put in their own.
using SelectorRunner = std::function<int(TfrmSelector&)>;

// The groups to take: "全データ" and every group used by a cell of the
// model, by name. On OK the mask is 0 when "全データ" is ticked, else the
// bits of the ticked groups; false (mask unchanged) on Cancel.
bool ChooseGroupMask(const Reg& model, std::uint16_t& mask, QWidget* owner, bool coloring,
                     const SelectorRunner& run = {});
