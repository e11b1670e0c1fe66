// The weighted fit's tables in memory and in their temporary-file form: the
// same fits and the same reads; and the checks and weight updates that run
// block by block on several threads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "estimators/robust_reweight.h"
#include "estimators/weighted_fit.h"
#include "platform/errors.h"
#include "weighted_data.h"

namespace {

// A work folder of the test's own, so that files other processes make in the
// shared temporary folder are not counted; removed at the end.
struct PrivateWorkFolder {
    std::filesystem::path path;
    PrivateWorkFolder(EngineContext& context, const std::string& tag)
        : path(std::filesystem::temp_directory_path() /
               ("merlox_wstore_" + tag + "_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path);
        context.Work().workFolder = path.string() + "/";
    }
    ~PrivateWorkFolder() { std::filesystem::remove_all(path); }
    std::ptrdiff_t FileCount() const {
        return std::distance(std::filesystem::directory_iterator(path), std::filesystem::directory_iterator());
    }
};

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

// The file form is the fall-back when memory cannot be had: forced, it
// takes temporary files and gives every value of the memory form.
TEST(WeightedFitStore, FileFormGivesTheFitOfTheMemoryForm) {
    const WeightedColumns cols = Sample(9000, 0);
    EngineContext memory, files;
    const PrivateWorkFolder memoryFolder(memory, "memory"), filesFolder(files, "files");
    files.SetFileTablesForced(true);
    memory.SetThreads(3);
    files.SetThreads(2);
    auto memoryTable = MakeNamedTable(memory, cols, {"x", "z", "y"});
    auto fileTable = MakeNamedTable(files, cols, {"x", "z", "y"});
    const std::ptrdiff_t memoryBefore = memoryFolder.FileCount(), filesBefore = filesFolder.FileCount();
    WLSE inMemory(*memoryTable, memoryTable.get(), 2);
    WLSE inFiles(*fileTable, fileTable.get(), 2);
    // Memory takes no temporary file; the file form one per table.
    EXPECT_EQ(memoryFolder.FileCount(), memoryBefore);
    EXPECT_EQ(filesFolder.FileCount(), filesBefore + 3);
    EXPECT_EQ(inMemory.GetSecondTransformed(2, 8999), 0.0);  // no fit yet
    std::vector<double> a(9000), b(9000);
    for (const int mode : {kWeightHuber, kWeightAndrews, WLSE::kModeAROffset + 1}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(inMemory.Estimate(mode), inFiles.Estimate(mode));
        for (int j = 0; j < 3; ++j) EXPECT_EQ(inMemory.GetCoef(j), inFiles.GetCoef(j));
        // Every row, of the table and of the transformed data, whole and in
        // spans past either end (which read 0 there), and rows outside.
        for (const int first : {-5, 0, 8990}) {
            const int count = first == 0 ? 9000 : 20;
            a.assign(count, -1.0);
            b.assign(count, -2.0);
            for (int row = -1; row <= inMemory.CoefCount() + 16; ++row) {
                inMemory.ReadResultSpan(row, first, count, a.data());
                inFiles.ReadResultSpan(row, first, count, b.data());
                EXPECT_EQ(a, b) << "row " << row << " from " << first;
            }
            for (int j = -1; j <= inMemory.RowCount(); ++j)
                for (const bool second : {false, true}) {
                    inMemory.ReadTransformedSpan(j, first, count, a.data(), second);
                    inFiles.ReadTransformedSpan(j, first, count, b.data(), second);
                    EXPECT_EQ(a, b) << j << " " << second << " from " << first;
                }
        }
        inMemory.ReadResultSpan(WLSE::kRowResidual, 8990, 20, a.data());
        EXPECT_NE(a[5], 0.0);
        EXPECT_EQ(a[15], 0.0);
        EXPECT_THROW(inMemory.ReadResultSpan(0, 0, -1, a.data()), ERangeError);
        a.resize(9000);
        b.resize(9000);
        inMemory.PartialResiduals(a.data(), b.data(), 1);
        std::vector<double> x(9000), y(9000);
        inFiles.PartialResiduals(x.data(), y.data(), 1);
        EXPECT_EQ(a, x);
        EXPECT_EQ(b, y);
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

// Weights checked block by block: t weights with m = -2 are negative past
// |u| = sqrt 2, and one such weight in the last block fails the update,
// every weight going back to 1. A weighted value that overflows where the
// value is finite is no value that is not a number.
TEST(WeightedFitStore, WeightsAreCheckedInEveryBlock) {
    EngineContext context;
    context.SetThreads(3);
    auto table = MakeNamedTable(context, Sample(9000, 8500), {"x", "z", "y"});
    WLSE fit(*table, nullptr, 2), plain(*table, nullptr, 2);
    fit.tDf = -2.0;
    EXPECT_FALSE(fit.Estimate(kWeightT));
    EXPECT_TRUE(plain.Estimate(0));
    for (int t = 0; t < 9000; ++t) ASSERT_EQ(fit.GetWeight(t), 1.0) << t;
    for (int j = 0; j < 3; ++j) EXPECT_EQ(fit.GetCoef(j), plain.GetCoef(j));

    WeightedColumns cols = Sample(50, 50);
    cols[0][7] = 1e308;
    auto huge = MakeNamedTable(context, cols, {"x", "z", "y"});
    WLSE overflow(*huge, nullptr, 2);
    std::vector<double> w(50, 1.0);
    w[7] = 4.0;
    overflow.SetWeights(w.data());
    try {
        (void)overflow.Estimate(0);
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()).find("有限の数値ではありません"), std::string::npos) << e.what();
    }
}
