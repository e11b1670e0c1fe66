// Analysis of variance of the current least-squares model: the table of
// sums of squares, the goodness-of-fit measures and the coefficient table
// with ordinary or White covariance.
//
// A ratio whose denominator has no degree of freedom (a model without
// explanatory variables has no regression mean square, one without
// residual degrees of freedom no residual mean square) has no value; the
// window shows "-" there.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/numeric/matrix.h"

class Reg;

enum class CovarianceKind { kOrdinary, kWhite };

// One row of the coefficient table.
struct AnovaCoefficient {
    int index = 0;  // variable index; the variable count for the constant term
    std::string name;
    double coef = 0.0;
    std::optional<double> standardised;  // b s_j / s_y; none for the constant term
    std::optional<double> stdErr;
    std::optional<double> t;
    std::optional<double> level;  // percent
};

struct AnovaTable {
    int n = 0, dfRegression = 0, dfResidual = 0, dfTotal = 0;
    double ssRegression = 0.0, ssResidual = 0.0, ssTotal = 0.0, press = 0.0;
    std::optional<double> msRegression, msResidual, msTotal, f, fLevel;
    // R^2 as computed; the adjusted measures below 1.1920929e-07 are 0.
    std::optional<double> r2, adjR2, doubleAdjR2, pressR2;
    // Their square roots, and that of the residual mean square.
    std::optional<double> r, adjR, doubleAdjR, sigma;

    CovarianceKind kind = CovarianceKind::kOrdinary;
    // The explanatory variables in ascending order, then the constant term.
    std::vector<AnovaCoefficient> coefficients;
    // Covariance of the coefficients in the same order.
    Matrix covariance;
};

// The table of the model's current fit with the chosen covariance. Raises
// EMathError when the model has no fit for its present shape or a
// coefficient is not finite.
AnovaTable ComputeAnova(const Reg& reg, CovarianceKind kind = CovarianceKind::kOrdinary);
