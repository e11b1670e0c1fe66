// TimeSeriesMerlox: one of nine trend curves of a series y(t) against its
// time index, the plot curve that draws it and the fitted equation as text.
//
// Models: 0 straight line, 1..3 polynomials of degree 2..4, 4 y = exp(c0 +
// c1 t), 5 y = 1/(c0 + c1 t), 6 BoxCox(y; c2) = c0 + c1 t (all on t = 1..n,
// through the curve fitter), 7 logistic y = 1/(c0 + c1 exp(-c2 t)) and
// 8 Gompertz y = exp(c0 + c1 exp(-c2 t)) (on t = 0..n-1, by the modified
// exponential fit). A series with a value below 2^-52 gets the straight
// line for models 4..8, and so does a logistic or Gompertz fit whose rate
// does not come out positive; a fallback reports model 0 and zeroes the
// coefficients the line does not use. A series with observations left out
// may carry the observation number of each value: t is then that number
// (less one for the logistic and Gompertz trends), so that the trend keeps
// the gaps.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "stats/curve_types.h"

class ThreadPool;

class TimeSeriesMerlox {
public:
    static constexpr int kModelCount = 9;

    // The series (and numbers, the observation number of each value, or
    // null for 1..n) stay the caller's and must outlive the object.
    TimeSeriesMerlox(const double* series, int n, ThreadPool* pool = nullptr, const int* numbers = nullptr);

    // Fits model 0..8 (another number raises ERangeError). False when not
    // even the straight line can be fitted (fewer than three values, values
    // that are not numbers); the coefficients are then zero and the model 0.
    [[nodiscard]] bool Fit(int model);

    int Model() const { return model_; }
    TRegLineType GetLineType() const;
    // c0..c4 of the trend in t (checked index).
    double GetCoef(int i) const;
    // B0..B4 of the plot curve drawn at x = 1..n (or the numbers). For the
    // logistic and Gompertz trends B1 = c1 exp(c2), so that the curve at
    // x = t + 1 is the trend at t.
    double GetPlotCoef(int i) const;
    std::string GetFormula() const;

private:
    bool FitThroughCurveFitter(int model);
    bool FitStraightLine();

    // t of each value for models 0..6.
    std::vector<double> Times() const;

    const double* series_;
    int n_;
    const int* numbers_;
    ThreadPool* pool_;
    bool belowEpsilon_ = false;
    int model_ = 0;
    std::array<double, 5> coef_{};
};

// z(t) = a + b exp(-c t), t = 0..n-1 (or t[i] of each z[i], given in
// ascending order), by Gauss-Newton from the three-sums start value. ok only
// for a finite rate c > 0 reached without a zero pivot or a step that is
// not finite.
struct ModifiedExponentialFit {
    bool ok = false;
    double a = 0, b = 0, c = 0;
    int iterations = 0;
};
ModifiedExponentialFit FitModifiedExponential(const double* z, int n, const double* t = nullptr);
