// Newton's method for the minimum of a smooth function whose second
// derivatives are positive definite near it (a negative log-likelihood in
// parameters where it is convex): each step is halved until the function
// does not rise.
#pragma once

#include <functional>
#include <vector>

using NewtonObjective = std::function<double(const std::vector<double>&)>;
// The gradient g (k values) and the second derivatives h (k x k, row-major)
// at the point.
using NewtonDerivatives =
    std::function<void(const std::vector<double>&, std::vector<double>& g, std::vector<double>& h)>;

// From phi, at most 60 steps. True at the minimum, phi there and value the
// function's value: the last step is one within 1e-9 of each parameter, or
// one whose predicted fall the function's rounding would hide (a measure
// free of the parameters' units); it is taken whole, since the function
// can no longer confirm it, unless the function then rises beyond its
// rounding. False when the second derivatives are singular, the step gives
// no descent or is refused while still large, or the steps run out; phi
// may then have moved.
[[nodiscard]] bool NewtonMinimum(std::vector<double>& phi, double& value, const NewtonObjective& f,
                                 const NewtonDerivatives& derivatives);
