// TfrmColorSel "色の選択": the text and background colours of one
// combination of groups, edited in a working copy of a colour table that
// the caller takes back after OK.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/settings/grid_color_list.h"

class QLabel;
class QListWidget;
class QPushButton;

class TfrmColorSel : public QDialog {
    Q_OBJECT
public:
    // The colour dialog: the chosen colour, or nothing when cancelled.
    using ColorChooser = std::function<std::optional<ColorValue>(ColorValue initial)>;

    // Without a chooser the system colour dialog is used.
    explicit TfrmColorSel(const GridColorList& table, QWidget* parent = nullptr, ColorChooser chooser = {});

    const GridColorList& WorkingTable() const { return table_; }
    // Bit n-1 for each checked item n.
    std::uint16_t Mask() const;
    void SetChecked(int group, bool on);

    void FormShow();
    void lbGrpClick() { FormShow(); }
    void btnFCClick();
    void btnBCClick();
    void btnClearClick();

    QListWidget* lbGrp = nullptr;
    QLabel* stForeColor = nullptr;
    QPushButton* btnFC = nullptr;
    QPushButton* btnBC = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ChooseColor(bool text);

    GridColorList table_;
    ColorChooser chooser_;
};

// The screen colour of a stored value; system and special colours fall back
// to fallback.
class QColor;
QColor ScreenColor(ColorValue value, const QColor& fallback);

// Makes the colour window the one the settings dialog's "グループ色設定"
// button opens.
void RegisterColorSelWindow();
