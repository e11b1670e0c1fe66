#include "core/model/instrumental_fit.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/model/instrumental_passes.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/numeric/distributions.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/numeric/tolerance_interval.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

constexpr int kRowObserved = 0;
constexpr int kRowFitted = 1;
constexpr int kRowResidual = 2;
constexpr int kRowErrorPercent = 3;
constexpr int kRowPress = 4;
constexpr int kRowResidualSd = 5;
constexpr int kRowStandardized = 6;
constexpr int kRowStudentized = 7;
constexpr int kRowResidualShare = 8;
constexpr int kRowHatB = 9;
constexpr int kRowHatC = 10;
constexpr int kRowHatA = 11;
constexpr int kRowDeletedS2 = 12;
constexpr int kRowCovRatio = 13;
constexpr int kRowDffits = 14;
constexpr int kRowCook = 15;
constexpr int kRowW = 16;
constexpr int kRowDeletedR2 = 17;
constexpr int kRowDeletedAdjR2 = 18;
constexpr int kRowDfbetas = 19;

// A value below 2^-23 counts as zero (also a NaN from 0 / 0).
double ZeroBelowEpsilon(double x) { return x >= kSingleEpsilon ? x : 0.0; }

}  // namespace

RegIV::RegIV(const Reg& data, std::uint16_t mask, bool modelOnly) : mask_(mask), context_(&data.Context()) {
    std::vector<std::uint8_t> flags;
    if (!SelectDataBlock(data, mask, modelOnly, &flags, &names_, v_, n_)) throw Exception("DERR");
    const int v = v_, n = n_;
    a_.Replace(Matrix(v + 1, v + 1, 0.0));
    cf_.Replace(Matrix(v + 1, v + 1, 0.0));
    w_.Replace(Matrix(v + 1, v + 1, 0.0));
    coef_.assign(v + 1, 0.0);
    stdErr_.assign(v + 1, 0.0);
    fValue_.assign(v + 1, 0.0);
    tolerance_.assign(v + 1, 0.0);
    roles_.assign(v + 1, kRoleUnused);
    roles_[v] = kRoleExplanatory;
    roles_[v - 1] = kRoleDependent;
    dependent_ = v - 1;
    analysis_ = std::make_unique<RAData>(data.Context(), n, v);
    types_.assign(v, 0);
    std::vector<const double*> columns(static_cast<std::size_t>(v), nullptr);
    int count = static_cast<int>(flags.size());
    for (int j = 0; j < v; ++j) {
        const int col = data.FindVar(names_[j]);
        if (col < 0) continue;
        const Var& var = data.GetVar(col);
        types_[j] = var.GetType();
        columns[j] = var.begin();
        count = std::min(count, var.Count());
    }
    // Row r of the block is the r-th flagged observation; the rows are
    // copied on the worker threads straight into storage that nothing
    // filled before. The design starts as the observed data itself and is
    // copied only when first edited.
    std::vector<int> source;
    if (std::find(flags.begin(), flags.begin() + count, 0) != flags.begin() + count) {
        source.assign(static_cast<std::size_t>(n), -1);
        for (int i = 0, row = 0; i < count && row < n; ++i)
            if (flags[i]) source[static_cast<std::size_t>(row++)] = i;
    }
    Matrix block(n, v + 1);
    FillObservationRows(context_->Pool(), columns, count, source, block);
    swap(x_, block);
    for (int j = 0; j < data.GetVarCount(); ++j) dataSetTypes_.push_back(data.GetVar(j).GetType());
}

std::vector<int> RegIV::ModelSet() const {
    std::vector<int> s;
    for (int j = 0; j <= v_; ++j)
        if (roles_[j] == kRoleExplanatory) s.push_back(j);
    return s;
}

void RegIV::SetDependent(int k) { ResetModel(k, true); }

void RegIV::ResetModel(int k, bool withResiduals) {
    if (k < 0 || k >= v_) k = v_ - 1;
    roles_.assign(v_ + 1, kRoleUnused);
    roles_[k] = kRoleDependent;
    dependent_ = k;
    InstrumentalCrossProducts(context_->Pool(), Design(), x_, !ownDesign_, a_, w_);
    for (int j = 0; j <= v_; ++j) tolerance_[j] = a_[j][j] * 1e-6;
    ComputeDependentMoments();
    // A selection that enters variables next computes every figure below
    // again: the pass over the observations is left to it.
    rss_ = withResiduals ? ComputeFit(false) : 0.0;
    varY_ = tss_ / (n_ - 1);
    df_ = n_;
    s2_ = rss_ / df_;
    r2_ = adjR2_ = 0.0;
    std::fill(coef_.begin(), coef_.end(), 0.0);
    std::fill(stdErr_.begin(), stdErr_.end(), 0.0);
    for (int j = 0; j <= v_; ++j) {
        fValue_[j] = 0.0;
        if (j == k) continue;
        // Z'X need not be positive on its diagonal: sizes are compared.
        const double diag = std::fabs(a_[j][j]);
        if (!(std::fabs(tolerance_[j]) < diag)) continue;
        const double r = std::fabs(a_[k][j] * a_[j][k]) / diag;
        const double s2j = (rss_ - r) / (df_ - 1);
        if (std::fabs(s2j) >= kSingleEpsilon) fValue_[j] = r / s2j;
    }
    diagnosticsDone_ = influenceDone_ = false;
}

void RegIV::FinishModelChange() {
    ComputeCovarianceFactor();
    // The leverages are read by the diagnostics and influence rows only:
    // they are formed when first asked for.
    rss_ = ComputeFit(false);
    s2_ = rss_ / df_;
    r2_ = ZeroBelowEpsilon(1.0 - rss_ / tss_);
    adjR2_ = ZeroBelowEpsilon(1.0 - s2_ / varY_);
    const int d = dependent_;
    for (int j = 0; j <= v_; ++j) {
        if (j == d) continue;
        const double diag = std::fabs(a_[j][j]);
        const bool inTol = std::fabs(tolerance_[j]) < diag;
        if (roles_[j] == kRoleExplanatory) {
            coef_[j] = a_[j][d];
            stdErr_[j] = std::sqrt(cf_[j][j] * s2_);
            fValue_[j] = std::fabs(a_[j][d] * a_[d][j]) / diag / s2_;
        } else {
            coef_[j] = stdErr_[j] = 0.0;
            const double r = inTol ? std::fabs(a_[j][d] * a_[d][j]) / diag : rss_;
            const double s2j = (rss_ - r) / (df_ - 1);
            fValue_[j] = inTol && std::fabs(s2j) >= kSingleEpsilon ? r / s2j : 0.0;
        }
    }
    diagnosticsDone_ = influenceDone_ = false;
}

bool RegIV::ToggleVariable(int k) {
    if (k < 0 || k > v_ || k == dependent_) return false;
    const bool adding = roles_[k] == kRoleUnused;
    if (adding && df_ < 3) return false;
    if (a_.Sweep(k) == SweepResult::kZeroPivot) return false;
    roles_[k] = adding ? kRoleExplanatory : kRoleUnused;
    df_ += adding ? -1 : 1;
    FinishModelChange();
    return true;
}

bool RegIV::SelectVariables(const std::vector<std::uint8_t>& roles, int k) {
    ResetModel(k, false);
    bool ok = true;
    for (int j = 0; j <= v_ && j < static_cast<int>(roles.size()); ++j) {
        if (roles[j] != kRoleExplanatory || j == dependent_) continue;
        if (a_.Sweep(j) == SweepResult::kZeroPivot) {
            ok = false;
            break;
        }
        roles_[j] = kRoleExplanatory;
        --df_;
    }
    FinishModelChange();
    return ok;
}

void RegIV::Refit(bool dropLast) {
    std::vector<std::uint8_t> keep = roles_;
    if (dropLast) {
        keep[v_ - 1] = kRoleUnused;
        keep[v_] = kRoleExplanatory;
    }
    // The toggles' sweeps and refusals one after another, then the figures
    // of the model once (what the toggles would leave after the last one).
    ResetModel(dependent_, false);
    bool entered = false;
    for (int j = 0; j <= v_; ++j) {
        if (keep[j] != kRoleExplanatory || j == dependent_ || df_ < 3) continue;
        if (a_.Sweep(j) == SweepResult::kZeroPivot) continue;
        roles_[j] = kRoleExplanatory;
        --df_;
        entered = true;
    }
    if (entered)
        FinishModelChange();
    else
        ResetModel(dependent_, true);
}

void RegIV::ComputeCovarianceFactor() {
    const std::vector<int> s = ModelSet();
    const int p = static_cast<int>(s.size());
    std::vector<long double> t(static_cast<std::size_t>(p) * p);
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b) {
            long double sum = 0.0L;
            for (int c : s) sum += static_cast<long double>(a_[s[a]][c]) * w_[c][s[b]];
            t[a * p + b] = sum;
        }
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b) {
            long double sum = 0.0L;
            for (int c = 0; c < p; ++c) sum += t[a * p + c] * a_[s[b]][s[c]];
            cf_[s[a]][s[b]] = static_cast<double>(sum);
        }
}

double RegIV::ComputeResiduals() { return ComputeFit(true); }

double RegIV::ComputeFit(bool leverages) {
    const std::vector<int> s = ModelSet();
    const int d = dependent_;
    const int p = static_cast<int>(s.size());
    const std::size_t pp = static_cast<std::size_t>(p) * p;
    // The hat form x'A z over the model's set (and with the leverages x'Cf x
    // and z'Wc z), from dense copies, so each observation runs along
    // contiguous rows.
    std::vector<double> a(pp), b(static_cast<std::size_t>(p)), cf, wc;
    for (int i = 0; i < p; ++i) {
        b[i] = a_[s[i]][d];
        for (int j = 0; j < p; ++j) a[i * p + j] = a_[s[i]][s[j]];
    }
    if (leverages) LeverageForms(s, cf, wc);
    const InstrumentalResidualRows rows{analysis_->RowForOverwrite(kRowObserved),
                                        analysis_->RowForOverwrite(kRowFitted),
                                        analysis_->RowForOverwrite(kRowResidual),
                                        analysis_->RowForOverwrite(kRowPress),
                                        analysis_->RowForOverwrite(kRowHatA),
                                        leverages ? analysis_->RowForOverwrite(kRowHatB) : nullptr,
                                        leverages ? analysis_->RowForOverwrite(kRowHatC) : nullptr};
    leveragesPending_ = !leverages;
    return InstrumentalResidualPass(context_->Pool(), x_, Design(), n_, d, s, a, cf, wc, b, rows, press_);
}

void RegIV::LeverageForms(const std::vector<int>& s, std::vector<double>& cf, std::vector<double>& wc) const {
    Matrix w = w_;
    for (int j : s) (void)w.Sweep(j);
    const int p = static_cast<int>(s.size());
    cf.resize(static_cast<std::size_t>(p) * p);
    wc.resize(static_cast<std::size_t>(p) * p);
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j) {
            cf[static_cast<std::size_t>(i) * p + j] = cf_[s[i]][s[j]];
            wc[static_cast<std::size_t>(i) * p + j] = w[s[i]][s[j]];
        }
}

void RegIV::EnsureLeverages() const {
    if (!leveragesPending_) return;
    const std::vector<int> s = ModelSet();
    std::vector<double> cf, wc;
    LeverageForms(s, cf, wc);
    InstrumentalLeveragePass(context_->Pool(), x_, Design(), n_, s, cf, wc, analysis_->RowForOverwrite(kRowHatB),
                             analysis_->RowForOverwrite(kRowHatC));
    leveragesPending_ = false;
}

double RegIV::GetAnalysisValue(int code, int i) const {
    if (code == kRowHatB || code == kRowHatC) EnsureLeverages();
    return analysis_->GetValue(code, i);
}

void RegIV::GetAnalysisRow(int code, std::vector<double>& out) const {
    if (code == kRowHatB || code == kRowHatC) EnsureLeverages();
    analysis_->GetRow(code, out);
}

void RegIV::ComputeDependentMoments() {
    double mean = 0.0;
    long double ss = 0.0L;
    for (int t = 0; t < n_; ++t) {
        const double d = x_[t][dependent_] - mean;
        const double step = d / (t + 1);
        mean += step;
        ss += static_cast<long double>(step) * d * t;
    }
    meanY_ = mean;
    tss_ = static_cast<double>(ss);
}

void RegIV::ComputeDiagnostics() {
    if (diagnosticsDone_) return;
    EnsureLeverages();
    const std::vector<int> s = ModelSet();
    const int d = dependent_;
    const int p = static_cast<int>(s.size());
    const std::size_t pp = static_cast<std::size_t>(p) * p;
    const double* e = analysis_->Row(kRowResidual);
    // H[r][t] = x_r . u_t with u_t = A_S z_t. The sums over r of H[r][t]^2
    // and of e_r H[r][t] are u_t' (X_S'X_S) u_t and u_t' X_S'e: one pass
    // for the two cross-products instead of one per observation (double
    // sums over blocks of rows, added up in long double).
    std::vector<long double> xxTotal(pp, 0.0L), xeTotal(static_cast<std::size_t>(p), 0.0L);
    std::vector<double> xxBlock(pp), xeBlock(static_cast<std::size_t>(p)), xs(static_cast<std::size_t>(p));
    constexpr int kBlock = 256;
    for (int r0 = 0; r0 < n_; r0 += kBlock) {
        std::fill(xxBlock.begin(), xxBlock.end(), 0.0);
        std::fill(xeBlock.begin(), xeBlock.end(), 0.0);
        for (int r = r0; r < std::min(n_, r0 + kBlock); ++r) {
            const double* x = x_[r];
            for (int a = 0; a < p; ++a) xs[a] = x[s[a]];
            for (int a = 0; a < p; ++a) {
                xeBlock[a] += xs[a] * e[r];
                double* row = &xxBlock[static_cast<std::size_t>(a) * p];
                for (int b = 0; b < p; ++b) row[b] += xs[a] * xs[b];
            }
        }
        for (std::size_t i = 0; i < pp; ++i) xxTotal[i] += xxBlock[i];
        for (int a = 0; a < p; ++a) xeTotal[a] += xeBlock[a];
    }
    std::vector<double> xx(pp), xe(static_cast<std::size_t>(p)), as(pp);
    for (std::size_t i = 0; i < pp; ++i) xx[i] = static_cast<double>(xxTotal[i]);
    for (int a = 0; a < p; ++a) {
        xe[a] = static_cast<double>(xeTotal[a]);
        for (int c = 0; c < p; ++c) as[static_cast<std::size_t>(a) * p + c] = a_[s[a]][s[c]];
    }
    const double* press = analysis_->Row(kRowPress);
    const double* hatA = analysis_->Row(kRowHatA);
    const double* hatB = analysis_->Row(kRowHatB);
    double* deleted = analysis_->RowForOverwrite(kRowDeletedS2);
    double* standardized = analysis_->RowForOverwrite(kRowStandardized);
    double* residualSd = analysis_->RowForOverwrite(kRowResidualSd);
    double* studentized = analysis_->RowForOverwrite(kRowStudentized);
    double* share = analysis_->RowForOverwrite(kRowResidualShare);
    double* errorPercent = analysis_->RowForOverwrite(kRowErrorPercent);
    std::vector<double> zs(static_cast<std::size_t>(p)), u(static_cast<std::size_t>(p));
    ProgressScope progress(context_->Services(), "分析データ計算中・・・", n_);
    for (int t = 0; t < n_; ++t) {
        progress.Step();
        const double dt = press[t];
        const double* z = Design()[t];
        for (int a = 0; a < p; ++a) zs[a] = z[s[a]];
        for (int a = 0; a < p; ++a) {
            const double* row = &as[static_cast<std::size_t>(a) * p];
            double sum = 0.0;
            for (int c = 0; c < p; ++c) sum += row[c] * zs[c];
            u[a] = sum;
        }
        double g = 0.0, ee = 0.0;
        for (int a = 0; a < p; ++a) {
            const double* row = &xx[static_cast<std::size_t>(a) * p];
            double sum = 0.0;
            for (int b = 0; b < p; ++b) sum += row[b] * u[b];
            g += u[a] * sum;
            ee += u[a] * xe[a];
        }
        const double s2t = ((g - 1.0) * dt * dt + 2.0 * dt * ee + rss_) / (df_ - 1);
        deleted[t] = s2t;
        const double w = 1.0 - 2.0 * hatA[t] + hatB[t];
        standardized[t] = e[t] / std::sqrt(s2_ * w);
        double q = w * s2t;
        if (q < kSingleEpsilon) q = kSingleEpsilon;
        residualSd[t] = std::sqrt(q);
        studentized[t] = e[t] / std::sqrt(q);
        share[t] = e[t] * e[t] / rss_;
        const double y = x_[t][d];
        errorPercent[t] = std::fabs(y) < kDoubleEpsilon ? 999900.0 : 100.0 * e[t] / y;
    }
    diagnosticsDone_ = true;
}

void RegIV::ComputeInfluence() {
    if (influenceDone_) return;
    ComputeDiagnostics();
    EnsureLeverages();
    const std::vector<int> s = ModelSet();
    const Matrix& design = Design();
    const int p = GetParamCount();
    const int q = static_cast<int>(s.size());
    const int d = dependent_;
    const std::size_t qq = static_cast<std::size_t>(q) * q;
    std::vector<double> as(qq), cs(qq);
    for (int a = 0; a < q; ++a)
        for (int c = 0; c < q; ++c) {
            as[static_cast<std::size_t>(a) * q + c] = a_[s[a]][s[c]];
            cs[static_cast<std::size_t>(a) * q + c] = cf_[s[a]][s[c]];
        }
    const double* press = analysis_->Row(kRowPress);
    const double* deleted = analysis_->Row(kRowDeletedS2);
    const double* hatA = analysis_->Row(kRowHatA);
    const double* hatB = analysis_->Row(kRowHatB);
    const double* hatC = analysis_->Row(kRowHatC);
    std::vector<double*> change(static_cast<std::size_t>(q)), dfbetas(static_cast<std::size_t>(q));
    for (int a = 0; a < q; ++a) {
        change[a] = analysis_->RowForOverwrite(s[a] - 100);
        dfbetas[a] = analysis_->RowForOverwrite(kRowDfbetas + s[a]);
    }
    double* welsch = analysis_->RowForOverwrite(kRowW);
    double* dffitsRow = analysis_->RowForOverwrite(kRowDffits);
    double* cook = analysis_->RowForOverwrite(kRowCook);
    double* covRatio = analysis_->RowForOverwrite(kRowCovRatio);
    double* deletedR2 = analysis_->RowForOverwrite(kRowDeletedR2);
    double* deletedAdjR2 = analysis_->RowForOverwrite(kRowDeletedAdjR2);
    std::vector<double> xs(static_cast<std::size_t>(q)), zs(static_cast<std::size_t>(q));
    for (int t = 0; t < n_; ++t) {
        const double dt = press[t];
        const double s2t = deleted[t];
        const double hb = hatB[t];
        const double hc = hatC[t];
        const double ha = hatA[t];
        const double m = 1.0 - ha;
        const double f = ha / m + 1.0;
        for (int a = 0; a < q; ++a) {
            xs[a] = x_[t][s[a]];
            zs[a] = design[t][s[a]];
        }
        for (int a = 0; a < q; ++a) {
            const double* ar = &as[static_cast<std::size_t>(a) * q];
            const double* cr = &cs[static_cast<std::size_t>(a) * q];
            double u = 0.0, w = 0.0;
            for (int c = 0; c < q; ++c) {
                u += ar[c] * zs[c];
                w += cr[c] * xs[c];
            }
            const int j = s[a];
            change[a][t] = u * dt;
            const double var = s2t * (2.0 * u * w / m + cf_[j][j] - (f * f - hb / (m * m)) * u * u);
            dfbetas[a][t] = (coef_[j] - u * dt) / std::sqrt(var);
        }
        const double dd = hc * dt * dt;
        welsch[t] = std::sqrt(dd / ((1.0 - 2.0 * ha + hb) * s2t / (n_ - 1)));
        const double dffits = std::sqrt(dd / s2t);
        dffitsRow[t] = dt >= 0.0 ? dffits : -dffits;
        cook[t] = dd / (p * s2_);
        covRatio[t] = IntPower(p, s2t / s2_) * (1.0 - hc) / (m * m);
        const double dev = x_[t][d] - meanY_;
        const double r2t = 1.0 - (df_ - 1) * s2t / (tss_ - dev * dev * n_ / (n_ - 1));
        deletedR2[t] = r2t;
        deletedAdjR2[t] = ZeroBelowEpsilon(1.0 - (n_ - 2.0) / (df_ - 1) * (1.0 - r2t));
    }
    influenceDone_ = true;
}

void RegIV::ComputeResidualTests() {
    const double* fitted = analysis_->Row(kRowFitted);
    const double* residual = analysis_->Row(kRowResidual);
    gk_ = HeteroskedasticityStatistic(fitted, residual, n_);
    dw_ = DurbinWatson(residual, n_);
}

void RegIV::GetPartialResiduals(int k, std::vector<double>& outY, std::vector<double>& outK) const {
    if (k < 0 || k > v_) throw ERangeError("RegIV: variable out of range");
    Matrix z = Design();
    for (int t = 0; t < n_; ++t) z[t][k] = x_[t][k];
    Matrix m;
    ComputeCrossProducts(z, x_, m, nullptr);
    const int d = dependent_;
    std::vector<int> others;
    for (int j : ModelSet())
        if (j != k && j != d && m.Sweep(j) == SweepResult::kSwept) others.push_back(j);
    outY.assign(n_, 0.0);
    outK.assign(n_, 0.0);
    for (int t = 0; t < n_; ++t) {
        long double fy = 0.0L, fk = 0.0L;
        for (int j : others) {
            fy += static_cast<long double>(x_[t][j]) * m[j][d];
            fk += static_cast<long double>(x_[t][j]) * m[j][k];
        }
        outY[t] = x_[t][d] - static_cast<double>(fy);
        outK[t] = x_[t][k] - static_cast<double>(fk);
    }
}

double RegIV::SpecificationTest() {
    const std::vector<int> s = ModelSet();
    const int p = static_cast<int>(s.size());
    const int d = dependent_;
    LongMatrix m;
    BuildMomentMatrix(x_, n_, v_, m, context_->Pool());
    (void)m.Sweep(v_);  // back to the raw cross-products
    for (int j : s)
        if (m.Sweep(j) == SweepResult::kZeroPivot) throw EZeroDivide("INVERSE ERROR!");
    const double s2ols = static_cast<double>(m[d][d]) / df_;
    ComputeCovarianceFactor();
    std::vector<double> q(p);
    Matrix diff(p, p, 0.0);
    for (int a = 0; a < p; ++a) {
        q[a] = coef_[s[a]] - static_cast<double>(m[s[a]][d]);
        for (int b = 0; b < p; ++b)
            diff[a][b] = s2_ * cf_[s[a]][s[b]] - s2ols * static_cast<double>(m[s[a]][s[b]]);
    }
    if (p == 0) return 0.0;
    InvertMatrix(diff.Data(), p, diff.Data(), p, p);
    long double sum = 0.0L;
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b) sum += static_cast<long double>(q[a]) * diff[a][b] * q[b];
    return ZeroIfTiny(static_cast<double>(sum));
}

double RegIV::Predict(double* x, double* lower, double* upper, double c1, double c2) {
    x[v_] = 1.0;
    const std::vector<int> s = ModelSet();
    long double yhat = 0.0L, qf = 0.0L;
    for (int j : s) {
        yhat += static_cast<long double>(coef_[j]) * x[j];
        for (int i : s) qf += static_cast<long double>(x[i]) * cf_[i][j] * x[j];
    }
    const double half = ToleranceHalfWidth(static_cast<double>(qf), s2_, n_, df_, c1, c2);
    *lower = static_cast<double>(yhat) - half;
    *upper = static_cast<double>(yhat) + half;
    return static_cast<double>(yhat);
}

double RegIV::GetDefaultK() const {
    int kp = 1, kin = 1, g = 1;
    for (std::uint8_t t : dataSetTypes_)
        if (t == Var::kExogenous || t == Var::kLagged) ++kp;
    for (int j = 0; j < v_; ++j) {
        if (roles_[j] != kRoleExplanatory) continue;
        if (types_[j] == Var::kExogenous || types_[j] == Var::kLagged) ++kin;
        if (types_[j] == Var::kEndogenous) ++g;
    }
    if (kp < 2 || kp - kin < g - 1) return 0.0;
    return 1.0 + static_cast<double>((kp - kin) - g) / n_;
}

int RegIV::CountExplanatory() const {
    int count = 0;
    for (int j = 0; j < v_; ++j)
        if (roles_[j] == kRoleExplanatory) ++count;
    return count;
}

int RegIV::GetParamCount() const { return CountExplanatory() + (roles_[v_] == kRoleExplanatory ? 1 : 0); }

void RegIV::OutOfRange() { throw ERangeError(kRangeErrorText); }

void RegIV::OwnDesign() {
    if (ownDesign_) return;
    Matrix copy(n_, v_ + 1);
    CopyMatrixRows(context_->Pool(), x_, copy);
    swap(z_, copy);
    ownDesign_ = true;
}

void RegIV::SetDesignValue(int i, int j, double value) {
    if (i < 0 || i >= n_ || j < 0 || j >= v_) return;
    EnsureLeverages();  // of the fit on the design before the edit
    OwnDesign();
    z_[i][j] = value;
}

void RegIV::SetDesignColumn(int j, const std::vector<double>& values) {
    if (j < 0 || j >= v_ || static_cast<int>(values.size()) < n_) return;
    EnsureLeverages();  // of the fit on the design before the edit
    OwnDesign();
    for (int i = 0; i < n_; ++i) z_[i][j] = values[i];
}

void RegIV::GetDataColumn(int j, std::vector<double>& out) const {
    out.assign(n_, 0.0);
    if (n_ > 0) x_.GetColumn(j, out.data());
}

void RegIV::GetDesignColumn(int j, std::vector<double>& out) const {
    out.assign(n_, 0.0);
    if (n_ > 0) Design().GetColumn(j, out.data());
}

void RegIV::GetDataRow(int i, std::vector<double>& out) const {
    out.assign(v_ + 1, 0.0);
    x_.GetRow(i, out.data());
}

void RegIV::GetDesignRow(int i, std::vector<double>& out) const {
    out.assign(v_ + 1, 0.0);
    Design().GetRow(i, out.data());
}

void RegIV::CopyColumnToMatrix(int j, Matrix& m, int c, bool design) const {
    if (j < 0 || j > v_ || c < 0 || c >= m.Cols()) throw ERangeError("RegIV: column out of range");
    const Matrix& from = design ? Design() : x_;
    const int rows = n_ < m.Rows() ? n_ : m.Rows();
    for (int i = 0; i < rows; ++i) m[i][c] = from[i][j];
}

std::string RegIV::GetVarName(int i) const {
    if (i == v_) return Reg::ConstantName();
    return names_.at(i);
}

int RegIV::FindVar(const std::string& name) const {
    if (name == Reg::ConstantName()) return v_;
    for (int j = 0; j < v_; ++j)
        if (names_[j] == name) return j;
    return -1;
}
