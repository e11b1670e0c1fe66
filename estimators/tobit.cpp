#include "estimators/tobit.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "core/model/leverage_forms.h"
#include "core/model/regression_model.h"
#include "core/numeric/distributions.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/simplex.h"
#include "core/numeric/thread_pool.h"
#include "platform/errors.h"

namespace {

constexpr int kBlockRows = 4096;
constexpr int kRunLimit = 10;
constexpr double kInvSqrtTwoPi = 0.3989422804014327;
constexpr double kInvSqrtTwo = 0.7071067811865476;

int BlockCount(int n) { return (n + kBlockRows - 1) / kBlockRows; }

double Index(const double* row, const double* beta, int m) {
    double s = 0.0;
    for (int j = 0; j < m; ++j) s += row[j] * beta[j];
    return s;
}


// The gradient of the negative log-likelihood in (b, sigma), with the same
// floor on the censored probability as the likelihood (below it a term is
// constant and adds nothing).
std::vector<double> TobitGradient(const Matrix& data, const double* theta, ThreadPool* pool) {
    const int n = data.Rows(), m = data.Cols() - 1, p = m + 1;
    const double sigma = theta[m], inv = 1.0 / sigma;
    const int stride = data.Cols();
    const double* base = data.Data();
    std::vector<std::vector<long double>> partial(static_cast<std::size_t>(BlockCount(n)));
    ForEachBlock(pool, n, kBlockRows, [&](long long first, int count) {
        std::vector<long double> g(static_cast<std::size_t>(p), 0.0L);
        for (long long i = first; i < first + count; ++i) {
            const double* row = base + i * stride;
            const double y = row[m];
            const double z = (y - Index(row, theta, m)) * inv;
            double wx = 0.0, ws = 0.0;
            if (y > 0.0) {
                wx = -z * inv;
                ws = (1.0 - z * z) * inv;
            } else {
                const double prob = 0.5 * std::erfc(-z * kInvSqrtTwo);
                if (!(prob > kDoubleEpsilon)) continue;
                const double lambda = kInvSqrtTwoPi * std::exp(-0.5 * z * z) / prob;
                wx = lambda * inv;
                ws = lambda * z * inv;
            }
            for (int j = 0; j < m; ++j) g[static_cast<std::size_t>(j)] += static_cast<long double>(wx) * row[j];
            g[static_cast<std::size_t>(m)] += ws;
        }
        partial[static_cast<std::size_t>(first / kBlockRows)] = std::move(g);
    });
    std::vector<double> out(static_cast<std::size_t>(p), 0.0);
    for (int j = 0; j < p; ++j) {
        long double s = 0.0L;
        for (const auto& g : partial) s += g[static_cast<std::size_t>(j)];
        out[static_cast<std::size_t>(j)] = static_cast<double>(s);
    }
    return out;
}

// Newton steps from where the simplex stopped: its stop rule leaves the
// coefficients about 1e-5 of their units from the maximum; a few steps on
// the gradient (second derivatives by differences of it, steps a share of
// each parameter's unit or size) reach the maximum itself. A step
// is taken only where the likelihood rises; the point is left as it was
// where the second derivatives give no descent.
void PolishMaximum(const Matrix& data, const std::vector<double>& units, std::vector<double>& theta, double& value,
                   ThreadPool* pool, int& evaluations) {
    const int p = static_cast<int>(theta.size());
    for (int step = 0; step < 20; ++step) {
        const std::vector<double> g = TobitGradient(data, theta.data(), pool);
        std::vector<double> h(static_cast<std::size_t>(p) * p), inverse(h.size());
        for (int k = 0; k < p; ++k) {
            // sigma's difference is a share of sigma itself, which may lie
            // far below its unit and must stay positive.
            const double d = 1e-6 * (k + 1 == p ? theta[k] : std::max(units[k], std::fabs(theta[k])));
            std::vector<double> up(theta), down(theta);
            up[k] += d;
            down[k] -= d;
            if (!(down[p - 1] > 0.0)) return;
            const std::vector<double> gu = TobitGradient(data, up.data(), pool);
            const std::vector<double> gd = TobitGradient(data, down.data(), pool);
            for (int j = 0; j < p; ++j) h[static_cast<std::size_t>(j) * p + k] = (gu[j] - gd[j]) / (2.0 * d);
        }
        for (int j = 0; j < p; ++j)
            for (int k = 0; k < j; ++k) {
                const double mean = 0.5 * (h[static_cast<std::size_t>(j) * p + k] + h[static_cast<std::size_t>(k) * p + j]);
                h[static_cast<std::size_t>(j) * p + k] = h[static_cast<std::size_t>(k) * p + j] = mean;
            }
        try {
            InvertMatrix(h.data(), p, inverse.data(), p, p);
        } catch (const std::exception&) {
            return;
        }
        std::vector<double> dir(static_cast<std::size_t>(p), 0.0);
        double slope = 0.0;
        for (int j = 0; j < p; ++j) {
            for (int k = 0; k < p; ++k) dir[j] -= inverse[static_cast<std::size_t>(j) * p + k] * g[k];
            slope += dir[j] * g[j];
        }
        if (!(slope < 0.0)) return;
        double t = 1.0;
        bool taken = false;
        std::vector<double> trial(theta);
        for (int halving = 0; halving < 30 && !taken; ++halving, t *= 0.5) {
            for (int j = 0; j < p; ++j) trial[j] = theta[j] + t * dir[j];
            ++evaluations;
            const double v = TobitLogLikelihood(data, trial.data(), pool);
            if (v <= value) {
                taken = true;
                value = v;
            }
        }
        if (!taken) return;
        bool moved = false;
        for (int j = 0; j < p; ++j)
            moved = moved || std::fabs(trial[j] - theta[j]) > 1e-13 * (units[j] + std::fabs(theta[j]));
        theta = trial;
        if (!moved) return;
    }
}

// Runs of the downhill simplex from start. A simplex that runs out of
// iterations while still descending goes on from where it stands; one that
// has converged starts afresh from its best vertex (it can collapse short
// of the minimum) until a new start no longer moves that vertex. Both
// within a bound on the runs; "FAILURE" when none converges.
std::vector<double> SimplexRuns(const Simplex::Objective& objective, std::vector<double> start,
                                const std::vector<double>& steps, const std::vector<double>& tolerances,
                                TobitResult& r) {
    const int dim = static_cast<int>(start.size());
    std::vector<double> best(start.size());
    Simplex simplex(dim);
    simplex.Init(start.data(), steps.data(), tolerances.data());
    bool converged = false;
    for (int run = 0; run < kRunLimit; ++run) {
        const int iterations = simplex.Minimize(best.data(), &r.negLogLikelihood, objective);
        r.iterations += iterations < 0 ? Simplex::kIterationLimit : iterations;
        if (iterations < 0) continue;
        bool moved = !converged;
        if (converged) {
            moved = false;
            for (int j = 0; j < dim; ++j) moved = moved || std::fabs(best[j] - start[j]) > tolerances[j];
        }
        converged = true;
        if (!moved) break;
        start = best;
        simplex.Init(start.data(), steps.data(), tolerances.data());
    }
    if (!converged) throw Exception("FAILURE");
    return best;
}

// var(y), divisor n - 1, in long double about the mean (two passes); a
// dependent without variation is measured by its square. 0 where there is
// no such figure (y too large for its square).
double DependentVariance(const Matrix& data) {
    const int n = data.Rows(), m = data.Cols() - 1;
    if (n < 1 || m < 0) return 0.0;
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) sum += data[i][m];
    const long double centre = sum / n;
    long double squares = 0.0L;
    for (int i = 0; i < n; ++i) {
        const long double d = data[i][m] - centre;
        squares += d * d;
    }
    const double mean = static_cast<double>(centre);
    const double varY = n > 1 ? static_cast<double>(squares / (n - 1)) : 0.0;
    const double v = varY > 0.0 ? varY : mean * mean;
    return std::isfinite(v) ? v : 0.0;
}

// The units the simplex measures its steps and tolerances in, so that a
// change of the data's units changes nothing else: sd(y) for sigma and
// sd(y) / rms(x_j) for coefficient j (rms over the rows as the search sees
// them: centred, but the constant term's 1.0).
std::vector<double> ParameterUnits(const Matrix& data) {
    const int n = data.Rows(), m = data.Cols() - 1;
    double spread = std::sqrt(DependentVariance(data));
    if (!(spread > 0.0)) spread = 1.0;
    std::vector<double> units(static_cast<std::size_t>(m) + 1, spread);
    for (int j = 0; j < m; ++j) {
        long double sum = 0.0L;
        for (int i = 0; i < n; ++i) sum += static_cast<long double>(data[i][j]) * data[i][j];
        const double rms = std::sqrt(static_cast<double>(sum / n));
        if (rms > 0.0 && std::isfinite(rms)) units[static_cast<std::size_t>(j)] = spread / rms;
    }
    return units;
}

}  // namespace

std::vector<double> TobitSimplexMaximum(const Matrix& data, std::vector<double> theta, ThreadPool* pool,
                                        TobitResult& r) {
    const int p = data.Cols();
    const std::vector<double> units = ParameterUnits(data);
    std::vector<double> steps(units), tolerances(units);
    for (int j = 0; j < p; ++j) {
        steps[j] *= j + 1 == p ? 0.1 : 0.01;
        tolerances[j] *= 1e-05;
    }
    const auto objective = [&](const double* t) {
        ++r.evaluations;
        return TobitLogLikelihood(data, t, pool);
    };
    std::vector<double> best = SimplexRuns(objective, std::move(theta), steps, tolerances, r);
    // Ended where the likelihood is not defined: no maximum-likelihood
    // estimate to report.
    if (!(best[p - 1] > 0.0) || !std::isfinite(r.negLogLikelihood)) throw Exception("FAILURE");
    PolishMaximum(data, units, best, r.negLogLikelihood, pool, r.evaluations);
    return best;
}

std::optional<double> TobitResult::StdError(int j) const {
    const double v = variance.at(static_cast<std::size_t>(j));
    if (!(v > 0.0) || !std::isfinite(v)) return std::nullopt;
    return std::sqrt(v);
}

std::optional<double> TobitResult::SigmaStdError() const {
    const double v = variance.empty() ? 0.0 : variance.back();
    if (!(v > 0.0) || !std::isfinite(v) || !(sigma > 0.0)) return std::nullopt;
    return std::sqrt(v) / (2.0 * sigma);
}

TobitProblem MakeTobitProblem(const Reg& reg) {
    TobitProblem pr;
    const int k = reg.GetVarCount();
    std::vector<int> vars;
    for (int j = 0; j < k; ++j)
        if (reg.IsExplanatory(j)) vars.push_back(j);
    const int m = static_cast<int>(vars.size()) + 1;
    const Matrix& design = reg.Design();
    const int n = design.Rows();
    pr.data.Resize(n, m + 1, false);
    const int dep = reg.GetDependent();
    for (int i = 0; i < n; ++i) {
        double* row = pr.data[i];
        for (int c = 0; c + 1 < m; ++c) row[c] = reg.GetDesignValue(i, vars[c]);
        row[m - 1] = 1.0;
        row[m] = reg.GetDesignValue(i, dep);
    }
    for (int v : vars) {
        pr.names.push_back(reg.GetVarName(v));
        pr.startCoef.push_back(reg.GetCoef(v));
    }
    pr.names.push_back("定数項");
    pr.startCoef.push_back(reg.GetCoef(k));
    pr.depName = reg.GetVarName(dep);
    pr.startSigma = std::sqrt(std::max(0.0, reg.GetS2()));
    return pr;
}

namespace {

// Amemiya's information matrix as its sums are formed, in long double.
LongMatrix InformationSums(const Matrix& data, const std::vector<double>& coef, double sigma, ThreadPool* pool) {
    const int n = data.Rows(), m = data.Cols() - 1, p = m + 1;
    const double s2 = sigma * sigma, s3 = s2 * sigma, s4 = s2 * s2;
    std::vector<std::vector<long double>> partial(static_cast<std::size_t>(BlockCount(n)));
    ForEachBlock(pool, n, kBlockRows, [&](long long first, int count) {
        std::vector<long double> acc(static_cast<std::size_t>(p) * p, 0.0L);
        for (long long i = first; i < first + count; ++i) {
            const double* x = data[static_cast<int>(i)];
            const double z = Index(x, coef.data(), m) / sigma;
            const double phi = kInvSqrtTwoPi * std::exp(-0.5 * z * z);
            double phi2 = phi * phi;
            if (phi2 < kDoubleEpsilon) phi2 = 0.0;
            double Q = NormalUpperTail(z);
            if (Q < kDoubleEpsilon) Q = kDoubleEpsilon;
            const double Phi = 1.0 - Q;
            const double a = -(z * phi - phi2 / Q - Phi) / s2;
            const double b = (z * z * phi + phi - z * phi2 / Q) / (2.0 * s3);
            const double c = -(z * z * z * phi + z * phi - z * z * phi2 / Q - 2.0 * Phi) / (4.0 * s4);
            for (int j = 0; j < m; ++j) {
                long double* row = acc.data() + static_cast<std::size_t>(j) * p;
                const long double ax = static_cast<long double>(a) * x[j];
                for (int l = j; l < m; ++l) row[l] += ax * x[l];
                row[m] += static_cast<long double>(b) * x[j];
            }
            acc[static_cast<std::size_t>(m) * p + m] += c;
        }
        partial[static_cast<std::size_t>(first / kBlockRows)] = std::move(acc);
    });
    LongMatrix info(p, p, 0.0L);
    for (const auto& acc : partial)
        for (int j = 0; j < p; ++j)
            for (int l = j; l < p; ++l) info[j][l] += acc[static_cast<std::size_t>(j) * p + l];
    for (int j = 0; j < p; ++j)
        for (int l = 0; l < j; ++l) info[j][l] = info[l][j];
    return info;
}

// The maximum over b with sigma held at the floor's root: Newton's method
// from the least-squares coefficients, the simplex over b where its steps
// fail.
std::vector<double> HeldSigmaMaximum(const Matrix& data, const std::vector<double>& startCoef, double sigma,
                                     ThreadPool* pool, TobitResult& r) {
    const int m = data.Cols() - 1;
    std::vector<double> theta(startCoef);
    theta.push_back(sigma);
    TobitNewtonRun run;
    const bool found = TobitNewtonAtSigma(data, theta, r.negLogLikelihood, pool, run);
    r.iterations += run.iterations;
    r.evaluations += run.passes;
    if (found) return theta;
    const std::vector<double> units = ParameterUnits(data);
    std::vector<double> steps(units.begin(), units.begin() + m), tolerances(steps);
    for (int j = 0; j < m; ++j) {
        steps[j] *= 0.01;
        tolerances[j] *= 1e-05;
    }
    const auto objective = [&](const double* b) {
        ++r.evaluations;
        std::copy_n(b, m, theta.begin());
        return TobitLogLikelihood(data, theta.data(), pool);
    };
    std::vector<double> best = SimplexRuns(objective, startCoef, steps, tolerances, r);
    if (!std::isfinite(r.negLogLikelihood)) throw Exception("FAILURE");
    best.push_back(sigma);
    return best;
}

}  // namespace

Matrix TobitInformation(const Matrix& data, const std::vector<double>& coef, double sigma, ThreadPool* pool) {
    const LongMatrix sums = InformationSums(data, coef, sigma, pool);
    Matrix info(sums.Rows(), sums.Cols());
    for (int j = 0; j < sums.Rows(); ++j)
        for (int l = 0; l < sums.Cols(); ++l) info[j][l] = static_cast<double>(sums[j][l]);
    return info;
}

TobitResult TobitEstimate(const TobitProblem& problem, ThreadPool* pool) {
    const Matrix& data = problem.data;
    const int n = data.Rows(), m = data.Cols() - 1, p = m + 1;
    if (m < 1 || n < 1 || static_cast<int>(problem.startCoef.size()) != m)
        throw ERangeError("トービット推定のデータの形が合いません。");
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= m; ++j)
            if (!std::isfinite(data[i][j]))
                throw EMathError(std::to_string(i + 1) + " 番目の観測値が有限の数値ではありません。");

    TobitResult r;
    for (int i = 0; i < n; ++i)
        if (data[i][m] > 0.0) ++r.positiveCount;
    // With every observation censored the likelihood grows without bound
    // as the index falls: there is no estimate to find.
    if (r.positiveCount == 0) throw Exception("FAILURE");

    // The search and the information in centred parameters: the same
    // likelihood, whose sums need no cancellation of large terms (Longley's
    // constant term is -3.5e6 beside an index near 6e4), so that the maximum
    // and the inverted information keep their digits.
    TobitProblem centred;
    centred.startCoef = problem.startCoef;
    centred.startSigma = problem.startSigma;
    const RegressorShift shift = CentredCopy(problem.data, centred.data, pool);
    ShiftCoefficients(shift, centred.startCoef.data());
    const Matrix& work = centred.data;

    // sigma is not taken below the root of the variance floor where the fit
    // is perfect: a least-squares start whose s^2 is rounding fits every
    // observation (the censored at their own values) and leaves the
    // likelihood no maximum above sigma = 0, so the search starts at the
    // floor and sigma is held there if it runs below. So is a maximum whose
    // sigma^2 is rounding, and the simplex's end below the floor where
    // Newton's steps found no maximum (the observed values fitted exactly,
    // the censored ones inside their region: sigma runs to 0). At the held
    // sigma the coefficients are the maximum over b (with nothing censored,
    // least squares), and every figure is finite and free of the data's
    // units.
    const double floor = VarianceFloorOf(DependentVariance(data));
    const double sigmaFloor = std::sqrt(floor);
    const bool perfectStart = floor > 0.0 && IsRoundingVariance(problem.startSigma * problem.startSigma, floor);
    std::vector<double> best(centred.startCoef);
    best.push_back(perfectStart ? sigmaFloor : problem.startSigma);
    // Newton's method from the least-squares start, where its steps work;
    // the simplex otherwise.
    TobitNewtonRun newton;
    const bool found = TobitNewton(work, best, r.negLogLikelihood, pool, newton);
    r.iterations = newton.iterations;
    r.evaluations = newton.passes;
    if (!found && !perfectStart) best = TobitSimplexMaximum(work, best, pool, r);
    bool held = false;
    if (perfectStart)
        held = !found || !(best[m] >= sigmaFloor);
    else if (floor > 0.0)
        held = found ? IsRoundingVariance(best[m] * best[m], floor) : !(best[m] >= sigmaFloor);
    if (held) best = HeldSigmaMaximum(work, centred.startCoef, sigmaFloor, pool, r);

    const std::vector<double> centredCoef(best.begin(), best.begin() + m);
    r.sigma = best[m];
    LongMatrix info = InformationSums(work, centredCoef, r.sigma, pool);
    InvertMatrix(info.Data(), p, info.Data(), p, p);
    // Back to (b, b_c): b_c = b'_c - shift'b, so with the row t of that map
    // var b_c = t' V t.
    r.coef = centredCoef;
    UnshiftCoefficients(shift, r.coef.data());
    r.variance.resize(static_cast<std::size_t>(p));
    for (int j = 0; j < p; ++j) r.variance[j] = static_cast<double>(info[j][j]);
    if (const int c = shift.constant; c >= 0) {
        std::vector<long double> t(static_cast<std::size_t>(p), 0.0L);
        for (int j = 0; j < m; ++j) t[static_cast<std::size_t>(j)] = -static_cast<long double>(shift.shift[static_cast<std::size_t>(j)]);
        t[static_cast<std::size_t>(c)] = 1.0L;
        long double v = 0.0L;
        for (int a = 0; a < p; ++a)
            for (int b = 0; b < p; ++b) v += t[static_cast<std::size_t>(a)] * info[a][b] * t[static_cast<std::size_t>(b)];
        r.variance[static_cast<std::size_t>(c)] = static_cast<double>(v);
    }
    // The index from the centred rows: no cancellation of large terms.
    r.index.resize(static_cast<std::size_t>(n));
    ForEachBlock(pool, n, kBlockRows, [&](long long first, int count) {
        for (long long i = first; i < first + count; ++i)
            r.index[static_cast<std::size_t>(i)] = Index(work[static_cast<int>(i)], centredCoef.data(), m);
    });
    return r;
}
