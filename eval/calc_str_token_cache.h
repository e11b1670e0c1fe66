// The tokens of the texts an evaluator read last, so that a text evaluated
// again (a formula at every observation) is replayed instead of scanned, with
// what the primaries looked up for each token; and for the formulas made of
// numbers, variables, arithmetic, one-argument functions, lag and fdif, the
// operations of the text as a tree, run at each observation without
// reading. Not for other callers.
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

// Observation functions the tree runs (as ObservationFunction numbers them).
inline constexpr int kObservationLag = 1;
inline constexpr int kObservationFdif = 2;
inline constexpr int kObservationNone = 8;

// Where the reader stands: Position() and PreviousPosition().
struct ReadPoint {
    int position = 0;
    int previous = 0;
};

enum NodeKind : unsigned char {
    nkConstant,  // value
    nkNegate,    // -a
    nkUnclosed,  // "(" a without ")": a is run, then incomplete
    nkAdd,
    nkSubtract,
    nkProduct,   // op: Product's operator
    nkPower,
    nkVariable,  // name
    nkNoArgument,  // a function name without "("
    nkScalar,    // op: function index; a, b (or value when b < 0)
    nkLag,       // name, a (or -1: 1)
    nkFdif,      // name, a (or -1: 1)
};

struct Node {
    NodeKind kind = nkConstant;
    int op = 0;
    int a = -1;
    int b = -1;
    double value = 0.0;
    std::string name;
    ReadPoint at;     // at the name: where a missing data set fails
    ReadPoint named;  // past the column name of lag and fdif
    ReadPoint after;  // where a failure of the operation itself is raised
};

struct Tree {
    std::vector<Node> nodes;
    int root = -1;
    ReadPoint end;  // where the reading stops
};

struct CachedText {
    std::string text;
    std::vector<CachedToken> tokens;  // in reading order, filled as read
    // For observation mode: 0 not read yet, 2 read once, 1 tree made, -1
    // no tree.
    int treeState = 0;
    Tree tree;
};

class TokenCache {
public:
    static constexpr std::size_t kTexts = 8;
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
