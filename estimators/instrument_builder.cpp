#include "estimators/instrument_builder.h"

#include <algorithm>
#include <cmath>

#include "core/data/data_set.h"
#include "core/model/estimate_texts.h"
#include "core/model/regression_model.h"
#include "core/model/centred_fit_rows.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/text/number_format.h"
#include "platform/errors.h"

namespace {

// A column's tolerance is this share of its spread about the mean.
constexpr double kToleranceShare = 1e-6;
// Entering must leave at least this many residual degrees of freedom.
constexpr int kMinResidualDf = 2;
constexpr int kMinObservations = 3;
// A residual sum of squares below this share of the target's is rounding
// noise: the F value it would divide is undefined.
constexpr long double kResidualNoise = 0x1p-40L;
// 1 - h below this is a leverage of 1.
constexpr double kLeverageOne = 1e-10;

}  // namespace

std::vector<int> InstrumentFirstStage::ExogenousCandidates(const Data& data, int target) {
    std::vector<int> flags(static_cast<std::size_t>(data.GetVarCount()), -1);
    for (int j = 0; j < data.GetVarCount(); ++j) {
        const int type = data.GetVarType(j);
        if (type == Var::kExogenous || type == Var::kLagged) flags[static_cast<std::size_t>(j)] = 1;
    }
    if (target >= 0 && target < data.GetVarCount()) flags[static_cast<std::size_t>(target)] = 0;
    return flags;
}

std::vector<int> InstrumentFirstStage::OtherCandidates(const Data& data, int target) {
    std::vector<int> flags(static_cast<std::size_t>(data.GetVarCount()), 1);
    if (target >= 0 && target < data.GetVarCount()) flags[static_cast<std::size_t>(target)] = 0;
    return flags;
}

InstrumentFirstStage::InstrumentFirstStage(const Data& data, int target, const std::vector<int>& candidates,
                                           std::uint16_t mask, bool allIn) {
    const int vars = data.GetVarCount();
    if (target < 0 || target >= vars) throw ERangeError("範囲エラー");
    std::vector<int> columns;
    for (int j = 0; j < vars && j < static_cast<int>(candidates.size()); ++j)
        if (j != target && candidates[static_cast<std::size_t>(j)] == 1) columns.push_back(j);
    columns.push_back(target);
    k_ = static_cast<int>(columns.size());

    const int obs = data.GetObsCount();
    std::vector<int> rows;
    for (int i = 0; i < obs; ++i)
        if (mask == 0 || (data.GetMark(i, target) & mask) != 0) rows.push_back(i);
    n_ = static_cast<int>(rows.size());
    if (n_ < kMinObservations) throw Exception("第１段階の回帰には３個以上の観測値が必要です。");

    names_.reserve(static_cast<std::size_t>(k_ + 1));
    for (int c : columns) names_.push_back(data.GetVarName(c));
    names_.push_back(Data::ConstantName());

    // Columns straight from the data set, or gathered for the mask.
    gathered_.reserve(n_ == obs ? 0 : columns.size());
    for (int c : columns) {
        const Var& var = data.GetVar(c);
        if (n_ == obs) {
            columns_.push_back(var.Data());
        } else {
            std::vector<double> g(static_cast<std::size_t>(n_));
            for (int r = 0; r < n_; ++r) g[static_cast<std::size_t>(r)] = var.Data()[rows[static_cast<std::size_t>(r)]];
            gathered_.push_back(std::move(g));
            columns_.push_back(gathered_.back().data());
        }
    }
    if (n_ == obs) {
        // Every observation: the data set's own moment matrix (kept up to
        // date by the data set) holds these moments already.
        const LongMatrix& all = data.PreciseMoments();
        const int v = data.GetVarCount();
        std::vector<int> index = columns;
        index.push_back(v);
        moments_.Replace(LongMatrix(k_ + 1, k_ + 1));
        for (int r = 0; r <= k_; ++r)
            for (int c = 0; c <= k_; ++c) moments_[r][c] = all.At(index[static_cast<std::size_t>(r)], index[static_cast<std::size_t>(c)]);
    } else {
        BuildMomentsFromColumns(columns_.data(), n_, k_, moments_, data.Pool());
    }

    // A value that is no finite number would make every figure NaN.
    for (int j = 0; j < k_; ++j)
        if (!std::isfinite(static_cast<double>(moments_[j][j])) || !std::isfinite(static_cast<double>(moments_[k_][j])))
            throw Exception(names_[static_cast<std::size_t>(j)] + " に数値でない値があります。");

    unswept_.Replace(LongMatrix(moments_));
    flags_.assign(static_cast<std::size_t>(k_ + 1), -1);
    flags_[static_cast<std::size_t>(k_)] = 1;
    flags_[static_cast<std::size_t>(k_ - 1)] = 0;
    Start();
    RefuseNonFiniteFit();
    if (allIn)
        for (int j = 0; j < k_ - 1; ++j) static_cast<void>(ToggleColumn(j));
}

std::size_t InstrumentFirstStage::Checked(int j) const {
    if (j < 0 || j > k_) throw ERangeError("範囲エラー");
    return static_cast<std::size_t>(j);
}

void InstrumentFirstStage::Start() {
    const int t = k_ - 1;
    const std::size_t size = static_cast<std::size_t>(k_ + 1);
    tolerance_.assign(size, 0.0);
    coef_.assign(size, 0.0);
    stdErr_.assign(size, 0.0);
    fValue_.assign(size, 0.0);
    fState_.assign(size, FirstStageF::kBlank);
    for (int j = 0; j <= k_; ++j) tolerance_[static_cast<std::size_t>(j)] = kToleranceShare * static_cast<double>(moments_[j][j]);
    df_ = n_ - 1;
    syy_ = static_cast<double>(moments_[t][t]);
    // Divided in long double, as after a toggle, so that a first stage
    // brought back to the constant alone gives the same bits.
    varY_ = s2_ = static_cast<double>(moments_[t][t] / (n_ - 1));
    adjR2_ = 0.0;
    coef_[static_cast<std::size_t>(k_)] = static_cast<double>(moments_[k_][t]);
    stdErr_[static_cast<std::size_t>(k_)] = std::sqrt(static_cast<double>(moments_[k_][k_]) * s2_);
    for (int j = 0; j < k_ - 1; ++j) {
        const long double d = moments_[j][j];
        // A column without spread has no F value yet; it is refused on entry.
        if (!(d > 0.0L)) continue;
        const long double q = moments_[j][t] * moments_[j][t] / d;
        const long double rest = moments_[t][t] - q;
        // No ratio to form: the cell stays empty and the column may enter.
        if (df_ - 1 < 1 || !(rest > kResidualNoise * moments_[t][t])) continue;
        fValue_[static_cast<std::size_t>(j)] = static_cast<double>(q / (rest / (df_ - 1)));
        fState_[static_cast<std::size_t>(j)] = FirstStageF::kValue;
    }
}

bool InstrumentFirstStage::ToggleColumn(int j) {
    if (j < 0 || j >= k_ - 1) return false;
    const std::size_t js = static_cast<std::size_t>(j);
    const bool entering = flags_[js] != 1;
    if (entering) {
        // A pivot within its tolerance is what is left of a combination of
        // the columns in; entering it would divide by rounding noise.
        if (!(static_cast<double>(moments_[j][j]) > tolerance_[js]) || df_ - 1 < kMinResidualDf) return false;
    }
    Figures before = Keep();
    if (moments_.Sweep(j) != SweepResult::kSwept) return false;
    flags_[js] = entering ? 1 : -1;
    df_ -= flags_[js];
    SweepAfresh();
    kind_ = FirstStageKind::kLeastSquares;
    hasHandedResiduals_ = false;
    handedResiduals_.clear();
    handedLeverage_.clear();
    UpdateStatistics();
    try {
        RefuseNonFiniteFit();
    } catch (...) {
        // The sweep back would not give the same bits: the figures before
        // are put back as they were.
        Restore(std::move(before));
        throw;
    }
    return true;
}

void InstrumentFirstStage::SweepAfresh() {
    // A column swept in and out again leaves the cancellation of its mean's
    // products in the constant's elements (near 1e16, all that is left of
    // them): the columns in are swept from the unswept moments, in column
    // order, as a fresh first stage sweeps them. A column that would not
    // enter so keeps the matrix swept step by step.
    LongMatrix fresh(unswept_);
    for (int j = 0; j < k_ - 1; ++j) {
        const std::size_t js = static_cast<std::size_t>(j);
        if (flags_[js] != 1) continue;
        if (!(static_cast<double>(fresh[j][j]) > tolerance_[js]) || fresh.Sweep(j) != SweepResult::kSwept) return;
    }
    moments_.Replace(std::move(fresh));
}

InstrumentFirstStage::Figures InstrumentFirstStage::Keep() const {
    return {LongMatrix(moments_), flags_,  df_,     s2_,  adjR2_, coef_, stdErr_, fValue_, fState_,
            kind_,                handedResiduals_, handedLeverage_, hasHandedResiduals_};
}

void InstrumentFirstStage::Restore(Figures&& f) {
    moments_.Replace(std::move(f.moments));
    flags_ = std::move(f.flags);
    df_ = f.df;
    s2_ = f.s2;
    adjR2_ = f.adjR2;
    coef_ = std::move(f.coef);
    stdErr_ = std::move(f.stdErr);
    fValue_ = std::move(f.fValue);
    fState_ = std::move(f.fState);
    kind_ = f.kind;
    handedResiduals_ = std::move(f.handedResiduals);
    handedLeverage_ = std::move(f.handedLeverage);
    hasHandedResiduals_ = f.hasHandedResiduals;
}

void InstrumentFirstStage::RefuseNonFiniteFit() const {
    // Columns swept in and out again can leave the constant's inverse
    // element negative by rounding, and s² or a coefficient can pass the
    // largest double: a standard error or a coefficient that is no number.
    for (int j = 0; j <= k_; ++j) {
        if (j == k_ - 1 || flags_[static_cast<std::size_t>(j)] != 1) continue;
        const std::size_t js = static_cast<std::size_t>(j);
        if (!std::isfinite(coef_[js]) || !std::isfinite(stdErr_[js]))
            throw EMathError(NonFiniteCoefficientMessage(names_[js]));
    }
}

void InstrumentFirstStage::UpdateStatistics() {
    const int t = k_ - 1;
    // An exact fit leaves rounding of either sign: a negative variance would
    // give no standard error at all. What is left of it is no residual.
    long double sse = moments_[t][t];
    if (!(sse > kResidualNoise * syy_)) sse = 0.0L;
    s2_ = static_cast<double>(sse / df_);
    coef_[static_cast<std::size_t>(k_)] = static_cast<double>(moments_[k_][t]);
    stdErr_[static_cast<std::size_t>(k_)] = std::sqrt(static_cast<double>(moments_[k_][k_]) * s2_);
    adjR2_ = varY_ > 0.0 ? 1.0 - s2_ / varY_ : 0.0;
    if (adjR2_ < kSingleEpsilon) adjR2_ = 0.0;
    for (int j = 0; j < k_ - 1; ++j) {
        const std::size_t js = static_cast<std::size_t>(j);
        const long double a = moments_[j][t];
        const long double d = moments_[j][j];
        if (flags_[js] < 1) {
            coef_[js] = stdErr_[js] = 0.0;
            fValue_[js] = 0.0;
            if (!(static_cast<double>(d) > tolerance_[js])) {
                fState_[js] = FirstStageF::kTolCheck;
                continue;
            }
            const long double q = a * a / d;
            const long double rest = sse - q;
            // Nothing of the residual left for it to explain: it cannot
            // enter, as a column within its tolerance.
            if (df_ - 1 < 1 || !(rest > kResidualNoise * syy_)) {
                fState_[js] = FirstStageF::kTolCheck;
                continue;
            }
            fValue_[js] = static_cast<double>(q / (rest / (df_ - 1)));
            fState_[js] = FirstStageF::kValue;
        } else {
            coef_[js] = static_cast<double>(a);
            const long double v = d * s2_;
            stdErr_[js] = v > 0.0L ? static_cast<double>(std::sqrt(v)) : 0.0;
            // An exact fit has no F to remove: an empty cell, and the
            // column may still leave.
            fValue_[js] = v > 0.0L ? static_cast<double>(a * a / v) : 0.0;
            fState_[js] = v > 0.0L ? FirstStageF::kValue : FirstStageF::kBlank;
        }
    }
}

std::vector<std::vector<std::string>> InstrumentFirstStage::Table(bool ridge) const {
    std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(k_ + 1), std::vector<std::string>(4));
    rows[0] = {names_[static_cast<std::size_t>(k_ - 1)], ridge ? "分散拡大要因" : "Ｆ値", "β推定値", "β標準誤差"};
    auto estimate = [&](std::vector<std::string>& row, int j) {
        const std::size_t js = static_cast<std::size_t>(j);
        row[2] = FormatNumber(false, coef_[js]);
        row[3] = TStatisticMark(df_, stdErr_[js], coef_[js]) + FormatNumber(false, stdErr_[js]);
    };
    rows[1][0] = Data::ConstantName();
    estimate(rows[1], k_);
    for (int j = 0; j < k_ - 1; ++j) {
        std::vector<std::string>& row = rows[static_cast<std::size_t>(j + 2)];
        row[0] = names_[static_cast<std::size_t>(j)];
        switch (fState_[static_cast<std::size_t>(j)]) {
            case FirstStageF::kTolCheck: row[1] = "TOL CHECK"; break;
            case FirstStageF::kValue: row[1] = FormatNumber(false, fValue_[static_cast<std::size_t>(j)]); break;
            case FirstStageF::kBlank: break;
        }
        if (IsIn(j) || ridge) estimate(row, j);
    }
    return rows;
}

std::vector<int> InstrumentFirstStage::ColumnsIn() const {
    std::vector<int> in;
    for (int j = 0; j < k_ - 1; ++j)
        if (IsIn(j)) in.push_back(j);
    return in;
}

CentredFitRows InstrumentFirstStage::FitRows() const {
    return CentredFitRows(moments_, unswept_, ColumnsIn(), k_ - 1, n_);
}

void InstrumentFirstStage::ForEachFitBlock(
    const std::function<void(int first, int len, const long double* fitted, const double* leverage)>& body) const {
    const CentredFitRows fit = FitRows();
    constexpr int kSub = CentredFitRows::kBlock;
    std::vector<const double*> in;
    for (int j : ColumnsIn()) in.push_back(columns_[static_cast<std::size_t>(j)]);
    std::vector<double> c(static_cast<std::size_t>(std::max(fit.Count(), 1)) * kSub);
    long double fitted[kSub];
    double leverage[kSub];
    for (int first = 0; first < n_; first += kSub) {
        const int len = std::min(kSub, n_ - first);
        fit.CentreColumns(in.data(), first, len, c.data());
        fit.FittedBlock(c.data(), len, fitted);
        fit.LeverageBlock(c.data(), len, leverage);
        body(first, len, fitted, leverage);
    }
}

std::vector<double> InstrumentFirstStage::FittedValues() const {
    const CentredFitRows fit = FitRows();
    std::vector<const double*> in;
    for (int j : ColumnsIn()) in.push_back(columns_[static_cast<std::size_t>(j)]);
    std::vector<double> out(static_cast<std::size_t>(n_));
    for (int first = 0; first < n_; first += CentredFitRows::kBlock)
        fit.FittedColumns(in.data(), first, std::min(CentredFitRows::kBlock, n_ - first), out.data() + first);
    return out;
}

std::vector<double> InstrumentFirstStage::KClassInstrument(double k) const {
    std::vector<double> values = FittedValues();
    for (int i = 0; i < n_; ++i) {
        double& v = values[static_cast<std::size_t>(i)];
        v = k * v + (1.0 - k) * Observed(i);
    }
    return values;
}

std::vector<std::optional<double>> InstrumentFirstStage::StandardizedResiduals() const {
    if (hasHandedResiduals_) return handedResiduals_;
    std::vector<std::optional<double>> out(static_cast<std::size_t>(n_));
    ForEachFitBlock(
        [&](int first, int len, const long double* fitted, const double* leverage) {
            for (int t = 0; t < len; ++t) {
                const int i = first + t;
                const double h = leverage[t];
                const double e = static_cast<double>(Observed(i) - fitted[t]);
                const double spread = (1.0 - h) * s2_;
                if (1.0 - h > kLeverageOne && spread > 0.0) out[static_cast<std::size_t>(i)] = e / std::sqrt(spread);
            }
        });
    return out;
}

std::vector<double> InstrumentFirstStage::ResidualLeverages() const {
    if (hasHandedResiduals_) return handedLeverage_;
    std::vector<double> h(static_cast<std::size_t>(n_));
    ForEachFitBlock([&](int first, int len, const long double*, const double* leverage) {
        std::copy(leverage, leverage + len, h.begin() + first);
    });
    // Within the tolerance the residuals leave out, the leverage is 1.
    for (double& v : h)
        if (!(1.0 - v > kLeverageOne)) v = 1.0;
    return h;
}
