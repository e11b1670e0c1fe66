// The figures of a result column that its statistics are formed from. An
// observation without a figure (a measure that divides by 1 - h where the
// leverage is 1) is left out, and the user is told which and why.
#pragma once

#include <string>
#include <vector>

struct ColumnFigures {
    std::vector<double> values;  // the finite values, in observation order
    // The observation number (1-based) of each value; empty when the values
    // are observations 1 .. n, none left out.
    std::vector<int> numbers;
    int observation = 0;         // the caller's mark (1-based place among the values); 0 when none, or left out
    std::string leftOut;         // which observations were left out and why; empty when none
};

// values and leverage hold n entries; leverage (of each observation's
// PRESS residual) may be null, and then no reason is given. observation is
// the 1-based place in values; 0 or less marks none. numbers, when given,
// holds the observation number of each of the n values (else 1 .. n); the
// message names the observations by them.
ColumnFigures FiguresOfColumn(const double* values, const double* leverage, int n, int observation,
                              const int* numbers = nullptr);
