// Building an analysis from the data set's block or from a named table.
#include <algorithm>

#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/numeric/thread_pool.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "stats/principal_components.h"

namespace {

constexpr int kReadBlockRows = 4096;

bool Flagged(const std::vector<std::uint8_t>& flags, int j) {
    return j < static_cast<int>(flags.size()) && flags[static_cast<std::size_t>(j)] != 0;
}

}  // namespace

std::unique_ptr<PCA> MakeDataSetPCA(const Reg& reg, std::uint16_t groupMask, const std::vector<std::uint8_t>& varFlags,
                                    const NameInUse& variableNames) {
    std::vector<std::uint8_t> obsFlags;
    std::vector<std::string> listed;
    int varCount = 0, obsCount = 0;
    if (!SelectDataBlock(reg, groupMask, false, &obsFlags, &listed, varCount, obsCount)) throw Exception("DERR");
    std::vector<int> vars;
    std::vector<std::string> names;
    for (int j = 0; j < varCount; ++j)
        if (Flagged(varFlags, j)) {
            vars.push_back(reg.FindVar(listed[static_cast<std::size_t>(j)]));
            names.push_back(listed[static_cast<std::size_t>(j)]);
        }
    const int p = static_cast<int>(vars.size());
    if (p == 0) throw Exception("DERR");
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(obsCount));
    for (int i = 0; i < static_cast<int>(obsFlags.size()) && i < reg.GetObsCount(); ++i)
        if (obsFlags[static_cast<std::size_t>(i)] != 0) rows.push_back(i);
    std::vector<const double*> columns;
    for (int v : vars) columns.push_back(reg.GetVar(v).Data());
    const int n = static_cast<int>(rows.size());
    Matrix raw(n, p);
    // Row blocks, so that each block of the matrix is written while cached.
    double* values = raw.Data();
    ForEachBlock(reg.Context().Pool(), n, kReadBlockRows, [&](long long first, int count) {
        for (int k = 0; k < p; ++k) {
            const double* column = columns[static_cast<std::size_t>(k)];
            for (long long r = first; r < first + count; ++r) values[r * p + k] = column[rows[static_cast<std::size_t>(r)]];
        }
    });
    return std::make_unique<PCA>(reg.Context(), std::move(raw), std::move(names), variableNames);
}

std::unique_ptr<PCA> MakeTablePCA(const TNamedData& table, const std::vector<std::uint8_t>& colFlags,
                                  const NameInUse& variableNames) {
    std::vector<int> cols;
    std::vector<std::string> names;
    for (int j = 0; j < table.Cols(); ++j)
        if (Flagged(colFlags, j)) {
            cols.push_back(j);
            names.push_back(table.GetColumnName(j));
        }
    const int n = table.Rows(), p = static_cast<int>(cols.size());
    if (n == 0 || p == 0) throw Exception("DERR");
    Matrix raw(n, p);
    const int width = table.Cols();
    std::vector<double> block(static_cast<std::size_t>(kReadBlockRows) * width);
    for (int first = 0; first < n; first += kReadBlockRows) {
        const int count = std::min(kReadBlockRows, n - first);
        table.ReadRows(first, count, block.data());
        for (int r = 0; r < count; ++r)
            for (int k = 0; k < p; ++k)
                raw[first + r][k] = block[static_cast<std::size_t>(r) * width + cols[static_cast<std::size_t>(k)]];
    }
    return std::make_unique<PCA>(table.Context(), std::move(raw), std::move(names), variableNames);
}
