// WLSE: the statistics and the per-observation table of a finished fit.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/model/leverage_forms.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/thread_pool.h"
#include "core/settings/engine_context.h"
#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_centred.h"
#include "estimators/weighted_fit_kernels.h"
#include "platform/ui_services.h"

namespace {

// Partial sums of one block, combined in block order so that the totals do
// not depend on the thread count.
struct BlockSums {
    double count = 0.0, mean = 0.0, m2 = 0.0;  // of the transformed y
    long double sse = 0.0L;
    // Two-stage, with x and r the transformed regressors about their
    // centres and the constant's column: x'e, x'r and r'e.
    std::vector<long double> xe, xr;
    long double re = 0.0L;
};

// A group of up to kRowGroup observations as the passes read them.
struct CentredGroup {
    explicit CentredGroup(int width) : rows(static_cast<std::size_t>(kRowGroup) * std::max(width, 1)) {}
    // Per observation: x* about its centres over the regressors (the
    // constant's 0), then, two-stage, z* about its centres.
    std::vector<double> rows;
    double r[kRowGroup];  // the constant's column, transformed
    double e[kRowGroup], fitted[kRowGroup], eStar[kRowGroup], tFitted[kRowGroup];
};

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

    // The sweep in double for the row kernels, over the regressors with the
    // constant's row and column 0 (its deviation is 0): the swept block
    // A^-1 of the others, the coefficients and the centres.
    const std::vector<double> swept = LeadingBlock(PaddedBlock(swept_, p, constant_), p);
    const SplitCentres cx(centreX_), cz(centreZ_);
    std::vector<double> coef(static_cast<std::size_t>(p), 0.0);
    for (int j : vars_) coef[j] = static_cast<double>(swept_[j][p]);
    const double inverseSum = static_cast<double>(inverseSum_);
    const Matrix spreadForm = twoStage_ ? PaddedBlock(spreadForm_, p, constant_) : Matrix();
    const Matrix secondForm = twoStage_ ? PaddedBlock(secondForm_, p, constant_) : Matrix();
    const Matrix gram = twoStage_ ? PaddedBlock(centredXX_, p, constant_) : Matrix();
    // Observations that alone hold a transformed regressor: leverage 1.
    const std::vector<long long> sole = SoleObservations(n, p, [&](int j, long long t) {
        return WorkRow(t)[j] != 0.0 || WorkZ(t)[j] != 0.0;
    });
    // An observed value within 2^-52 of the dependent variable's largest
    // magnitude counts as 0 in the error percentage, and is replaced by
    // that much, so that the percentage keeps to the data's own scale.
    const double zeroY = ZeroObservedBelow(pool, n, [&](long long t) { return X(t)[p]; });

    // Rows of up to kRowGroup observations about the centres: residuals
    // from the untransformed data (y - a_y) - sum b_j (x_j - a_j), the
    // transformed deviations root(w) (x - a) (AR mode: the filtered rows
    // less a times the filtered constant).
    const int width = twoStage_ ? 2 * p : p;
    const auto centre = [&](long long first, int count, CentredGroup& g) {
        for (int i = 0; i < count; ++i) {
            const long long t = first + i;
            const double* x = X(t);
            double* d = &g.rows[static_cast<std::size_t>(i) * width];
            for (int j = 0; j < p; ++j) d[j] = (x[j] - cx.hi[j]) - cx.lo[j];
            double fit = 0.0;
            for (int j = 0; j < p; ++j) fit += coef[j] * d[j];
            g.e[i] = ((x[p] - cx.hi[p]) - cx.lo[p]) - fit;
            g.fitted[i] = x[p] - g.e[i];
            if (!arMode_) {
                // root(w), which the transformed constant holds already.
                const double q = constant_ >= 0 ? WorkRow(t)[constant_] : std::sqrt(weights_[t]);
                for (int j = 0; j < p; ++j) d[j] *= q;
                if (twoStage_) {
                    const double* z = Z(t);
                    for (int j = 0; j < p; ++j) d[p + j] = q * ((z[j] - cz.hi[j]) - cz.lo[j]);
                }
                g.r[i] = constant_ >= 0 ? q : 0.0;
                // Weight 0 leaves nothing transformed, whatever the values.
                g.eStar[i] = q == 0.0 ? 0.0 : q * g.e[i];
                g.tFitted[i] = q == 0.0 ? 0.0 : q * g.fitted[i];
                continue;
            }
            const double* xs = WorkRow(t);
            const double k = constant_ >= 0 ? xs[constant_] : 0.0;
            ScaledDeviations(cx, p, xs, k, d);
            if (twoStage_) ScaledDeviations(cz, p, WorkZ(t), k, d + p);
            double tfit = 0.0;
            for (int j = 0; j < p; ++j) tfit += coef[j] * d[j];
            g.r[i] = k;
            g.eStar[i] = (std::fma(-cx.hi[p], k, xs[p]) - cx.lo[p] * k) - tfit;
            g.tFitted[i] = xs[p] - g.eStar[i];
        }
    };
    // M z* (the coefficients' changes per unit of d): A^-1 (z - a c) for
    // the regressors but the constant, whose own is r / sum w c^2 less
    // the others' centres times theirs.
    const auto change = [&](const double* products, double r, int j) {
        if (j != constant_) return products[static_cast<std::size_t>(j) * kRowGroup];
        double g = r * inverseSum;
        for (int l = 0; l < p; ++l) g -= cx.hi[l] * products[static_cast<std::size_t>(l) * kRowGroup];
        return g;
    };

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
            s.xr.assign(p, 0.0L);
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
        CentredGroup group(width);
        std::vector<double> products(static_cast<std::size_t>(kRowGroup) * p), levs(kRowGroup);
        for (int c = 0; c < count; ++c) {
            const long long t = first + c;
            const int i = c % kRowGroup;
            if (i == 0) {
                const int len = std::min(kRowGroup, count - c);
                centre(t, len, group);
                const double* d = group.rows.data();
                BlockTimesRows(swept.data(), p, d, twoStage_ ? d + p : d, width, len, products.data(), levs.data());
            }
            const double* x = X(t);
            observed[c] = x[p];
            fitted[c] = group.fitted[i];
            residual[c] = group.e[i];
            const double y = std::fabs(x[p]) < zeroY ? zeroY : x[p];
            percent[c] = 100.0 * residual[c] / y;

            const double* dx = &group.rows[static_cast<std::size_t>(i) * width];
            const double* dz = twoStage_ ? dx + p : dx;
            const double r = group.r[i];
            const double constantPart = r * r * inverseSum;
            const double lev = LeverageAt(levs[i] + constantPart, t, sole);
            double av = lev, bv = lev;
            if (twoStage_) {
                av = LeverageAt(constantPart + QuadraticForm(spreadForm, dx, dx, p), t, sole);
                bv = LeverageAt(constantPart + QuadraticForm(secondForm, dz, dz, p), t, sole);
            }
            const double et = group.eStar[i];
            tFitted[c] = group.tFitted[i];
            tResidual[c] = et;
            press[c] = PressResidualOf(et, lev);
            if (changesFirst) {
                // d g of the second pass: d is the PRESS residual.
                const double d = press[c];
                for (int j = 0; j < p; ++j) rows[10 + j][c] = d * change(&products[i], r, j);
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
            const double ys = WorkRow(t)[p];
            s.count += 1.0;
            const double delta = ys - s.mean;
            s.mean += delta / s.count;
            s.m2 += delta * (ys - s.mean);
            s.sse += static_cast<long double>(et) * et;
            if (twoStage_) {
                for (int j = 0; j < p; ++j) {
                    s.xe[j] += static_cast<long double>(dx[j]) * et;
                    s.xr[j] += static_cast<long double>(dx[j]) * r;
                }
                s.re += static_cast<long double>(r) * et;
            }
        }
        rows.Flush();
    });

    // Totals in block order.
    double count = 0.0, mean = 0.0, m2 = 0.0;
    long double sse = 0.0L, re = 0.0L;
    std::vector<long double> xe(twoStage_ ? p : 0, 0.0L), xr(twoStage_ ? p : 0, 0.0L);
    for (const BlockSums& s : sums) {
        if (s.count == 0.0) continue;
        const double total = count + s.count;
        const double delta = s.mean - mean;
        m2 += s.m2 + delta * delta * count * s.count / total;
        mean += delta * s.count / total;
        count = total;
        sse += s.sse;
        re += s.re;
        for (std::size_t j = 0; j < xe.size(); ++j) {
            xe[j] += s.xe[j];
            xr[j] += s.xr[j];
        }
    }
    sse_ = static_cast<double>(sse);
    syy_ = m2;
    varY_ = syy_ / (effective - 1);
    s2_ = sse_ / (effective - p_);
    r2_ = 1.0 - sse_ / syy_;
    adjR2_ = 1.0 - s2_ / varY_;
    if (!(adjR2_ >= kDoubleEpsilon)) adjR2_ = 0.0;

    // The floor of s2 and s2(t) is 2^-23 of the transformed dependent
    // variable's variance. The studentised residuals hold them at it; the
    // t values and the influence rows take it where s2 or s2(t) is a
    // perfect fit's rounding (HeldAtFloor), so that the figures are finite,
    // whatever the data's units. s2, s2(t) and the standard errors are
    // shown as formed. A dependent variable without variation is measured
    // by its square; one that is 0 throughout leaves residuals of exactly 0.
    double varianceFloor = VarianceFloorOf(varY_ > 0.0 ? varY_ : mean * mean);
    if (!(varianceFloor > 0.0)) varianceFloor = std::numeric_limits<double>::min();
    const double s2Held = HeldAtFloor(s2_, varianceFloor);
    perfectFit_ = IsRoundingVariance(s2_, varianceFloor);
    const double shareSse = HeldSumOfSquares(sse_, effective - p_, varianceFloor);
    for (int j = 0; j < p; ++j) {
        coefficients_[j] = static_cast<double>(swept_[j][p]);
        standardErrors_[j] = std::sqrt(covariance_[j][j] * s2_);
        heldStandardErrors_[j] = std::sqrt(covariance_[j][j] * s2Held);
    }

    // Deleted variances and the influence rows. Every figure divides by
    // 1 - h (or, two-stage, the spread 1 - 2h + a) as formed, however
    // small; a leverage of 1 has none.
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
        CentredGroup group(changesFirst ? 0 : width);
        std::vector<double> products(changesFirst ? 0 : static_cast<std::size_t>(kRowGroup) * p);
        for (int c = 0; c < count; ++c) {
            const long long t = first + c;
            const int i = c % kRowGroup;
            if (!changesFirst && i == 0) {
                const int len = std::min(kRowGroup, count - c);
                centre(t, len, group);
                BlockTimesRows(swept.data(), p, nullptr, group.rows.data() + p, width, len, products.data(), nullptr);
            }
            const double et = eAll[t], lev = hAll[t], av = aAll[t], bv = bAll[t];
            const double m = 1.0 - lev;
            const double d = lev == 1.0 ? kNoFigure : et / m;
            // Deleting an observation of weight 0 leaves the fit as it is.
            const bool counts = !skipZero || weights_[t] > 0.0;
            double s2t = s2_;
            if (counts && twoStage_) {
                // With g_s = x*_s' M z*_t = dx_s' g + r_s r_t / sum w c^2 (g
                // the products): A = sum e_s g_s, B = sum g_s^2.
                const double* g = &products[i];
                const long double rt = static_cast<long double>(group.r[i]) * inverseSum_;
                long double ax = rt * re, bx = rt * group.r[i];
                for (int j = 0; j < p; ++j) {
                    const long double gj = g[static_cast<std::size_t>(j) * kRowGroup];
                    ax += xe[j] * gj;
                    long double inner = 2.0L * rt * xr[j];
                    for (int l = 0; l < p; ++l) inner += gram[j][l] * g[static_cast<std::size_t>(l) * kRowGroup];
                    bx += inner * gj;
                }
                s2t = DeletedVariance(sse_ + 2.0 * d * static_cast<double>(ax) + d * d * (static_cast<double>(bx) - 1.0),
                                      sse_, lev, deletedDf);
            } else if (counts) {
                s2t = DeletedVariance(sse_ - et * et / m, sse_, lev, deletedDf);
            }
            s2t = std::max(s2t, 0.0);
            const double s2tHeld = HeldAtFloor(s2t, varianceFloor);
            // The residual's variance over s2: 1 - h itself outside two-stage
            // mode (av is h there), so that a leverage near 1 keeps its digits.
            const double spread = twoStage_ ? 1.0 - lev - lev + av : m;
            const double standardized = et / std::sqrt(spread * std::max(s2_, varianceFloor));
            const double studentized = et / std::sqrt(spread * std::max(s2t, varianceFloor));
            double welsch = 0.0, covRatio = 1.0;
            if (counts && twoStage_) {
                welsch = std::sqrt(bv * d * d / (spread * s2tHeld / (effective - 1)));
                covRatio = IntPower(p, s2tHeld / s2Held) / m * ((1.0 - bv) / m);
            } else if (counts) {
                welsch = std::sqrt(lev * d * d * (effective - 1) / (m * s2tHeld));
                covRatio = IntPower(p, s2tHeld / s2Held) / m;
            }
            // An observation of leverage 1 (one that counts: a weight of 0
            // gives a leverage of 0) has no figure that divides by 1 - h.
            const bool one = lev == 1.0;
            if (one) welsch = covRatio = kNoFigure;
            rows[0][c] = one ? kNoFigure : standardized;
            rows[1][c] = one ? kNoFigure : studentized;
            rows[2][c] = shareSse > 0.0 ? et * et / shareSse : 0.0;
            rows[3][c] = s2t;
            rows[4][c] = welsch;
            rows[5][c] = covRatio;
            if (!changesFirst)
                for (int j = 0; j < p; ++j) rows[6 + j][c] = d * change(&products[i], group.r[i], j);
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
