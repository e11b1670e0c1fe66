#include "estimators/recursive_residuals.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/model/regression_model.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

// A regressor counts as determined when what is left of it after the
// earlier columns is at least this share of its own spread (the rule the
// model uses before it sweeps a variable in).
constexpr double kPivotShare = 1e-6;

// The progress window moves in this many steps over the observations.
constexpr int kProgressSteps = 100;

// One progress step each count / kProgressSteps observations.
class ProgressTicks {
public:
    ProgressTicks(const Reg& reg, int count)
        : scope_(reg.Context().Services(), "データの設定中・・・", kProgressSteps),
          stride_(std::max(1, count / kProgressSteps)) {}
    void At(int t) {
        if (t % stride_ == 0 && ticks_ < kProgressSteps) {
            scope_.Step();
            ++ticks_;
        }
    }

private:
    ProgressScope scope_;
    int stride_;
    int ticks_ = 0;
};

std::vector<const double*> ModelColumns(const Reg& reg, std::vector<int>& ex) {
    const int k = reg.GetVarCount();
    for (int j = 0; j < k; ++j)
        if (reg.IsExplanatory(j)) ex.push_back(j);
    std::vector<const double*> cols;
    for (int j : ex) cols.push_back(reg.GetVar(j).Data());
    cols.push_back(reg.GetVar(reg.GetDependent()).Data());
    return cols;
}

void CheckFinite(const std::vector<const double*>& cols, int count) {
    for (const double* c : cols)
        for (int i = 0; i < count; ++i)
            if (!std::isfinite(c[i])) throw EMathError("数値でない値があります。");
}

// Ordinary least squares. Columns of the factor: the constant, the
// regressors, then the dependent variable; every column is shifted by its
// mean, which leaves the residuals unchanged and keeps the rotations away
// from large common offsets.
std::optional<RecursiveResidualSeries> Ordinary(const Reg& reg, int count) {
    std::vector<int> ex;
    const std::vector<const double*> cols = ModelColumns(reg, ex);
    CheckFinite(cols, count);
    const int kx = static_cast<int>(ex.size());
    const int s = kx + 1;  // coefficients
    const int width = s + 1;
    std::vector<double> shift(width, 0.0);
    for (int c = 0; c <= kx; ++c) {
        long double sum = 0.0L;
        for (int i = 0; i < count; ++i) sum += cols[c][i];
        shift[c + 1] = static_cast<double>(sum / count);
    }
    std::vector<double> R(static_cast<std::size_t>(s) * width, 0.0);
    std::vector<double> sum(width, 0.0), sumSq(width, 0.0), v(width);
    RecursiveResidualSeries out;
    out.w.assign(count, 0.0);
    out.t0 = -1;
    bool started = false;
    ProgressTicks progress(reg, count);
    for (int t = 0; t < count; ++t) {
        progress.At(t);
        v[0] = 1.0;
        for (int c = 0; c <= kx; ++c) v[c + 1] = cols[c][t] - shift[c + 1];
        if (!started && t >= s) {
            // Determined by rows 0 .. t-1?
            started = true;
            for (int j = 1; j < s && started; ++j) {
                const double spread = sumSq[j] - sum[j] * sum[j] / t;
                const double left = R[static_cast<std::size_t>(j) * width + j];
                started = spread > 0.0 && left * left >= kPivotShare * spread;
            }
            if (started) out.t0 = t;
        }
        for (int j = 1; j < width; ++j) {
            sum[j] += v[j];
            sumSq[j] += v[j] * v[j];
        }
        for (int j = 0; j < s; ++j) {
            double* r = &R[static_cast<std::size_t>(j) * width];
            const double a = r[j], b = v[j];
            if (b == 0.0) continue;
            const double rho = std::sqrt(a * a + b * b);
            const double c = a / rho, sn = b / rho;
            r[j] = rho;
            v[j] = 0.0;
            for (int l = j + 1; l < width; ++l) {
                const double rl = r[l], vl = v[l];
                r[l] = c * rl + sn * vl;
                v[l] = c * vl - sn * rl;
            }
        }
        if (started) out.w[t] = v[s];
    }
    if (!started) return std::nullopt;
    for (int t = out.t0; t < count; ++t)
        if (!std::isfinite(out.w[t])) throw EMathError("逐次残差が数値になりません。");
    return out;
}

// Running centred moments of a fixed set of columns (Welford's update).
struct RunningMoments {
    int v = 0;
    long long t = 0;
    std::vector<long double> mean, co;

    explicit RunningMoments(int vars)
        : v(vars), mean(vars, 0.0L), co(static_cast<std::size_t>(vars) * vars, 0.0L) {}
    void Add(const std::vector<double>& x) {
        ++t;
        std::vector<long double> d(v);
        for (int a = 0; a < v; ++a) {
            d[a] = x[a] - mean[a];
            mean[a] += d[a] / t;
        }
        const long double f = static_cast<long double>(t - 1) / t;
        for (int a = 0; a < v; ++a)
            for (int b = 0; b < v; ++b) co[static_cast<std::size_t>(a) * v + b] += f * d[a] * d[b];
    }
};

// Sweeps a (n x n, row-major) on pivot p when it is determined: positive
// and at least kPivotShare of its value before any sweep.
bool SweepDetermined(std::vector<long double>& a, int n, int p, long double before) {
    const long double piv = a[static_cast<std::size_t>(p) * n + p];
    if (!(piv > 0.0L) || piv < kPivotShare * before) return false;
    LongMatrix m(n, n);
    std::copy(a.begin(), a.end(), m.Data());
    if (m.Sweep(p) != SweepResult::kSwept) return false;
    std::copy(m.Data(), m.Data() + a.size(), a.begin());
    return true;
}

// Two-stage least squares refitted on observations 0 .. t-1 for each t.
// With the constant among the instruments every cross-product the second
// stage needs follows from the centred moments C of the instruments, the
// regressors and the dependent variable: a pair involving a replaced
// (endogenous) column is C - R, R the residual moments after the
// instruments; any other pair is C itself.
std::optional<RecursiveResidualSeries> TwoStage(const Reg& reg, int count) {
    int others = 0, K = 0;
    if (reg.IsUnderidentified(others, &K)) return std::nullopt;
    const int k = reg.GetVarCount();
    const int d = reg.GetDependent();
    std::vector<int> vars;  // data set indices of the columns used
    std::vector<int> inst, regs;
    for (int j = 0; j < k; ++j) {
        const bool isInst = reg.IsExogenous(j);
        const bool isReg = reg.IsExplanatory(j);
        if (!isInst && !isReg && j != d) continue;
        const int at = static_cast<int>(vars.size());
        vars.push_back(j);
        if (isInst) inst.push_back(at);
        if (isReg) regs.push_back(at);
    }
    const int V = static_cast<int>(vars.size());
    const int y = static_cast<int>(std::find(vars.begin(), vars.end(), d) - vars.begin());
    std::vector<const double*> cols;
    for (int j : vars) cols.push_back(reg.GetVar(j).Data());
    CheckFinite(cols, count);
    std::vector<char> replaced(V, 0), isInst(V, 0);
    for (int a : inst) isInst[a] = 1;
    for (int a : regs) replaced[a] = reg.GetVarType(vars[a]) == Var::kEndogenous ? 1 : 0;

    const int q = static_cast<int>(regs.size());
    const int g = q + 1;  // second stage: regressors, then the dependent
    std::vector<int> second(regs);
    second.push_back(y);

    RunningMoments run(V);
    RecursiveResidualSeries out;
    out.w.assign(count, 0.0);
    out.t0 = -1;
    std::vector<double> x(V);
    std::vector<long double> A, G(static_cast<std::size_t>(g) * g);
    ProgressTicks progress(reg, count);
    for (int t = 0; t < count; ++t) {
        progress.At(t);
        for (int a = 0; a < V; ++a) x[a] = cols[a][t];
        if (t >= std::max(K, q + 1)) {
            A = run.co;
            std::vector<char> swept(V, 0);
            for (int a : inst)
                swept[a] = SweepDetermined(A, V, a, run.co[static_cast<std::size_t>(a) * V + a]) ? 1 : 0;
            for (int u = 0; u < g; ++u)
                for (int w = 0; w < g; ++w) {
                    const int a = second[u], b = second[w];
                    long double c = run.co[static_cast<std::size_t>(a) * V + b];
                    if ((replaced[a] || replaced[b]) && !swept[a] && !swept[b]) c -= A[static_cast<std::size_t>(a) * V + b];
                    G[static_cast<std::size_t>(u) * g + w] = c;
                }
            bool determined = true;
            const std::vector<long double> before(G);
            for (int u = 0; u < q && determined; ++u)
                determined = SweepDetermined(G, g, u, before[static_cast<std::size_t>(u) * g + u]);
            if (determined) {
                long double fitted = run.mean[y], lev = 1.0L / t;
                for (int u = 0; u < q; ++u) {
                    const long double du = x[second[u]] - run.mean[second[u]];
                    fitted += G[static_cast<std::size_t>(u) * g + q] * du;
                    for (int w = 0; w < q; ++w)
                        lev += du * G[static_cast<std::size_t>(u) * g + w] * (x[second[w]] - run.mean[second[w]]);
                }
                out.w[t] = static_cast<double>((x[y] - fitted) / std::sqrt(1.0L + lev));
                if (out.t0 < 0) out.t0 = t;
            } else if (out.t0 >= 0) {
                throw EMathError("逐次残差が計算できません。");
            }
        }
        run.Add(x);
    }
    if (out.t0 < 0) return std::nullopt;
    for (int t = out.t0; t < count; ++t)
        if (!std::isfinite(out.w[t])) throw EMathError("逐次残差が数値になりません。");
    return out;
}

}  // namespace

std::optional<RecursiveResidualSeries> ComputeRecursiveResiduals(const Reg& reg, int count) {
    const int k = reg.GetVarCount();
    count = std::min(count, reg.GetObsCount());
    const int d = reg.GetDependent();
    if (count < 1 || k < 1 || d < 0 || d >= k || static_cast<int>(reg.Roles().size()) != k + 1) return std::nullopt;
    try {
        return reg.IsTwoStage() ? TwoStage(reg, count) : Ordinary(reg, count);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}
