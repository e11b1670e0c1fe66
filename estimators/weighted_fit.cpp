// WLSE: construction, the weighted moments and covariance, and the
// estimation driver.
#include "estimators/weighted_fit.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "core/data/data_set.h"
#include "core/model/perfect_fit.h"
#include "core/model/regression_model.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/numeric/streamed_store.h"
#include "core/settings/engine_context.h"
#include "estimators/weighted_fit_kernels.h"
#include "platform/errors.h"

void WLSE::SetUp(EngineContext& context, int n, int k) {
    context_ = &context;
    n_ = n;
    k_ = k;
    p_ = k - 1;
    residualDf_ = n - p_;
    if (p_ < 1 || n - p_ < 2) {
        data_.clear();
        secondData_.clear();
        names_.clear();
        throw Exception("自由度不足");
    }
    tDf = n - p_;
    moments_.Replace(Matrix(k, k, 0.0));
    covariance_.Replace(Matrix(p_, p_, 0.0));
    coefficients_.assign(p_, 0.0);
    standardErrors_.assign(p_, 0.0);
    heldStandardErrors_.assign(p_, 0.0);
    weights_.assign(n, 1.0);
    constant_ = FindConstant();
    for (int j = 0; j < p_; ++j)
        if (j != constant_) vars_.push_back(j);
    if (context.FileTablesForced()) {
        transformed_ = std::make_unique<WeightedFitStore>(context, k, n);
        if (twoStage_) secondTransformed_ = std::make_unique<WeightedFitStore>(context, k, n);
    }
    results_ = std::make_unique<WeightedFitStore>(context, p_ + 16, n);
    tuning = 1.345;
    iterations_ = 0;
    boundedInfluence = false;
}

WLSE::~WLSE() = default;

// ---- reading ----------------------------------------------------------------

double WLSE::GetTransformed(int j, int t) const {
    double v = 0.0;
    ReadTransformedSpan(j, t, 1, &v, false);
    return v;
}

double WLSE::GetSecondTransformed(int j, int t) const {
    double v = 0.0;
    ReadTransformedSpan(j, t, 1, &v, true);
    return v;
}

double WLSE::GetResult(int row, int t) const { return results_->GetValue(row, t); }

void WLSE::ReadTransformedRow(int j, double* out) const { ReadTransformedSpan(j, 0, n_, out, false); }

void WLSE::ReadSecondTransformedRow(int j, double* out) const { ReadTransformedSpan(j, 0, n_, out, true); }

void WLSE::ReadResidualRow(int row, double* out) const { results_->ReadSpan(row, 0, n_, out); }

void WLSE::ReadResultSpan(int row, int first, int count, double* out) const {
    results_->ReadSpan(row, first, count, out);
}

void WLSE::ReadTransformedSpan(int j, int first, int count, double* out, bool second) const {
    if (transformed_) {
        const WeightedFitStore& m = second && secondTransformed_ ? *secondTransformed_ : *transformed_;
        m.ReadSpan(j, first, count, out);
        return;
    }
    // The instrumented rows follow the others in a two-stage row.
    const int offset = second && transformedStride_ == 2 * k_ ? k_ : 0;
    ReadObservationMajorSpan(transformedRows_.empty() ? nullptr : transformedRows_.data(), transformedStride_, offset,
                             k_, n_, j, first, count, out);
}

double WLSE::GetData(int j, int t) const {
    if (j < 0 || j >= k_ || t < 0 || t >= n_) throw ERangeError(kRangeErrorText);
    return X(t)[j];
}

int WLSE::FindName(const std::string& name) const {
    for (int i = 0; i < k_ && i < static_cast<int>(names_.size()); ++i)
        if (names_[i] == name) return i;
    return -1;
}

// ---- weights ------------------------------------------------------------------

namespace {

const char* const kBadWeightsText = "重みには有限で負でない値を指定してください（すべて０は不可）。";

bool UsableWeights(const double* w, int n) {
    bool anyPositive = false;
    for (int t = 0; t < n; ++t) {
        if (!std::isfinite(w[t]) || w[t] < 0.0) return false;
        if (w[t] > 0.0) anyPositive = true;
    }
    return anyPositive;
}

}  // namespace

void WLSE::SetWeights(const double* w) {
    if (!UsableWeights(w, n_)) throw Exception(kBadWeightsText);
    weights_.assign(w, w + n_);
}

// ---- moments ------------------------------------------------------------------

namespace {

constexpr double kLargestDouble = std::numeric_limits<double>::max();
constexpr double kSmallestNormal = std::numeric_limits<double>::min();

const char* const kNotANumberText = "数値になりません";

}  // namespace

long long WLSE::FirstNonFinite(long long first, int count) const {
    const bool second = !secondData_.empty();
    for (long long t = first; t < first + count; ++t)
        for (int j = 0; j < k_; ++j)
            if (!std::isfinite(X(t)[j]) || (second && !std::isfinite(Z(t)[j]))) return t * k_ + j;
    return -1;
}

long long WLSE::TransformRows(const double* w, bool findBad, const double* rowsOf) {
    const int stride = twoStage_ ? 2 * k_ : k_;
    // Rows held are rows of this shape only; the values are checked in a
    // pass over every row.
    if (findBad || workStride_ != stride || work_.size() != static_cast<std::size_t>(n_) * stride) rowsOf = nullptr;
    workStride_ = stride;
    work_.resize(static_cast<std::size_t>(n_) * workStride_);
    auto formRow = [&](long long t, double* out) {
        const double r = std::sqrt(w[t]);
        const double* x = X(t);
        for (int j = 0; j < k_; ++j) out[j] = r * x[j];
        if (twoStage_) {
            const double* z = Z(t);
            for (int j = 0; j < k_; ++j) out[k_ + j] = r * z[j];
        }
    };
    if (rowsOf) {
        // Equal weights give equal rows: only the rows whose weight changed
        // are formed again (in a robust fit, those of large residuals).
        ForEachBlock(context_->Pool(), n_, kMomentChunkRows, [&](long long first, int count) {
            for (long long t = first; t < first + count; ++t)
                if (std::bit_cast<std::uint64_t>(w[t]) != std::bit_cast<std::uint64_t>(rowsOf[t]))
                    formRow(t, WorkRow(t));
        });
        workWeights_.assign(w, w + n_);
        return -1;
    }
    const bool second = !secondData_.empty();
    const long long blocks = (static_cast<long long>(n_) + kMomentChunkRows - 1) / kMomentChunkRows;
    std::vector<long long> firstBad(findBad ? static_cast<std::size_t>(blocks) : 0, -1);
    // Rows are formed a group at a time in a small buffer and streamed to
    // the work arrays past the cache: they are far larger than it, and
    // read again only by the next pass.
    const int groupRows = std::max(1, 4096 / stride);
    ForEachBlock(context_->Pool(), n_, kMomentChunkRows, [&](long long first, int count) {
        std::vector<double> buffer(static_cast<std::size_t>(std::min(groupRows, count)) * stride);
        long long* bad = findBad ? &firstBad[static_cast<std::size_t>(first / kMomentChunkRows)] : nullptr;
        for (long long g = first; g < first + count; g += groupRows) {
            const int rows = static_cast<int>(std::min<long long>(groupRows, first + count - g));
            const std::size_t values = static_cast<std::size_t>(rows) * stride;
            for (int c = 0; c < rows; ++c) formRow(g + c, &buffer[static_cast<std::size_t>(c) * stride]);
            if (bad && *bad < 0) {
                // sqrt(w) x is finite exactly when x is, but for a product
                // that overflows: the rows are searched when a value is not.
                bool finite = true;
                for (std::size_t i = 0; i < values; ++i) finite &= std::fabs(buffer[i]) <= kLargestDouble;
                if (!finite || (second && !twoStage_)) *bad = FirstNonFinite(g, rows);
            }
            StreamValues(buffer.data(), values, WorkRow(g));
        }
        FinishStreamedValues();
    });
    workWeights_.assign(w, w + n_);
    for (long long bad : firstBad)
        if (bad >= 0) return bad;
    return -1;
}

const double* WLSE::WorkRowsWeights() const {
    return workWeights_.size() == static_cast<std::size_t>(n_) ? workWeights_.data() : nullptr;
}

void WLSE::WriteTransformedTables() {
    if (!transformed_) return;
    ForEachBlock(context_->Pool(), n_, kMomentChunkRows, [&](long long first, int count) {
        std::vector<double> span(count);
        auto write = [&](WeightedFitStore& table, int j, int offset) {
            for (int c = 0; c < count; ++c) span[c] = WorkRow(first + c)[offset + j];
            table.WriteSpan(j, static_cast<int>(first), count, span.data());
        };
        for (int j = 0; j < k_; ++j) {
            write(*transformed_, j, 0);
            if (twoStage_) write(*secondTransformed_, j, k_);
        }
    });
}

// ---- estimation ------------------------------------------------------------------

int WLSE::EffectiveCount() const {
    if (arMode_) return n_;
    int count = 0;
    for (double w : weights_)
        if (w > 0.0) ++count;
    return count;
}

void WLSE::CheckFitPossible(const std::vector<double>& w, WeightedSums& sums) {
    const long long bad = TransformRows(w.data(), true);
    if (bad >= 0) {
        const long long t = bad / k_;
        throw Exception("変数 " + names_[static_cast<std::size_t>(bad % k_)] + " の " + std::to_string(t + 1) +
                        " 番目の値が有限の数値ではありません。");
    }
    int count = 0;
    for (double v : w)
        if (v > 0.0) ++count;
    if (count - p_ < 2) throw Exception("自由度不足");
    BuildSums(data_.data(), twoStage_ ? secondData_.data() : nullptr, k_, w.data(), sums);
    // Sums beyond the range of double, or weighted squares below its normal
    // range (weights near 0), give no finite fit: the sweep divides by them.
    // The variable named is the first whose square is at fault, else the
    // first with such a cross-product; with the dependent variable's, every
    // standard error goes, the first named.
    const auto refuse = [&](int j) {
        throw Exception(NonFiniteCoefficientMessage(names_[static_cast<std::size_t>(j < p_ ? j : 0)]));
    };
    const int c = constant_;
    // Variable j's row of the sums, x's or z's.
    const auto sumRow = [&](int j, bool second) { return j == c ? c : j + (second ? k_ : 0); };
    const int sides = twoStage_ ? 2 : 1;
    // Weights near 0 are named by the plain sums of squares, sum w x^2,
    // then any variable by its sum about the centre.
    const long double constantSum = c >= 0 ? 1.0L / sums.m[c][c] : 0.0L;
    const auto tiny = [](long double d) { return d != 0.0L && std::fabs(d) < kSmallestNormal; };
    for (int side = 0; side < sides; ++side)
        for (int j = 0; j < k_; ++j) {
            const int row = sumRow(j, side == 1);
            const long double centre = c >= 0 ? sums.m[c][row] : 0.0L;
            const long double plain = j == c ? constantSum : sums.m[row][row] + centre * centre * constantSum;
            if (tiny(plain)) refuse(j);
        }
    for (int side = 0; side < sides; ++side)
        for (int j = 0; j < k_; ++j) {
            const long double d = sums.spread[sumRow(j, side == 1)];
            if (!(d <= kLargestDouble) || tiny(d)) refuse(j);
        }
    for (int side = 0; side < sides; ++side)
        for (int j = 0; j < k_; ++j)
            for (int l = 0; l < sums.m.Cols(); ++l)
                if (!(std::fabs(sums.m[sumRow(j, side == 1)][l]) <= kLargestDouble)) refuse(j);
    LongMatrix m;
    int unswept = SweptFromSums(sums, twoStage_, m);
    // Without a column of ones the regressors are swept in order: when the
    // constant term is the one left, name the regressor that took its
    // place, one whose values do not vary.
    if (unswept >= 0 && names_[unswept] == Data::ConstantName())
        for (int j = 0; j < p_; ++j) {
            bool varies = false;
            double first = 0.0;
            bool seen = false;
            for (int t = 0; t < n_ && !varies; ++t) {
                if (!(w[t] > 0.0)) continue;
                if (seen && X(t)[j] != first) varies = true;
                if (!seen) first = X(t)[j], seen = true;
            }
            if (!varies && names_[j] != Data::ConstantName()) {
                unswept = j;
                break;
            }
        }
    if (unswept >= 0)
        throw Exception("変数 " + names_[unswept] +
                        " は定数か他の説明変数の一次結合のため係数を推定できません（TOL CHECK）。");
}

bool WLSE::Estimate(int mode) {
    const double tuningBefore = tuning;
    // Without a fit on show, a refusal puts back the weights as they came.
    std::vector<double> weightsBefore;
    if (!shown_) weightsBefore = weights_;
    bool started = false;
    bool ok;
    try {
        ok = Fit(mode, started);
        CheckFiniteResult();
    } catch (...) {
        RestoreShownFit(started, weightsBefore, tuningBefore);
        throw;
    }
    ShownFit shown;
    shown.mode = mode;
    shown.weights = weights_;
    shown.tuningBefore = tuningBefore;
    shown.tuningAfter = tuning;
    shown.tDf = tDf;
    shown.boundedInfluence = boundedInfluence;
    shown.scale = scale_;
    shown.arVariance = arVariance_;
    shown.madDivisor = madDivisor_;
    shown_ = std::move(shown);
    return ok;
}

void WLSE::CheckFiniteResult() const {
    for (int j = 0; j < p_; ++j)
        if (!std::isfinite(coefficients_[j]) || !std::isfinite(standardErrors_[j]))
            throw Exception(NonFiniteCoefficientMessage(names_[static_cast<std::size_t>(j)]));
    for (double v : {s2_, sse_, syy_, varY_, durbinWatson_, gk_})
        if (!std::isfinite(v)) throw Exception(kNotANumberText);
}

void WLSE::RestoreShownFit(bool refit, const std::vector<double>& weightsBefore, double tuningBefore) {
    if (!shown_) {
        weights_ = weightsBefore;
        tuning = tuningBefore;
        if (refit) ClearResults();
        return;
    }
    const ShownFit shown = *shown_;
    weights_ = shown.weights;
    tDf = shown.tDf;
    boundedInfluence = shown.boundedInfluence;
    tuning = shown.tuningAfter;
    if (!refit) return;
    // The same inputs make the same fit, to the bit.
    tuning = shown.tuningBefore;
    bool started = false;
    (void)Fit(shown.mode, started);
    scale_ = shown.scale;
    arVariance_ = shown.arVariance;
    madDivisor_ = shown.madDivisor;
    if (shown.huber) (void)HuberCovariance();
    shown_ = shown;
}

void WLSE::ClearResults() {
    ClearAR();
    residualDf_ = n_ - p_;
    iterations_ = weightKind_ = regressionDf_ = 0;
    moments_.Replace(Matrix(k_, k_, 0.0));
    covariance_.Replace(Matrix(p_, p_, 0.0));
    swept_.Clear();
    centreX_.clear();
    centreZ_.clear();
    inverseSum_ = 0.0L;
    coefficients_.assign(p_, 0.0);
    standardErrors_.assign(p_, 0.0);
    heldStandardErrors_.assign(p_, 0.0);
    s2_ = varY_ = r2_ = adjR2_ = durbinWatson_ = scale_ = gk_ = sse_ = syy_ = arVariance_ = 0.0;
    perfectFit_ = false;
    madDivisor_ = 0.0f;
    unswept_ = -1;
    decltype(transformedRows_)().swap(transformedRows_);
    transformedStride_ = 0;
    if (transformed_) transformed_ = std::make_unique<WeightedFitStore>(*context_, k_, n_);
    if (secondTransformed_) secondTransformed_ = std::make_unique<WeightedFitStore>(*context_, k_, n_);
    results_ = std::make_unique<WeightedFitStore>(*context_, p_ + 16, n_);
}

bool WLSE::Fit(int mode, bool& started) {
    // Kind 0 fits with the weights as they stand; after an AR fit they hold
    // predictions, which may not serve as weights.
    if (mode == 0 && !UsableWeights(weights_.data(), n_)) throw Exception(kBadWeightsText);
    // Every other procedure starts from equal weights.
    // The checks' sums, if the procedure leaves them unused, go with it.
    // The work arrays, too, go when the fit ends or fails.
    struct DropChecked {
        WLSE& fit;
        ~DropChecked() {
            fit.haveCheckedSums_ = false;
            std::vector<double>().swap(fit.checkedWeights_);
            fit.checkedSums_ = WeightedSums();
            decltype(fit.work_)().swap(fit.work_);
            std::vector<double>().swap(fit.workWeights_);
        }
    } dropChecked{*this};
    haveCheckedSums_ = false;
    checkedWeights_ = mode == 0 ? weights_ : std::vector<double>(static_cast<std::size_t>(n_), 1.0);
    CheckFitPossible(checkedWeights_, checkedSums_);
    haveCheckedSums_ = true;
    started = true;
    UiServices& ui = context_->Services();
    // One step per pass, one after the procedure and one after the table.
    progressCaption_ = mode > kModeAROffset ? "自己回帰過程" : "加重回帰";
    progressShown_ = progressCaption_;
    ui.ProgressBegin(progressCaption_, kPassLimit + 2);
    struct ProgressEnd {
        UiServices& ui;
        ~ProgressEnd() { ui.ProgressEnd(); }
    } progressEnd{ui};

    bool ok;
    if (mode > kModeAROffset) {
        ok = EstimateAR(mode - kModeAROffset);
        // An AR process that could not be estimated leaves the plain fit.
        if (!ok) (void)Reweight(-1);
    } else {
        ok = Reweight(mode);
    }
    ui.ProgressStep();
    ComputeTable();
    ui.ProgressStep();
    // In memory the work arrays' rows become the transformed data.
    if (!transformed_) {
        transformedRows_.swap(work_);
        transformedStride_ = workStride_;
    }

    decltype(work_)().swap(work_);
    std::vector<double>().swap(workWeights_);
    const double* residual = results_->Row(kRowTransformedResidual);
    const double* fitted = results_->Row(kRowTransformedFitted);
    std::vector<double> residualCopy, fittedCopy;
    if (!residual) {
        residualCopy.resize(n_);
        fittedCopy.resize(n_);
        results_->ReadSpan(kRowTransformedResidual, 0, n_, residualCopy.data());
        results_->ReadSpan(kRowTransformedFitted, 0, n_, fittedCopy.data());
        residual = residualCopy.data();
        fitted = fittedCopy.data();
    }
    const ResidualTests tests = ResidualTestsOf(fitted, residual, n_, perfectFit_);
    durbinWatson_ = tests.durbinWatson;
    gk_ = tests.gk;

    regressionDf_ = p_;
    if (IsConstantSeries(weights_.data(), n_) && !arMode_ && FindName(Data::ConstantName()) > 0)
        regressionDf_ = p_ - 1;
    return ok;
}
