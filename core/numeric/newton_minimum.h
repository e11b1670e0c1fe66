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
// function's value: a step of rounding size (within 1e-9 of each parameter)
// ends it, as does a step that no longer lowers the function when it is of
// that size, since at the minimum a full step of rounding size may not
// lower it. False when the second derivatives are singular, the step gives
// no descent or is refused while still large, or the steps run out; phi
// may then have moved.
[[nodiscard]] bool NewtonMinimum(std::vector<double>& phi, double& value, const NewtonObjective& f,
                                 const NewtonDerivatives& derivatives);
