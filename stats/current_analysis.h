// The one principal component analysis of the run, held by the application
// state: set by the principal component window, read by the loading plot and
// by the name checks, discarded when its window closes.
#pragma once

#include <memory>

#include "stats/principal_components.h"

class AppState;

// Makes pca the current analysis (deleting an earlier one) and lets the
// name checks with scores included see its score and factor-score names.
// A null pca discards the analysis and clears that lookup.
void SetCurrentPCA(AppState& state, std::unique_ptr<PCA> pca);
void DiscardCurrentPCA(AppState& state);
