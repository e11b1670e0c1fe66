#include "estimators/ridge.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "core/model/perfect_fit.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/statistics.h"
#include "core/numeric/symmetric_eigen.h"
#include "core/settings/engine_context.h"
#include "estimators/ridge_grid.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

constexpr int kProgressMax = 4000;
// k used instead of an automatic choice of exactly 0 (2^-23).
constexpr double kSmallestAutomaticK = 1.1920928955078125e-07;
// A pivot of the correlation matrix (unit diagonal) at or below this is a
// regressor that repeats the others: least squares has no unique answer.
constexpr double kSingularPivot = 1e-12;

}  // namespace

std::vector<std::uint8_t> RidgeModelUseFlags(const Reg& model) {
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(model.GetVarCount()));
    for (int j = 0; j < model.GetVarCount(); ++j)
        flags[static_cast<std::size_t>(j)] = model.GetRole(j) != Reg::kRoleUnused ? 1 : 0;
    return flags;
}

std::vector<std::uint8_t> RidgeUseFlags(const Reg& model, std::uint16_t groupMask,
                                        const std::vector<std::string>& used) {
    std::vector<std::string> names;
    int vars = 0, obs = 0;
    // An empty block gets no flags; the builder refuses it anyway.
    if (!SelectDataBlock(model, groupMask, false, nullptr, &names, vars, obs)) return {};
    std::vector<std::uint8_t> flags;
    for (const std::string& name : names)
        flags.push_back(std::find(used.begin(), used.end(), name) != used.end() ? 1 : 0);
    return flags;
}

Ridge::Ridge(const Reg& model, std::uint16_t groupMask, const std::vector<std::uint8_t>& useFlags,
             const std::string& dependentName) {
    BuildDesignMatrix(model, groupMask, &useFlags, false, true, names_, design_, dependentName);
    Setup(model.Context());
}

Ridge::Ridge(const TNamedData& table, int dependentColumn) {
    if (dependentColumn < 0 || dependentColumn >= table.Cols() || !table.IsSelected(dependentColumn))
        throw ERangeError(kRangeErrorText);
    const int m = table.SelectedCount();
    const int n = table.Rows();
    design_.Replace(Matrix(n, m + 1, 1.0));
    std::vector<double> column(static_cast<std::size_t>(n));
    auto copyColumn = [&](int from, int to) {
        table.ReadColumn(from, column.data());
        for (int i = 0; i < n; ++i) design_[i][to] = column[static_cast<std::size_t>(i)];
        names_.push_back(table.GetColumnName(from));
    };
    int next = 0;
    for (int j = 0; j < table.Cols() && next < m - 1; ++j)
        if (table.IsSelected(j) && j != dependentColumn) copyColumn(j, next++);
    copyColumn(dependentColumn, m - 1);
    names_.push_back(LoadStr(kStrConstantName));
    Setup(table.Context());
}

Ridge::~Ridge() = default;

void Ridge::Setup(EngineContext& context) {
    context_ = &context;
    n_ = design_.Rows();
    cols_ = design_.Cols();
    p_ = cols_ - 2;
    if (p_ < 0) throw ERangeError(kRangeErrorText);
    constIndex_ = p_ + 1;
    df_ = n_ - p_ - 1;
    const std::size_t p = static_cast<std::size_t>(p_);
    coef_.assign(p + 2, 0.0);
    stdErr_.assign(p + 2, 0.0);
    heldStdErr_.assign(p + 2, 0.0);
    vif_.assign(p, 0.0);
    mean_.assign(p, 0.0);
    rootSS_.assign(p, 0.0);
    covFactor_.Replace(Matrix(p_ + 2, p_ + 2, 0.0));
    names_.resize(p + 2);
    results_ = std::make_unique<TFileMatrix>(context, kResultRows, n_, 0.0);

    // Means and sums of squared deviations by the updating rule.
    std::vector<double> mean(p + 1, 0.0), ss(p + 1, 0.0);
    for (int i = 0; i < n_; ++i) {
        const double* row = design_[i];
        const double w = 1.0 / (i + 1);
        for (int j = 0; j <= p_; ++j) {
            const double d = row[j] - mean[j];
            mean[j] += d * w;
            ss[j] += d * (d * w) * i;
        }
    }
    for (std::size_t j = 0; j < p; ++j) {
        mean_[j] = mean[j];
        rootSS_[j] = std::sqrt(ss[j]);
    }
    syy_ = ss[p];
}

bool Ridge::EnsureCrossProducts() {
    if (crossReady_) return true;
    if (!Usable()) return false;
    LongMatrix m;
    BuildMomentsFromRows(design_.Data(), n_, cols_, p_ + 1, m, context_->Pool());
    Matrix cross(p_ + 1, p_ + 1, 0.0);
    for (int i = 0; i < p_; ++i) {
        for (int j = 0; j < p_; ++j) cross[i][j] = static_cast<double>(m[i][j] / (rootSS_[i] * rootSS_[j]));
        cross[i][p_] = cross[p_][i] = static_cast<double>(m[i][p_] / rootSS_[i]);
    }
    cross[p_][p_] = static_cast<double>(m[p_][p_]);
    for (int e = 0; e < cross.Count(); ++e)
        if (!std::isfinite(cross.Data()[e])) return false;
    std::vector<double> values(static_cast<std::size_t>(p_));
    std::vector<double> vectors(static_cast<std::size_t>(p_) * p_);
    if (!SymmetricEigen(cross.Data(), p_ + 1, values.data(), vectors.data(), p_, p_)) return false;
    cross_.Replace(cross);
    yMean_ = static_cast<double>(m[p_ + 1][p_]);
    eigenvalues_ = values;
    crossReady_ = true;
    return true;
}

bool Ridge::LeastSquaresDefined() const {
    Matrix a(cross_);
    for (int j = 0; j < p_; ++j) {
        if (!(a[j][j] > kSingularPivot)) return false;
        (void)a.Sweep(j);
    }
    return true;
}

std::vector<double> Ridge::StandardisedCoefficients(double k) const {
    Matrix a(cross_);
    for (int j = 0; j < p_; ++j) a[j][j] += k;
    // A zero pivot stays unswept.
    for (int j = 0; j < p_; ++j) (void)a.Sweep(j);
    std::vector<double> b(static_cast<std::size_t>(p_));
    for (int j = 0; j < p_; ++j) b[static_cast<std::size_t>(j)] = a[j][p_];
    return b;
}

double Ridge::CrossProductRss(double k) const {
    const std::vector<double> b = StandardisedCoefficients(k);
    long double rss = cross_[p_][p_];
    for (int i = 0; i < p_; ++i) {
        long double rb = 0.0L;
        for (int j = 0; j < p_; ++j) rb += static_cast<long double>(cross_[i][j]) * b[static_cast<std::size_t>(j)];
        rss += b[static_cast<std::size_t>(i)] * (rb - 2.0L * cross_[i][p_]);
    }
    return static_cast<double>(rss);
}

double Ridge::ObservationRss(double k) const {
    const std::vector<double> b = StandardisedCoefficients(k);
    long double rss = 0.0L;
    for (int i = 0; i < n_; ++i) {
        const double* row = design_[i];
        double e = row[p_] - yMean_;
        for (int j = 0; j < p_; ++j) e -= (row[j] - mean_[j]) / rootSS_[j] * b[static_cast<std::size_t>(j)];
        rss += static_cast<long double>(e) * e;
    }
    return static_cast<double>(rss);
}

double Ridge::GridResidualSumOfSquares(double k, GridRss form) {
    try {
        if (!EnsureCrossProducts()) return std::nan("");
        return form == GridRss::kObservations ? ObservationRss(k) : CrossProductRss(k);
    } catch (const std::exception&) {
        return std::nan("");
    }
}

bool Ridge::Calculate(GridRss form) {
    RidgeGridResult best;
    try {
        // The criterion is scaled by the least-squares fit at k = 0.
        if (!EnsureCrossProducts() || !LeastSquaresDefined()) return false;
        auto rss = [&](double k) { return form == GridRss::kObservations ? ObservationRss(k) : CrossProductRss(k); };
        const double rss0 = rss(0.0);
        const double s0Squared = rss0 / df_;
        // A perfect (or undefined) least-squares fit leaves no scale for
        // the criterion; rounding keeps an exact fit's RSS from being 0.
        if (!std::isfinite(s0Squared) || IsRoundingVariance(s0Squared, VarianceFloorOf(syy_ / (n_ - 1)))) return false;
        {
            // Two steps a point in the first pass, then the bar goes to half
            // way, one step a point in the second, then to the end.
            ProgressScope progress(context_->Services(), "リッジ回帰", kProgressMax);
            int position = 0;
            auto advanceTo = [&](int target) {
                for (; position < target; ++position) progress.Step();
            };
            bool secondPass = false;
            best = SearchRidgeConstant(rss, eigenvalues_, n_, s0Squared, [&](int steps) {
                if (steps == 1 && !secondPass) {
                    secondPass = true;
                    advanceTo(kProgressMax / 2);
                }
                advanceTo(std::min(position + steps, kProgressMax));
            });
            advanceTo(kProgressMax);
        }
    } catch (const std::exception&) {
        return false;
    }
    // Outside the guard above: a fit refused for a figure that is no finite
    // number goes on to the caller.
    if (!Estimate(best.k <= 0.0 ? kSmallestAutomaticK : best.k)) return false;
    criterion_ = best.criterion;
    gridPoints_ = best.firstPassPoints + best.secondPassPoints;
    return true;
}
