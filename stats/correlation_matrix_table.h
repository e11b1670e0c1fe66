// The table the correlation matrix window shows: the shown variables'
// names across and down and the correlation (an exact 0 as "-") or the
// partial correlation of each pair; the corner reads "(iv)" while the
// alternate values are shown.
#pragma once

#include "core/report/result_table.h"
#include "stats/correlation_matrices.h"

ResultTable CorrelationMatrixTable(const CorrelationMatrices& m, bool partial, bool alternateShown);
