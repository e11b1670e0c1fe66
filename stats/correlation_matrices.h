// The correlation and partial correlation matrices of the columns of a
// named table, for the correlation matrix window.
#pragma once

#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/numeric/matrix.h"

struct CorrelationMatrices {
    int rows = 0;                    // observations of the table
    std::vector<int> columns;        // table column of each shown variable
    std::vector<std::string> names;  // its name
    Matrix correlation;              // k x k; a zero-variance column is 0
    Matrix partial;                  // k x k, unit diagonal; empty when unavailable
    bool partialAvailable = false;
};

// Correlations of all columns of data, or of its selected columns, with the
// values taken from alternate when it is given (a table of the same shape;
// ERangeError otherwise). Partial correlations are -inv(i, j) /
// sqrt(inv(i, i) inv(j, j)) of the inverse of the correlation matrix; when
// that matrix is singular or nearly so (a constant column, exactly
// collinear columns) the correlations are still given and the partial
// ones are marked unavailable. A shown column whose sum of squares about
// its mean is past the largest double raises EOverflowingSums.
CorrelationMatrices ComputeCorrelationMatrices(const TNamedData& data, const TFileMatrix* alternate, bool selectedOnly);

// Text of cell (i, j): the partial correlation, or the correlation with an
// exact 0 shown as "-", in the program's number format.
std::string CorrelationCellText(const CorrelationMatrices& m, int i, int j, bool partial);
