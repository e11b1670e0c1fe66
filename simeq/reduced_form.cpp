// The covariance of the structural coefficients and, by the delta method,
// that of the reduced form.
#include <vector>

#include "core/io/file_matrix.h"
#include "platform/errors.h"
#include "simeq/structural_store.h"
#include "simeq/system_build.h"

// d Pi[h][k] / d c[g][m] = (B^-1)[h][g] * W[m][k] for the coefficient c of
// system variable m in equation g, W = (Pi over the K x K identity): the
// Kronecker product of the transposed inverse of B with W. Only the first G
// equations enter B, as in the reduced form.
void SimultaneousSystem::ComputeDerivative() {
    derivative_.Clear();
    if (!twoStage_ || g_ == 0) return;
    const int width = g_ + k_;
    const Matrix& b = equations_.EndogenousMatrix();
    const Matrix bi = b.Inverse();
    Matrix w(width, k_);
    for (int i = 0; i < g_; ++i)
        for (int k = 0; k < k_; ++k) w[i][k] = equations_.GetReducedFormCoef(i, k);
    for (int k = 0; k < k_; ++k) w[g_ + k][k] = 1.0;
    Matrix d(g_ * width, g_ * k_);
    for (int g = 0; g < g_; ++g)
        for (int m = 0; m < width; ++m) {
            double* row = d[g * width + m];
            for (int h = 0; h < g_; ++h) {
                const double t = bi[h][g];
                for (int k = 0; k < k_; ++k) row[h * k_ + k] = t * w[m][k];
            }
        }
    swap(derivative_, d);
}

// Blocks of s_AB P_A Q P_B between the stochastic equations, each placed at
// the rows of its equation's position and the columns of its variables (the
// constant term last), element by element into the file. Sized by the
// number of equations, so a stochastic equation at any position has its
// block.
void SimultaneousSystem::ComputeStructuralCovariance() {
    const int width = g_ + k_;
    const int size = equations_.GetCount() * width;
    structuralCov_ = std::make_unique<TFileMatrix>(observed_->Context(), size, size, 0.0);
    if (!twoStage_) return;
    const int s = S();
    auto column = [&](const RegFile& store, int r) { return r < store.K() - 1 ? store.GetColumn(r) : width - 1; };
    for (int a = 0; a < s; ++a)
        for (int b = a; b < s; ++b) {
            const RegFile& sa = *stores_[static_cast<std::size_t>(a)];
            const RegFile& sb = *stores_[static_cast<std::size_t>(b)];
            Matrix x;
            sa.CrossCovariance(sb, x);
            const int pa = stochastic_[static_cast<std::size_t>(a)] * width;
            const int pb = stochastic_[static_cast<std::size_t>(b)] * width;
            for (int r = 0; r < sa.K(); ++r)
                for (int q = 0; q < sb.K(); ++q) {
                    const int i = pa + column(sa, r), j = pb + column(sb, q);
                    structuralCov_->SetValue(i, j, x[r][q]);
                    structuralCov_->SetValue(j, i, x[r][q]);
                }
        }
}

// R = D' V D over the first G equations' blocks, one triangle computed and
// mirrored.
void SimultaneousSystem::ComputeReducedFormCovariance() {
    const int gk = g_ * k_;
    reducedCov_ = std::make_unique<TFileMatrix>(observed_->Context(), gk, gk, 0.0);
    if (!twoStage_ || gk == 0) return;
    const int rows = derivative_.Rows();  // G(G+K)
    Matrix z(gk, rows);
    std::vector<double> vrow(static_cast<std::size_t>(structuralCov_->Cols()));
    for (int r = 0; r < rows; ++r) {
        structuralCov_->ReadRow(r, vrow.data());
        const double* dr = derivative_[r];
        for (int f = 0; f < gk; ++f) {
            const double df = dr[f];
            if (df == 0.0) continue;
            double* zf = z[f];
            for (int m = 0; m < rows; ++m) zf[m] += df * vrow[static_cast<std::size_t>(m)];
        }
    }
    Matrix out(gk, gk);
    for (int f = 0; f < gk; ++f)
        for (int e = f; e < gk; ++e) {
            long double sum = 0.0L;
            for (int m = 0; m < rows; ++m) sum += static_cast<long double>(derivative_[m][e]) * z[f][m];
            out[f][e] = out[e][f] = static_cast<double>(sum);
        }
    for (int f = 0; f < gk; ++f) reducedCov_->WriteRow(f, out[f]);
}
