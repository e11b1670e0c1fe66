// Formulas over a range of observations: the tree of calc_str_tree.cpp run a
// block of observations at a time on the pool, with the observations of a
// troubled block (and the first two readings, which make the tree) run one
// at a time by EvaluateAt.
#include "eval/calc_str_block.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/model/regression_model.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/thread_pool.h"
#include "eval/calc_str.h"
#include "eval/calc_str_internal.h"
#include "eval/scalar_functions.h"

namespace calc_str_detail {

namespace {

// What FiniteOf raises on: no finite result from finite operands.
inline bool Overflows(double result, double v, double r) {
    return !std::isfinite(result) && std::isfinite(v) && std::isfinite(r);
}

// One-argument functions that are a plain library call: CallScalarFunction's
// checks on their result, and the pole of the logarithms at zero.
template <typename F>
bool PlainFunction(const double* a, double* r, int count, bool poleAtZero, F f) {
    bool bad = false;
    for (int i = 0; i < count; ++i) {
        const double x = a[i];
        const double y = f(x);
        r[i] = y;
        bad |= (poleAtZero && x == 0.0) | (std::isnan(y) && !std::isnan(x)) | (!std::isfinite(y) && std::isfinite(x));
    }
    return !bad;
}

}  // namespace

bool BlockRunner::Prepare(const Tree& tree, const Reg* reg) {
    tree_ = &tree;
    columns_.assign(tree.nodes.size(), nullptr);
    if (reg == nullptr) return false;
    obsCount_ = reg->GetObsCount();
    for (std::size_t k = 0; k < tree.nodes.size(); ++k) {
        const Node& n = tree.nodes[k];
        switch (n.kind) {
            case nkUnclosed:
            case nkNoArgument: return false;
            case nkVariable:
            case nkLag:
            case nkFdif: {
                const int j = n.name.empty() ? -1 : reg->FindVar(n.name);
                if (j < 0) return false;
                if (j < reg->GetVarCount()) {
                    columns_[k] = reg->GetVar(j).Data();
                } else {
                    // The constant term: 1.0 at every observation.
                    ones_.assign(static_cast<std::size_t>(obsCount_), 1.0);
                    columns_[k] = ones_.data();
                }
                break;
            }
            default: break;
        }
    }
    return true;
}

bool BlockRunner::Run(int first, int count, double* out, BlockScratch& scratch) const {
    const std::size_t nodes = tree_->nodes.size();
    if (scratch.values.size() < nodes * kRows) scratch.values.resize(nodes * kRows);
    scratch.in.resize(nodes);
    // Children come before their parents in the tree.
    for (std::size_t k = 0; k < nodes; ++k) {
        if (!RunNode(tree_->nodes[k], static_cast<int>(k), first, count, out, scratch)) return false;
    }
    return true;
}

bool BlockRunner::RunNode(const Node& n, int k, int first, int count, double* out, BlockScratch& scratch) const {
    // The root writes out; a name's values are read where they are.
    const bool root = k == tree_->root;
    double* r = root ? out : scratch.values.data() + static_cast<std::size_t>(k) * kRows;
    scratch.in[static_cast<std::size_t>(k)] = r;
    const double* a = n.a >= 0 ? scratch.in[static_cast<std::size_t>(n.a)] : nullptr;
    const double* b = n.b >= 0 ? scratch.in[static_cast<std::size_t>(n.b)] : nullptr;
    const double* column = columns_[static_cast<std::size_t>(k)];
    bool bad = false;
    switch (n.kind) {
        case nkConstant: std::fill(r, r + count, n.value); return true;
        case nkNegate:
            for (int i = 0; i < count; ++i) r[i] = -a[i];
            return true;
        case nkAdd:
            for (int i = 0; i < count; ++i) {
                r[i] = a[i] + b[i];
                bad |= Overflows(r[i], a[i], b[i]);
            }
            return !bad;
        case nkSubtract:
            for (int i = 0; i < count; ++i) {
                r[i] = a[i] - b[i];
                bad |= Overflows(r[i], a[i], b[i]);
            }
            return !bad;
        case nkProduct:
            if (n.op == 1) {
                for (int i = 0; i < count; ++i) {
                    r[i] = a[i] * b[i];
                    bad |= Overflows(r[i], a[i], b[i]);
                }
                return !bad;
            }
            // A zero divisor marks the result incomplete.
            for (int i = 0; i < count; ++i) bad |= b[i] == 0.0;
            if (bad) return false;
            for (int i = 0; i < count; ++i) {
                r[i] = n.op == 2 ? a[i] / b[i] : n.op == 3 ? FloatRemainder(b[i], a[i]) : TruncatedQuotient(b[i], a[i]);
                bad |= Overflows(r[i], a[i], b[i]);
            }
            return !bad;
        case nkPower:
            for (int i = 0; i < count; ++i) {
                const double v = a[i], e = b[i];
                const double p = std::pow(v, e);
                r[i] = p;
                bad |= (v == 0.0 && e < 0.0) | (std::isnan(p) && !std::isnan(v) && !std::isnan(e)) | Overflows(p, v, e);
            }
            return !bad;
        case nkVariable:
            if (first < 0 || first + count > obsCount_) return false;
            if (root) std::copy(column + first, column + first + count, r);
            else scratch.in[static_cast<std::size_t>(k)] = column + first;
            return true;
        case nkScalar:
            switch (n.op) {
                case sfLog: return PlainFunction(a, r, count, true, [](double x) { return std::log(x); });
                case sfLog10: return PlainFunction(a, r, count, true, [](double x) { return std::log10(x); });
                case sfExp: return PlainFunction(a, r, count, false, [](double x) { return std::exp(x); });
                case sfSqrt: return PlainFunction(a, r, count, false, [](double x) { return std::sqrt(x); });
                case sfAbs: return PlainFunction(a, r, count, false, [](double x) { return std::fabs(x); });
                default: break;
            }
            try {
                for (int i = 0; i < count; ++i) {
                    double a1 = a[i], a2 = b != nullptr ? b[i] : n.value, a3 = 0.0;
                    CallScalarFunction(n.op, &a1, &a2, &a3);
                    r[i] = a1;
                }
            } catch (...) {
                return false;
            }
            return true;
        case nkLag:
            for (int i = 0; i < count; ++i) {
                double m = 1.0;
                if (a != nullptr) {
                    m = a[i];
                    bad |= std::isnan(m);
                    m = std::trunc(m);
                }
                // In double: a lag far outside the data gives 0.0.
                const double at = static_cast<double>(first + i) - m;
                r[i] = !(at >= 0.0 && at < obsCount_) ? 0.0 : column[static_cast<int>(at)];
            }
            return !bad;
        case nkFdif:
            for (int i = 0; i < count; ++i) {
                const int o = first + i;
                const double d = a != nullptr ? a[i] : 1.0;
                if (o >= 1) {
                    if (o >= obsCount_) return false;
                    bad |= !QuasiDifference(column[o], column[o - 1], d, false, r[i]);
                } else {
                    if (obsCount_ < 1) return false;
                    bad |= !QuasiDifference(column[0], 0.0, d, true, r[i]);
                }
            }
            return !bad;
        default: return false;
    }
}

}  // namespace calc_str_detail

int CalcStr::EvaluateRange(const std::string& text, int first, int count, double* out, bool stopAtFault,
                           const double* currentValues) {
    if (count <= 0) return 0;
    // One observation as EvaluateAt reads it; false when the range ends there.
    const auto scalarAt = [&](int k) {
        if (currentValues != nullptr) currentValue_ = currentValues[k];
        const double v = EvaluateAt(text, first + k);
        out[k] = v;
        return !(stopAtFault && (incomplete_ || !std::isfinite(v)));
    };
    // The first two readings make the tree.
    int done = 0;
    for (; done < count && done < 2; ++done) {
        if (!scalarAt(done)) return done + 1;
    }
    if (done == count) return count;
    const calc_str_detail::Tree* tree = TreeFor(text);
    const Reg* reg = Model();
    calc_str_detail::BlockRunner runner;
    if (tree == nullptr || !runner.Prepare(*tree, reg)) {
        for (; done < count; ++done) {
            if (!scalarAt(done)) return done + 1;
        }
        return count;
    }

    // Blocks over done .. count - 2; the last observation is read by
    // EvaluateAt, which leaves the flags and read point.
    constexpr int kRows = calc_str_detail::BlockRunner::kRows;
    constexpr int kBlocksPerTask = 32;
    const int blockFrom = done;
    const int rows = count - 1 - blockFrom;
    const int blocks = (rows + kRows - 1) / kRows;
    std::vector<std::uint8_t> troubled(static_cast<std::size_t>(blocks), 0);
    const int tasks = (blocks + kBlocksPerTask - 1) / kBlocksPerTask;
    const auto runTask = [&](long long task, int taskCount) {
        calc_str_detail::BlockScratch scratch;
        for (long long t = task; t < task + taskCount; ++t) {
            for (int blk = static_cast<int>(t) * kBlocksPerTask,
                     end = std::min(blocks, static_cast<int>(t + 1) * kBlocksPerTask);
                 blk < end; ++blk) {
                const int k = blockFrom + blk * kRows;
                const int len = std::min(kRows, count - 1 - k);
                troubled[static_cast<std::size_t>(blk)] = runner.Run(first + k, len, out + k, scratch) ? 0 : 1;
            }
        }
    };
    ForEachBlock(tasks > 1 ? reg->Pool() : nullptr, tasks, 1, runTask);

    for (int blk = 0; blk < blocks; ++blk) {
        const int k = blockFrom + blk * kRows;
        const int end = std::min(k + kRows, count - 1);
        for (int i = k; i < end; ++i) {
            // A troubled block is read again one observation at a time; in
            // the others only a value that ends the range is.
            if (troubled[static_cast<std::size_t>(blk)] != 0 || (stopAtFault && !std::isfinite(out[i]))) {
                if (!scalarAt(i)) return i + 1;
            }
        }
    }
    scalarAt(count - 1);
    return count;
}
