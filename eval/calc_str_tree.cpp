// Formulas in observation mode as a tree: a text made only of numbers, "pi",
// variables, "+ - * / mod div ^", signs, parentheses, one-argument scalar
// functions, lag and fdif is read once into its operations, which then run at
// every observation. Making the tree reads the tokens exactly as the operator
// levels do, so it consumes the same text; running it does the same
// computations in the same order, with the same flags, and moves the read
// point to where the reader would stand when something fails.
#include <cmath>
#include <memory>
#include <utility>

#include "core/model/regression_model.h"
#include "eval/calc_str.h"
#include "eval/calc_str_internal.h"
#include "eval/calc_str_token_cache.h"
#include "eval/calc_str_user_function.h"
#include "eval/reserved_words.h"
#include "eval/scalar_functions.h"
#include "platform/errors.h"

using calc_str_detail::CachedText;
using calc_str_detail::Node;
using calc_str_detail::ReadPoint;
using calc_str_detail::Tree;

namespace {

// Thrown while making a tree for a text that has something else.
struct NoTree {};

// Deeper texts are read by the operator levels.
constexpr int kTreeDepth = 64;

int Add(Tree& tree, Node&& node) {
    tree.nodes.push_back(std::move(node));
    return static_cast<int>(tree.nodes.size()) - 1;
}

int Constant(Tree& tree, double value) {
    Node node;
    node.kind = calc_str_detail::nkConstant;
    node.value = value;
    return Add(tree, std::move(node));
}

int Combine(Tree& tree, calc_str_detail::NodeKind kind, int op, int a, int b) {
    Node node;
    node.kind = kind;
    node.op = op;
    node.a = a;
    node.b = b;
    return Add(tree, std::move(node));
}

}  // namespace

ReadPoint CalcStr::Here() const { return {position_, previousPosition_}; }

void CalcStr::MoveTo(const ReadPoint& point) {
    position_ = point.position;
    previousPosition_ = point.previous;
}

const Tree* CalcStr::TreeFor(const std::string& text) {
    // Inside a user function's body the nesting limit may be near.
    if (Run().nestingDepth != 0) return nullptr;
    if (!cache_) cache_ = std::make_unique<calc_str_detail::TokenCache>();
    CachedText* entry = cache_->Find(text);
    if (entry == nullptr) return nullptr;
    // A text read once is read by the operator levels; from the second
    // reading on it runs as a tree when it can.
    if (entry->treeState == 0) {
        entry->treeState = 2;
        return nullptr;
    }
    if (entry->treeState == 2) {
        entry->treeState = -1;
        Start(text);
        treeDepth_ = 0;
        Tree tree;
        try {
            tree.root = TreeOr(tree);
            tree.end = Here();
            entry->tree = std::move(tree);
            entry->treeState = 1;
        } catch (const NoTree&) {
        }
    }
    return entry->treeState == 1 ? &entry->tree : nullptr;
}

double CalcStr::RunTree(const Tree& tree, const std::string& text) {
    EvalRunState& run = Run();
    StartUserCallBudget(run);
    // What the outermost operator level leaves behind.
    run.nestingExceeded = false;
    text_ = text;
    length_ = static_cast<int>(std::min<std::size_t>(text.size(), 0x7fffffff));
    cached_ = nullptr;
    current_ = nullptr;
    next_ = 0;
    nonConstant_ = false;
    MoveTo({});
    const double v = RunNode(tree, tree.root);
    MoveTo(tree.end);
    return v;
}

double CalcStr::RunNode(const Tree& tree, int k) {
    using namespace calc_str_detail;
    const Node& n = tree.nodes[static_cast<std::size_t>(k)];
    switch (n.kind) {
        case nkConstant: return n.value;
        case nkNegate: return -RunNode(tree, n.a);
        case nkUnclosed:
            RunNode(tree, n.a);
            MarkIncomplete();
            return 0.0;
        case nkAdd: {
            const double v = RunNode(tree, n.a);
            const double r = RunNode(tree, n.b);
            MoveTo(n.after);
            return Sum(v, r);
        }
        case nkSubtract: {
            const double v = RunNode(tree, n.a);
            const double r = RunNode(tree, n.b);
            MoveTo(n.after);
            return Difference(v, r);
        }
        case nkProduct: {
            const double v = RunNode(tree, n.a);
            const double r = RunNode(tree, n.b);
            MoveTo(n.after);
            return Product(n.op, v, r);
        }
        case nkPower: {
            const double v = RunNode(tree, n.a);
            const double r = RunNode(tree, n.b);
            MoveTo(n.after);
            return Power(v, r);
        }
        default: break;
    }
    // A name in observation mode needs the data set.
    Reg* reg = Model();
    if (reg == nullptr) {
        MoveTo(n.at);
        Fail(kStrSystemError);
    }
    switch (n.kind) {
        case nkVariable: {
            nonConstant_ = true;
            const int j = n.name.empty() ? -1 : reg->FindVar(n.name);
            if (j < 0) {
                if (unknownName_.empty()) unknownName_ = n.name;
                MarkIncomplete();
                return 0.0;
            }
            const int o = observation_;
            if (o < 0 || o >= reg->GetObsCount()) {
                MoveTo(n.after);
                Fail(kStrRangeError);
            }
            return reg->GetValue(o, j);
        }
        case nkNoArgument:
            MarkIncomplete();
            return 0.0;
        case nkScalar: {
            double a1 = RunNode(tree, n.a);
            double a2 = n.b >= 0 ? RunNode(tree, n.b) : n.value;
            double a3 = 0.0;
            MoveTo(n.after);
            CallScalarFunction(n.op, &a1, &a2, &a3);
            return a1;
        }
        case nkLag: {
            nonConstant_ = true;
            const int i = observation_;
            const int j = reg->FindVar(n.name);
            if (j < 0) {
                MoveTo(n.named);
                Fail(kStrSyntaxError);
            }
            const int count = reg->GetObsCount();
            double m = 1.0;
            if (n.a >= 0) {
                m = RunNode(tree, n.a);
                if (std::isnan(m)) {
                    MoveTo(n.after);
                    TruncToInt(m, "ラグ");
                }
                m = std::trunc(m);
            }
            return LagAt(*reg, j, false, i, m, count);
        }
        default: {  // fdif
            nonConstant_ = true;
            const int i = observation_;
            const int j = reg->FindVar(n.name);
            if (j < 0) {
                MoveTo(n.named);
                Fail(kStrSyntaxError);
            }
            const double d = n.a >= 0 ? RunNode(tree, n.a) : 1.0;
            MoveTo(n.after);
            return FdifAt(*reg, j, false, i, d);
        }
    }
}

// --- making the tree: ParseOr .. Primary on the same tokens -------------------

int CalcStr::TreeOr(Tree& tree) {
    if (++treeDepth_ > kTreeDepth) throw NoTree{};
    // ParseNotCond, ParseCompare, ParseAnd and ParseOr add nothing unless
    // one of their operators follows.
    if (Is("!")) throw NoTree{};
    const int v = TreeAdd(tree);
    if (ComparisonCodeOfToken() >= 0 || Is("?") || Is("&&") || Is("||") || Is("$$")) throw NoTree{};
    --treeDepth_;
    return v;
}

int CalcStr::TreeAdd(Tree& tree) {
    int v = TreeMul(tree);
    while (Is("+") || Is("-")) {
        const bool minus = Is("-");
        Step();
        const int r = TreeMul(tree);
        v = Combine(tree, minus ? calc_str_detail::nkSubtract : calc_str_detail::nkAdd, 0, v, r);
        tree.nodes.back().after = Here();
        if (LevelEnds()) break;
    }
    return v;
}

int CalcStr::TreeMul(Tree& tree) {
    int v = TreePow(tree);
    for (;;) {
        int op = 0;
        if (Is("*")) op = 1;
        else if (Is("/")) op = 2;
        else if (Is("mod")) op = 3;
        else if (Is("div")) op = 4;
        else break;
        Step();
        const int r = TreePow(tree);
        v = Combine(tree, calc_str_detail::nkProduct, op, v, r);
        tree.nodes.back().after = Here();
        if (LevelEnds()) break;
    }
    return v;
}

int CalcStr::TreePow(Tree& tree) {
    int v = TreeUnary(tree);
    while (Is("^")) {
        Step();
        const int r = TreeUnary(tree);
        v = Combine(tree, calc_str_detail::nkPower, 0, v, r);
        tree.nodes.back().after = Here();
        if (LevelEnds()) break;
    }
    return v;
}

int CalcStr::TreeUnary(Tree& tree) {
    const bool negate = Is("-");
    if (negate || Is("+")) Step();
    int v = -1;
    if (Is("(")) {
        Step();
        v = TreeOr(tree);
        if (Is(")")) Step();
        else v = Combine(tree, calc_str_detail::nkUnclosed, 0, v, -1);
    } else {
        v = TreePrimary(tree);
    }
    return negate ? Combine(tree, calc_str_detail::nkNegate, 0, v, -1) : v;
}

int CalcStr::TreePrimary(Tree& tree) {
    using namespace calc_str_detail;
    if (tokenIsString_) throw NoTree{};
    switch (PrimaryKindOfToken()) {
        case pkNumber: {
            double v = 0.0;
            try {
                v = NumberToken();
            } catch (const Exception&) {
                throw NoTree{};
            }
            return Constant(tree, v);
        }
        case pkPi:
            Step();
            return Constant(tree, 3.141592653589793);
        case pkOther: break;
        default: throw NoTree{};
    }
    Node node;
    node.at = Here();
    const int fn = ObservationFunctionOfToken();
    if (fn == kObservationLag || fn == kObservationFdif) {
        Step();
        if (!Is("(")) throw NoTree{};
        Step();
        if (Is("#") || Is("..") || tokenIsString_) throw NoTree{};
        node.kind = fn == kObservationLag ? nkLag : nkFdif;
        node.name = token_;
        node.named = Here();
        Step();
        if (Is(",")) {
            Step();
            node.a = TreeOr(tree);
            if (fn == kObservationLag) node.after = Here();
        }
        if (Is(")")) Step();
        if (fn == kObservationFdif) node.after = Here();
        return Add(tree, std::move(node));
    }
    if (fn != kObservationNone) throw NoTree{};

    const int f = FunctionIndexOfToken();
    if (f >= 0 && f < kScalarFunctionWords) {
        Step();
        if (!Is("(")) {
            node.kind = nkNoArgument;
            return Add(tree, std::move(node));
        }
        Step();
        node.kind = nkScalar;
        node.op = f;
        node.a = TreeOr(tree);
        node.value = f == rwLoga ? 10.0 : f == rwRound ? 7.0 : 0.0;
        if (f >= rwBce && f <= rwPow && Is(",")) {
            Step();
            node.b = TreeOr(tree);
        } else if (f == rwPf || f == rwQf) {
            throw NoTree{};
        }
        if (Is(")")) Step();
        node.after = Here();
        return Add(tree, std::move(node));
    }
    if (f >= kScalarFunctionWords && f < kFunctionWords) throw NoTree{};

    // A variable, without data prefix, attribute or selector.
    if (Is("#") || Is("..")) throw NoTree{};
    node.kind = nkVariable;
    node.name = token_;
    Step();
    if (Is(".") || Is("[")) throw NoTree{};
    node.after = Here();
    return Add(tree, std::move(node));
}
