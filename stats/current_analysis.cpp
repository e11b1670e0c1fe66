#include "stats/current_analysis.h"

#include "eval/app_state.h"

namespace {

void DeletePCA(PCA* pca) { delete pca; }

}  // namespace

void SetCurrentPCA(AppState& state, std::unique_ptr<PCA> pca) {
    if (!pca) {
        DiscardCurrentPCA(state);
        return;
    }
    state.SetCurrentPCA(PCAOwner(pca.release(), &DeletePCA));
    // Asks the state each time, so a replaced analysis is never read.
    AppState* owner = &state;
    state.SetScoreNameLookup([owner](const std::string& name) {
        const PCA* current = owner->CurrentPCA();
        return current != nullptr && current->HoldsScoreName(name);
    });
}

void DiscardCurrentPCA(AppState& state) {
    state.SetScoreNameLookup(NameInUse{});
    state.SetCurrentPCA(PCAOwner(nullptr, nullptr));
}
