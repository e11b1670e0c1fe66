// WLSE: the weighted sums about the constant term, their sweep, and what
// is formed from them observation by observation.
//
// With the constant term c among the regressors, X'WX is held swept on c:
// the centres a_j = sum w c x_j / sum w c^2 and the cross-products of
// x_j - a_j c, which keep the digits that sums of the values themselves
// lose on data far from zero beside their spread. Every per-observation
// figure is formed from those deviations: a leverage is
// w (c^2 / sum w c^2 + (x - a c)' A^-1 (z - a c)) with A^-1 the swept block
// of the other regressors, a residual (y - a_y) - sum b_j (x_j - a_j).
#include "estimators/weighted_fit_centred.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "core/data/data_set.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/thread_pool.h"
#include "core/settings/engine_context.h"
#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_kernels.h"
#include "platform/errors.h"

SplitCentres::SplitCentres(const std::vector<long double>& centres) {
    for (long double a : centres) {
        hi.push_back(static_cast<double>(a));
        lo.push_back(static_cast<double>(a - hi.back()));
    }
}

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define MERLOX_FMA_CLONES __attribute__((target_clones("fma", "default")))
#else
#define MERLOX_FMA_CLONES
#endif

// A fused multiply-add and the library's give the same bits.
MERLOX_FMA_CLONES void ScaledDeviations(const SplitCentres& centres, int count, const double* x, double c,
                                        double* out) {
    const double* hi = centres.hi.data();
    const double* lo = centres.lo.data();
    for (int j = 0; j < count; ++j) out[j] = std::fma(-hi[j], c, x[j]) - lo[j] * c;
}

Matrix PaddedBlock(const LongMatrix& m, int p, int skip) {
    Matrix out(p, p, 0.0);
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j)
            if (i != skip && j != skip) out[i][j] = static_cast<double>(m[i][j]);
    return out;
}

namespace {

// A pivot at or below this share of its column's size before the sweeps
// is rounding noise: the regressor is constant or a combination of others.
constexpr long double kUnsweptPivot = 1e-13L;

// Sweeps pivots 0 .. p-1 of m but skip (the constant's, swept already),
// leaving those that are rounding noise against size unswept; the first
// of them, or -1.
int SweepRegressors(LongMatrix& m, int p, int skip, const std::vector<long double>& size) {
    int unswept = -1;
    for (int j = 0; j < p; ++j) {
        if (j == skip) continue;
        if (!(std::fabs(m[j][j]) > kUnsweptPivot * size[static_cast<std::size_t>(j)])) {
            if (unswept < 0) unswept = j;
            continue;
        }
        (void)m.Sweep(j);
    }
    return unswept;
}

// The centres of the variables (k of them), from x's sum columns or
// (offset) z's; the constant's own is 1. Zeros without a constant column.
std::vector<long double> CentresOf(const WeightedSums& sums, int offset, int k, int constant) {
    std::vector<long double> centres(static_cast<std::size_t>(k), 0.0L);
    if (constant < 0) return centres;
    for (int j = 0; j < k; ++j) centres[j] = j == constant ? 1.0L : sums.m[constant][offset + j];
    return centres;
}

}  // namespace

int WLSE::FindConstant() const {
    const auto ones = [&](int j) {
        for (long long t = 0; t < n_; ++t)
            if (X(t)[j] != 1.0 || Z(t)[j] != 1.0) return false;
        return true;
    };
    const int named = FindName(Data::ConstantName());
    if (named >= 0 && named < p_ && ones(named)) return named;
    for (int j = 0; j < p_; ++j)
        if (ones(j)) return j;
    return -1;
}

void WLSE::BuildSums(const double* x, const double* z, long long stride, const double* w, WeightedSums& sums) const {
    std::vector<WeightedRows> pieces = {{x, stride, k_}};
    if (z) pieces.push_back({z, stride, k_});
    BuildWeightedSums(n_, pieces, constant_, w, sums, context_->Pool());
}

void WLSE::FormMoments() {
    // The checks' sums stand when the weights are theirs to the bit.
    const bool checked = haveCheckedSums_ && checkedWeights_.size() == weights_.size() &&
                         std::memcmp(checkedWeights_.data(), weights_.data(), weights_.size() * sizeof(double)) == 0;
    haveCheckedSums_ = false;
    std::vector<double>().swap(checkedWeights_);
    if (checked) {
        MomentsFromSums(checkedSums_);
        return;
    }
    WeightedSums sums;
    BuildSums(data_.data(), twoStage_ ? secondData_.data() : nullptr, k_, weights_.data(), sums);
    MomentsFromSums(sums);
}

void WLSE::MomentsFromWork() {
    WeightedSums sums;
    BuildSums(work_.data(), twoStage_ ? work_.data() + k_ : nullptr, workStride_, nullptr, sums);
    MomentsFromSums(sums);
}

int WLSE::SweptFromSums(const WeightedSums& sums, bool twoStage, LongMatrix& m, int except) const {
    // Rows from z (the constant's from its own column), columns from x.
    const LongMatrix& s = sums.m;
    const int z = twoStage ? k_ : 0;
    m.Replace(LongMatrix(k_, k_, 0.0L));
    std::vector<long double> size(static_cast<std::size_t>(k_), 0.0L);
    for (int i = 0; i < k_; ++i) {
        const int row = i == constant_ ? i : z + i;
        for (int j = 0; j < k_; ++j) m[i][j] = s[row][j];
        size[i] = twoStage ? std::sqrt(sums.spread[i] * sums.spread[row]) : sums.spread[i];
    }
    int unswept = -1;
    // No weight on the constant's column leaves nothing to centre on.
    if (constant_ >= 0 && !(m[constant_][constant_] > 0.0L && std::isfinite(m[constant_][constant_])))
        unswept = constant_;
    const int other = SweepRegressors(m, p_, constant_, size);
    if (other >= 0 && (unswept < 0 || other < unswept)) unswept = other;
    // Left out: the constant's sweep is undone, another's done again.
    if (except >= 0 && except != unswept) (void)m.Sweep(except);
    return unswept;
}

void WLSE::MomentsFromSums(const WeightedSums& sums) {
    unswept_ = SweptFromSums(sums, twoStage_, swept_);
    moments_.Replace(Matrix(swept_));
    centreX_ = CentresOf(sums, 0, k_, constant_);
    centreZ_ = twoStage_ ? CentresOf(sums, k_, k_, constant_) : centreX_;
    inverseSum_ = constant_ >= 0 ? sums.m[constant_][constant_] : 0.0L;
    if (!twoStage_) return;
    // Over the regressors, the constant's row and column 0.
    centredXX_.Replace(LongMatrix(p_, p_, 0.0L));
    centredZZ_.Replace(LongMatrix(p_, p_, 0.0L));
    for (int i = 0; i < p_; ++i)
        for (int j = 0; j < p_; ++j)
            if (i != constant_ && j != constant_) {
                centredXX_[i][j] = sums.m[i][j];
                centredZZ_[i][j] = sums.m[k_ + i][k_ + j];
            }
}

void WLSE::CovarianceFromSweep() {
    covariance_.Replace(Matrix(p_, p_, 0.0));
    if (!twoStage_) {
        for (int i = 0; i < p_; ++i)
            for (int j = 0; j < p_; ++j) covariance_[i][j] = static_cast<double>(swept_[i][j]);
        return;
    }
    // With A^-1 the swept block of the other regressors and B their Z'WZ,
    // both about the centres, K = A^-1 B A^-T; the constant's row and
    // column follow from the centres a of x: -a'K, and a'K a + 1 / sum w.
    LongMatrix inverse(p_, p_, 0.0L), ab(p_, p_, 0.0L);
    for (int i = 0; i < p_; ++i)
        for (int j = 0; j < p_; ++j)
            if (i != constant_ && j != constant_) inverse[i][j] = swept_[i][j];
    for (int i = 0; i < p_; ++i)
        for (int j = 0; j < p_; ++j) {
            long double sum = 0.0L;
            for (int l = 0; l < p_; ++l) sum += inverse[i][l] * centredZZ_[l][j];
            ab[i][j] = sum;
        }
    spreadForm_.Replace(LongMatrix(p_, p_, 0.0L));
    for (int i = 0; i < p_; ++i)
        for (int j = 0; j < p_; ++j) {
            long double sum = 0.0L;
            for (int l = 0; l < p_; ++l) sum += ab[i][l] * inverse[j][l];
            spreadForm_[i][j] = sum;
        }
    secondForm_.Replace(centredZZ_);
    for (int j = 0; j < p_; ++j)
        if (j != constant_) (void)secondForm_.Sweep(j);

    LongMatrix c(spreadForm_);
    if (constant_ >= 0) {
        long double corner = inverseSum_;
        for (int j = 0; j < p_; ++j) {
            if (j == constant_) continue;
            long double left = 0.0L, right = 0.0L;
            for (int i = 0; i < p_; ++i) {
                left += centreX_[i] * spreadForm_[i][j];
                right += spreadForm_[j][i] * centreX_[i];
            }
            c[constant_][j] = -left;
            c[j][constant_] = -right;
            corner += left * centreX_[j];
        }
        c[constant_][constant_] = corner;
    }
    covariance_.Replace(Matrix(c));
}

void WLSE::FormCovariance() {
    FormMoments();
    CovarianceFromSweep();
}

void WLSE::Residuals(double* e) const {
    // Over every variable in order: the constant's deviation is 0.
    const SplitCentres centre(centreX_);
    std::vector<double> b(static_cast<std::size_t>(p_), 0.0);
    for (int j : vars_) b[j] = static_cast<double>(swept_[j][p_]);
    const double* hi = centre.hi.data();
    const double* lo = centre.lo.data();
    ForEachBlock(context_->Pool(), n_, kMomentChunkRows, [&](long long first, int count) {
        for (long long t = first; t < first + count; ++t) {
            const double* x = X(t);
            double fit = 0.0;
            for (int j = 0; j < p_; ++j) fit += b[j] * ((x[j] - hi[j]) - lo[j]);
            e[t] = ((x[p_] - hi[p_]) - lo[p_]) - fit;
        }
    });
}

void WLSE::Leverages(double* h, bool scaleByWeight) const {
    const SplitCentres cx(centreX_), cz(centreZ_);
    const std::vector<double> inverse = LeadingBlock(PaddedBlock(swept_, p_, constant_), p_);
    const std::vector<double> spread =
        twoStage_ ? LeadingBlock(PaddedBlock(spreadForm_, p_, -1), p_) : std::vector<double>();
    const double constantPart = static_cast<double>(inverseSum_);
    const int width = twoStage_ ? 2 * p_ : p_;
    ForEachBlock(context_->Pool(), n_, kMomentChunkRows, [&](long long first, int count) {
        // A group of rows about the centres at a time (x's, then z's).
        std::vector<double> d(static_cast<std::size_t>(kRowGroup) * width);
        std::vector<double> products(static_cast<std::size_t>(kRowGroup) * p_), form(kRowGroup), second(kRowGroup);
        for (int c0 = 0; c0 < count; c0 += kRowGroup) {
            const int len = std::min(kRowGroup, count - c0);
            for (int c = 0; c < len; ++c) {
                const long long t = first + c0 + c;
                double* row = &d[static_cast<std::size_t>(c) * width];
                const double* x = X(t);
                for (int j = 0; j < p_; ++j) row[j] = (x[j] - cx.hi[j]) - cx.lo[j];
                if (twoStage_) {
                    const double* z = Z(t);
                    for (int j = 0; j < p_; ++j) row[p_ + j] = (z[j] - cz.hi[j]) - cz.lo[j];
                }
            }
            const double* dz = twoStage_ ? d.data() + p_ : d.data();
            BlockTimesRows(inverse.data(), p_, d.data(), dz, width, len, products.data(), form.data());
            if (twoStage_)
                BlockTimesRows(spread.data(), p_, d.data(), d.data(), width, len, products.data(), second.data());
            for (int c = 0; c < len; ++c) {
                const long long t = first + c0 + c;
                double value = constantPart + form[c];
                if (twoStage_) value = 2.0 * value - (constantPart + second[c]);
                h[t] = scaleByWeight ? weights_[t] * value : value;
            }
        }
    });
}

double WLSE::Predict(const double* x) const {
    // Before the first fit every coefficient is 0.
    if (swept_.Rows() != k_) return 0.0;
    long double sum = 0.0L;
    const long double c = constant_ >= 0 ? x[constant_] : 0.0L;
    if (constant_ >= 0) sum = centreX_[p_] * c;
    for (int j : vars_) sum += swept_[j][p_] * (x[j] - centreX_[j] * c);
    return static_cast<double>(sum);
}

// ---- partial regression -----------------------------------------------------------

void WLSE::PartialResiduals(double* xOut, double* yOut, int j) const {
    if (j < 0 || j >= p_) throw ERangeError(kRangeErrorText);
    // The sums of the transformed rows, from the data and the weights
    // (AR mode: from the filtered rows), regressor j's instrumented row
    // replaced by its own.
    const std::size_t size = static_cast<std::size_t>(n_) * k_;
    std::vector<double> xRows, zRows;
    const double* x = data_.data();
    if (arMode_) {
        xRows.resize(size);
        std::vector<double> column(static_cast<std::size_t>(n_));
        for (int i = 0; i < k_; ++i) {
            ReadTransformedSpan(i, 0, n_, column.data(), false);
            for (int t = 0; t < n_; ++t) xRows[static_cast<std::size_t>(t) * k_ + i] = column[t];
            if (twoStage_) {
                if (zRows.empty()) zRows.resize(size);
                if (i != j) ReadTransformedSpan(i, 0, n_, column.data(), true);
                for (int t = 0; t < n_; ++t) zRows[static_cast<std::size_t>(t) * k_ + i] = column[t];
            }
        }
        x = xRows.data();
    } else if (twoStage_) {
        zRows = secondData_;
        for (int t = 0; t < n_; ++t) zRows[static_cast<std::size_t>(t) * k_ + j] = X(t)[j];
    }
    WeightedSums sums;
    BuildSums(x, twoStage_ ? zRows.data() : nullptr, k_, arMode_ ? nullptr : weights_.data(), sums);
    LongMatrix g;
    (void)SweptFromSums(sums, twoStage_, g, j);
    const std::vector<long double> centre = CentresOf(sums, 0, k_, constant_);

    // Residual of m on the regressors other than j: its deviation less
    // the others' times their coefficients, plus the constant's column
    // times what the centres leave (0 but for rounding when the constant
    // is among them).
    std::vector<int> others;
    for (int l : vars_)
        if (l != j) others.push_back(l);
    const auto residuals = [&](int m, double* out) {
        long double left = centre[m];
        for (int l : others) left -= centre[l] * g[l][m];
        if (constant_ >= 0 && constant_ != j) left -= g[constant_][m];
        for (int t = 0; t < n_; ++t) {
            const double* row = x + static_cast<std::size_t>(t) * k_;
            const long double q = arMode_ ? 1.0 : std::sqrt(weights_[t]);
            const long double c = constant_ >= 0 ? row[constant_] : 0.0L;
            long double sum = row[m] - centre[m] * c;
            for (int l : others) sum -= (row[l] - centre[l] * c) * g[l][m];
            out[t] = static_cast<double>(q * (sum + c * left));
        }
    };
    residuals(p_, yOut);
    residuals(j, xOut);
}
