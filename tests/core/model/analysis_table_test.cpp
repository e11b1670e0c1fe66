// The per-observation table in both of its forms: the temporary-file form
// must hold exactly what the memory block holds, span by span.
#include "core/model/analysis_table.h"
#include "core/settings/engine_context.h"

#include <gtest/gtest.h>

#include <memory>
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

INSTANTIATE_TEST_SUITE_P(BothForms, AnalysisTableForms, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "File" : "Memory"; });

}  // namespace
