// What the data model, its files and its fit need of the program around
// them: the user-interface services, the folders and temporary file names,
// and the evaluator that reads typed numbers.
//
// The application state owns the program's one context and hands it to the
// model it opens. A context made on its own (tools, tests) shows nothing,
// reads plain numbers and uses the default folders.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "core/settings/work_settings.h"
#include "core/numeric/thread_pool.h"
#include "core/text/text_evaluator.h"
#include "platform/durable_file.h"
#include "platform/ui_services.h"

class EngineContext {
public:
    EngineContext();
    EngineContext(const EngineContext&) = delete;
    EngineContext& operator=(const EngineContext&) = delete;

    UiServices& Services() const { return *services_; }
    // nullptr: the silent services again. The caller keeps ownership.
    void SetServices(UiServices* services) { services_ = services ? services : &silent_; }

    TextEvaluator& Evaluator() const { return *evaluator_; }
    // nullptr: plain numbers again. The caller keeps ownership.
    void SetEvaluator(TextEvaluator* evaluator) { evaluator_ = evaluator ? evaluator : &plain_; }

    WorkSettings& Work() { return work_; }
    const WorkSettings& Work() const { return work_; }

    // The next temporary file name of this run: work folder + "DUDOR_" + run
    // number + "~" + counter + ".TMP"; the counter runs 0 .. 100000000 and
    // then starts again at 0.
    std::string MakeTempFileName();
    // Sets the counter to the value of the last name given out (-1: the next
    // name carries 0, as at the start of a run).
    void SetTempNameCounter(int lastUsed) { tempCounter_ = lastUsed; }

    // Per-observation tables always in temporary files, as if memory could
    // not be had (to test and measure that form).
    void SetFileTablesForced(bool on) { fileTablesForced_ = on; }
    bool FileTablesForced() const { return fileTablesForced_; }

    // The worker threads of the per-observation passes, started on first
    // use: `threads` of them (<= 0: MERLOX_THREADS, else the hardware's).
    // Results never depend on the count.
    ThreadPool* Pool();
    void SetThreads(int threads);
    int Threads() const { return threads_; }

    // How saved files are flushed to the disk (empty: the system's fsync).
    const FsyncCall& Fsync() const { return fsync_; }
    void SetFsync(FsyncCall call) { fsync_ = std::move(call); }

private:
    SilentServices silent_;
    PlainNumberReader plain_;
    UiServices* services_;
    TextEvaluator* evaluator_;
    WorkSettings work_;
    std::int32_t tempCounter_ = -1;
    bool fileTablesForced_ = false;
    FsyncCall fsync_;
    int threads_ = 0;
    std::unique_ptr<ThreadPool> pool_;
};
