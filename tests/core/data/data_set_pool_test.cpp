// A data set whose columns are formed and copied on worker threads: what a
// reader sees before, during and after the columns are set is what one
// thread gives, and never memory nobody wrote.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/data/data_set.h"
#include "core/model/regression_model.h"
#include "core/numeric/thread_pool.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"

namespace {

// Large enough for the columns to be formed on the pool.
constexpr int kObs = 40000;
constexpr int kVars = 8;

// Column j of the filled ones: ((i (j + 3)) mod 11) / 4 + j, exact in binary.
std::vector<double> Pattern(int j) {
    std::vector<double> x(kObs);
    for (int i = 0; i < kObs; ++i) x[static_cast<std::size_t>(i)] = ((i * (j + 3)) % 11) * 0.25 + j;
    return x;
}

bool AllZeroBits(const Var& v) {
    for (const double x : v)
        if (std::bit_cast<std::uint64_t>(x) != 0) return false;
    for (const std::uint16_t m : v.Marks())
        if (m != 0) return false;
    return true;
}

void ExpectSameBits(const Data& a, const Data& b) {
    const int k = a.GetVarCount();
    ASSERT_EQ(k, b.GetVarCount());
    for (int i = 0; i <= k; ++i)
        for (int j = 0; j <= k; ++j) {
            const long double x = a.PreciseMoments()[i][j], y = b.PreciseMoments()[i][j];
            EXPECT_EQ(std::memcmp(&x, &y, 10), 0) << i << "," << j;
        }
    for (int j = 0; j < k; ++j) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a.GetStdDev(j)), std::bit_cast<std::uint64_t>(b.GetStdDev(j))) << j;
        EXPECT_EQ(a.GetMax(j), b.GetMax(j)) << j;
        EXPECT_EQ(a.GetMin(j), b.GetMin(j)) << j;
    }
}

}  // namespace

// Columns left unset, or a set that was refused, stay zeros (values and
// marks) beside the set ones; the statistics of the set ones are the exact
// ones (computed with rational arithmetic), and all equals one thread's.
TEST(DataSetPoolTest, PartlySetColumnsReadAsZerosAndExactStatistics) {
    ThreadPool pool(4);
    Data alone(kObs, kVars, "fill");
    Data spread(kObs, kVars, "fill", &pool);
    spread.SetPoolSource([&pool] { return &pool; });
    EXPECT_EQ(spread.GetVarName(7), "VAR7");
    EXPECT_EQ(spread.GetVarInfo(0), "VAR0");
    for (Data* d : {&alone, &spread}) {
        for (int j : {0, 1, 5}) d->SetVarValues(j, Pattern(j));
        // Too few values: refused before anything is written.
        const std::vector<double> shorter(kObs - 1, 9.0);
        EXPECT_THROW(d->SetVarValues(3, shorter), ERangeError);
    }
    for (int j : {2, 3, 4, 6, 7}) {
        SCOPED_TRACE(j);
        EXPECT_TRUE(AllZeroBits(spread.GetVar(j)));
        EXPECT_EQ(spread.GetMean(j), 0.0);
        EXPECT_EQ(spread.GetStdDev(j), 0.0);
        EXPECT_EQ(spread.GetMoment(j, j), 0.0);
        EXPECT_EQ(spread.GetMoment(0, j), 0.0);
    }
    const struct {
        int j;
        double mean, ssd, sd, max, min;
    } want[] = {
        {0, 1.2499875, 25000.37499375, 0.79058522656875, 2.5, 0.0},
        {1, 2.24995625, 25000.6874234375, 0.7905901665251236, 3.5, 1.0},
        {5, 6.24996875, 25000.1874609375, 0.790582261394245, 7.5, 5.0},
    };
    for (const auto& w : want) {
        SCOPED_TRACE(w.j);
        std::vector<double> back;
        spread.GetVarValues(w.j, back);
        EXPECT_EQ(back, Pattern(w.j));
        EXPECT_DOUBLE_EQ(spread.GetMean(w.j), w.mean);
        EXPECT_DOUBLE_EQ(spread.GetMoment(w.j, w.j), w.ssd);
        EXPECT_NEAR(spread.GetStdDev(w.j) / w.sd - 1.0, 0.0, 1e-14);
        EXPECT_EQ(spread.GetMax(w.j), w.max);
        EXPECT_EQ(spread.GetMin(w.j), w.min);
    }
    EXPECT_DOUBLE_EQ(spread.GetMoment(0, 1), 0.874978125);
    ExpectSameBits(alone, spread);
}

// A column handed back to itself, and columns of lengths that do not split
// evenly over the threads, are copied whole.
TEST(DataSetPoolTest, LongColumnsCopiedWhole) {
    ThreadPool pool(3);
    for (const int n : {(1 << 18) + 1, (1 << 18) + 7, 3 * (1 << 18) - 1}) {
        SCOPED_TRACE(n);
        Data d(n, 2, "copy", &pool);
        d.SetPoolSource([&pool] { return &pool; });
        std::vector<double> x(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = i + 0.5;
        d.SetVarValues(1, x);
        const Var& v = d.GetVar(1);
        d.SetVarValues(1, std::span<const double>(v.Data(), static_cast<std::size_t>(n)));
        std::vector<double> back;
        d.GetVarValues(1, back);
        EXPECT_EQ(back, x);
        EXPECT_TRUE(AllZeroBits(d.GetVar(0)));
    }
}

// The model of the program forms its columns on the context's threads: a
// new one is zeros throughout, and once filled its moments are the same bits
// on any thread count.
TEST(DataSetPoolTest, NewModelOnAnyThreadCountGivesTheSameBits) {
    std::vector<std::unique_ptr<EngineContext>> contexts;
    std::vector<std::unique_ptr<Reg>> models;
    for (const int threads : {1, 2, 3, 8}) {
        SCOPED_TRACE(threads);
        contexts.push_back(std::make_unique<EngineContext>());
        contexts.back()->SetThreads(threads);
        models.push_back(std::make_unique<Reg>(*contexts.back(), kObs, kVars, "fill"));
        Reg& model = *models.back();
        for (int j = 0; j < kVars; ++j) EXPECT_TRUE(AllZeroBits(model.GetVar(j)));
        for (int j = 0; j < kVars; j += 2) model.SetVarValues(j, Pattern(j));
        ExpectSameBits(*models.front(), model);
    }
}
