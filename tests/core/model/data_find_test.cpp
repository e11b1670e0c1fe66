// Finding values in the data set: the typed forms, the matching rule and the
// scan over scopes, directions and starts. Expected cells worked out by hand
// from the small table below (cell index = variable + 3 * observation).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/data/data_set.h"
#include "core/model/data_find.h"

namespace {

// Reads plain numbers; "@@" is the preset value.
struct PlainEvaluator {
    double current = 0.0;
    std::vector<double> presets;
    FindEvaluator Get() {
        return {[this](const std::string& text) {
                    std::string t = text;
                    if (const auto at = t.find("@@"); at != std::string::npos) t.replace(at, 2, std::to_string(current));
                    // "x/y" is enough for these texts.
                    if (const auto slash = t.find('/'); slash != std::string::npos)
                        return std::strtod(t.substr(0, slash).c_str(), nullptr) /
                               std::strtod(t.substr(slash + 1).c_str(), nullptr);
                    return std::strtod(t.c_str(), nullptr);
                },
                [this](double v) {
                    current = v;
                    presets.push_back(v);
                }};
    }
};

FindCriterion Read(const std::string& text) {
    PlainEvaluator e;
    return ReadFindValue(text, e.Get());
}

TEST(DataFind, TypedValueForms) {
    struct Case {
        const char* text;
        double low, high, centre;
        bool exact;
    };
    const double eps = 2.220446049250313e-16;
    const Case cases[] = {
        {"", 0.0, 0.0, 0.0, false},
        {"[3,1]", 1.0, 3.0, 2.0, false},
        {"[1,3]", 1.0, 3.0, 2.0, false},
        {"[2]", 2.0, 2.0, 2.0, false},
        {"{10,0.5}", 9.5, 10.5, 10.0, false},
        {"{10}", 10.0 - 9.9e-05, 10.0 + 9.9e-05, 10.0, false},
        {"{10,@@/20}", 9.5, 10.5, 10.0, false},  // "@@" is the centre
        {"[4,@@/2]", 2.0, 4.0, 3.0, false},      // "@@" is the first end
        {"100", 100.0 - eps, 100.0 + eps, 100.0, true},
        {"1e-17", -eps, eps, 0.0, true},
    };
    for (const Case& c : cases) {
        const FindCriterion f = Read(c.text);
        EXPECT_DOUBLE_EQ(f.low, c.low) << c.text;
        EXPECT_DOUBLE_EQ(f.high, c.high) << c.text;
        EXPECT_DOUBLE_EQ(f.centre, c.centre) << c.text;
        EXPECT_EQ(f.exact, c.exact) << c.text;
    }
}

TEST(DataFind, MatchingIsRelativeForOneValueAndClosedForRanges) {
    struct Case {
        const char* text;
        double x;
        bool match;
    };
    const Case cases[] = {
        {"100", 100.00001, true},   // relative difference 1e-7
        {"100", 100.0001, false},   // 1e-6
        {"100", 99.99999, true},
        {"0", 1e-16, true},
        {"0", 3e-16, false},
        {"", 0.0, true},
        {"", 1e-16, false},
        {"[3,1]", 1.0, true},
        {"[3,1]", 3.0, true},
        {"[3,1]", 3.0000001, false},
        {"{10,0.5}", 9.5, true},
        {"{10,0.5}", 10.5, true},
        {"{10,0.5}", 10.51, false},
        {"{10}", 10.00009, true},
        {"{10}", 10.0001, false},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchesFind(Read(c.text), c.x), c.match) << c.text << " " << c.x;
}

class DataFindScan : public ::testing::Test {
protected:
    DataFindScan() : data_(4, 3, "t") {
        const double values[4][3] = {
            {1, 100.00001, 0},
            {2.5, 10.4, 3},
            {100.0001, 9.5, 1e-16},
            {1, 10.6, 2},
        };
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 3; ++j) data_.SetValue(i, j, values[i][j]);
        data_.SetMark(1, 1, 0x0002);  // cell 4: group 2
        data_.SetMark(3, 1, 0x8004);  // cell 10: groups 3 and 16
        data_.SetMark(2, 0, 0x0002);  // cell 6: group 2, no match for [9,11]
    }
    std::optional<int> Find(const std::string& text, FindRequest r) { return FindDataCell(data_, Read(text), r); }
    Data data_;
};

TEST_F(DataFindScan, AllDataEachDirectionAndStart) {
    struct Case {
        const char* text;
        bool backward;
        FindStart start;
        int current;
        int expected;  // -1: nothing
    };
    const Case cases[] = {
        {"[3,2]", false, FindStart::First, 0, 3},
        {"[3,2]", true, FindStart::Last, 0, 11},
        {"{10,0.5}", false, FindStart::First, 0, 4},
        {"{10,0.5}", true, FindStart::Last, 0, 7},
        {"{10}", false, FindStart::First, 0, -1},
        {"100", false, FindStart::First, 0, 1},
        {"100", true, FindStart::Last, 0, 1},
        {"0", false, FindStart::First, 0, 2},
        {"0", true, FindStart::Last, 0, 8},
        {"", true, FindStart::Last, 0, 2},
        {"[3,2]", true, FindStart::First, 0, -1},   // points away from the end
        {"2", false, FindStart::Last, 0, -1},       // even the last cell is not examined
        {"[3,2]", false, FindStart::Current, 4, 5},
        {"[3,2]", true, FindStart::Current, 4, 3},
        {"[3,2]", false, FindStart::Current, 5, 5},  // the current cell itself
    };
    for (const Case& c : cases) {
        FindRequest r;
        r.backward = c.backward;
        r.start = c.start;
        r.current = c.current;
        const auto got = Find(c.text, r);
        EXPECT_EQ(got.value_or(-1), c.expected) << c.text << " backward " << c.backward;
    }
}

TEST_F(DataFindScan, RepeatContinuesAfterTheCurrentCell) {
    FindRequest r;
    r.next = true;
    const std::vector<int> forward = {4, 7, 10};
    int current = 0;
    for (int expected : forward) {
        r.current = current;
        const auto got = Find("[9,11]", r);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(*got, expected);
        current = *got;
    }
    r.current = current;
    EXPECT_FALSE(Find("[9,11]", r).has_value());
    r.backward = true;
    r.current = 7;
    EXPECT_EQ(Find("[9,11]", r).value_or(-1), 4);
}

TEST_F(DataFindScan, OneVariableStepsDownItsColumn) {
    FindRequest r;
    r.scope = FindScope::OneVariable;
    r.variable = 1;
    EXPECT_EQ(Find("[9,11]", r).value_or(-1), 4);
    r.next = true;
    r.current = 4;
    EXPECT_EQ(Find("[9,11]", r).value_or(-1), 7);
    r.variable = 2;
    r.next = false;
    EXPECT_EQ(Find("[2,3]", r).value_or(-1), 5);
    r.variable = 3;  // no such variable
    EXPECT_FALSE(Find("[2,3]", r).has_value());
    r.variable = -1;
    EXPECT_FALSE(Find("[2,3]", r).has_value());
}

TEST_F(DataFindScan, OneVariableFromTheCursorStartsInThatVariablesColumn) {
    FindRequest r;
    r.scope = FindScope::OneVariable;
    r.variable = 1;
    r.start = FindStart::Current;
    r.current = 9;  // observation 4, first variable
    EXPECT_EQ(Find("[9,11]", r).value_or(-1), 10);
    r.backward = true;
    r.current = 6;  // observation 3, first variable
    EXPECT_EQ(Find("[9,11]", r).value_or(-1), 7);
    // The repeat from a cursor in another column continues below its observation.
    r.backward = false;
    r.next = true;
    r.current = 3;  // observation 2, first variable
    EXPECT_EQ(Find("[9,11]", r).value_or(-1), 7);
}

TEST_F(DataFindScan, OneGroupLooksOnlyAtItsCells) {
    struct Case {
        int group;
        int expected;
    };
    const Case cases[] = {{2, 4}, {3, 10}, {16, 10}, {5, -1}, {0, -1}, {17, -1}};
    for (const Case& c : cases) {
        FindRequest r;
        r.scope = FindScope::OneGroup;
        r.group = c.group;
        EXPECT_EQ(Find("[9,11]", r).value_or(-1), c.expected) << c.group;
    }
}

TEST(DataFind, EmptyDataSetFindsNothing) {
    Data empty;
    EXPECT_FALSE(FindDataCell(empty, FindCriterion{}, FindRequest{}).has_value());
}

}  // namespace
