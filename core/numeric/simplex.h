// Simplex: derivative-free minimisation of a function of n variables by the
// Nelder-Mead downhill simplex (reflection 1, expansion 2, contraction 0.5
// towards the best vertex; no shrink of the whole simplex).
//
// Build for n, Init with a start point, steps and tolerances, then Minimize.
// The final simplex stays in the object, so a second Minimize continues.
// It stops when the best and worst vertices agree within the tolerances, or
// when all vertices share one value and their centroid is no lower.
#pragma once

#include <functional>
#include <vector>

class Simplex {
public:
    // The objective reads n doubles. Callers capture their data in it.
    using Objective = std::function<double(const double*)>;

    // n < 1 raises ERangeError.
    explicit Simplex(int n);

    int Size() const noexcept { return n_; }

    // Vertex 0 = start; vertex i (1..n) differs from the start by the full
    // step in coordinate i - 1 and by f times the step elsewhere, with
    // f = 1 / (sqrt(n + 1) + 2).
    void Init(const double* start, const double* steps, const double* tolerances);

    // Writes the best vertex into best (n doubles) and its value into
    // bestValue. Returns the iteration count (1 when the start simplex is
    // already flat or converged), or -1 when the iteration limit was reached;
    // best and bestValue are written in both cases. Errors raised by the
    // objective pass through.
    int Minimize(double* best, double* bestValue, const Objective& f);

    const std::vector<double>& Vertex(int i) const { return vertices_.at(i); }

    // Whole iterations allowed before giving up.
    static constexpr int kIterationLimit = 1000;
    // Halvings of one contraction towards the best vertex; beyond this the
    // objective does not improve near the best vertex (a plateau or NaN).
    static constexpr int kContractionLimit = 200;

private:
    int n_;
    std::vector<std::vector<double>> vertices_;
    std::vector<double> steps_;
    std::vector<double> tolerances_;
};
