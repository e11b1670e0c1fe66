#include "macro/macro_scan.h"

#include <algorithm>

#include "core/text/tokenizer.h"

namespace {
bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

int ScanMacroToken(std::string_view text, int length, int position, std::string& token, bool& isString) {
    // A token that reaches the end of its window may go on beyond it: read
    // it again in a window twice as large.
    int window = 256;
    for (;;) {
        int end = position > length - window ? length : position + window;
        // Never cut a character in two.
        while (end < length && end > position && IsContinuationByte(text[static_cast<std::size_t>(end)])) --end;
        // The tokenizer looks only forward, so the window starts at position.
        const std::string_view part = text.substr(static_cast<std::size_t>(position),
                                                  static_cast<std::size_t>(end - position));
        const int next = position + NextToken(part, 0, token, &isString, end - position);
        if (next < end || end == length) return next;
        window = window > (length >> 1) ? length : window * 2;
    }
}
