// Handing data to the other estimators (a block of observations and
// variables chosen by a group mask or by the model, as a design matrix with
// names) and read access to the design matrix.
#include <algorithm>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "core/model/regression_data_blocks.h"
#include "core/numeric/statistics.h"

namespace {

// A block of cells: its variables (indices, in order), per observation a
// flag, and the number of flagged observations.
struct DataBlock {
    std::vector<int> vars;
    std::vector<std::uint8_t> flags;
    int obsCount = 0;
};

DataBlock ChooseBlock(const Reg& reg, std::uint16_t mask, bool modelOnly) {
    const int n = reg.GetObsCount();
    const int k = reg.GetVarCount();
    DataBlock block;
    if (mask == 0) {
        for (int j = 0; j < k; ++j)
            if (!modelOnly || reg.GetRole(j) != Reg::kRoleUnused) block.vars.push_back(j);
        block.flags.assign(n, 1);
        block.obsCount = n;
        return block;
    }
    std::vector<const std::vector<std::uint16_t>*> marks(k);
    for (int j = 0; j < k; ++j) marks[j] = &reg.GetVar(j).Marks();
    auto marked = [&](int i, int j) {
        const auto& m = *marks[j];
        return i < static_cast<int>(m.size()) && (m[i] & mask) != 0;
    };
    // The observation with the most marked cells names the variables (the
    // first on ties); the variable with the fewest, at least one, names the
    // observations (the last on ties).
    int bestObs = -1, bestObsCount = 0;
    for (int i = 0; i < n; ++i) {
        int count = 0;
        for (int j = 0; j < k; ++j)
            if (marked(i, j)) ++count;
        if (count > bestObsCount) {
            bestObsCount = count;
            bestObs = i;
        }
    }
    int fewestVar = -1, fewestCount = 0;
    for (int j = 0; j < k; ++j) {
        int count = 0;
        for (int i = 0; i < n; ++i)
            if (marked(i, j)) ++count;
        if (count >= 1 && (fewestVar < 0 || count <= fewestCount)) {
            fewestCount = count;
            fewestVar = j;
        }
    }
    if (bestObs < 0 || fewestVar < 0) return block;
    for (int j = 0; j < k; ++j)
        if (marked(bestObs, j)) block.vars.push_back(j);
    block.flags.assign(n, 0);
    for (int i = 0; i < n; ++i) block.flags[i] = marked(i, fewestVar) ? 1 : 0;
    block.obsCount = fewestCount;
    return block;
}

}  // namespace

bool SelectDataBlock(const Reg& reg, std::uint16_t mask, bool modelOnly, std::vector<std::uint8_t>* flags,
                     std::vector<std::string>* names, int& varCount, int& obsCount) {
    DataBlock block = ChooseBlock(reg, mask, modelOnly);
    varCount = static_cast<int>(block.vars.size());
    obsCount = block.obsCount;
    if (varCount == 0 || obsCount == 0) return false;
    if (flags) flags->swap(block.flags);
    if (names) {
        names->clear();
        for (int j : block.vars) names->push_back(reg.GetVarName(j));
    }
    return true;
}

void BuildDesignMatrix(const Reg& reg, std::uint16_t mask, const std::vector<std::uint8_t>* selection,
                       bool transposed, bool twoStageValues, std::vector<std::string>& names, Matrix& out,
                       const std::string& dependentName) {
    const int k = reg.GetVarCount();
    const DataBlock block = ChooseBlock(reg, mask, selection == nullptr);
    if (block.vars.empty() || block.obsCount == 0) throw Exception("DERR");
    std::vector<int> chosen;
    for (size_t s = 0; s < block.vars.size(); ++s) {
        // Entries missing from a short selection count as not selected.
        if (selection == nullptr || (s < selection->size() && (*selection)[s] != 0)) chosen.push_back(block.vars[s]);
    }
    const int m = static_cast<int>(chosen.size());
    // Nothing selected leaves no column for the dependent variable: the
    // block is as empty as one without cells.
    if (m == 0) throw Exception("DERR");
    try {
        std::vector<int> rows;
        rows.reserve(block.obsCount);
        for (int i = 0; i < static_cast<int>(block.flags.size()); ++i)
            if (block.flags[i]) rows.push_back(i);
        const int nb = static_cast<int>(rows.size());

        // First stage over the block: every endogenous variable fitted on
        // the exogenous and lagged ones.
        const bool firstStage = reg.IsTwoStage() && twoStageValues;
        LongMatrix fit;
        std::vector<int> instruments;
        if (firstStage) {
            std::vector<double> x(static_cast<std::size_t>(nb) * k);
            for (int t = 0; t < nb; ++t)
                for (int j = 0; j < k; ++j) x[static_cast<std::size_t>(t) * k + j] = reg.GetValue(rows[t], j);
            BuildMomentsFromRows(x.data(), nb, k, k, fit);
            // A variable with a zero pivot is no instrument: its column
            // would hold cross-products, not coefficients.
            for (int j = 0; j < k; ++j)
                if (reg.IsExogenous(j) && fit.Sweep(j) == SweepResult::kSwept) instruments.push_back(j);
        }

        std::vector<std::string> columnNames(m + 1);
        columnNames[m] = Reg::ConstantName();
        Matrix result(transposed ? m + 1 : nb, transposed ? nb : m + 1, 1.0);
        auto put = [&](int t, int col, double v) {
            if (transposed)
                result[col][t] = v;
            else
                result[t][col] = v;
        };
        struct DirectColumn {
            const double* source;
            int col;
        };
        std::vector<DirectColumn> direct;
        int next = 0;
        for (int j : chosen) {
            const std::string name = reg.GetVarName(j);
            int col;
            bool observedOnly = false;
            if (name == dependentName) {
                col = m - 1;
                observedOnly = true;
            } else if (next < m - 1) {
                col = next++;
            } else {
                // Column m - 1 belongs to the dependent variable even when the
                // name given is not in the block.
                continue;
            }
            columnNames[col] = name;
            const bool fitted = firstStage && !observedOnly && reg.GetVarType(j) == Var::kEndogenous;
            if (!fitted && j >= 0 && j < k) {
                // Observed values straight from the column, copied below.
                direct.push_back({reg.GetVar(j).Data(), col});
                continue;
            }
            for (int t = 0; t < nb; ++t) {
                const int i = rows[t];
                double v;
                if (fitted) {
                    long double f = fit[k][j];
                    for (int s : instruments) f += fit[s][j] * reg.GetValue(i, s);
                    v = static_cast<double>(f);
                } else {
                    v = reg.GetValue(i, j);
                }
                put(t, col, v);
            }
        }
        // The rows of the block are observations of the data set; a block
        // of them at a time, so that the rows written stay in the cache.
        constexpr int kCopyRows = 256;
        double* base = result.Data();
        for (const DirectColumn& d : direct)
            if (transposed)
                for (int t = 0; t < nb; ++t) base[static_cast<long long>(d.col) * nb + t] = d.source[rows[t]];
        if (!transposed)
            for (int t0 = 0; t0 < nb; t0 += kCopyRows) {
                const int t1 = std::min(nb, t0 + kCopyRows);
                for (const DirectColumn& d : direct)
                    for (int t = t0; t < t1; ++t) base[static_cast<long long>(t) * (m + 1) + d.col] = d.source[rows[t]];
            }
        if (selection == nullptr) {
            // The constant term before the dependent variable.
            std::swap(columnNames[m - 1], columnNames[m]);
            for (int t = 0; t < nb; ++t) {
                if (transposed)
                    std::swap(result[m - 1][t], result[m][t]);
                else
                    std::swap(result[t][m - 1], result[t][m]);
            }
        }
        names.swap(columnNames);
        swap(out, result);  // the block is large: no copy
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

void CopyColumnTo(const Reg& reg, Matrix& m, int c, bool fromDesign, int j) {
    const int n = reg.GetObsCount();
    const int k = reg.GetVarCount();
    if (j < 0 || j > k || c < 0 || c >= m.Cols()) throw ERangeError(kRangeErrorText);
    const int rows = n < m.Rows() ? n : m.Rows();
    for (int i = 0; i < rows; ++i) m[i][c] = fromDesign ? reg.Design()[i][j] : reg.GetValue(i, j);
}

void GetDesignColumn(const Reg& reg, int j, std::vector<double>& out) {
    const Matrix& design = reg.Design();
    const int n = design.Rows();
    if (j < 0 || j >= design.Cols()) throw ERangeError(kRangeErrorText);
    std::vector<double> column(n);
    if (n > 0) design.GetColumn(j, column.data());
    out.swap(column);
}

void GetDesignRow(const Reg& reg, int i, std::vector<double>& out) {
    const Matrix& design = reg.Design();
    const double* row = design[i];
    out.assign(row, row + design.Cols());
}

double GetDesignMean(const Reg& reg, int j) { return reg.DesignSummary(j).mean; }

double GetDesignStdDev(const Reg& reg, int j) { return reg.DesignSummary(j).sd; }

double GetDesignMax(const Reg& reg, int j) { return reg.DesignSummary(j).max; }

double GetDesignMin(const Reg& reg, int j) { return reg.DesignSummary(j).min; }
