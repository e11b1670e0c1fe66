// TfrmDataList: one variable's observations as (number, value) pairs,
// listed by observation number or by value, and the row the user chose.
// The caller names the list, adds the pairs, may preselect a position, runs
// the dialog and maps the chosen position back with GetNumber.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "components/view/grid_cell_painter.h"

class QLabel;
class QPushButton;
class TStringGrid;

class TfrmDataList : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDataList(QWidget* parent = nullptr);

    std::string Name;
    // The chosen list position (0-based), -1 when none.
    int Selected = -1;

    // Appends a pair; number is the 0-based observation, shown as number + 1
    // or as shownNumber when given (a series with observations left out).
    void AddValue(int number, double value, int shownNumber = 0);
    void Clear();
    int Count() const { return static_cast<int>(values_.size()); }
    // The observation at list position i, -1 outside the list.
    int GetNumber(int i) const;
    double GetValue(int i) const { return values_.at(static_cast<std::size_t>(i)); }
    bool SortedByValue() const { return sortedByValue_; }

    void FormShow();
    void btnSortClick();
    void sgDataSelectCell(int col, int row);

    TStringGrid* sgData = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnSort = nullptr;
    QLabel* lblCol = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Ascending by value or by number; values and numbers move together.
    void SortPairs(bool byValue);

    std::vector<double> values_;
    std::vector<int> numbers_;
    std::vector<int> shown_;
    bool sortedByValue_ = false;
    GridCellContext cellContext_;
};
