// The thread pool and the blocked loop on it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/numeric/thread_pool.h"

namespace {

TEST(ThreadPool, EveryTaskRunsOnce) {
    for (int threads : {1, 2, 8})
        for (int tasks : {0, 1, 3, 100}) {
            ThreadPool pool(threads);
            std::vector<std::atomic<int>> runs(static_cast<std::size_t>(tasks));
            for (auto& r : runs) r = 0;
            pool.ParallelFor(tasks, [&](int t) { ++runs[static_cast<std::size_t>(t)]; });
            for (int t = 0; t < tasks; ++t) EXPECT_EQ(runs[t], 1) << threads << " threads, task " << t;
        }
}

TEST(ThreadPool, TasksRunOnSeveralThreads) {
    ThreadPool pool(4);
    std::atomic<int> inside{0}, most{0};
    pool.ParallelFor(64, [&](int) {
        const int now = ++inside;
        for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --inside;
    });
    EXPECT_GT(most, 1);
}

TEST(ThreadPool, AnExceptionReachesTheCallerAndThePoolGoesOn) {
    ThreadPool pool(4);
    EXPECT_THROW(pool.ParallelFor(50,
                                  [](int t) {
                                      if (t == 17) throw std::runtime_error("task 17");
                                  }),
                 std::runtime_error);
    std::atomic<int> count{0};
    pool.ParallelFor(20, [&](int) { ++count; });
    EXPECT_EQ(count, 20);
}

TEST(ThreadPool, ANestedCallRunsOnTheCallingThread) {
    ThreadPool pool(3);
    std::atomic<int> count{0};
    pool.ParallelFor(6, [&](int) { pool.ParallelFor(5, [&](int) { ++count; }); });
    EXPECT_EQ(count, 30);
}

TEST(ThreadPool, ThreadCountFromArgumentEnvironmentOrHardware) {
    EXPECT_EQ(ThreadPool(3).Threads(), 3);
    EXPECT_EQ(ThreadPool(1000).Threads(), ThreadPool::kMaxThreads);
    const char* saved = std::getenv("MERLOX_THREADS");
    const std::string keep = saved ? saved : "";
    setenv("MERLOX_THREADS", "5", 1);
    EXPECT_EQ(ThreadPool(0).Threads(), 5);
    EXPECT_EQ(ThreadPool(-1).Threads(), 5);
    setenv("MERLOX_THREADS", "five", 1);
    const int hardware = static_cast<int>(std::thread::hardware_concurrency());
    EXPECT_EQ(ThreadPool::DefaultThreads(), std::clamp(hardware, 1, ThreadPool::kMaxThreads));
    if (saved)
        setenv("MERLOX_THREADS", keep.c_str(), 1);
    else
        unsetenv("MERLOX_THREADS");
}

TEST(ForEachBlock, FixedBlocksCoverEveryRowOnce) {
    struct Case {
        long long n;
        int blockRows;
        int threads;  // 0: no pool
    };
    const Case cases[] = {{0, 4, 2}, {1, 4, 0}, {10, 4, 0}, {10, 4, 3}, {1000, 64, 8}, {64, 64, 2}};
    for (const Case& c : cases) {
        std::vector<std::atomic<int>> seen(static_cast<std::size_t>(c.n));
        for (auto& s : seen) s = 0;
        std::atomic<int> badBlock{0};
        ThreadPool pool(c.threads > 0 ? c.threads : 1);
        ForEachBlock(c.threads > 0 ? &pool : nullptr, c.n, c.blockRows, [&](long long first, int count) {
            if (first % c.blockRows != 0 || count != std::min<long long>(c.blockRows, c.n - first)) ++badBlock;
            for (int r = 0; r < count; ++r) ++seen[static_cast<std::size_t>(first + r)];
        });
        EXPECT_EQ(badBlock, 0) << c.n << "/" << c.blockRows;
        for (long long i = 0; i < c.n; ++i) EXPECT_EQ(seen[i], 1) << c.n << "/" << c.blockRows << " row " << i;
    }
    EXPECT_THROW(ForEachBlock(nullptr, 5, 0, [](long long, int) {}), std::invalid_argument);
}

}  // namespace
