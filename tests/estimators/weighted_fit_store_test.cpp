// The weighted fit's tables in memory and in their temporary-file form: the
// same reads and writes, the same fits; and the checks and weight updates
// that run block by block on several threads.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "estimators/robust_reweight.h"
#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_store.h"
#include "platform/errors.h"
#include "weighted_data.h"

namespace {

// The counter of the next temporary file name the context gives out.
long NextTempCounter(EngineContext& context) {
    const std::string name = context.MakeTempFileName();
    const std::size_t tilde = name.rfind('~');
    return std::stol(name.substr(tilde + 1));
}

// x, a second regressor and y = 1 + 2x - z/2 plus noise within +-1, n rows;
// an outlier every 97th row from outlierFrom on.
WeightedColumns Sample(int n, int outlierFrom) {
    WeightedColumns cols(3, std::vector<double>(static_cast<std::size_t>(n)));
    for (int t = 0; t < n; ++t) {
        const double x = std::sin(0.37 * t) * 4.0 + t % 5;
        const double z = std::cos(0.11 * t) + (t % 3) * 0.5;
        cols[0][t] = x;
        cols[1][t] = z;
        cols[2][t] = 1.0 + 2.0 * x - 0.5 * z + std::sin(1.3 * t) + (t >= outlierFrom && t % 97 == 0 ? 50.0 : 0.0);
    }
    return cols;
}

}  // namespace

TEST(WeightedFitStore, BothFormsReadAndWriteAlike) {
    for (const bool forced : {false, true}) {
        SCOPED_TRACE(forced ? "file" : "memory");
        EngineContext context;
        context.SetFileTablesForced(forced);
        WeightedFitStore store(context, 3, 5);
        EXPECT_EQ(store.InMemory(), !forced);
        EXPECT_EQ(store.Row(1) == nullptr, forced);
        const double row1[5] = {1.5, -2.0, 3.25, 0.0, 7.0};
        store.WriteSpan(1, 0, 5, row1);
        const double two[2] = {9.0, 8.0};
        store.WriteSpan(2, 3, 2, two);
        struct Span {
            int row, first, count;
            std::vector<double> expected;
        };
        const Span spans[] = {
            {1, 0, 5, {1.5, -2.0, 3.25, 0.0, 7.0}},
            {1, -2, 4, {0.0, 0.0, 1.5, -2.0}},  // before the row: zeros
            {1, 3, 4, {0.0, 7.0, 0.0, 0.0}},    // past its end
            {2, 2, 3, {0.0, 9.0, 8.0}},
            {0, 0, 2, {0.0, 0.0}},              // never written
            {3, 0, 2, {0.0, 0.0}},              // no such row
            {-1, 1, 1, {0.0}},
            {1, 0, 0, {}},
        };
        for (const Span& s : spans) {
            std::vector<double> out(s.expected.size(), -1.0);
            store.ReadSpan(s.row, s.first, s.count, out.data());
            EXPECT_EQ(out, s.expected) << s.row << " " << s.first << " " << s.count;
        }
        EXPECT_EQ(store.GetValue(1, 2), 3.25);
        EXPECT_EQ(store.GetValue(1, 5), 0.0);
        EXPECT_EQ(store.GetValue(-1, 0), 0.0);
        double out[2];
        EXPECT_THROW(store.ReadSpan(0, 0, -1, out), ERangeError);
        // A write past the row's end is refused whole.
        EXPECT_THROW(store.WriteSpan(0, 4, 2, two), ERangeError);
        EXPECT_THROW(store.WriteSpan(3, 0, 1, two), ERangeError);
        EXPECT_THROW(store.WriteSpan(0, -1, 1, two), ERangeError);
        EXPECT_EQ(store.GetValue(0, 4), 0.0);
        EXPECT_EQ(store.GetValue(1, 0), 1.5);
        EXPECT_THROW((void)store.Row(3), ERangeError);
    }
}

// The file form is the fall-back when memory cannot be had: forced, it
// takes temporary files and gives every value of the memory form.
TEST(WeightedFitStore, FileFormGivesTheFitOfTheMemoryForm) {
    const WeightedColumns cols = Sample(9000, 0);
    const std::vector<std::string> names = {"x", "z", "y"};
    EngineContext memory, files;
    files.SetFileTablesForced(true);
    memory.SetThreads(3);
    files.SetThreads(2);
    auto memoryTable = MakeNamedTable(memory, cols, names);
    auto fileTable = MakeNamedTable(files, cols, names);
    const long memoryBefore = NextTempCounter(memory), filesBefore = NextTempCounter(files);
    WLSE inMemory(*memoryTable, memoryTable.get(), 2);
    WLSE inFiles(*fileTable, fileTable.get(), 2);
    // Memory takes no temporary file; the file form one per table.
    EXPECT_EQ(NextTempCounter(memory), memoryBefore + 1);
    EXPECT_EQ(NextTempCounter(files), filesBefore + 4);
    // Before a fit every table reads 0.
    for (const WLSE* fit : {&inMemory, &inFiles}) {
        EXPECT_EQ(fit->GetTransformed(1, 10), 0.0);
        EXPECT_EQ(fit->GetSecondTransformed(2, 8999), 0.0);
        EXPECT_EQ(fit->GetResult(WLSE::kRowLeverage, 5), 0.0);
    }
    for (const int mode : {kWeightHuber, kWeightAndrews, WLSE::kModeAROffset + 1}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(inMemory.Estimate(mode), inFiles.Estimate(mode));
        EXPECT_EQ(inMemory.Iterations(), inFiles.Iterations());
        EXPECT_EQ(inMemory.DurbinWatsonRatio(), inFiles.DurbinWatsonRatio());
        EXPECT_EQ(inMemory.GK(), inFiles.GK());
        for (int j = 0; j < 3; ++j) EXPECT_EQ(inMemory.GetCoef(j), inFiles.GetCoef(j));
        std::vector<double> a(9000), b(9000);
        for (int row = 0; row < inMemory.CoefCount() + 16; ++row) {
            inMemory.ReadResidualRow(row, a.data());
            inFiles.ReadResidualRow(row, b.data());
            EXPECT_EQ(a, b) << "row " << row;
        }
        for (int j = 0; j < inMemory.RowCount(); ++j) {
            inMemory.ReadTransformedRow(j, a.data());
            inFiles.ReadTransformedRow(j, b.data());
            EXPECT_EQ(a, b) << "transformed " << j;
            inMemory.ReadSecondTransformedRow(j, a.data());
            inFiles.ReadSecondTransformedRow(j, b.data());
            EXPECT_EQ(a, b) << "instrumented " << j;
        }
        // Spans that run past either end, and the element reads.
        std::vector<double> spanA(20, -1.0), spanB(20, -1.0);
        inMemory.ReadTransformedSpan(1, 8990, 20, spanA.data(), true);
        inFiles.ReadTransformedSpan(1, 8990, 20, spanB.data(), true);
        EXPECT_EQ(spanA, spanB);
        EXPECT_EQ(spanA[15], 0.0);
        inMemory.ReadTransformedSpan(0, -5, 20, spanA.data(), false);
        inFiles.ReadTransformedSpan(0, -5, 20, spanB.data(), false);
        EXPECT_EQ(spanA, spanB);
        EXPECT_EQ(inMemory.GetTransformed(2, 4321), inFiles.GetTransformed(2, 4321));
        EXPECT_EQ(inMemory.GetTransformed(inMemory.RowCount(), 0), 0.0);
        EXPECT_EQ(inMemory.GetSecondTransformed(-1, 0), 0.0);
        EXPECT_THROW(inMemory.ReadTransformedSpan(0, 0, -1, spanA.data(), false), ERangeError);
        std::vector<double> xa(9000), ya(9000), xb(9000), yb(9000);
        inMemory.PartialResiduals(xa.data(), ya.data(), 1);
        inFiles.PartialResiduals(xb.data(), yb.data(), 1);
        EXPECT_EQ(xa, xb);
        EXPECT_EQ(ya, yb);
    }
    EXPECT_TRUE(inMemory.HuberCovariance() == inFiles.HuberCovariance());
    EXPECT_EQ(inMemory.S2(), inFiles.S2());
}

// Values are checked block by block on several threads: the first bad one
// in observation order is named, whichever block holds it.
TEST(WeightedFitStore, FirstNonFiniteValueIsNamedAcrossBlocks) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        int column, t;
        double value;
        bool inSecond;
        int column2, t2;
        std::string message;
    };
    const Case cases[] = {
        {1, 8500, nan, false, 0, 5000, "変数 x の 5001 番目の値が有限の数値ではありません。"},
        {2, 4100, inf, true, 1, 8999, "変数 y の 4101 番目の値が有限の数値ではありません。"},
        {0, 7000, -inf, true, 1, 7000, "変数 x の 7001 番目の値が有限の数値ではありません。"},
    };
    for (const Case& c : cases) {
        EngineContext context;
        context.SetThreads(3);
        WeightedColumns cols = Sample(9000, 0), second = cols;
        (c.inSecond ? second : cols)[static_cast<std::size_t>(c.column)][static_cast<std::size_t>(c.t)] = c.value;
        cols[static_cast<std::size_t>(c.column2)][static_cast<std::size_t>(c.t2)] = nan;
        auto table = MakeNamedTable(context, cols, {"x", "z", "y"});
        auto secondTable = MakeNamedTable(context, second, {"x", "z", "y"});
        WLSE fit(*table, secondTable.get(), 2);
        try {
            (void)fit.Estimate(kWeightHuber);
            ADD_FAILURE() << "no refusal";
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

// t weights with m = -2 are negative past |u| = sqrt 2: one such weight in
// the last block fails the update, and every weight goes back to 1.
TEST(WeightedFitStore, NegativeWeightInALaterBlockFailsTheUpdate) {
    EngineContext context;
    context.SetThreads(3);
    auto table = MakeNamedTable(context, Sample(9000, 8500), {"x", "z", "y"});
    WLSE fit(*table, nullptr, 2);
    fit.tDf = -2.0;
    EXPECT_FALSE(fit.Estimate(kWeightT));
    for (int t = 0; t < 9000; ++t) ASSERT_EQ(fit.GetWeight(t), 1.0) << t;
    WLSE plain(*table, nullptr, 2);
    EXPECT_TRUE(plain.Estimate(0));
    for (int j = 0; j < 3; ++j) EXPECT_EQ(fit.GetCoef(j), plain.GetCoef(j));
}

// A weighted value may overflow where the value itself is finite: that is
// no value that is not a number, and is not refused as one.
TEST(WeightedFitStore, OverflowOfAWeightedValueIsNoNonFiniteValue) {
    EngineContext context;
    WeightedColumns cols = Sample(50, 50);
    cols[0][7] = 1e308;
    auto table = MakeNamedTable(context, cols, {"x", "z", "y"});
    WLSE fit(*table, nullptr, 2);
    std::vector<double> w(50, 1.0);
    w[7] = 4.0;
    fit.SetWeights(w.data());
    try {
        (void)fit.Estimate(0);
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()).find("有限の数値ではありません"), std::string::npos) << e.what();
    }
}
