#include "core/settings/engine_context.h"

namespace {

constexpr std::int32_t kTempCounterLimit = 100000000;

}  // namespace

EngineContext::EngineContext() : services_(&silent_), evaluator_(&plain_), work_(DefaultWorkSettings()) {}

ThreadPool* EngineContext::Pool() {
    if (!pool_) pool_ = std::make_unique<ThreadPool>(threads_);
    return pool_.get();
}

void EngineContext::SetThreads(int threads) {
    if (threads == threads_ && pool_) return;
    threads_ = threads;
    pool_.reset();
}

std::string EngineContext::MakeTempFileName() {
    if (tempCounter_ >= kTempCounterLimit) tempCounter_ = -1;
    ++tempCounter_;
    return work_.workFolder + "DUDOR_" + std::to_string(work_.runNumber) + "~" + std::to_string(tempCounter_) +
           ".TMP";
}
