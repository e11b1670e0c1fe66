#include "stats/correlation_matrices.h"

#include <cmath>

#include "core/model/overflowing_sums.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "platform/errors.h"

namespace {

// Smallest eigenvalue relative to the largest below which the correlation
// matrix counts as singular: its inverse would be mostly rounding.
constexpr double kSingularRatio = 1e-12;

bool IsNearlySingular(const Matrix& r, int k) {
    Vector values;
    Matrix vectors;
    if (!r.Eigen(values, vectors)) return true;
    const double largest = values.At(0), smallest = values.At(k - 1);
    return !(largest > 0.0) || !(smallest > kSingularRatio * largest);
}

void ComputePartials(CorrelationMatrices& m, int k) {
    if (k == 0 || IsNearlySingular(m.correlation, k)) return;
    Matrix inverse(k, k);
    try {
        InvertMatrix(m.correlation.Data(), k, inverse.Data(), k, k);
    } catch (const EMathError&) {
        return;
    }
    // A diagonal of mixed signs cannot come from a correlation matrix.
    for (int i = 0; i < k; ++i)
        for (int j = 0; j <= i; ++j)
            if (inverse[j][j] * inverse[i][i] < 0.0) return;
    m.partial.Replace(Matrix(k, k));
    for (int i = 0; i < k; ++i) {
        m.partial[i][i] = 1.0;
        for (int j = 0; j < i; ++j) {
            const double v = -inverse[i][j] / std::sqrt(inverse[j][j] * inverse[i][i]);
            m.partial[i][j] = v;
            m.partial[j][i] = v;
        }
    }
    m.partialAvailable = true;
}

// The first shown column whose sum of squares overflowed.
void RefuseOverflowingColumns(const TFileMatrix& values, const CorrelationMatrices& m, const Matrix& moments) {
    std::vector<double> column;
    for (std::size_t j = 0; j < m.columns.size(); ++j) {
        const int c = static_cast<int>(j);
        if (std::isfinite(moments[c][c])) continue;
        column.resize(static_cast<std::size_t>(values.Rows()));
        values.ReadColumn(m.columns[j], column.data());
        if (SumOfSquaresOverflowed(moments[c][c], column.data(), values.Rows())) throw EOverflowingSums(m.names[j]);
    }
}

}  // namespace

CorrelationMatrices ComputeCorrelationMatrices(const TNamedData& data, const TFileMatrix* alternate, bool selectedOnly) {
    CorrelationMatrices m;
    m.rows = data.Rows();
    for (int j = 0; j < data.Cols(); ++j)
        if (!selectedOnly || data.IsSelected(j) != 0) {
            m.columns.push_back(j);
            m.names.push_back(data.GetColumnName(j));
        }
    const int k = static_cast<int>(m.columns.size());
    Matrix moments(k + 1, k + 1);
    if (alternate != nullptr) {
        if (alternate->Rows() != data.Rows() || alternate->Cols() != data.Cols())
            throw ERangeError("範囲エラー");
        // The moments of every column, cut down to the shown ones: each
        // entry depends on its own pair of columns only.
        Matrix all(data.Cols() + 1, data.Cols() + 1);
        alternate->ComputeMoments(all);
        const int c = data.Cols();
        for (int a = 0; a <= k; ++a)
            for (int b = 0; b <= k; ++b)
                moments[a][b] = all[a < k ? m.columns[a] : c][b < k ? m.columns[b] : c];
    } else {
        data.ComputeMoments(selectedOnly, moments);
    }
    RefuseOverflowingColumns(alternate ? *alternate : static_cast<const TFileMatrix&>(data), m, moments);
    CovarianceToCorrelation(moments, k, m.correlation);
    ComputePartials(m, k);
    return m;
}

std::string CorrelationCellText(const CorrelationMatrices& m, int i, int j, bool partial) {
    if (partial) {
        if (!m.partialAvailable) return std::string();
        return FormatNumber(false, m.partial.At(i, j));
    }
    const double r = m.correlation.At(i, j);
    return r == 0.0 ? std::string("-") : FormatNumber(false, r);
}
