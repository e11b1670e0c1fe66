// The clipboard text form and the two clipboards behind it.
#include "core/io/clipboard_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>

#include "core/io/text_data_file.h"
#include "core/text/field_split.h"
#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

// The field reader keeps its position in an int.
void CheckTextSize(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(INT_MAX)) throw ERangeError("クリップボードのテキストが大きすぎます。");
}

// The low 16 bits of the value truncated toward zero, so 65537 gives 1 and
// -1 gives every group.
std::uint16_t GroupWord(double x) {
    const double t = std::trunc(x);
    if (!(t > -9223372036854775808.0 && t < 9223372036854775808.0))
        throw ERangeError("グループの値が整数の範囲外です。");
    const auto bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(t));
    return static_cast<std::uint16_t>(bits & 0xFFFF);
}

}  // namespace

std::string ClipboardText(const DataString& cells) {
    // Per cell at most the value, "@", five digits and ",": written in place
    // in a text grown ahead (with the value's scratch room) and cut to its
    // length at the end.
    constexpr std::size_t kCellBytes = kGeneralFloatRoom + 7;
    std::string text(static_cast<std::size_t>(cells.Count()) * 20 + kCellBytes, '\0');
    std::size_t used = 0;
    for (const DataCell& c : cells.Cells()) {
        if (text.size() - used < kCellBytes) text.resize(text.size() * 2);
        char* p = WriteGeneralFloat(text.data() + used, c.value);
        if (c.mark != 0) {
            *p++ = '@';
            p = std::to_chars(p, p + 5, c.mark).ptr;
        }
        *p++ = ',';
        used = static_cast<std::size_t>(p - text.data());
    }
    text.resize(used);
    return text;
}

void ReadClipboardText(std::string_view text, DataString& out, TextEvaluator& evaluator) {
    CheckTextSize(text);
    int position = 0;
    std::string field, head, tail;
    // Every field read moves the position on, so the loop ends.
    while (ReadNextField(text, position, field) && !field.empty()) {
        // A plain value without a group word needs no splitting.
        if (field.find('@') == std::string::npos && field[0] != '{' && field[0] != '[') {
            out.Add(DataCell(0, ReadTextValue(field, evaluator)));
            continue;
        }
        SplitField('@', field, head, tail);
        // The copy's own forms (plain decimals, "NAN", "INF", "-INF") are
        // read directly, so what was copied pastes back.
        const double value = ReadTextValue(head, evaluator);
        double group = 0.0;
        if (!tail.empty() && !ReadPlainDecimal(tail, group)) group = evaluator.Evaluate(tail, 0.0);
        out.Add(DataCell(GroupWord(group), value));
    }
}

int ClipboardTextCellCount(std::string_view text) {
    CheckTextSize(text);
    int position = 0;
    int count = 0;
    std::string field;
    while (ReadNextField(text, position, field) && !field.empty()) ++count;
    return count;
}

void Clip::CopyToClipboard(const DataString& cells, bool osClip, UiServices& services) {
    if (osClip)
        services.ClipboardSetText(ClipboardText(cells));
    else
        buffer_.Assign(cells);
}

void Clip::PasteFromClipboard(DataString& out, bool osClip, UiServices& services, TextEvaluator& evaluator) const {
    if (!osClip) {
        out.Assign(buffer_);
        return;
    }
    if (!services.ClipboardHasText()) return;
    const std::string text = services.ClipboardGetText();
    out.Clear();
    ReadClipboardText(text, out, evaluator);
}

int Clip::ClipboardLineCount(bool osClip, UiServices& services) const {
    if (!osClip) return buffer_.Count();
    if (!services.ClipboardHasText()) return 0;
    return ClipboardTextCellCount(services.ClipboardGetText());
}

void Clip::Clear(bool osClip, UiServices& services) {
    if (!osClip) {
        buffer_.Clear();
        return;
    }
    if (services.ClipboardHasText()) services.ClipboardClear();
}
