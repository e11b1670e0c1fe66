#include "stats/principal_components.h"

#include <algorithm>
#include <cmath>

#include "core/model/overflowing_sums.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/numeric/thread_pool.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "stats/component_outliers.h"
#include "stats/factor_rotation.h"
#include "stats/score_kernels.h"

namespace {

constexpr int kRowBlock = 4096;
const char kEigenErrorText[] = "EIGEN ERROR!";

// Index of the first column whose values all equal its first value to
// within rounding (2^-52 of their size, in any units), or -1; one pass
// over the rows.
int FirstConstantColumn(ThreadPool* pool, const Matrix& a, int n, int p) {
    const int blocks = (n + kRowBlock - 1) / kRowBlock;
    std::vector<std::vector<std::uint8_t>> varies(static_cast<std::size_t>(blocks),
                                                  std::vector<std::uint8_t>(static_cast<std::size_t>(p), 0));
    const double* first = a.Data();
    const int stride = a.Cols();
    ForEachBlock(pool, n, kRowBlock, [&](long long start, int count) {
        std::vector<std::uint8_t>& v = varies[static_cast<std::size_t>(start / kRowBlock)];
        for (long long i = start; i < start + count; ++i) {
            const double* row = first + i * stride;
            for (int j = 0; j < p; ++j) {
                const double scale = std::max(std::fabs(row[j]), std::fabs(first[j]));
                if (!(std::fabs(row[j] - first[j]) <= kDoubleEpsilon * scale)) v[j] = 1;
            }
        }
    });
    for (int j = 0; j < p; ++j) {
        bool any = false;
        for (const auto& v : varies) any = any || v[j] != 0;
        if (!any) return j;
    }
    return -1;
}

}  // namespace

int PCA::FactorBound(int p) {
    if (p < 1) return 0;
    return TruncToInt(p + 0.5 - 0.5 * std::sqrt(8.0 * p + 1.0), "factor bound");
}

PCA::PCA(EngineContext& context, Matrix raw, std::vector<std::string> names, const NameInUse& variableNames)
    : context_(&context), n_(raw.Rows()), p_(raw.Cols()), varNames_(std::move(names)) {
    if (n_ == 0 || p_ == 0) throw Exception("DERR");
    varNames_.resize(static_cast<std::size_t>(p_));
    ThreadPool* pool = context_->Pool();
    LongMatrix moments;
    BuildMomentMatrix(raw, n_, p_, moments, pool);
    // Past the largest double no standardised value or correlation of the
    // variable would be a figure.
    for (int j = 0; j < p_; ++j)
        if (SumOfSquaresOverflowed(moments[j][j], raw.Data() + j, n_, p_)) throw EOverflowingSums(varNames_[j]);
    // A constant has no spread to standardise by.
    const int constant = FirstConstantColumn(pool, raw, n_, p_);
    if (constant >= 0) throw Exception("定数です = " + varNames_[constant]);
    factorCount_ = FactorBound(p_);
    std::vector<double> mean(static_cast<std::size_t>(p_)), scale(static_cast<std::size_t>(p_));
    for (int j = 0; j < p_; ++j) {
        const long double ss = moments[j][j];
        if (ss <= 0.0L) throw Exception("定数です = " + varNames_[j]);
        mean[j] = static_cast<double>(moments[p_][j]);
        scale[j] = static_cast<double>(std::sqrt(static_cast<long double>(n_ - 1) / ss));
    }
    double* values = raw.Data();
    ForEachBlock(pool, n_, kRowBlock, [&](long long first, int count) {
        for (long long i = first; i < first + count; ++i) {
            double* row = values + i * p_;
            for (int j = 0; j < p_; ++j) row[j] = (row[j] - mean[j]) * scale[j];
        }
    });
    swap(standardized_, raw);
    Matrix covariance(p_ + 1, p_ + 1);
    for (int i = 0; i <= p_; ++i)
        for (int j = 0; j <= p_; ++j) covariance[i][j] = static_cast<double>(moments[i][j]);
    CovarianceToCorrelation(covariance, p_, correlation_);
    MakeScoreNames(variableNames);
    method_ = kMethodVarimax;
    Compute(0);
}

PCA::~PCA() = default;

void PCA::Compute(int m) {
    ZeroTinyDoubles(p_ * p_, correlation_.Data());
    Vector values;
    Matrix vectors;
    // Unconverged values would come out unsorted and unsigned; a value that
    // is not a number (in the data) never converges to anything.
    bool usable = std::all_of(correlation_.begin(), correlation_.end(), [](double x) { return std::isfinite(x); }) &&
                  correlation_.Eigen(values, vectors);
    if (!usable) throw EMathError(kEigenErrorText);
    eigenValues_.Resize(p_, false);
    contribution_.Resize(p_, false);
    cumulative_.Resize(p_, false);
    for (int i = 0; i < p_; ++i) {
        eigenValues_.At(i) = ZeroIfTiny(values.At(i));
        contribution_.At(i) = eigenValues_.At(i) * (1.0 / p_);
        cumulative_.At(i) = i == 0 ? contribution_.At(0) : cumulative_.At(i - 1) + contribution_.At(i);
    }
    eigenVectors_.Replace(vectors);
    MultiplyRowsZeroTiny(context_->Pool(), standardized_, n_, p_, eigenVectors_, p_, scores_);
    loadings_.Replace(Matrix(p_, p_));
    communality_.Replace(Matrix(p_, p_));
    for (int i = 0; i < p_; ++i) {
        // A correlation matrix has no negative eigenvalue; rounding may
        // still leave one just below zero.
        const double root = std::sqrt(std::max(0.0, eigenValues_.At(i)));
        for (int j = 0; j < p_; ++j) {
            loadings_[j][i] = eigenVectors_[j][i] * root;
            communality_[j][i] = loadings_[j][i] * loadings_[j][i] + (i > 0 ? communality_[j][i - 1] : 0.0);
        }
    }
    int d = 0;
    for (int i = 0; i < p_; ++i)
        if (eigenValues_.At(i) > 1.0) ++d;
    if (m <= 0) m = d;
    try {
        ExtractFactors(m);
    } catch (const Exception&) {
        ExtractFactors(d);
    }
    outliersCurrent_ = false;
}

void PCA::UpdateOutlierTable() const {
    if (outliersCurrent_) return;
    if (!outlierTable_) outlierTable_ = std::make_unique<TFileMatrix>(*context_, n_, 2 * p_, 0.0);
    outlierComponents_ = ComponentOutliers(standardized_, correlation_, n_, p_, *outlierTable_, context_->Pool());
    outliersCurrent_ = true;
}

int PCA::OutlierComponents() const {
    UpdateOutlierTable();
    return outlierComponents_;
}

void PCA::ExtractFactors(int m) {
    m = std::clamp(m, 1, p_);
    Matrix rotated(p_, m);
    Matrix weights;
    if (method_ == kMethodMinres) {
        for (int j = 0; j < p_; ++j)
            for (int c = 0; c < m; ++c) rotated[j][c] = eigenVectors_[j][c];
        MinresFactors(correlation_, p_, m, rotated);
        if (m > 1) {
            VarimaxRotate(rotated, rotated, m, p_);
        } else {
            double ss = 0.0;
            for (int j = 0; j < p_; ++j) ss += rotated[j][0] * rotated[j][0];
            const double length = std::sqrt(ss);
            if (length > 0.0)
                for (int j = 0; j < p_; ++j) rotated[j][0] /= length;
        }
        // Regression weights R^-1 B; a singular R raises "INVERSE ERROR!".
        weights.Replace(correlation_.Inverse().Multiply(rotated));
    } else {
        for (int j = 0; j < p_; ++j)
            for (int c = 0; c < m; ++c) rotated[j][c] = loadings_[j][c];
        if (m > 1) VarimaxRotate(rotated, rotated, m, p_);
        weights.Replace(rotated);
    }
    MultiplyRowsZeroTiny(context_->Pool(), standardized_, n_, p_, weights, m, factorScores_);
    swap(rotated_, rotated);
    factorCount_ = m;
}
