// Reg: the checks around a fit (values and results that are not finite
// numbers) and the precise sweep for ill-conditioned models.
#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "core/model/overflowing_sums.h"
#include "core/model/regression_model.h"
#include "core/numeric/precise_moments.h"

namespace {

// A pivot at or below this share of its variable's spread is rounding noise:
// the double values themselves carry no more digits.
constexpr long double kCollinearPivot = 0x1p-52L;

}  // namespace

std::string Reg::NonFiniteValueMessage(const std::vector<int>& indices) const {
    const int k = GetVarCount();
    // Columns whose statistics are out of date (just read from a file) are
    // scanned, each on a worker thread; the first in the order given names
    // the problem.
    const int count = static_cast<int>(indices.size());
    std::vector<int> first(indices.size(), -1);
    const auto scan = [&](int t) {
        const int j = indices[static_cast<std::size_t>(t)];
        if (j >= 0 && j < k) first[static_cast<std::size_t>(t)] = GetVar(j).FirstNonFinite();
    };
    ThreadPool* pool = Pool();
    if (pool != nullptr && count > 1)
        pool->ParallelFor(count, scan);
    else
        for (int t = 0; t < count; ++t) scan(t);
    for (int t = 0; t < count; ++t) {
        const int i = first[static_cast<std::size_t>(t)];
        if (i >= 0) {
            const int j = indices[static_cast<std::size_t>(t)];
            return "変数 " + GetVarName(j) + " の " + std::to_string(i + 1) + " 番目の値が有限の数値ではありません。";
        }
    }
    return {};
}

std::string Reg::NonFiniteResultMessage() const {
    // A variable whose own sum of squares overflows makes other figures
    // (s², every standard error) infinite too: it is the one named.
    std::string overflowing = OverflowingSumsMessage();
    if (!overflowing.empty()) return overflowing;
    const int k = GetVarCount();
    // Without a residual degree of freedom s² is 0/0: its standard errors
    // are undefined, not out of range, and are left as they come.
    const bool noResidual = fit_.residualDf < 1;
    for (int j : SweptIndices()) {
        const double se = fit_.stdErr.At(j);
        if (std::isfinite(fit_.coef.At(j)) && (std::isfinite(se) || (noResidual && std::isnan(se)))) continue;
        const std::string name = j == k ? ConstantName() : GetVarName(j);
        return NonFiniteCoefficientMessage(name);
    }
    // Sums of squares past the largest double (0/0 of a fit without a
    // residual degree of freedom is no overflow, and is left as it is).
    for (const double v : {fit_.s2, fit_.sse, fit_.syy, fit_.varY})
        if (std::isinf(v)) return "数値になりません";
    return {};
}

std::string Reg::OverflowingSumsMessage() const {
    // The sweep runs in long double and still gives the coefficients, but
    // the figures formed from these sums in double (standard errors, VIFs,
    // leverages and every influence measure) would be out of range. A
    // product of two centred variables is no larger than the larger of
    // their squares, so the diagonal alone decides.
    for (int j = 0; j < GetVarCount(); ++j) {
        if (j != dependent_ && role_[j] != kRoleExplanatory) continue;
        if (SumOfSquaresOverflows(j)) return OverflowingSumOfSquaresMessage(GetVarName(j));
    }
    return {};
}

bool Reg::SumOfSquaresOverflows(int j) const {
    const LongMatrix& m = fit_.unswept;
    const int k = GetVarCount();
    if (j < 0 || j >= k || m.Rows() != k + 1 || m.Cols() != k + 1) return false;
    return !(std::fabs(m[j][j]) <= static_cast<long double>(DBL_MAX));
}

std::string NonFiniteCoefficientMessage(const std::string& name) {
    return "変数 " + name + " の係数または標準誤差が有限の数値になりません。";
}

bool Reg::PivotUsable(int m) const { return PivotUsableIn(fit_.moments, m); }

bool Reg::PivotUsableIn(const LongMatrix& moments, int m) const {
    // The original diagonal is kept a millionth of it as the tolerance.
    const long double original = fit_.ToleranceOf(m) * 1e6L;
    return moments[m][m] > original * kCollinearPivot;
}

void Reg::SweepFromUnswept() {
    // A sweep undone by a second one leaves rounding in the last bits of
    // the long double elements, which then show in fitted values and
    // leverages: the model's variables are swept again from the unswept
    // moments in the order a fresh fit takes, so that the same model gives
    // the same bits however it was reached.
    const int k = GetVarCount();
    if (fit_.unswept.Rows() != k + 1 || fit_.unswept.Cols() != k + 1) return;
    LongMatrix fresh(fit_.unswept);
    for (int m = 0; m < k; ++m) {
        if (m == dependent_ || role_[m] != kRoleExplanatory) continue;
        // The same test as the fresh fit's; a model a fresh fit would stop
        // short of keeps the matrix swept step by step.
        if (!PivotUsableIn(fresh, m) || fresh.Sweep(m) == SweepResult::kZeroPivot) return;
    }
    fit_.moments.Replace(fresh);
}

bool Reg::IllConditioned() const {
    const int k = GetVarCount();
    for (int j : SweptIndices()) {
        if (j == k) continue;
        // The swept diagonal is the inverse's; times the original diagonal
        // (kept a millionth of it as the tolerance) it is the inflation factor.
        const long double vif = fit_.moments[j][j] * fit_.ToleranceOf(j) * 1e6L;
        if (!(vif < kMaxLongDoubleVif)) return true;
    }
    return false;
}

void Reg::SweepPrecisely() {
    const int k = GetVarCount();
    FinishPendingDesign();
    PreciseMatrix precise = BuildPreciseMoments(fit_.design.Data(), GetObsCount(), k + 1, k);
    for (int j : SweptIndices())
        if (j != k) static_cast<void>(SweepPrecise(precise, j));  // the fast sweep took the same pivots
    precise.CopyTo(fit_.moments);
}

void Reg::FinishFit() {
    if (IllConditioned()) {
        SweepPrecisely();
        const long double sse = twoStage_ ? StructuralSse() : fit_.moments[dependent_][dependent_];
        UpdateFValues(sse, sse / fit_.residualDf);
    }
    fit_.sse = ComputeResiduals();
    FinishStatistics();
    fitProblem_ = NonFiniteResultMessage();
}
