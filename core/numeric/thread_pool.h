// A small pool of worker threads for the per-observation passes.
//
// There is no process-wide pool: the owner (the engine context) creates one
// and passes it down; a null pool means "run on the calling thread".
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class ThreadPool {
public:
    static constexpr int kMaxThreads = 64;

    // threads <= 0 takes MERLOX_THREADS from the environment when it is a
    // positive number, else the hardware concurrency; at most kMaxThreads.
    // The calling thread counts as one: threads - 1 workers are started.
    explicit ThreadPool(int threads = 0);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    int Threads() const { return threads_; }

    // Runs body(0) .. body(tasks - 1) on the workers and the calling thread
    // and returns when all have finished. The first exception a task throws
    // is rethrown here (tasks not yet started are then skipped). A call
    // made while the pool is busy (from inside a task, or from another
    // thread) runs its tasks on the calling thread.
    void ParallelFor(int tasks, const std::function<void(int task)>& body);

    // The thread count that ThreadPool(0) would take.
    static int DefaultThreads();

private:
    void WorkerLoop();
    void RunTasks(const std::function<void(int)>& body, int tasks);

    int threads_ = 1;
    std::vector<std::thread> workers_;
    std::mutex submit_;  // held by the caller of a parallel run
    std::mutex mutex_;   // guards the fields below
    std::condition_variable wake_, done_;
    const std::function<void(int)>* body_ = nullptr;
    int tasks_ = 0;
    int next_ = 0;  // next task to hand out
    int busy_ = 0;  // workers inside the current run
    unsigned long long generation_ = 0;
    bool stop_ = false;
    std::exception_ptr error_;
};

// Runs body(first, count) over rows 0 .. n-1 in blocks of blockRows (the
// last one shorter), on the pool when one is given. Blocks are fixed by n
// and blockRows alone, so a pass that writes per-row results or per-block
// partial sums combined in block order gives the same answer on any number
// of threads.
void ForEachBlock(ThreadPool* pool, long long n, int blockRows,
                  const std::function<void(long long first, int count)>& body);
