#include "stats/ui/data_list_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "components/view/qt_text.h"
#include "core/text/number_format.h"
#include "platform/qt/string_grid.h"

TfrmDataList::TfrmDataList(QWidget* parent) : QDialog(parent) {
    setObjectName("frmDataList");
    setWindowTitle("データリスト");
    resize(309, 277);

    sgData = new TStringGrid(this);
    sgData->setObjectName("sgData");
    sgData->SetColCount(2);
    sgData->SetRowCount(2);
    sgData->SetFixedCols(1);
    sgData->SetFixedRows(1);
    sgData->SetDefaultColWidth(100);
    sgData->SetDefaultRowHeight(22);
    sgData->SetRangeSelect(true);
    UseGridCellPainter(*sgData, [this]() -> const GridCellContext& { return cellContext_; });
    connect(sgData, &TStringGrid::SelectCell, this, [this](int col, int row, bool*) { sgDataSelectCell(col, row); });

    btnClose = new QPushButton("閉じる(&X)", this);
    btnClose->setDefault(true);
    btnSort = new QPushButton("データ順(&S)", this);
    lblCol = new QLabel(this);
    lblCol->setAlignment(Qt::AlignCenter);
    lblCol->setAutoFillBackground(true);
    lblCol->setStyleSheet("background-color: #00FFFF;");
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnSort, &QPushButton::clicked, this, [this] { btnSortClick(); });

    auto* side = new QVBoxLayout;
    side->addWidget(lblCol);
    side->addWidget(btnSort);
    side->addStretch();
    side->addWidget(btnClose);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(sgData, 1);
    layout->addLayout(side);
}

void TfrmDataList::AddValue(int number, double value, int shownNumber) {
    numbers_.push_back(number);
    shown_.push_back(shownNumber > 0 ? shownNumber : number + 1);
    values_.push_back(value);
}

void TfrmDataList::Clear() {
    numbers_.clear();
    shown_.clear();
    values_.clear();
    Selected = -1;
    sortedByValue_ = false;
}

int TfrmDataList::GetNumber(int i) const {
    if (i < 0 || i >= Count()) return -1;
    return numbers_[static_cast<std::size_t>(i)];
}

void TfrmDataList::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmDataList::FormShow() {
    const int count = Count();
    sgData->ClearCells();
    sgData->SetRowCount(count + 1);
    sgData->SetColWidth(0, 50);
    sgData->SetCell(1, 0, Q(Name));
    for (int i = 0; i < count; ++i) {
        sgData->SetCell(0, i + 1, QString::number(shown_[static_cast<std::size_t>(i)]));
        sgData->SetCell(1, i + 1, Q(FormatNumber(false, values_[static_cast<std::size_t>(i)])));
    }
    if (Selected >= 0 && Selected < count) sgData->SetCurrentCell(1, Selected + 1);
    btnSort->setText(sortedByValue_ ? "番号順(&S)" : "データ順(&S)");
    lblCol->setText(QString::number(count));
}

void TfrmDataList::btnSortClick() {
    sortedByValue_ = !sortedByValue_;
    SortPairs(sortedByValue_);
    FormShow();
}

void TfrmDataList::sgDataSelectCell(int, int row) {
    // The header row is no observation.
    Selected = row >= 1 && row <= Count() ? row - 1 : -1;
}

void TfrmDataList::SortPairs(bool byValue) {
    const int count = Count();
    if (count < 2) return;
    auto less = [&](int a, int b) {
        const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
        return byValue ? values_[ua] < values_[ub] : numbers_[ua] < numbers_[ub];
    };
    // Shell sort on increments 2^k - 1, the first half the power of two
    // above the count, less one.
    long long power = 1;
    while (power <= count) power *= 2;
    for (int h = static_cast<int>(power / 2 - 1); h >= 1; h = (h - 1) / 2) {
        for (int i = 0; i + h < count; ++i) {
            for (int j = i; j >= 0 && less(j + h, j); j -= h) {
                std::swap(values_[static_cast<std::size_t>(j)], values_[static_cast<std::size_t>(j + h)]);
                std::swap(numbers_[static_cast<std::size_t>(j)], numbers_[static_cast<std::size_t>(j + h)]);
                std::swap(shown_[static_cast<std::size_t>(j)], shown_[static_cast<std::size_t>(j + h)]);
            }
        }
    }
}
