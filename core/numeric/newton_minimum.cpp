#include "core/numeric/newton_minimum.h"

#include <cmath>
#include <cstddef>
#include <exception>

#include "core/numeric/matrix.h"

namespace {

constexpr int kStepLimit = 60;
constexpr int kHalvings = 40;

}  // namespace

bool NewtonMinimum(std::vector<double>& phi, double& value, const NewtonObjective& f,
                   const NewtonDerivatives& derivatives) {
    const int k = static_cast<int>(phi.size());
    double current = f(phi);
    if (!std::isfinite(current)) return false;
    std::vector<double> g, h, inverse(static_cast<std::size_t>(k) * k), dir(static_cast<std::size_t>(k)), trial(phi);
    for (int step = 0; step < kStepLimit; ++step) {
        derivatives(phi, g, h);
        try {
            InvertMatrix(h.data(), k, inverse.data(), k, k);
        } catch (const std::exception&) {
            return false;
        }
        double slope = 0.0;
        bool small = true;
        for (int j = 0; j < k; ++j) {
            const auto sj = static_cast<std::size_t>(j);
            double d = 0.0;
            for (int l = 0; l < k; ++l) d -= inverse[sj * k + l] * g[static_cast<std::size_t>(l)];
            dir[sj] = d;
            slope += d * g[sj];
            small = small && std::fabs(d) <= 1e-9 * (1.0 + std::fabs(phi[sj]));
        }
        if (!std::isfinite(slope)) return false;
        bool taken = false;
        if (slope < 0.0) {
            double scale = 1.0, v = current;
            for (int halving = 0; halving < kHalvings && !taken; ++halving, scale *= 0.5) {
                for (int j = 0; j < k; ++j) {
                    const auto sj = static_cast<std::size_t>(j);
                    trial[sj] = phi[sj] + scale * dir[sj];
                }
                v = f(trial);
                taken = v <= current;
            }
            if (taken) {
                phi = trial;
                current = v;
            }
        }
        if (!taken || small) {
            value = current;
            return small;
        }
    }
    return false;
}
