#include "core/numeric/simplex.h"

#include <cmath>

#include "platform/errors.h"

Simplex::Simplex(int n) : n_(n) {
    if (n < 1) throw ERangeError("Simplex: no variables");
    vertices_.assign(n + 1, std::vector<double>(n, 0.0));
    steps_.assign(n, 0.0);
    tolerances_.assign(n, 0.0);
}

void Simplex::Init(const double* start, const double* steps, const double* tolerances) {
    const double f = 1.0 / (std::sqrt(static_cast<double>(n_ + 1)) + 2.0);
    for (int j = 0; j < n_; ++j) {
        steps_[j] = steps[j];
        tolerances_[j] = tolerances[j];
        vertices_[0][j] = start[j];
        for (int i = 1; i <= n_; ++i) vertices_[i][j] = start[j] + f * steps[j];
        vertices_[j + 1][j] = start[j] + steps[j];
    }
}

int Simplex::Minimize(double* best, double* bestValue, const Objective& f) {
    const int n = n_;
    std::vector<double> centroid(n), trial(n), v(n + 1);
    auto& vx = vertices_;

    v[0] = f(vx[0].data());
    int b = 0, w = 0, s = 1;
    for (int i = 1; i <= n; ++i) {
        v[i] = f(vx[i].data());
        if (v[i] < v[b]) {
            b = i;
        } else if (v[i] >= v[w]) {
            s = w;
            w = i;
        } else if (v[i] >= v[s]) {
            s = i;
        }
    }
    // Second worst: the largest value among the vertices other than w.
    auto secondWorst = [&] {
        int r = b;
        for (int i = 0; i <= n; ++i)
            if (i != w && v[i] > v[r]) r = i;
        return r;
    };

    int iterations = 1;
    for (;;) {
        bool converged = true;
        for (int j = 0; j < n && converged; ++j)
            converged = std::fabs(vx[b][j] - vx[w][j]) <= tolerances_[j];
        if (converged) break;
        if (v[b] == v[w]) {
            // Every vertex lies on one level: a flat region ends the search,
            // but a simplex straddling a minimum (equal values on both
            // sides) moves its worst vertex to the centroid and goes on.
            for (int j = 0; j < n; ++j) {
                long double sum = 0.0L;
                for (int i = 0; i <= n; ++i) sum += vx[i][j];
                trial[j] = static_cast<double>(sum / (n + 1));
            }
            const double fc = f(trial.data());
            if (!(fc < v[b])) break;
            if (++iterations > kIterationLimit) {
                iterations = -1;
                break;
            }
            vx[w] = trial;
            v[w] = fc;
            b = w;
            w = b == 0 ? 1 : 0;
            for (int i = 0; i <= n; ++i)
                if (i != b && v[i] > v[w]) w = i;
            s = secondWorst();
            continue;
        }
        if (++iterations > kIterationLimit) {
            iterations = -1;
            break;
        }
        for (int j = 0; j < n; ++j) {
            long double sum = 0.0L;
            for (int i = 0; i <= n; ++i)
                if (i != w) sum += vx[i][j];
            centroid[j] = static_cast<double>(sum / n);
            trial[j] = centroid[j] + 1.0 * (centroid[j] - vx[w][j]);
        }
        const double fr = f(trial.data());
        if (fr < v[b]) {
            // Expansion; keep whichever of the two points is lower.
            for (int j = 0; j < n; ++j) vx[w][j] = centroid[j] + 2.0 * (trial[j] - centroid[j]);
            v[w] = f(vx[w].data());
            if (!(v[w] < fr)) {
                vx[w] = trial;
                v[w] = fr;
            }
            b = w;
            w = s;
            s = secondWorst();
        } else if (v[b] <= fr && fr <= v[s]) {
            vx[w] = trial;
            v[w] = fr;
            w = s;
            s = secondWorst();
        } else {
            // Contraction; a NaN trial value lands here too, so the
            // simplex still moves towards the best vertex.
            if (fr < v[w]) {
                vx[w] = trial;
                v[w] = fr;
            }
            double fc = v[w];
            for (int h = 0; h < kContractionLimit; ++h) {
                for (int j = 0; j < n; ++j) vx[w][j] = vx[w][j] + 0.5 * (vx[b][j] - vx[w][j]);
                fc = f(vx[w].data());
                if (fc < v[w]) break;
            }
            v[w] = fc;
            if (fc < v[b]) b = w;
            if (fc < v[s]) {
                w = s;
                s = secondWorst();
            }
        }
    }
    for (int j = 0; j < n; ++j) best[j] = vx[b][j];
    *bestValue = v[b];
    return iterations;
}
