#include "core/data/variable_rows.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Seven observations 1.5, -2, 3.25, 0, 7, -0.5, 11 with group words 0..6
// shifted into distinct bits.
Var Sample() {
    Var v("SRC", "source", 0, 0.0);
    const double values[] = {1.5, -2.0, 3.25, 0.0, 7.0, -0.5, 11.0};
    const std::uint16_t marks[] = {0x0000, 0x0001, 0x0002, 0x0004, 0x8000, 0x0010, 0x0021};
    for (int i = 0; i < 7; ++i) v.Append(marks[i], values[i]);
    return v;
}

Selekto Marks(const std::vector<int>& rows, int size) {
    Selekto s;
    s.Reset(size);
    for (int r : rows) s.Set(r, 1);
    return s;
}

TEST(VariableRows, MarkedRowsKeepValuesAndGroupWordsInOrder) {
    struct Case {
        const char* what;
        std::vector<int> rows;  // 0-based
        int size;
        std::vector<double> values;
        std::vector<std::uint16_t> groups;
    };
    const Case cases[] = {
        {"rows 2, 5 and 7", {1, 4, 6}, 7, {-2.0, 7.0, 11.0}, {0x0001, 0x8000, 0x0021}},
        {"first and last", {0, 6}, 7, {1.5, 11.0}, {0x0000, 0x0021}},
        {"marks past the end ignored", {2, 3, 8, 9}, 12, {3.25, 0.0}, {0x0002, 0x0004}},
        {"marks shorter than the variable", {0, 1}, 2, {1.5, -2.0}, {0x0000, 0x0001}},
        {"none", {}, 7, {}, {}},
    };
    const Var source = Sample();
    for (const Case& c : cases) {
        const Selekto marks = Marks(c.rows, c.size);
        auto v = VariableOfMarkedRows(source, marks, "NEW");
        EXPECT_EQ(v->GetName(), "NEW") << c.what;
        EXPECT_EQ(v->GetInfo(), "imported") << c.what;
        ASSERT_EQ(v->Count(), static_cast<int>(c.values.size())) << c.what;
        EXPECT_EQ(CountMarkedRows(marks, source.Count()), static_cast<int>(c.values.size())) << c.what;
        for (int i = 0; i < v->Count(); ++i) {
            EXPECT_EQ(v->At(i), c.values[static_cast<std::size_t>(i)]) << c.what << " " << i;
            EXPECT_EQ(v->GetMark(i), c.groups[static_cast<std::size_t>(i)]) << c.what << " " << i;
        }
    }
}

TEST(VariableRows, StatisticsOfTheNewVariableAreItsOwn) {
    // Rows 2, 5, 7: -2, 7, 11; mean 16/3, sd sqrt((484 + 25 + 289) / 9 / 2) = sqrt(133/3).
    auto v = VariableOfMarkedRows(Sample(), Marks({1, 4, 6}, 7), "NEW");
    EXPECT_NEAR(v->GetMean(), 16.0 / 3.0, 1e-14);
    EXPECT_NEAR(v->GetStdDev(), 6.6583281184793925, 1e-12);
    EXPECT_EQ(v->GetMax(), 11.0);
    EXPECT_EQ(v->GetMin(), -2.0);
}

}  // namespace
