#include "platform/qt/string_grid.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <iterator>
#include <limits>

TStringGrid::TStringGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    colWidths_.assign(static_cast<std::size_t>(colCount_), defaultColWidth_);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(false);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    rowHeight_ = std::max(rowHeight_, fontMetrics().height() + 6);
    UpdateScrollBars();
}

TStringGrid::~TStringGrid() = default;

// ---- shape ----------------------------------------------------------------------

void TStringGrid::SetColCount(int n) {
    n = std::max(n, 1);
    if (n == colCount_) return;
    colCount_ = n;
    colWidths_.resize(static_cast<std::size_t>(n), defaultColWidth_);
    if (fixedCols_ >= n) fixedCols_ = n - 1;
    std::erase_if(cells_, [n](const auto& e) { return static_cast<int>(e.first & 0xFFFFFFFFu) >= n; });
    col_ = std::clamp(col_, fixedCols_, n - 1);
    anchorCol_ = std::clamp(anchorCol_, fixedCols_, n - 1);
    leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    UpdateScrollBars();
    viewport()->update();
}

void TStringGrid::SetRowCount(int n) {
    n = std::max(n, 1);
    if (n == rowCount_) return;
    rowCount_ = n;
    if (fixedRows_ >= n) fixedRows_ = n - 1;
    rowHeights_.erase(rowHeights_.lower_bound(n), rowHeights_.end());
    std::erase_if(cells_, [n](const auto& e) { return static_cast<int>(e.first >> 32) >= n; });
    row_ = std::clamp(row_, fixedRows_, n - 1);
    anchorRow_ = std::clamp(anchorRow_, fixedRows_, n - 1);
    const int top = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    UpdateScrollBars();
    if (top != topRow_) SetTopRow(top);
    viewport()->update();
}

void TStringGrid::SetFixedCols(int n) {
    fixedCols_ = std::clamp(n, 0, colCount_ - 1);
    col_ = std::max(col_, fixedCols_);
    anchorCol_ = std::max(anchorCol_, fixedCols_);
    leftCol_ = std::max(leftCol_, fixedCols_);
    UpdateScrollBars();
    viewport()->update();
}

void TStringGrid::SetFixedRows(int n) {
    fixedRows_ = std::clamp(n, 0, rowCount_ - 1);
    row_ = std::max(row_, fixedRows_);
    anchorRow_ = std::max(anchorRow_, fixedRows_);
    topRow_ = std::max(topRow_, fixedRows_);
    UpdateScrollBars();
    viewport()->update();
}

void TStringGrid::SetDefaultColWidth(int w) {
    defaultColWidth_ = std::max(w, 0);
    std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
    UpdateScrollBars();
    viewport()->update();
}

void TStringGrid::SetDefaultRowHeight(int h) {
    rowHeight_ = std::max(h, 1);
    UpdateScrollBars();
    viewport()->update();
}

int TStringGrid::RowHeight(int r) const {
    if (auto it = rowHeights_.find(r); it != rowHeights_.end()) return it->second;
    return rowHeight_;
}

void TStringGrid::SetRowHeight(int r, int h) {
    if (r < 0 || r >= rowCount_) return;
    rowHeights_[r] = std::max(h, 1);
    const int top = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    UpdateScrollBars();
    if (top != topRow_) SetTopRow(top);
    viewport()->update();
}

int TStringGrid::ColWidth(int c) const {
    return c >= 0 && c < colCount_ ? colWidths_[static_cast<std::size_t>(c)] : 0;
}

void TStringGrid::SetColWidth(int c, int w) {
    if (c < 0 || c >= colCount_) return;
    colWidths_[static_cast<std::size_t>(c)] = std::max(w, 0);
    UpdateScrollBars();
    viewport()->update();
}

// ---- texts ----------------------------------------------------------------------

QString TStringGrid::Cell(int c, int r) const {
    if (c < 0 || r < 0 || c >= colCount_ || r >= rowCount_) return {};
    if (auto it = cells_.find(Key(c, r)); it != cells_.end()) return it->second;
    return provider_ ? provider_(c, r) : QString();
}

void TStringGrid::SetCell(int c, int r, const QString& text) {
    if (c < 0 || r < 0 || c >= colCount_ || r >= rowCount_) return;
    auto it = cells_.find(Key(c, r));
    if (it != cells_.end() && it->second == text) return;
    if (it != cells_.end())
        it->second = text;
    else
        cells_.emplace(Key(c, r), text);
    InvalidateCell(c, r);
}

void TStringGrid::ClearCells() {
    cells_.clear();
    viewport()->update();
}

void TStringGrid::SetCellProvider(CellProvider provider) {
    provider_ = std::move(provider);
    viewport()->update();
}

// ---- geometry -------------------------------------------------------------------

int TStringGrid::FixedWidth() const {
    int w = 0;
    for (int c = 0; c < fixedCols_; ++c) w += ColWidth(c) + kGridLineWidth;
    return w;
}

int TStringGrid::FixedHeight() const { return static_cast<int>(RowSpan(0, fixedRows_)); }

long long TStringGrid::RowSpan(int from, int to) const {
    if (to <= from) return 0;
    long long span = static_cast<long long>(to - from) * RowPitch();
    for (auto it = rowHeights_.lower_bound(from); it != rowHeights_.end() && it->first < to; ++it)
        span += it->second - rowHeight_;
    return span;
}

int TStringGrid::RowY(int r) const {
    const long long y = r < fixedRows_ ? RowSpan(0, r) : FixedHeight() + RowSpan(topRow_, r);
    return static_cast<int>(std::min<long long>(y, std::numeric_limits<int>::max()));
}

long long TStringGrid::RowAtOffset(int from, long long offset) const {
    const int pitch = RowPitch();
    long long r = from;
    for (auto it = rowHeights_.lower_bound(from); it != rowHeights_.end(); ++it) {
        const long long plain = static_cast<long long>(it->first - r) * pitch;
        if (offset < plain) return r + offset / pitch;
        offset -= plain;
        r = it->first;
        if (offset < it->second + kGridLineWidth) return r;
        offset -= it->second + kGridLineWidth;
        ++r;
    }
    return r + offset / pitch;
}

int TStringGrid::RowsFittingFrom(int first, int space) const {
    const int pitch = RowPitch();
    long long r = first;
    int count = 0;
    for (auto it = rowHeights_.lower_bound(first); it != rowHeights_.end() && space > 0; ++it) {
        const long long plain = it->first - r;
        if (space / pitch < plain) return count + space / pitch;
        count += static_cast<int>(plain);
        space -= static_cast<int>(plain) * pitch;
        if (it->second + kGridLineWidth > space) return count;
        ++count;
        space -= it->second + kGridLineWidth;
        r = it->first + 1;
    }
    return count + std::max(space, 0) / pitch;
}

int TStringGrid::RowsFittingUpTo(int last, int space) const {
    const int pitch = RowPitch();
    int count = 0;
    int r = last;  // the next row up to count
    auto it = std::make_reverse_iterator(rowHeights_.upper_bound(last));
    for (; it != rowHeights_.rend() && it->first >= fixedRows_; ++it) {
        const int plain = r - it->first;
        if (space / pitch < plain) return count + space / pitch;
        count += plain;
        space -= plain * pitch;
        if (it->second + kGridLineWidth > space) return count;
        ++count;
        space -= it->second + kGridLineWidth;
        r = it->first - 1;
    }
    return count + std::min(std::max(space, 0) / pitch, std::max(0, r - fixedRows_ + 1));
}

int TStringGrid::VisibleRowCount() const {
    const int h = viewport()->height() - FixedHeight();
    return std::max(1, RowsFittingFrom(topRow_, h));
}

int TStringGrid::MaxTopRow() const { return MaxTopRowIn(viewport()->height()); }

int TStringGrid::MaxLeftCol() const { return MaxLeftColIn(viewport()->width()); }

int TStringGrid::MaxTopRowIn(int viewHeight) const {
    const int h = viewHeight - FixedHeight();
    return std::max(fixedRows_, rowCount_ - std::max(1, RowsFittingUpTo(rowCount_ - 1, h)));
}

int TStringGrid::MaxLeftColIn(int viewWidth) const {
    // The smallest left column from which the last column is wholly shown.
    const int avail = viewWidth - FixedWidth();
    int used = 0;
    int c = colCount_ - 1;
    while (c > fixedCols_) {
        used += ColWidth(c) + kGridLineWidth;
        if (used + ColWidth(c - 1) + kGridLineWidth > avail) break;
        --c;
    }
    return std::max(fixedCols_, c);
}

int TStringGrid::LastVisibleRow() const {
    const int h = viewport()->height() - FixedHeight();
    // The row holding the last pixel of the view, partly shown or not.
    const long long last = h <= 0 ? topRow_ : RowAtOffset(topRow_, h - 1);
    return static_cast<int>(std::min<long long>(rowCount_ - 1, last));
}

int TStringGrid::LastVisibleCol() const {
    int x = FixedWidth();
    int c = leftCol_;
    while (c < colCount_ - 1 && x + ColWidth(c) + kGridLineWidth < viewport()->width()) {
        x += ColWidth(c) + kGridLineWidth;
        ++c;
    }
    return c;
}

int TStringGrid::ColX(int c) const {
    if (c < fixedCols_) {
        int x = 0;
        for (int i = 0; i < c; ++i) x += ColWidth(i) + kGridLineWidth;
        return x;
    }
    if (c < leftCol_) return -1;
    int x = FixedWidth();
    for (int i = leftCol_; i < c; ++i) x += ColWidth(i) + kGridLineWidth;
    return x;
}

QRect TStringGrid::CellRect(int c, int r) const {
    if (c < 0 || r < 0 || c >= colCount_ || r >= rowCount_) return {};
    if (r >= fixedRows_ && r < topRow_) return {};
    const int y = RowY(r);
    const int x = ColX(c);
    if (x < 0 || x >= viewport()->width() || y >= viewport()->height()) return {};
    return QRect(x, y, ColWidth(c), RowHeight(r));
}

void TStringGrid::MouseToCell(int x, int y, int& col, int& row) const {
    col = -1;
    row = -1;
    if (x >= 0) {
        int left = 0;
        for (int c = 0; c < fixedCols_ && col < 0; ++c) {
            left += ColWidth(c) + kGridLineWidth;
            if (x < left) col = c;
        }
        for (int c = leftCol_; c < colCount_ && col < 0; ++c) {
            left += ColWidth(c) + kGridLineWidth;
            if (x < left) col = c;
        }
    }
    if (y >= 0) {
        if (y < FixedHeight()) {
            row = static_cast<int>(RowAtOffset(0, y));
        } else {
            const long long r = RowAtOffset(topRow_, y - FixedHeight());
            if (r < rowCount_) row = static_cast<int>(r);
        }
    }
}

void TStringGrid::InvalidateCell(int c, int r) {
    const QRect rect = CellRect(c, r);
    if (!rect.isEmpty()) viewport()->update(rect.adjusted(0, 0, kGridLineWidth, kGridLineWidth));
}

void TStringGrid::InvalidateRow(int r) {
    if (r >= fixedRows_ && (r < topRow_ || r > LastVisibleRow())) return;
    viewport()->update(QRect(0, RowY(r), viewport()->width(), RowPitchOf(r)));
}

void TStringGrid::InvalidateGrid() { viewport()->update(); }

// ---- scrolling ------------------------------------------------------------------

void TStringGrid::UpdateScrollBars() {
    syncingBars_ = true;
    // Cells that all fit once the bars are gone need no bars; otherwise a
    // bar, once shown, could keep the view too small for them.
    const QSize room = maximumViewportSize();
    const bool fits = MaxTopRowIn(room.height()) == fixedRows_ && MaxLeftColIn(room.width()) == fixedCols_;
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, fits ? 0 : MaxTopRow() - fixedRows_);
    v->setPageStep(VisibleRowCount());
    v->setSingleStep(1);
    v->setValue(topRow_ - fixedRows_);
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, fits ? 0 : MaxLeftCol() - fixedCols_);
    h->setPageStep(std::max(1, LastVisibleCol() - leftCol_));
    h->setSingleStep(1);
    h->setValue(leftCol_ - fixedCols_);
    syncingBars_ = false;
}

void TStringGrid::SetTopRow(int r) {
    r = std::clamp(r, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    if (r == topRow_) return;
    if (IsEditing()) HideEditor(true);
    topRow_ = r;
    UpdateScrollBars();
    viewport()->update();
    emit TopLeftChanged();
}

void TStringGrid::SetLeftCol(int c) {
    c = std::clamp(c, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    if (c == leftCol_) return;
    if (IsEditing()) HideEditor(true);
    leftCol_ = c;
    UpdateScrollBars();
    viewport()->update();
    emit TopLeftChanged();
}

void TStringGrid::scrollContentsBy(int, int) {
    if (syncingBars_) return;
    SetTopRow(fixedRows_ + verticalScrollBar()->value());
    SetLeftCol(fixedCols_ + horizontalScrollBar()->value());
}

void TStringGrid::ScrollIntoView(int c, int r) {
    if (r >= fixedRows_) {
        if (r < topRow_)
            SetTopRow(r);
        else if (r >= topRow_ + VisibleRowCount())
            SetTopRow(r - std::max(1, RowsFittingUpTo(r, viewport()->height() - FixedHeight())) + 1);
    }
    if (c >= fixedCols_) {
        if (c < leftCol_) {
            SetLeftCol(c);
        } else {
            while (leftCol_ < c && ColX(c) + ColWidth(c) > viewport()->width()) {
                const int before = leftCol_;
                SetLeftCol(leftCol_ + 1);
                if (leftCol_ == before) break;
            }
        }
    }
}

void TStringGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const int top = std::min(topRow_, std::max(fixedRows_, MaxTopRow()));
    const int left = std::min(leftCol_, std::max(fixedCols_, MaxLeftCol()));
    UpdateScrollBars();
    SetTopRow(top);
    SetLeftCol(left);
    // A taller view shows more rows: the owner fills them as it does after a scroll.
    emit TopLeftChanged();
}

void TStringGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) SetTopRow(topRow_ - 3 * steps);
    event->accept();
}

// ---- selection ------------------------------------------------------------------

GridRect TStringGrid::Selection() const {
    return {std::min(col_, anchorCol_), std::min(row_, anchorRow_), std::max(col_, anchorCol_),
            std::max(row_, anchorRow_)};
}

void TStringGrid::SetSelection(const GridRect& rect) {
    anchorCol_ = std::clamp(rect.left, fixedCols_, colCount_ - 1);
    anchorRow_ = std::clamp(rect.top, fixedRows_, rowCount_ - 1);
    col_ = std::clamp(rect.right, fixedCols_, colCount_ - 1);
    row_ = std::clamp(rect.bottom, fixedRows_, rowCount_ - 1);
    viewport()->update();
}

bool TStringGrid::MoveFocus(int c, int r, bool extend) {
    c = std::clamp(c, fixedCols_, colCount_ - 1);
    r = std::clamp(r, fixedRows_, rowCount_ - 1);
    bool can = true;
    emit SelectCell(c, r, &can);
    if (!can) return false;
    if (IsEditing()) HideEditor(true);
    col_ = c;
    row_ = r;
    if (!extend || !rangeSelect_) {
        anchorCol_ = c;
        anchorRow_ = r;
    }
    ScrollIntoView(c, r);
    viewport()->update();
    return true;
}

void TStringGrid::SetCurrentCell(int c, int r) { MoveFocus(c, r, false); }

// ---- editor ---------------------------------------------------------------------

void TStringGrid::SetEditable(bool on) {
    editable_ = on;
    if (!on && IsEditing()) HideEditor(false);
}

bool TStringGrid::IsEditing() const { return editor_ && editor_->isVisible(); }

void TStringGrid::ShowEditor(const QString* initial) {
    if (!editable_ || col_ < fixedCols_ || row_ < fixedRows_) return;
    ScrollIntoView(col_, row_);
    if (!editor_) {
        editor_ = new QLineEdit(viewport());
        editor_->setObjectName(QStringLiteral("gridEditor"));
        editor_->setFrame(false);
        editor_->installEventFilter(this);
        connect(editor_, &QLineEdit::textEdited, this, [this] { editTyped_ = true; });
    }
    editCol_ = col_;
    editRow_ = row_;
    // A key that starts the editor is the first one typed.
    editTyped_ = initial != nullptr;
    editor_->setGeometry(CellRect(col_, row_));
    editor_->setText(initial ? *initial : Cell(col_, row_));
    editor_->show();
    editor_->setFocus();
}

void TStringGrid::HideEditor(bool commit) {
    if (!IsEditing()) return;
    editor_->hide();
    const int c = editCol_, r = editRow_;
    editCol_ = editRow_ = -1;
    setFocus();
    if (commit) {
        const QString text = editor_->text();
        if (text != Cell(c, r) || editTyped_) {
            SetCell(c, r, text);
            emit SetEditText(c, r, text);
        }
    }
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                HideEditor(true);
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                HideEditor(false);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && IsEditing()) {
            HideEditor(true);
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// ---- keys and mouse -------------------------------------------------------------

void TStringGrid::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    emit KeyDown(event->key(), mods);
    const bool extend = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    int c = col_, r = row_;
    switch (event->key()) {
    case Qt::Key_Up: --r; break;
    case Qt::Key_Down: ++r; break;
    case Qt::Key_Left: --c; break;
    case Qt::Key_Right: ++c; break;
    case Qt::Key_PageUp: r -= VisibleRowCount(); break;
    case Qt::Key_PageDown: r += VisibleRowCount(); break;
    case Qt::Key_Home:
        c = fixedCols_;
        if (ctrl) r = fixedRows_;
        break;
    case Qt::Key_End:
        c = colCount_ - 1;
        if (ctrl) r = rowCount_ - 1;
        break;
    case Qt::Key_F2:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (editable_) ShowEditor();
        event->accept();
        return;
    default:
        if (editable_ && !ctrl && !event->text().isEmpty() && event->text().at(0).isPrint()) {
            const QString typed = event->text();
            ShowEditor(&typed);
            event->accept();
            return;
        }
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    c = std::clamp(c, fixedCols_, colCount_ - 1);
    r = std::clamp(r, fixedRows_, rowCount_ - 1);
    if ((c != col_ || r != row_) && MoveFocus(c, r, extend)) emit Click();
    event->accept();
}

void TStringGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TStringGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    int c, r;
    MouseToCell(p.x(), p.y(), c, r);
    setFocus();
    if (event->button() == Qt::LeftButton && c >= fixedCols_ && r >= fixedRows_) {
        const bool extend = event->modifiers() & Qt::ShiftModifier;
        selecting_ = MoveFocus(c, r, extend);
    }
    emit GridMouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TStringGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (selecting_ && (event->buttons() & Qt::LeftButton) && rangeSelect_) {
        int c, r;
        MouseToCell(p.x(), p.y(), c, r);
        if (c >= fixedCols_ && r >= fixedRows_ && (c != col_ || r != row_)) MoveFocus(c, r, true);
    }
    emit GridMouseMove(event->buttons(), event->modifiers(), p.x(), p.y());
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const bool clicked = selecting_ && event->button() == Qt::LeftButton;
    if (event->button() == Qt::LeftButton) selecting_ = false;
    if (clicked) emit Click();
    emit GridMouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

// ---- painting -------------------------------------------------------------------

void TStringGrid::DefaultDraw(QPainter& painter, int c, int r, const QRect& rect, GridDrawState state) {
    const QPalette& p = palette();
    const bool highlighted = state.selected && !state.focused && !state.fixed;
    painter.fillRect(rect, state.fixed ? p.color(QPalette::Button) : highlighted ? p.color(QPalette::Highlight)
                                                                                 : QColor(Qt::white));
    painter.setPen(highlighted ? p.color(QPalette::HighlightedText) : QColor(Qt::black));
    painter.drawText(QPoint(rect.left() + 2, rect.top() + 2 + painter.fontMetrics().ascent()), Cell(c, r));
}

void TStringGrid::PaintCells(QPainter& painter, const QRect& area) {
    painter.setFont(font());
    const bool ownerDraw = isSignalConnected(QMetaMethod::fromSignal(&TStringGrid::DrawCell));
    const GridRect sel = Selection();
    const bool focused = hasFocus();
    const int width = viewport()->width(), height = viewport()->height();
    const QColor line = palette().color(QPalette::Mid);

    auto paintRow = [&](int r, int y) {
        const int rowHeight = RowHeight(r);
        if (y > area.bottom() || y + rowHeight + kGridLineWidth <= area.top()) return;
        auto paintCol = [&](int c, int x) {
            const QRect rect(x, y, ColWidth(c), rowHeight);
            if (x <= area.right() && x + ColWidth(c) + kGridLineWidth > area.left()) {
                GridDrawState state;
                state.fixed = c < fixedCols_ || r < fixedRows_;
                state.selected = !state.fixed && sel.Contains(c, r);
                state.focused = !state.fixed && focused && c == col_ && r == row_;
                painter.save();
                painter.setClipRect(rect);
                if (ownerDraw)
                    emit DrawCell(&painter, c, r, rect, state);
                else
                    DefaultDraw(painter, c, r, rect, state);
                painter.restore();
                painter.setPen(line);
                painter.drawLine(x + rect.width(), y, x + rect.width(), y + rowHeight);
                painter.drawLine(x, y + rowHeight, x + rect.width(), y + rowHeight);
            }
            return x + ColWidth(c) + kGridLineWidth;
        };
        int x = 0;
        for (int c = 0; c < fixedCols_ && x < width; ++c) x = paintCol(c, x);
        for (int c = leftCol_; c < colCount_ && x < width; ++c) x = paintCol(c, x);
    };
    int y = 0;
    for (int r = 0; r < fixedRows_ && y < height; y += RowPitchOf(r), ++r) paintRow(r, y);
    for (int r = topRow_; r < rowCount_ && y < height; y += RowPitchOf(r), ++r) paintRow(r, y);
}

void TStringGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    PaintCells(painter, event->rect());
}
