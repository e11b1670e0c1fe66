#include "estimators/preliminary_regression.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/data/data_set.h"
#include "core/io/file_matrix.h"
#include "core/model/leverage_forms.h"
#include "core/model/centred_fit_rows.h"
#include "core/numeric/matrix.h"
#include "core/numeric/moment_matrix.h"
#include "core/text/number_format.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

constexpr double kSmall = 1.1920929e-07;
constexpr double kToleranceFactor = 1e-6;
constexpr int kTimePowers = 5;

}  // namespace

PreliminaryRegression::PreliminaryRegression(const Data& data, int target, std::string targetName,
                                             std::vector<double> values, Mode mode)
    : mode_(mode), n_(static_cast<int>(values.size())) {
    if (n_ < 2) throw Exception("自由度不足");
    if (mode == Mode::Variables && data.GetObsCount() != n_) throw ERangeError("予備回帰: 観測数が合いません。");
    if (mode == Mode::Time) {
        for (int power = 1; power <= kTimePowers; ++power) {
            std::vector<double> c(static_cast<std::size_t>(n_));
            for (int t = 0; t < n_; ++t) c[t] = std::pow(static_cast<double>(t + 1), power);
            cols_.push_back(std::move(c));
            names_.push_back(std::to_string(power) + "乗項");
        }
    } else {
        for (int j = 0; j < data.GetVarCount(); ++j) {
            if (j == target) continue;
            std::vector<double> c(static_cast<std::size_t>(n_));
            for (int t = 0; t < n_; ++t) c[t] = data.GetValue(t, j);
            cols_.push_back(std::move(c));
            names_.push_back(data.GetVarName(j));
        }
    }
    names_.push_back(std::move(targetName));
    cols_.push_back(std::move(values));
    p_ = static_cast<int>(cols_.size());
    for (int j = 0; j < p_; ++j)
        for (double v : cols_[j])
            if (!std::isfinite(v)) throw EConvertError("数値でない値があります: " + names_[j]);

    // Centred cross-products by the moment method, the means in the last row.
    std::vector<const double*> columns;
    for (const std::vector<double>& c : cols_) columns.push_back(c.data());
    BuildMomentsFromColumns(columns.data(), n_, p_, moments_);

    in_.assign(p_, false);
    Refit();
    // The best single candidate (the first of equal ones) goes in.
    int best = -1;
    for (int j = 0; j + 1 < p_; ++j)
        if (f_[j] > 0.0 && (best < 0 || f_[j] > f_[best])) best = j;
    if (best >= 0) Toggle(best);
}

int PreliminaryRegression::FindSlot(const std::string& name) const {
    for (int j = 0; j < p_; ++j)
        if (names_[j] == name) return j;
    return -1;
}

double PreliminaryRegression::StdError(int j) const { return std::sqrt(inverseDiagonal_.at(j) * s2_); }

bool PreliminaryRegression::Toggle(int j) {
    if (j < 0 || j >= p_ - 1) return false;
    if (!in_[j] && (df_ < 3 || f_[j] == 0.0)) return false;
    in_[j] = !in_[j];
    try {
        Refit();
    } catch (const EZeroDivide&) {
        in_[j] = !in_[j];
        Refit();
        return false;
    }
    return true;
}

void PreliminaryRegression::Refit() {
    const int y = p_ - 1;
    std::vector<int> s;
    for (int j = 0; j < y; ++j)
        if (in_[j]) s.push_back(j);
    const int k = static_cast<int>(s.size());
    // The regressors swept into the centred moments in long double, as the
    // main fit sweeps them: what is left of a column outside is its part
    // not explained by those in.
    LongMatrix m(moments_);
    for (int j : s)
        if (m.Sweep(j) == SweepResult::kZeroPivot) throw EZeroDivide("INVERSE ERROR!");

    b_.assign(p_, 0.0);
    inverseDiagonal_.assign(p_, 0.0);
    for (int j : s) {
        b_[j] = static_cast<double>(m[j][y]);
        inverseDiagonal_[j] = static_cast<double>(m[j][j]);
    }
    const long double sse = std::max(m[y][y], 0.0L);
    sse_ = static_cast<double>(sse);
    df_ = n_ - 1 - k;
    s2_ = df_ > 0 ? sse_ / df_ : 0.0;

    // F to remove for the regressors, F to enter for the others. A rest
    // variance counts as none below var(target) x 2^-23: relative, so that
    // the units of the data do not decide which variable may enter.
    const double floor = static_cast<double>(moments_[y][y]) / (n_ - 1) * kSmall;
    f_.assign(p_, 0.0);
    for (int j = 0; j < y; ++j) {
        if (in_[j]) {
            f_[j] = static_cast<double>(m[j][y] * m[j][y] / m[j][j]) / s2_;
            continue;
        }
        const long double rjj = m[j][j], rjy = m[j][y];
        if (!(rjj > kToleranceFactor * moments_[j][j]) || df_ - 1 <= 0) continue;
        const long double v = rjy * rjy / rjj;
        const double rest = static_cast<double>((sse - v) / (df_ - 1));
        if (!(std::fabs(rest) > floor)) continue;
        f_[j] = static_cast<double>(v / rest);
    }

    b0_ = static_cast<double>(m[p_][y]);
    se0_ = std::sqrt(static_cast<double>(m[p_][p_]) * s2_);

    const double syy = static_cast<double>(moments_[y][y]);
    r2_ = syy > 0.0 ? 1.0 - sse_ / syy : 0.0;
    const double adjusted = syy > 0.0 && df_ > 0 ? 1.0 - s2_ / (syy / (n_ - 1)) : 0.0;
    if (k == 0 || adjusted < kSmall) r2_ = 0.0;

    fitted_.assign(n_, 0.0);
    residual_.assign(n_, 0.0);
    leverage_.assign(n_, 0.0);
    press_ = 0.0;
    const CentredFitRows rows(m, moments_, s, y, n_);
    std::vector<double> x(k), c(k);
    for (int t = 0; t < n_; ++t) {
        for (int a = 0; a < k; ++a) x[a] = cols_[s[a]][t];
        rows.Centre(x.data(), c.data());
        long double fit = 0.0L, leverage = 0.0L;
        rows.PointFromCentred(c.data(), fit, leverage);
        fitted_[t] = static_cast<double>(fit);
        residual_[t] = static_cast<double>(cols_[y][t] - fit);
        leverage_[t] = LeverageSnappedToOne(static_cast<double>(leverage));
        const double r = PressResidualOf(residual_[t], leverage_[t]);
        press_ += r * r;
    }
}

std::vector<double> PreliminaryRegression::StandardizedResiduals() const {
    std::vector<double> r;
    for (int t = 0; t < n_; ++t) {
        const double rest = (1.0 - leverage_[t]) * s2_;
        if (rest > 0.0) r.push_back(residual_[t] / std::sqrt(rest));
    }
    return r;
}

std::vector<double> PreliminaryRegression::StandardizedResidualColumn() const {
    std::vector<double> r(static_cast<std::size_t>(n_), std::numeric_limits<double>::quiet_NaN());
    for (int t = 0; t < n_; ++t) {
        const double rest = (1.0 - leverage_[t]) * s2_;
        if (rest > 0.0) r[static_cast<std::size_t>(t)] = residual_[t] / std::sqrt(rest);
    }
    return r;
}

void PreliminaryRegression::ReplaceFit(std::vector<double> fitted, std::vector<double> residual) {
    if (static_cast<int>(fitted.size()) != n_ || static_cast<int>(residual.size()) != n_)
        throw ERangeError("予備回帰: 観測数が合いません。");
    fitted_ = std::move(fitted);
    residual_ = std::move(residual);
}

std::unique_ptr<TNamedData> RidgeHandOffTable(const PreliminaryRegression& r, EngineContext& context) {
    const int n = r.ObservationCount(), p = r.SlotCount();
    auto table = std::make_unique<TNamedData>(context, n, p);
    for (int j = 0; j < p; ++j) {
        table->SetColumnName(j, r.SlotName(j));
        table->SetSelected(j, j == r.TargetSlot() || r.InModel(j) ? 1 : 0);
        for (int i = 0; i < n; ++i) table->SetValue(i, j, r.Value(i, j));
    }
    return table;
}

ResultTable PreliminaryEstimateTable(const PreliminaryRegression& r, const std::string& name) {
    ResultTable t({name, LoadStr(kStrFValue), LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError)});
    t.AddRow({TextCell(LoadStr(kStrConstantName)), TextCell("-"), NumberCell(r.ConstantCoef()),
              NumberCell(r.ConstantStdError(), true)});
    for (int j = 0; j < r.TargetSlot(); ++j) {
        const ResultCell f = r.F(j) == 0.0 ? TextCell(LoadStr(kStrTolCheck)) : NumberCell(r.F(j));
        if (r.InModel(j))
            t.AddRow({TextCell(r.SlotName(j)), f, NumberCell(r.Coef(j)), NumberCell(r.StdError(j), true)});
        else
            t.AddRow({TextCell(r.SlotName(j)), f, TextCell("-"), TextCell("-")});
    }
    return t;
}

std::string PreliminaryFittedTable::Title(int column) const {
    if (column == 1) return LoadStr(kStrObserved);
    if (column == 2) return LoadStr(kStrPredicted);
    return {};
}

ResultCell PreliminaryFittedTable::Cell(int column, int row) const {
    if (row < 0 || row >= RowCount()) return {};
    switch (column) {
    case 0: {
        ResultCell c = TextCell(std::to_string(row + 1));
        c.value = row + 1;
        return c;
    }
    case 1: return NumberCell(r_->Target()[static_cast<std::size_t>(row)]);
    case 2: return NumberCell(r_->Fitted()[static_cast<std::size_t>(row)]);
    default: return {};
    }
}
