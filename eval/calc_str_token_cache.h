// The tokens of the texts an evaluator read last, so that a text evaluated
// again (a formula at every observation) is replayed instead of scanned, with
// what the primaries looked up for each token. Not for other callers.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace calc_str_detail {

// The lookups kept per token.
enum TokenLookup : int {
    tlPrimary,      // the kind of primary the token starts (PrimaryKind)
    tlFunction,     // FindFunctionName
    tlObservation,  // the observation function it names, or none
    tlComparison,   // ComparisonOperatorCode
    tlCount
};
inline constexpr int kNotLookedUp = -1000;

// What Primary dispatches on, in the order it tests.
enum PrimaryKind : int {
    pkNumber,
    pkIncrement,
    pkDecrement,
    pkPi,
    pkRanuni,
    pkRannor,
    pkModel,
    pkSlot,
    pkUser,
    pkCurrentValue,
    pkOther
};

struct CachedToken {
    std::string text;
    int from = 0;  // where scanning started
    int to = 0;    // the position after the token
    bool isString = false;
    bool hasNumber = false;
    double number = 0.0;  // the value of a number token once read
    int lookups[tlCount] = {kNotLookedUp, kNotLookedUp, kNotLookedUp, kNotLookedUp};

    // The empty token at the end of the text; scanning stays on it.
    bool IsEnd() const { return !isString && text.empty(); }
};

struct CachedText {
    std::string text;
    std::vector<CachedToken> tokens;  // in reading order, filled as read
};

class TokenCache {
public:
    static constexpr std::size_t kTexts = 4;
    // Longer texts are scanned each time.
    static constexpr std::size_t kMaxTextLength = 1 << 16;

    // The entry of text, made (in place of the one used least recently) when
    // there is none; nullptr for a text too long to keep.
    CachedText* Find(std::string_view text);
    void Clear() { entries_.clear(); }

private:
    // Most recently used first.
    std::vector<std::unique_ptr<CachedText>> entries_;
};

}  // namespace calc_str_detail
