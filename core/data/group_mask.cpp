#include "core/data/group_mask.h"

#include <climits>
#include <string>
#include <utility>

#include "core/data/data_set.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

// Mask-text character of group g (1..16).
char GroupChar(int g) {
    if (g <= 9) return static_cast<char>('0' + g);
    if (g <= 15) return static_cast<char>('A' + (g - 10));
    return '0';
}

}  // namespace

std::uint16_t GroupBit(int g) {
    if (g < 1) return 0;
    return static_cast<std::uint16_t>(1u << ((static_cast<unsigned>(g) - 1u) & 15u));
}

std::uint16_t GroupBitFromText(const std::string& text, int* g) {
    // Decimal integer with optional blanks around it and an optional sign;
    // anything else, or a value outside int, reads as 0.
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    std::size_t digits = 0;
    bool ok = true;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) ok = false, value = 0;
        ++i;
        ++digits;
    }
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (digits == 0 || i != n) ok = false;
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) ok = false;
    const int result = ok ? static_cast<int>(value) : 0;
    if (g != nullptr) *g = result;
    return GroupBit(result);
}

std::string GroupMaskText(std::uint16_t mask, bool pad) {
    std::string text;
    for (int g = 1; g <= 16; ++g) {
        if (mask & GroupBit(g))
            text += GroupChar(g);
        else if (pad)
            text += '_';
    }
    return text;
}

std::uint16_t ParseGroupMask(std::string& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (text == "N") return 0;
    std::uint16_t mask = 0;
    for (const char c : text) {
        if (c >= '1' && c <= '9')
            mask |= GroupBit(c - '0');
        else if (c >= 'A' && c <= 'F')
            mask |= GroupBit(c - 'A' + 10);
        else if (c == '0')
            mask |= GroupBit(16);
    }
    return mask;
}

MarkTable NewMarkTable(int rows, int cols) {
    if (rows < 0) rows = 0;
    if (cols < 0) cols = 0;
    return MarkTable(static_cast<std::size_t>(rows),
                     std::vector<std::uint16_t>(static_cast<std::size_t>(cols), 0));
}

GroupUndoBlock SaveGroupUndoRange(const Data& data, const GroupUndoSink& sink, bool intoUndo, int firstRow,
                                  int lastRow, int firstCol, int lastCol) {
    const int n = data.GetObsCount();
    const int k = data.GetVarCount();
    // Bounds outside the table are clamped so the flags never reach past it.
    if (firstRow < 0) firstRow = 0;
    if (firstCol < 0) firstCol = 0;
    if (lastRow > n - 1) lastRow = n - 1;
    if (lastCol > k - 1) lastCol = k - 1;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(n), 0);
    std::vector<std::uint8_t> cols(static_cast<std::size_t>(k), 0);
    int rowCount = 0;
    int colCount = 0;
    for (int i = firstRow; i <= lastRow; ++i, ++rowCount) rows[static_cast<std::size_t>(i)] = 1;
    for (int j = firstCol; j <= lastCol; ++j, ++colCount) cols[static_cast<std::size_t>(j)] = 1;
    const long long cells = static_cast<long long>(rowCount) * colCount;
    if (cells > INT_MAX) throw EOutOfMemory();
    return SaveGroupUndo(data, sink, intoUndo, static_cast<int>(cells), rows, cols);
}

GroupUndoBlock SaveGroupUndo(const Data& data, const GroupUndoSink& sink, bool intoUndo, int cellCount,
                             const std::vector<std::uint8_t>& rowFlags,
                             const std::vector<std::uint8_t>& colFlags) {
    const int n = data.GetObsCount();
    const int k = data.GetVarCount();
    GroupUndoBlock block;
    block.rowFlags.assign(static_cast<std::size_t>(n), 0);
    block.colFlags.assign(static_cast<std::size_t>(k), 0);
    for (int i = 0; i < n && static_cast<std::size_t>(i) < rowFlags.size(); ++i)
        block.rowFlags[static_cast<std::size_t>(i)] = rowFlags[static_cast<std::size_t>(i)];
    for (int j = 0; j < k && static_cast<std::size_t>(j) < colFlags.size(); ++j)
        block.colFlags[static_cast<std::size_t>(j)] = colFlags[static_cast<std::size_t>(j)];

    block.marks.reserve(cellCount > 0 ? static_cast<std::size_t>(cellCount) : 0);
    for (int i = 0; i < n; ++i) {
        if (block.rowFlags[static_cast<std::size_t>(i)] == 0) continue;
        for (int j = 0; j < k; ++j)
            if (block.colFlags[static_cast<std::size_t>(j)] != 0) block.marks.push_back(data.GetMark(i, j));
    }
    // A count that disagrees with the flags would make the record restore the
    // wrong cells; refuse it rather than save a broken step.
    if (block.marks.size() != static_cast<std::size_t>(cellCount < 0 ? 0 : cellCount) || cellCount < 0)
        throw ERangeError("範囲エラー: グループ記録のセル数が一致しません。");
    block.cellCount = cellCount;

    if (sink.hook) {
        sink.hook(intoUndo, block);
        if (sink.services == nullptr) return block;
        if (intoUndo)
            sink.services->SetUndoEditEnabled(true);
        else
            sink.services->SetRedoEditEnabled(true);
    }
    return block;
}
