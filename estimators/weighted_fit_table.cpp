// WLSE: the statistics and the per-observation table of a finished fit.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/model/leverage_forms.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/thread_pool.h"
#include "core/settings/engine_context.h"
#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_kernels.h"
#include "platform/ui_services.h"

namespace {

// Partial sums of one block, combined in block order so that the totals do
// not depend on the thread count.
struct BlockSums {
    double count = 0.0, mean = 0.0, m2 = 0.0;  // of the transformed y
    long double sse = 0.0L;
    std::vector<long double> xe;    // X*'e (two-stage)
    std::vector<long double> gram;  // X*'X* over the regressors (two-stage)
};

// 1 - h is held here before it divides, so that a leverage past 1 (of
// the two-stage forms) gives finite rows. A leverage of 1 has no figure
// that divides by it.
double OneMinus(double h) { return std::max(1.0 - h, kSingleEpsilon); }

// Where one block's values of some table rows go: straight into the
// table's memory, or into buffers that go to its file after the block.
class BlockRows {
public:
    BlockRows(WeightedFitStore& table, const int* codes, int rows, long long first, int count)
        : table_(table), codes_(codes), rows_(rows), first_(static_cast<int>(first)), count_(count), out_(rows) {
        if (!table.InMemory()) buffer_.resize(static_cast<std::size_t>(rows) * count);
        for (int r = 0; r < rows; ++r)
            out_[static_cast<std::size_t>(r)] = table.InMemory() ? table.Row(codes[r]) + first
                                                                 : buffer_.data() + static_cast<std::size_t>(r) * count;
    }
    // The block's values of row r (count of them).
    double* operator[](int r) const { return out_[static_cast<std::size_t>(r)]; }
    // The file form's buffers into the file.
    void Flush() {
        if (table_.InMemory()) return;
        for (int r = 0; r < rows_; ++r) table_.WriteSpan(codes_[r], first_, count_, out_[static_cast<std::size_t>(r)]);
    }

private:
    WeightedFitStore& table_;
    const int* codes_;
    int rows_, first_, count_;
    std::vector<double*> out_;
    std::vector<double> buffer_;
};

}  // namespace

void WLSE::ComputeTable() {
    const int p = p_;
    const long long n = n_;
    const int blocks = static_cast<int>((n + kMomentChunkRows - 1) / kMomentChunkRows);
    std::vector<BlockSums> sums(blocks);
    // The rows the second pass reads again: the table's own in memory,
    // else copies kept here.
    const bool inMemory = results_->InMemory();
    std::vector<double> e(inMemory ? 0 : n), h(inMemory ? 0 : n), a(inMemory ? 0 : n), b(inMemory ? 0 : n);
    ThreadPool* pool = context_->Pool();
    // Observations of weight 0 are no observations (AR mode keeps its
    // predictions where the weights were).
    const bool skipZero = !arMode_;
    const int effective = EffectiveCount();
    residualDf_ = effective - p_;
    // The swept block copied out once, and the coefficients, for the row
    // kernels.
    const std::vector<double> swept = LeadingBlock(moments_, p);
    std::vector<double> coef(static_cast<std::size_t>(p));
    for (int j = 0; j < p; ++j) coef[static_cast<std::size_t>(j)] = moments_[j][p];
    // Observations that alone hold a transformed regressor: leverage 1.
    const std::vector<long long> sole = SoleObservations(n, p, [&](int j, long long t) {
        return WorkRow(t)[j] != 0.0 || WorkZ(t)[j] != 0.0;
    });

    // Observed, fitted and residual rows, leverages; outside two-stage mode
    // the coefficient changes too, from the products formed here anyway.
    std::vector<int> firstCodes = {kRowObserved,          kRowFitted,
                                   kRowResidual,          kRowErrorPercent,
                                   kRowTransformedFitted, kRowTransformedResidual,
                                   kRowPress,             kRowTwoStageA,
                                   kRowTwoStageB,         kRowLeverage};
    const bool changesFirst = !twoStage_;
    if (changesFirst)
        for (int j = 0; j < p; ++j) firstCodes.push_back(kRowCoefChange + j);
    ForEachBlock(pool, n, kMomentChunkRows, [&](long long first, int count) {
        BlockSums& s = sums[first / kMomentChunkRows];
        if (twoStage_) {
            s.xe.assign(p, 0.0L);
            s.gram.assign(static_cast<std::size_t>(p) * p, 0.0L);
        }
        BlockRows rows(*results_, firstCodes.data(), static_cast<int>(firstCodes.size()), first, count);
        double* observed = rows[0];
        double* fitted = rows[1];
        double* residual = rows[2];
        double* percent = rows[3];
        double* tFitted = rows[4];
        double* tResidual = rows[5];
        double* press = rows[6];
        double* rowA = rows[7];
        double* rowB = rows[8];
        double* rowH = rows[9];
        std::vector<double> products(static_cast<std::size_t>(kRowGroup) * p), levs(kRowGroup);
        for (int c = 0; c < count; ++c) {
            const long long t = first + c;
            if (c % kRowGroup == 0)
                BlockTimesRows(swept.data(), p, WorkRow(t), WorkZ(t), workStride_, std::min(kRowGroup, count - c),
                               products.data(), levs.data());
            const double* x = X(t);
            double fit = 0.0;
            for (int j = 0; j < p; ++j) fit += x[j] * coef[j];
            observed[c] = x[p];
            fitted[c] = fit;
            residual[c] = observed[c] - fitted[c];
            const double y = std::fabs(x[p]) < kDoubleEpsilon ? kDoubleEpsilon : x[p];
            percent[c] = 100.0 * residual[c] / y;

            const double* xs = WorkRow(t);
            const double* zs = WorkZ(t);
            double tfit = 0.0;
            for (int j = 0; j < p; ++j) tfit += xs[j] * coef[j];
            const double lev = LeverageAt(levs[c % kRowGroup], t, sole);
            double av = lev, bv = lev;
            if (twoStage_) {
                av = LeverageAt(QuadraticForm(covariance_, xs, xs, p), t, sole);
                bv = LeverageAt(QuadraticForm(secondCovariance_, zs, zs, p), t, sole);
            }
            const double ys = xs[p];
            const double et = ys - tfit;
            tFitted[c] = tfit;
            tResidual[c] = et;
            press[c] = lev == 1.0 ? kNoFigure : et / OneMinus(lev);
            if (changesFirst) {
                // d g of the second pass: d is the PRESS residual.
                const double d = press[c];
                const double* g = &products[static_cast<std::size_t>(c % kRowGroup)];
                for (int j = 0; j < p; ++j) rows[10 + j][c] = d * g[static_cast<std::size_t>(j) * kRowGroup];
            }
            rowA[c] = av;
            rowB[c] = bv;
            rowH[c] = lev;
            if (!inMemory) {
                e[t] = et;
                h[t] = lev;
                a[t] = av;
                b[t] = bv;
            }

            if (skipZero && !(weights_[t] > 0.0)) continue;
            s.count += 1.0;
            const double delta = ys - s.mean;
            s.mean += delta / s.count;
            s.m2 += delta * (ys - s.mean);
            s.sse += static_cast<long double>(et) * et;
            if (twoStage_) {
                for (int j = 0; j < p; ++j) {
                    s.xe[j] += static_cast<long double>(xs[j]) * et;
                    for (int l = 0; l < p; ++l) s.gram[static_cast<std::size_t>(j) * p + l] += xs[j] * xs[l];
                }
            }
        }
        rows.Flush();
    });

    // Totals in block order.
    double count = 0.0, mean = 0.0, m2 = 0.0;
    long double sse = 0.0L;
    std::vector<long double> xe(twoStage_ ? p : 0, 0.0L), gram(twoStage_ ? p * p : 0, 0.0L);
    for (const BlockSums& s : sums) {
        if (s.count == 0.0) continue;
        const double total = count + s.count;
        const double delta = s.mean - mean;
        m2 += s.m2 + delta * delta * count * s.count / total;
        mean += delta * s.count / total;
        count = total;
        sse += s.sse;
        for (std::size_t j = 0; j < xe.size(); ++j) xe[j] += s.xe[j];
        for (std::size_t j = 0; j < gram.size(); ++j) gram[j] += s.gram[j];
    }
    sse_ = static_cast<double>(sse);
    syy_ = m2;
    varY_ = syy_ / (effective - 1);
    s2_ = sse_ / (effective - p_);
    r2_ = 1.0 - sse_ / syy_;
    adjR2_ = 1.0 - s2_ / varY_;
    if (!(adjR2_ >= kDoubleEpsilon)) adjR2_ = 0.0;
    for (int j = 0; j < p; ++j) {
        coefficients_[j] = moments_[j][p];
        standardErrors_[j] = std::sqrt(covariance_[j][j] * s2_);
    }

    // Deleted variances and the influence rows.
    const double deletedDf = effective - p_ - 1;
    std::vector<int> codes = {kRowStandardized, kRowStudentized, kRowResidualShare,
                              kRowDeletedVariance, kRowWelsch, kRowCovRatio};
    if (!changesFirst)
        for (int j = 0; j < p; ++j) codes.push_back(kRowCoefChange + j);
    const int rowCount = static_cast<int>(codes.size());
    const double* eAll = inMemory ? results_->Row(kRowTransformedResidual) : e.data();
    const double* hAll = inMemory ? results_->Row(kRowLeverage) : h.data();
    const double* aAll = inMemory ? results_->Row(kRowTwoStageA) : a.data();
    const double* bAll = inMemory ? results_->Row(kRowTwoStageB) : b.data();
    const auto influenceRows = [&](long long first, int count) {
        BlockRows rows(*results_, codes.data(), rowCount, first, count);
        std::vector<double> products(changesFirst ? 0 : static_cast<std::size_t>(kRowGroup) * p), g(p);
        for (int c = 0; c < count; ++c) {
            const long long t = first + c;
            if (!changesFirst) {
                if (c % kRowGroup == 0)
                    BlockTimesRows(swept.data(), p, nullptr, WorkZ(t), workStride_, std::min(kRowGroup, count - c),
                                   products.data(), nullptr);
                for (int j = 0; j < p; ++j) g[j] = products[static_cast<std::size_t>(j) * kRowGroup + c % kRowGroup];
            }
            const double et = eAll[t], lev = hAll[t], av = aAll[t], bv = bAll[t];
            const double m = OneMinus(lev);
            const double d = lev == 1.0 ? kNoFigure : et / m;
            // Deleting an observation of weight 0 leaves the fit as it is.
            const bool counts = !skipZero || weights_[t] > 0.0;
            double s2t = s2_;
            if (counts && twoStage_) {
                long double ax = 0.0L, bx = 0.0L;
                for (int j = 0; j < p; ++j) {
                    ax += xe[j] * g[j];
                    long double inner = 0.0L;
                    for (int l = 0; l < p; ++l) inner += gram[static_cast<std::size_t>(j) * p + l] * g[l];
                    bx += inner * g[j];
                }
                s2t = DeletedVariance(sse_ + 2.0 * d * static_cast<double>(ax) + d * d * (static_cast<double>(bx) - 1.0),
                                      sse_, lev, deletedDf);
            } else if (counts) {
                s2t = DeletedVariance(sse_ - et * et / m, sse_, lev, deletedDf);
            }
            s2t = std::max(s2t, 0.0);
            const double spread = 1.0 - lev - lev + av;
            const double standardized = et / std::sqrt(std::max(spread * s2_, kSingleEpsilon));
            const double studentized = et / std::sqrt(std::max(spread * s2t, kSingleEpsilon));
            double welsch = 0.0, covRatio = 1.0;
            if (counts && twoStage_) {
                welsch = std::sqrt(bv * d * d / (std::max(spread, kSingleEpsilon) * s2t / (effective - 1)));
                covRatio = IntPower(p, s2t / s2_) / m * ((1.0 - bv) / m);
            } else if (counts) {
                welsch = std::sqrt(lev * d * d * (effective - 1) / (m * s2t));
                covRatio = IntPower(p, s2t / s2_) / m;
            }
            // An observation of leverage 1 (one that counts: a weight of 0
            // gives a leverage of 0) has no figure that divides by 1 - h.
            const bool one = lev == 1.0;
            if (one) welsch = covRatio = kNoFigure;
            rows[0][c] = one ? kNoFigure : standardized;
            rows[1][c] = one ? kNoFigure : studentized;
            rows[2][c] = sse_ > 0.0 ? et * et / sse_ : 0.0;
            rows[3][c] = s2t;
            rows[4][c] = welsch;
            rows[5][c] = covRatio;
            if (!changesFirst)
                for (int j = 0; j < p; ++j) rows[6 + j][c] = d * g[j];
        }
        rows.Flush();
    };
    // The two-stage pass shows the observations left, a stretch of whole
    // blocks at a time (the caption is the GUI thread's alone).
    static_assert(kCountdownRows % kMomentChunkRows == 0);
    const long long stretch = twoStage_ ? kCountdownRows : std::max(n, 1LL);
    const std::string shown = progressShown_;
    for (long long start = 0; start < n; start += stretch) {
        if (twoStage_) context_->Services().ProgressCaption(shown + " COUNT(" + std::to_string(n - start) + ")");
        ForEachBlock(pool, std::min(stretch, n - start), kMomentChunkRows,
                     [&](long long first, int count) { influenceRows(start + first, count); });
    }
}
