#include "stats/principal_components.h"

#include <algorithm>
#include <cmath>

#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/numeric/thread_pool.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "stats/component_outliers.h"
#include "stats/factor_rotation.h"

namespace {

constexpr int kRowBlock = 4096;
const char kEigenErrorText[] = "EIGEN ERROR!";

// out (n x cols) = the n x p matrix z times the first cols columns of w,
// elements below 2^-23 in magnitude set to 0, row blocks on the pool.
Matrix MultiplyRowsZeroTiny(ThreadPool* pool, const Matrix& z, int n, int p, const Matrix& w, int cols) {
    Matrix out(n, cols);
    ForEachBlock(pool, n, kRowBlock, [&](long long first, int count) {
        std::vector<double> sum(static_cast<std::size_t>(cols));
        for (int b = 0; b < count; ++b) {
            const int i = static_cast<int>(first) + b;
            const double* zr = z[i];
            std::fill(sum.begin(), sum.end(), 0.0);
            for (int j = 0; j < p; ++j) {
                const double x = zr[j];
                const double* wr = w[j];
                for (int c = 0; c < cols; ++c) sum[c] += x * wr[c];
            }
            double* o = out[i];
            for (int c = 0; c < cols; ++c) o[c] = ZeroIfTiny(sum[c]);
        }
    });
    return out;
}

bool IsConstantColumn(const Matrix& a, int n, int j) {
    const double first = a[0][j];
    for (int i = 1; i < n; ++i)
        if (!(std::fabs(a[i][j] - first) < kDoubleEpsilon)) return false;
    return true;
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
    // A constant has no spread to standardise by.
    for (int j = 0; j < p_; ++j)
        if (IsConstantColumn(raw, n_, j)) throw Exception("定数です = " + varNames_[j]);
    factorCount_ = FactorBound(p_);
    ThreadPool* pool = context_->Pool();
    LongMatrix moments;
    BuildMomentMatrix(raw, n_, p_, moments, pool);
    std::vector<long double> mean(static_cast<std::size_t>(p_)), scale(static_cast<std::size_t>(p_));
    for (int j = 0; j < p_; ++j) {
        const long double ss = moments[j][j];
        if (ss <= 0.0L) throw Exception("定数です = " + varNames_[j]);
        mean[j] = moments[p_][j];
        scale[j] = std::sqrt(static_cast<long double>(n_ - 1) / ss);
    }
    ForEachBlock(pool, n_, kRowBlock, [&](long long first, int count) {
        for (int b = 0; b < count; ++b) {
            double* row = raw[static_cast<int>(first) + b];
            for (int j = 0; j < p_; ++j) row[j] = static_cast<double>((row[j] - mean[j]) * scale[j]);
        }
    });
    swap(standardized_, raw);
    Matrix covariance(p_ + 1, p_ + 1);
    for (int i = 0; i <= p_; ++i)
        for (int j = 0; j <= p_; ++j) covariance[i][j] = static_cast<double>(moments[i][j]);
    CovarianceToCorrelation(covariance, p_, correlation_);
    MakeScoreNames(variableNames);
    outlierTable_ = std::make_unique<TFileMatrix>(context, n_, 2 * p_, 0.0);
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
    Matrix scores = MultiplyRowsZeroTiny(context_->Pool(), standardized_, n_, p_, eigenVectors_, p_);
    swap(scores_, scores);
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
    outlierComponents_ = ComponentOutliers(standardized_, correlation_, n_, p_, *outlierTable_, context_->Pool());
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
    Matrix scores = MultiplyRowsZeroTiny(context_->Pool(), standardized_, n_, p_, weights, m);
    swap(rotated_, rotated);
    swap(factorScores_, scores);
    factorCount_ = m;
}
