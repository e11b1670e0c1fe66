// The tree of a formula run over a block of observations: each operation
// over the whole block before the next, instead of the whole tree at each
// observation. Values are those of CalcStr's tree at each observation; any
// observation where an operation would fail or mark the result incomplete
// makes the block "troubled", and the caller then runs that block one
// observation at a time, which raises exactly what the tree raises.
// Not for other callers.
#pragma once

#include <vector>

#include "eval/calc_str_token_cache.h"

class Reg;

namespace calc_str_detail {

// The values of the nodes over one block, per thread.
struct BlockScratch {
    std::vector<double> values;
    std::vector<const double*> in;  // where each node's values are
};

class BlockRunner {
public:
    static constexpr int kRows = 256;

    // False when the tree cannot run in blocks on this data set: no data
    // set, a name it does not have, a parenthesis left open, a function
    // name without its argument (each of them troubles every observation).
    bool Prepare(const Tree& tree, const Reg* reg);
    // The values at observations first .. first + count - 1 (count at most
    // kRows) into out; false when the block is troubled (out then holds
    // nothing of use). Safe to call at once from several threads, each
    // with scratch of its own.
    bool Run(int first, int count, double* out, BlockScratch& scratch) const;

private:
    bool RunNode(const Node& n, int k, int first, int count, double* out, BlockScratch& scratch) const;

    const Tree* tree_ = nullptr;
    std::vector<const double*> columns_;  // per node: the column of a name
    std::vector<double> ones_;            // the constant term's column
    int obsCount_ = 0;
};

}  // namespace calc_str_detail
