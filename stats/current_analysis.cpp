#include "stats/current_analysis.h"

#include "eval/app_state.h"

CurrentAnalysis::~CurrentAnalysis() {
    if (pca_) state_.SetScoreNameLookup(NameInUse{});
}

void CurrentAnalysis::Set(std::unique_ptr<PCA> pca) {
    if (!pca) {
        Discard();
        return;
    }
    pca_ = std::move(pca);
    // Asks this holder each time, so a replaced analysis is never read.
    state_.SetScoreNameLookup([this](const std::string& name) { return pca_ && pca_->HoldsScoreName(name); });
}

void CurrentAnalysis::Discard() {
    state_.SetScoreNameLookup(NameInUse{});
    pca_.reset();
}
