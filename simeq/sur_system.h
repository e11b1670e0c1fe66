// The weighted normal equations of a SUR (or three-stage) estimate, held
// about the means.
//
// Every equation carries the constant term, so the system
// G = [w_ij Z_i'X_j] swept on all the constants is the system of the
// centred cross products, C = [w_ij Z_ic'X_jc] with the right side
// [sum_j w_ij Z_ic'y_jc]: the slopes solve C b = rhs, each constant is
// ybar_i - xbar_i'b_i, and the rest of G's inverse follows from V = C^-1
// and the means (see InverseElement). The centred cross products come from
// the moment kernel in one pass over the union of the equations' columns,
// so regressors far from zero beside their spread lose nothing; the
// system is solved in long double.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"
#include "simeq/sur_estimator.h"

// The solution of one weighted step. Slopes are numbered equation by
// equation, in column order without the constant term.
struct SurStep {
    LongMatrix weight;               // W = sigma^-1 (G x G)
    LongMatrix sigma;                // the sigma W came from
    LongMatrix inverse;              // V = C^-1 (P x P)
    std::vector<long double> slope;  // b (P)
    std::vector<long double> constant;  // a (G)
};

class SurCentredSystem {
public:
    // The equations cut to n rows, each with at least its constant column.
    SurCentredSystem(const std::vector<SurEquation>& equations, int n);

    // Weights with sigma^-1 (sigma symmetric, G x G, as held in double),
    // sweeps C on its pivots in ascending order and solves. Throws
    // "INVERSE ERROR!" for a singular sigma and "掃き出し演算" for a pivot
    // that vanishes against its value before the sweep (a regressor that is
    // a combination of the others in its equation) or a negative variance.
    [[nodiscard]] SurStep Solve(const Matrix& sigma) const;

    // Coefficient j (column order, the constant at its position) of
    // equation i.
    long double Coefficient(const SurStep& s, int i, int j) const;
    // Element (r of equation i, c of equation j) of G's inverse, in column
    // order.
    long double InverseElement(const SurStep& s, int i, int r, int j, int c) const;
    // y_i - X_i b_i from centred terms.
    void Residuals(const SurStep& s, int i, std::vector<double>& out) const;
    // The diagonal of the hat matrix of the transformed system weighted by
    // s: equation g's n values into out[g]. With W = U'U, row (g, t) has
    // U(g, j) X_j(t, .) in the block of equation j.
    void Leverages(const SurStep& s, std::vector<std::vector<double>>& out) const;

    int SlopeCount() const { return offset_.back(); }

private:
    // Slope s of equation i is column cols_[i][s] of its matrices, number
    // offset_[i] + s of the system.
    int SlopeOf(int i, int column) const;
    long double XMean(int q) const { return moments_[union_][xAt_[q]]; }
    long double ZMean(int q) const { return moments_[union_][zAt_[q]]; }
    // Observations that alone hold a slope column of equation j other than
    // 0, or none where the form is not a projection (X and Z differ).
    std::vector<long long> SoleRows(int j) const;

    const std::vector<SurEquation>& eq_;
    int n_, G_;
    std::vector<std::vector<int>> cols_;
    std::vector<int> offset_;
    // Positions in the moment matrix: each slope's Z and X column (the same
    // where they hold the same values), each equation's y.
    std::vector<int> zAt_, xAt_, yAt_;
    int union_ = 0;  // the number of distinct columns
    bool sameRegressors_ = true;
    LongMatrix moments_;
};
