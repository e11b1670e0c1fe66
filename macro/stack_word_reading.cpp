#include "macro/stack_word_reading.h"

#include <cstring>

#include "macro/macro_run.h"
#include "macro/macro_stack.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

// The text starting at word i, or empty when its end is not in reach.
std::string TextAt(int sp, const std::function<std::int32_t(int)>& word, int i) {
    std::string bytes;
    for (int w = i; w < sp && w < i + MacroStack::kTextWords; ++w) {
        const std::int32_t value = word(w);
        char four[4];
        std::memcpy(four, &value, sizeof four);  // little-endian words, as the stack stores texts
        for (char c : four) {
            if (c == '\0') {
                try {
                    return cp932::ToUtf8(bytes);
                } catch (const EConvertError&) {
                    return {};  // not a text
                }
            }
            if (bytes.size() == static_cast<std::size_t>(MacroStack::kTextBytes)) return {};
            bytes.push_back(c);
        }
    }
    return {};
}

}  // namespace

std::optional<StackWordReading> ReadStackWord(int sp, const std::function<std::int32_t(int)>& word, int i) {
    if (i < 0 || i >= sp) return std::nullopt;
    StackWordReading r;
    r.index = i;
    r.integer = word(i);
    if (i + 1 < sp) {
        const std::int32_t pair[2] = {r.integer, word(i + 1)};
        double x;
        std::memcpy(&x, pair, sizeof x);
        r.real = x;
    }
    r.text = TextAt(sp, word, i);
    return r;
}

std::optional<StackWordReading> ReadStackWord(const MacroRun& run, int i) {
    if (!run.IsRunning()) return std::nullopt;
    return ReadStackWord(run.SP(), [&run](int w) { return run.WordAt(w); }, i);
}
