// The principal component analysis that the statistics windows share: the
// principal-component window owns one of these and sets its analysis in
// it, the loading plot reads it, and while it holds an analysis the name
// checks with scores included see its score and factor-score names. It
// lives with the window, not in the application state.
#pragma once

#include <memory>

#include "stats/principal_components.h"

class AppState;

class CurrentAnalysis {
public:
    explicit CurrentAnalysis(AppState& state) : state_(state) {}
    // Takes the score names out of the name checks again.
    ~CurrentAnalysis();
    CurrentAnalysis(const CurrentAnalysis&) = delete;
    CurrentAnalysis& operator=(const CurrentAnalysis&) = delete;

    // Makes pca the current analysis (deleting an earlier one) and lets the
    // name checks see its names; a null pca discards the analysis.
    void Set(std::unique_ptr<PCA> pca);
    void Discard();
    // Null when there is none.
    PCA* Analysis() const { return pca_.get(); }

private:
    AppState& state_;
    std::unique_ptr<PCA> pca_;
};
