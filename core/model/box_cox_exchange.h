// The Box-Cox parameter of the current model: the lambda that maximises the
// likelihood of the regression when the chosen variables are Box-Cox
// transformed, found over three ever finer grids, by ordinary or two-stage
// least squares.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Reg;

// The working columns of the search, row by row: the model's explanatory
// variables (the constant term is implicit), the dependent variable, then
// the other exogenous variables of the data set.
struct BoxCoxColumns {
    enum Code : int { kDependent = 0, kEndogenous = 1, kExogenous = 2, kOtherExogenous = 3 };
    int rows = 0;
    std::vector<double> values;         // rows x Cols(), row-major
    std::vector<int> codes;             // per column
    std::vector<std::uint8_t> transform; // per column: Box-Cox applied in a trial
    std::vector<int> variables;         // per column: the variable index
    int Cols() const { return static_cast<int>(codes.size()); }
    double At(int i, int c) const { return values[static_cast<std::size_t>(i) * codes.size() + static_cast<std::size_t>(c)]; }
};

// Columns of the model with the flagged variables (one flag per variable)
// transformed in each trial. Other exogenous columns are never transformed.
BoxCoxColumns BuildBoxCoxColumns(const Reg& model, const std::vector<std::uint8_t>& flags);

// n/2 ln(SSE/n) + (1 - lambda) S with S the sum of ln y over the raw
// dependent values; false when SSE/n is not positive.
[[nodiscard]] bool BoxCoxCriterion(const BoxCoxColumns& columns, double lambda, bool twoStage, double logSum,
                                   double* criterion);

struct BoxCoxExchangeResult {
    // Empty when the search could run; else why it was refused.
    std::string refusal;
    int refusedVariable = -1;
    int refusedObservation = -1;
    // True when some trial gave a finite likelihood; lambda is then the best.
    bool found = false;
    double lambda = 0.0;
    double criterion = 1e100;
};

// The refusal of the search, or an empty one: the dependent column and
// every transformed column must hold positive finite values.
BoxCoxExchangeResult CheckBoxCoxColumns(const BoxCoxColumns& columns);

// Grid 1: -3 .. 3 by 0.1; grid 2: best -/+ 0.1 by 0.01; grid 3: best -/+
// 0.01 by 0.00001; the first strict improvement wins ties. A best lambda
// below 1.1920929e-07 in magnitude becomes 0. Refused when the dependent
// or a transformed column has a value that is not positive and finite.
// step, when given, is called once per trial.
BoxCoxExchangeResult SearchBoxCoxExchange(const BoxCoxColumns& columns, bool twoStage,
                                          const std::function<void()>& step = {});

struct DataEdit;

// The Box-Cox values with lambda of the flagged variables (one flag per
// variable), one column per flagged variable in variable order, as they
// would be stored.
std::vector<std::vector<double>> BoxCoxExchangeValues(const Reg& model, const std::vector<std::uint8_t>& flags,
                                                      double lambda);

// Why the values of BoxCoxExchangeValues cannot stand for the variables, or
// empty: a column with a value that is not finite, or whose spread, as a
// share of its size, is at most 2^-23 of what the variable had (lost in
// rounding; see box_cox_exchange.cpp).
std::string CheckBoxCoxValues(const Reg& model, const std::vector<std::uint8_t>& flags,
                              const std::vector<std::vector<double>>& values, double lambda);

// Replaces the flagged variables (one flag per variable) by their Box-Cox
// values with lambda as one undo step that also keeps the former lambda.
// Refused, changing nothing, when CheckBoxCoxValues refuses the values:
// returns the refusal, empty when exchanged.
[[nodiscard]] std::string ApplyBoxCoxExchange(const DataEdit& ed, const std::vector<std::uint8_t>& flags,
                                              double lambda);

// The note for the data set's information text: BCE(lambda;names) with the
// names of the flagged variables joined by commas.
std::string BoxCoxNote(const Reg& model, const std::vector<std::uint8_t>& flags, double lambda);
