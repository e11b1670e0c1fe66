#include "core/numeric/newton_minimum.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <exception>

#include "core/numeric/matrix.h"
#include "platform/numeric_tolerances.h"

namespace {

constexpr int kStepLimit = 60;
constexpr int kHalvings = 40;
// A step within this share of each parameter is of rounding size.
constexpr double kRelativeStep = 1e-9;
// A predicted fall below this many epsilons of the function's value is
// one the function cannot show.
constexpr double kUnseenFall = 64.0;

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
            small = small && std::fabs(d) <= kRelativeStep * std::fabs(phi[sj]);
        }
        if (!std::isfinite(slope) || slope > 0.0) return false;
        // -slope is twice the fall the quadratic model predicts, in no
        // particular units of the parameters: it also ends the steps for a
        // parameter near 0 or far from 1 in size.
        const double unseen = kUnseenFall * kDoubleEpsilon * std::max(1.0, std::fabs(current));
        if (small || -slope <= unseen) {
            // The last step: the function no longer shows what it gains, so
            // it is taken whole unless the function rises beyond its
            // rounding.
            for (int j = 0; j < k; ++j) {
                const auto sj = static_cast<std::size_t>(j);
                trial[sj] = phi[sj] + dir[sj];
            }
            if (const double v = f(trial); v <= current + unseen) {
                phi = trial;
                current = v;
            }
            value = current;
            return true;
        }
        bool taken = false;
        double scale = 1.0, v = current;
        for (int halving = 0; halving < kHalvings && !taken; ++halving, scale *= 0.5) {
            for (int j = 0; j < k; ++j) {
                const auto sj = static_cast<std::size_t>(j);
                trial[sj] = phi[sj] + scale * dir[sj];
            }
            v = f(trial);
            taken = v <= current;
        }
        if (!taken) return false;
        phi = trial;
        current = v;
    }
    return false;
}
