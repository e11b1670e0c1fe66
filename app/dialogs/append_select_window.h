// TfrmApndSel: the observations of another data file offered for
// appending ("追加データ選択"). The user takes all of them, the marked ones,
// or none; rows are marked by clicks on their numbers or by a typed list
// or condition, which is evaluated over the shown file's values.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "components/view/grid_cell_painter.h"
#include "core/data/selekto.h"

class AppendSource;
class AppState;
class QAction;
class QToolBar;
class TStringGrid;

class TfrmApndSel : public QDialog {
    Q_OBJECT
public:
    explicit TfrmApndSel(AppState& state, QWidget* parent = nullptr);

    // The data to show and the caller's flags (one per shown observation)
    // that All and Selected fill.
    void SetData(AppendSource& source, std::vector<std::uint8_t>& flags);

    void FormShow();
    void AllExecute();
    void SelectedExecute();
    void CanceledExecute();
    // A list of observation numbers adds marks; "=condition" sets every
    // mark to the condition's value at that observation.
    void ChoiceDataExecute();
    void sgEditMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y);
    void sgEditMouseMove(Qt::MouseButtons buttons, int x, int y);

    Selekto& RowMarks() { return rowMarks_; }
    TStringGrid* Grid() const { return sgEdit; }
    QAction* ActionNamed(const QString& name) const;
    // The anchor of a Shift range, kept for the whole run; -1 when none.
    static int MarkAnchor;

private:
    int ShownCount() const;
    // Every column as wide as its widest text, so no number shows cut.
    void FitColumnWidths();

    AppState& state_;
    AppendSource* source_ = nullptr;
    std::vector<std::uint8_t>* flags_ = nullptr;
    Selekto rowMarks_;
    GridCellContext cellContext_;
    QToolBar* TB = nullptr;
    TStringGrid* sgEdit = nullptr;
};
