// ObservationAnalysis: the per-observation table of the fit and how far it
// is filled. The residual rows are written by every estimation; the
// residual analysis and the deletion measures are worked out on demand,
// once per estimation.
#pragma once

#include "core/model/analysis_table.h"

struct ObservationAnalysis {
    ObservationAnalysis(EngineContext& context, int n, int k) : table(context, n, k) {}

    // Mutable: the leverage rows may be completed on their first read.
    mutable RAData table;
    // The residual analysis (rows 3, 5 to 8, 12) is filled.
    bool analysisReady = false;
    // The deletion measures (rows 13 and on) are filled.
    bool influenceReady = false;

    // A new estimation or setting: the derived rows are out of date.
    void MarkOutOfDate() {
        analysisReady = false;
        influenceReady = false;
    }
};
