#include "simeq/sur_system.h"

#include <algorithm>
#include <cmath>

#include "core/model/leverage_forms.h"
#include "core/numeric/moment_matrix.h"
#include "platform/errors.h"

namespace {

// A pivot this small against its value before the sweep means a regressor
// that is a linear combination of the others in its equation; sweeping it
// would give numbers of no meaning.
constexpr long double kPivotTolerance = 1e-12L;

const char* const kSweepFailed = "掃き出し演算";

// Column c of a row-major matrix, n values.
struct ColumnOf {
    const double* first;
    int stride;
    double operator[](int t) const { return first[static_cast<std::size_t>(t) * stride]; }
};

ColumnOf Column(const Matrix& m, int c) { return {m.Data() + c, m.Cols()}; }

bool SameValues(ColumnOf a, ColumnOf b, int n) {
    for (int t = 0; t < n; ++t)
        if (a[t] != b[t]) return false;
    return true;
}

}  // namespace

SurCentredSystem::SurCentredSystem(const std::vector<SurEquation>& equations, int n)
    : eq_(equations), n_(n), G_(static_cast<int>(equations.size())) {
    cols_.resize(G_);
    offset_.assign(G_ + 1, 0);
    for (int i = 0; i < G_; ++i) {
        const int k = static_cast<int>(eq_[i].varNames.size());
        for (int j = 0; j < k; ++j)
            if (j != eq_[i].dependentPos) cols_[i].push_back(j);
        offset_[i + 1] = offset_[i] + static_cast<int>(cols_[i].size());
    }

    // The distinct columns, rows paired by position.
    std::vector<ColumnOf> sources;
    zAt_.resize(SlopeCount());
    xAt_.resize(SlopeCount());
    yAt_.resize(G_);
    for (int i = 0; i < G_; ++i) {
        for (std::size_t s = 0; s < cols_[i].size(); ++s) {
            const int q = offset_[i] + static_cast<int>(s);
            const ColumnOf z = Column(eq_[i].estimationRegressors, cols_[i][s]);
            const ColumnOf x = Column(eq_[i].residualRegressors, cols_[i][s]);
            zAt_[q] = static_cast<int>(sources.size());
            sources.push_back(z);
            if (SameValues(x, z, n_)) {
                xAt_[q] = zAt_[q];
            } else {
                xAt_[q] = static_cast<int>(sources.size());
                sources.push_back(x);
                sameRegressors_ = false;
            }
        }
        yAt_[i] = static_cast<int>(sources.size());
        sources.push_back({eq_[i].y.data(), 1});
    }
    union_ = static_cast<int>(sources.size());
    std::vector<double> rows(static_cast<std::size_t>(n_) * union_);
    for (int a = 0; a < union_; ++a)
        for (int t = 0; t < n_; ++t) rows[static_cast<std::size_t>(t) * union_ + a] = sources[a][t];
    BuildMomentsFromRows(rows.data(), n_, union_, union_, moments_);
}

SurStep SurCentredSystem::Solve(const Matrix& sigma) const {
    SurStep s;
    s.sigma.Replace(LongMatrix(sigma));
    s.weight.Replace(s.sigma.Inverse());
    const LongMatrix& W = s.weight;
    const int P = SlopeCount();
    LongMatrix c(P, P + 1);
    for (int i = 0; i < G_; ++i)
        for (int q = offset_[i]; q < offset_[i + 1]; ++q) {
            const long double* zx = moments_[zAt_[q]];
            long double* row = c[q];
            long double rhs = 0.0L;
            for (int j = 0; j < G_; ++j) {
                const long double w = W[i][j];
                for (int p = offset_[j]; p < offset_[j + 1]; ++p) row[p] = w * zx[xAt_[p]];
                rhs += w * zx[yAt_[j]];
            }
            row[P] = rhs;
        }

    std::vector<long double> before(P);
    for (int q = 0; q < P; ++q) before[q] = std::fabs(c[q][q]);
    for (int q = 0; q < P; ++q) {
        if (before[q] == 0.0L || std::fabs(c[q][q]) <= kPivotTolerance * before[q])
            throw EZeroDivide(kSweepFailed);
        if (c.Sweep(q) != SweepResult::kSwept) throw EZeroDivide(kSweepFailed);
    }
    s.inverse.Resize(P, P, false);
    s.slope.resize(P);
    for (int q = 0; q < P; ++q) {
        if (!(c[q][q] >= 0.0L)) throw EZeroDivide(kSweepFailed);
        std::copy_n(c[q], P, s.inverse[q]);
        s.slope[q] = c[q][P];
    }
    s.constant.resize(G_);
    for (int i = 0; i < G_; ++i) {
        long double a = moments_[union_][yAt_[i]];
        for (int q = offset_[i]; q < offset_[i + 1]; ++q) a -= XMean(q) * s.slope[q];
        s.constant[i] = a;
    }
    return s;
}

int SurCentredSystem::SlopeOf(int i, int column) const {
    return offset_[i] + (column < eq_[i].dependentPos ? column : column - 1);
}

long double SurCentredSystem::Coefficient(const SurStep& s, int i, int j) const {
    return j == eq_[i].dependentPos ? s.constant[i] : s.slope[SlopeOf(i, j)];
}

// With D the constants and T the slopes, G = [[nW, nW Xb], [n Zb'W, C +
// n Zb'W Xb]] (Xb: row i holds xbar_i' in the block of equation i; Zb
// likewise), whose inverse is [[sigma/n + Xb V Zb', -Xb V], [-V Zb', V]].
long double SurCentredSystem::InverseElement(const SurStep& s, int i, int r, int j, int c) const {
    const bool constantRow = r == eq_[i].dependentPos, constantColumn = c == eq_[j].dependentPos;
    const LongMatrix& V = s.inverse;
    if (!constantRow && !constantColumn) return V[SlopeOf(i, r)][SlopeOf(j, c)];
    if (!constantRow) {
        const int q = SlopeOf(i, r);
        long double sum = 0.0L;
        for (int p = offset_[j]; p < offset_[j + 1]; ++p) sum += V[q][p] * ZMean(p);
        return -sum;
    }
    if (!constantColumn) {
        const int p = SlopeOf(j, c);
        long double sum = 0.0L;
        for (int q = offset_[i]; q < offset_[i + 1]; ++q) sum += XMean(q) * V[q][p];
        return -sum;
    }
    long double sum = 0.0L;
    for (int q = offset_[i]; q < offset_[i + 1]; ++q) {
        long double row = 0.0L;
        for (int p = offset_[j]; p < offset_[j + 1]; ++p) row += V[q][p] * ZMean(p);
        sum += XMean(q) * row;
    }
    return s.sigma[i][j] / n_ + sum;
}

void SurCentredSystem::Residuals(const SurStep& s, int i, std::vector<double>& out) const {
    const int first = offset_[i], p = offset_[i + 1] - first;
    std::vector<long double> mean(p), b(p);
    for (int u = 0; u < p; ++u) {
        mean[u] = XMean(first + u);
        b[u] = s.slope[first + u];
    }
    const long double meanY = moments_[union_][yAt_[i]];
    const Matrix& X = eq_[i].residualRegressors;
    const std::vector<int>& cols = cols_[i];
    out.resize(n_);
    for (int t = 0; t < n_; ++t) {
        const double* x = X.Data() + static_cast<std::size_t>(t) * X.Cols();
        long double e = eq_[i].y[t] - meanY;
        for (int u = 0; u < p; ++u) e -= (x[cols[u]] - mean[u]) * b[u];
        out[t] = static_cast<double>(e);
    }
}

std::vector<long long> SurCentredSystem::SoleRows(int j) const {
    if (!sameRegressors_) return {};
    const Matrix& X = eq_[j].residualRegressors;
    const std::vector<int>& cols = cols_[j];
    return SoleObservations(n_, static_cast<int>(cols.size()),
                            [&](int s, long long t) { return X[static_cast<int>(t)][cols[s]] != 0.0; });
}

// h = 1/n + (t - Xb'd)' V (t - Zb'd) with d = U(g, .) and t the row's
// slope values each times d of its equation: the centred form of z' G^-1 z.
// It splits into d' B d with B(j, l) = xc_j' V_jl xz_l, which does not
// depend on g.
void SurCentredSystem::Leverages(const SurStep& s, std::vector<std::vector<double>>& out) const {
    const int P = SlopeCount(), G = G_;
    const LongMatrix U = CholeskyMatrix(s.weight);
    std::vector<long double> uu(static_cast<std::size_t>(G) * G * G);
    for (int g = 0; g < G; ++g)
        for (int j = 0; j < G; ++j)
            for (int l = 0; l < G; ++l) uu[(static_cast<std::size_t>(g) * G + j) * G + l] = U[g][j] * U[g][l];

    // The rows (g, t) that alone hold a column of the transformed system:
    // a slope column of equation j other than 0 only at t, where only one
    // equation g weights equation j.
    std::vector<std::vector<long long>> sole(G);
    for (int j = 0; j < G; ++j) {
        int weighting = -1, count = 0;
        for (int g = 0; g < G; ++g)
            if (U[g][j] != 0.0L) {
                weighting = g;
                ++count;
            }
        if (count != 1) continue;
        const std::vector<long long> rows = SoleRows(j);
        sole[weighting].insert(sole[weighting].end(), rows.begin(), rows.end());
    }
    for (std::vector<long long>& rows : sole) {
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    }

    std::vector<long double> xMean(P), zMean(P);
    std::vector<int> equationOf(P);
    for (int j = 0; j < G; ++j)
        for (int q = offset_[j]; q < offset_[j + 1]; ++q) {
            xMean[q] = XMean(q);
            zMean[q] = ZMean(q);
            equationOf[q] = j;
        }
    std::vector<long double> xc(P), xz(P), vz(static_cast<std::size_t>(P) * G), B(static_cast<std::size_t>(G) * G);
    const long double inverseN = 1.0L / n_;
    out.assign(G, std::vector<double>(n_));
    for (int t = 0; t < n_; ++t) {
        for (int j = 0; j < G; ++j) {
            const Matrix& X = eq_[j].residualRegressors;
            const double* x = X.Data() + static_cast<std::size_t>(t) * X.Cols();
            for (int q = offset_[j]; q < offset_[j + 1]; ++q) {
                const double v = x[cols_[j][q - offset_[j]]];
                xc[q] = v - xMean[q];
                xz[q] = v - zMean[q];
            }
        }
        // vz(q, l) = V_(q, block l) xz_l.
        for (int q = 0; q < P; ++q) {
            const long double* v = s.inverse[q];
            for (int l = 0; l < G; ++l) {
                long double sum = 0.0L;
                for (int p = offset_[l]; p < offset_[l + 1]; ++p) sum += v[p] * xz[p];
                vz[static_cast<std::size_t>(q) * G + l] = sum;
            }
        }
        std::fill(B.begin(), B.end(), 0.0L);
        for (int q = 0; q < P; ++q)
            for (int l = 0; l < G; ++l)
                B[static_cast<std::size_t>(equationOf[q]) * G + l] += xc[q] * vz[static_cast<std::size_t>(q) * G + l];
        for (int g = 0; g < G; ++g) {
            const long double* w = &uu[static_cast<std::size_t>(g) * G * G];
            long double h = inverseN;
            for (int j = g; j < G; ++j)
                for (int l = g; l < G; ++l) h += w[j * G + l] * B[static_cast<std::size_t>(j) * G + l];
            out[g][t] = LeverageAt(static_cast<double>(h), t, sole[g]);
        }
    }
}
