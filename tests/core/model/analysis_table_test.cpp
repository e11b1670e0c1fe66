// The per-observation table in both of its forms: the temporary-file form
// must hold exactly what the memory block holds, span by span.
#include "core/model/analysis_table.h"
#include "core/settings/engine_context.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/errors.h"

namespace {

// A context that asks for the temporary-file form of every table.
struct FileTableForced : EngineContext {
    FileTableForced() { SetFileTablesForced(true); }
};

class AnalysisTableForms : public ::testing::TestWithParam<bool> {
protected:
    // A table of n observations and k variables in the form of the test's
    // parameter (true: the temporary file).
    std::unique_ptr<RAData> MakeTable(int n, int k) {
        if (GetParam()) {
            auto t = std::make_unique<RAData>(forced_, n, k);
            EXPECT_FALSE(t->InMemory());
            return t;
        }
        auto t = std::make_unique<RAData>(plain_, n, k);
        EXPECT_TRUE(t->InMemory());
        return t;
    }

    FileTableForced forced_;
    EngineContext plain_;
};

TEST_P(AnalysisTableForms, PartialSpansKeepTheirNeighbours) {
    auto t = MakeTable(7, 2);
    const double a[3] = {1.5, -2.25, 8.0};
    const double b[2] = {0.125, 3.0};
    t->WriteSpan(13, 2, 3, a);   // a row left in the file by the file form
    t->WriteSpan(13, 6, 1, b);   // the last observation alone
    t->WriteSpan(-99, 0, 2, b);  // a coefficient row by its negative code
    t->SetValue(13, 0, 4.0);
    std::vector<double> row;
    t->GetRow(13, row);
    EXPECT_EQ(row, (std::vector<double>{4.0, 0, 1.5, -2.25, 8.0, 0, 0.125}));
    t->GetRow(23, row);  // -99 + 22 + 100
    EXPECT_EQ(row, (std::vector<double>{0.125, 3.0, 0, 0, 0, 0, 0}));
    t->GetRow(12, row);
    EXPECT_EQ(row, std::vector<double>(7, 0.0));
    t->GetRow(14, row);
    EXPECT_EQ(row, std::vector<double>(7, 0.0));

    double out[4] = {9, 9, 9, 9};
    t->ReadSpan(13, 3, 3, out);
    EXPECT_EQ(out[0], -2.25);
    EXPECT_EQ(out[1], 8.0);
    EXPECT_EQ(out[2], 0.0);
    EXPECT_EQ(out[3], 9.0);  // untouched past the span
    t->ReadSpan(13, 7, 0, out);
    EXPECT_EQ(out[0], -2.25);
}

TEST_P(AnalysisTableForms, SpansOutsideTheTableAreRefusedAndWriteNothing) {
    auto t = MakeTable(7, 2);
    const double v[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    t->WriteSpan(5, 0, 7, v);
    struct Case {
        int code, first, count;
    } const refused[] = {
        {5, 5, 3}, {5, 0, 8}, {5, -1, 2}, {5, 8, 0}, {5, 0, -1}, {25, 0, 1}, {-123, 0, 1}, {5, 0x7FFFFFFF, 1},
    };
    double out[8];
    for (const Case& c : refused) {
        EXPECT_THROW(t->WriteSpan(c.code, c.first, c.count, v), ERangeError) << c.code << "," << c.first;
        EXPECT_THROW(t->ReadSpan(c.code, c.first, c.count, out), ERangeError) << c.code << "," << c.first;
    }
    std::vector<double> row;
    t->GetRow(5, row);
    EXPECT_EQ(row, (std::vector<double>{1, 2, 3, 4, 5, 6, 7}));
    t->GetRow(6, row);
    EXPECT_EQ(row, std::vector<double>(7, 0.0));
    EXPECT_THROW(t->FillRow(25, 1.0), ERangeError);
}

TEST_P(AnalysisTableForms, FillingALongRowLeavesTheOthers) {
    // More observations than one filling write covers.
    const int n = 20001;
    auto t = MakeTable(n, 1);
    std::vector<double> ones(n, 1.0);
    t->WriteSpan(8, 0, n, ones.data());
    t->WriteSpan(10, 0, n, ones.data());
    t->FillRow(9, -0.5);
    std::vector<double> row;
    t->GetRow(9, row);
    EXPECT_EQ(row, std::vector<double>(n, -0.5));
    t->GetRow(8, row);
    EXPECT_EQ(row, ones);
    t->GetRow(10, row);
    EXPECT_EQ(row, ones);
    // A span across the middle of the filled row.
    double mid[3];
    t->ReadSpan(9, 8191, 3, mid);
    EXPECT_EQ(mid[0], -0.5);
    EXPECT_EQ(mid[2], -0.5);
}

TEST_P(AnalysisTableForms, RowsInMemoryAndSpansAgree) {
    auto t = MakeTable(5, 2);
    double* r = t->Row(0);
    for (int i = 0; i < 5; ++i) r[i] = i + 0.5;
    const double v[2] = {-1.0, -2.0};
    t->WriteSpan(0, 3, 2, v);
    EXPECT_EQ(t->Row(0)[3], -1.0);
    double out[5];
    t->ReadSpan(0, 0, 5, out);
    const double expected[5] = {0.5, 1.5, 2.5, -1.0, -2.0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

TEST_P(AnalysisTableForms, NoObservations) {
    auto t = MakeTable(0, 3);
    EXPECT_EQ(t->Rows(), 27);
    std::vector<double> row(3, 1.0);
    t->GetRow(4, row);
    EXPECT_TRUE(row.empty());
    t->FillRow(4, 2.0);
    t->WriteSpan(4, 0, 0, nullptr);
    t->ReadSpan(4, 0, 0, nullptr);
    EXPECT_THROW(t->GetValue(4, 0), ERangeError);
}

// A new table of the same shape reads zero everywhere, whichever way each
// row was written before and whichever way it is read now.
TEST_P(AnalysisTableForms, ANewTableOfTheSameShapeIsZeroEverywhere) {
    auto t = MakeTable(300, 2);
    const double* block = t->InMemory() ? t->Row(0) : nullptr;
    const std::vector<double> values(300, 3.5);
    t->SetValue(1, 5, 2.0);
    t->WriteSpan(2, 10, 20, values.data());
    t->FillRow(3, -1.0);
    t->Row(4)[299] = 9.0;
    t->RowForOverwrite(5)[0] = 7.0;
    t->Allocate(300, 2);
    if (block) {
        EXPECT_EQ(t->Row(0), block);  // the block was kept
    }
    for (int code = 0; code < t->Rows(); ++code) {
        std::vector<double> row;
        t->GetRow(code, row);
        for (double x : row) ASSERT_EQ(x, 0.0) << code;
        EXPECT_EQ(t->GetValue(code, 299), 0.0);
    }
    // Written again after the new allocation, values read back; the next
    // new table clears them too.
    t->WriteSpan(2, 0, 300, values.data());
    EXPECT_EQ(t->GetValue(2, 150), 3.5);
    t->Allocate(300, 2);
    EXPECT_EQ(t->GetValue(2, 150), 0.0);
    // Another shape is a new table as well.
    t->FillRow(6, 4.0);
    t->Allocate(301, 2);
    EXPECT_EQ(t->GetValue(6, 300), 0.0);
}

// Worker threads reading and writing spans of rows still holding an earlier
// table's values see zeros, and each their own writes.
TEST(AnalysisTableReuse, SpansFromManyThreadsOnClearedRows) {
    EngineContext context;
    RAData t(context, 4096 * 8, 1);
    for (int code = 0; code < t.Rows(); ++code) t.FillRow(code, 1.0);
    t.Allocate(4096 * 8, 1);
    std::vector<std::thread> threads;
    std::atomic<int> nonZero{0};
    for (int w = 0; w < 8; ++w) {
        threads.emplace_back([&, w] {
            std::vector<double> span(4096);
            for (int code = 0; code < t.Rows(); ++code) {
                t.ReadSpan(code, w * 4096, 4096, span.data());
                for (double x : span)
                    if (x != 0.0) ++nonZero;
                std::fill(span.begin(), span.end(), w + 1.0);
                t.WriteSpan(code, w * 4096, 4096, span.data());
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(nonZero.load(), 0);
    for (int w = 0; w < 8; ++w) EXPECT_EQ(t.GetValue(7, w * 4096 + 17), w + 1.0);
}

INSTANTIATE_TEST_SUITE_P(BothForms, AnalysisTableForms, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "File" : "Memory"; });

}  // namespace
