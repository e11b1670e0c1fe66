#include "core/numeric/thread_pool.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

int ThreadPool::DefaultThreads() {
    if (const char* text = std::getenv("MERLOX_THREADS")) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value > 0) return static_cast<int>(std::min<long>(value, kMaxThreads));
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(hardware), 1, kMaxThreads);
}

ThreadPool::ThreadPool(int threads) : threads_(threads > 0 ? std::min(threads, kMaxThreads) : DefaultThreads()) {
    workers_.reserve(static_cast<std::size_t>(threads_ - 1));
    for (int i = 1; i < threads_; ++i) workers_.emplace_back([this] { WorkerLoop(); });
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
}

void ThreadPool::RunTasks(const std::function<void(int)>& body, int tasks) {
    for (;;) {
        int task;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (next_ >= tasks) return;
            task = next_++;
        }
        try {
            body(task);
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!error_) error_ = std::current_exception();
            next_ = tasks;
        }
    }
}

void ThreadPool::WorkerLoop() {
    unsigned long long seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_) return;
        seen = generation_;
        if (body_ == nullptr) continue;  // woke after the run had ended
        const std::function<void(int)>& body = *body_;
        const int tasks = tasks_;
        ++busy_;
        lock.unlock();
        RunTasks(body, tasks);
        lock.lock();
        if (--busy_ == 0) done_.notify_all();
    }
}

void ThreadPool::ParallelFor(int tasks, const std::function<void(int task)>& body) {
    if (tasks <= 0) return;
    std::unique_lock<std::mutex> submit(submit_, std::try_to_lock);
    if (workers_.empty() || tasks == 1 || !submit.owns_lock()) {
        for (int t = 0; t < tasks; ++t) body(t);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        body_ = &body;
        tasks_ = tasks;
        next_ = 0;
        error_ = nullptr;
        ++generation_;
    }
    wake_.notify_all();
    RunTasks(body, tasks);
    std::exception_ptr error;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        // Every task is handed out; wait for the workers still running one.
        done_.wait(lock, [&] { return busy_ == 0; });
        body_ = nullptr;
        error = error_;
        error_ = nullptr;
    }
    if (error) std::rethrow_exception(error);
}

void ForEachBlock(ThreadPool* pool, long long n, int blockRows,
                  const std::function<void(long long first, int count)>& body) {
    if (n <= 0) return;
    if (blockRows < 1) throw std::invalid_argument("ForEachBlock: blockRows < 1");
    const long long blocks = (n + blockRows - 1) / blockRows;
    if (blocks > 0x7fffffff) throw std::invalid_argument("ForEachBlock: too many blocks");
    auto run = [&](int b) {
        const long long first = static_cast<long long>(b) * blockRows;
        body(first, static_cast<int>(std::min<long long>(blockRows, n - first)));
    };
    if (pool == nullptr) {
        for (int b = 0; b < static_cast<int>(blocks); ++b) run(b);
    } else {
        pool->ParallelFor(static_cast<int>(blocks), run);
    }
}
