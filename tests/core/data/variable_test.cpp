// Variables: statistics kept by CalcStatistics, structural edits with their
// group words, Assign, the binary record and the name key.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/data/variable.h"
#include "core/data/variable_type_names.h"
#include "platform/errors.h"

namespace {

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s += static_cast<char>(c);
    return s;
}

Var MakeVar(const std::vector<double>& values) {
    Var v("x", "info", static_cast<int>(values.size()), 0.0);
    for (std::size_t i = 0; i < values.size(); ++i) v.At(static_cast<int>(i)) = values[i];
    v.CalcStatistics();
    return v;
}

std::vector<double> Values(const Var& v) { return std::vector<double>(v.begin(), v.end()); }

}  // namespace

TEST(VarStatisticsTest, AgainstNumpy) {
    // numpy: mean, std(ddof=1)
    const struct {
        std::vector<double> x;
        double mean, sd, max, min;
    } cases[] = {
        {{2.5, -1.0, 4.0, 7.25, 0.5}, 2.65, 3.1996093511552313, 7.25, -1.0},
        {{1e9 + 1, 1e9 + 2, 1e9 + 3}, 1000000002.0, 1.0, 1e9 + 3, 1e9 + 1},
        {{-3.0}, -3.0, 0.0, -3.0, -3.0},
        {{4.0, 4.0, 4.0, 4.0}, 4.0, 0.0, 4.0, 4.0},
    };
    for (const auto& c : cases) {
        const Var v = MakeVar(c.x);
        EXPECT_NEAR(v.GetMean(), c.mean, 1e-14 * std::abs(c.mean) + 1e-15);
        EXPECT_NEAR(v.GetStdDev(), c.sd, 1e-13 * c.sd + 1e-15);
        EXPECT_EQ(v.GetMax(), c.max);
        EXPECT_EQ(v.GetMin(), c.min);
    }
}

TEST(VarStatisticsTest, EmptyVariable) {
    const Var v("e", "", 0, 5.0);
    EXPECT_EQ(v.Count(), 0);
    EXPECT_EQ(v.GetMean(), 0.0);
    EXPECT_EQ(v.GetStdDev(), 0.0);
    EXPECT_EQ(v.GetMax(), 0.0);
    EXPECT_EQ(v.GetMin(), 0.0);
    const Var d;
    EXPECT_EQ(d.GetMean(), 0.0);
    EXPECT_EQ(d.GetType(), 0);
}

TEST(VarStatisticsTest, RecomputedAfterEdits) {
    Var v = MakeVar({2.5, -1.0, 4.0, 7.25, 0.5});
    v.InsertAt(2, 3, 9.0);
    v.Append(4, -3.5);
    v.CalcStatistics();
    // numpy on [2.5, -1, 9, 4, 7.25, 0.5, -3.5]
    EXPECT_NEAR(v.GetMean(), 2.6785714285714284, 1e-14);
    EXPECT_NEAR(v.GetStdDev(), 4.455133475633955, 1e-14);
    EXPECT_EQ(v.GetMax(), 9.0);
    EXPECT_EQ(v.GetMin(), -3.5);
    v.DeleteAt(1);
    v.CalcStatistics();
    // numpy on [2.5, 9, 4, 7.25, 0.5, -3.5]
    EXPECT_NEAR(v.GetMean(), 3.2916666666666665, 1e-14);
    EXPECT_NEAR(v.GetStdDev(), 4.5453731053310324, 1e-14);
    EXPECT_EQ(v.GetMin(), -3.5);
    EXPECT_EQ(v.GetMark(1), 3);
    EXPECT_EQ(v.GetMark(5), 4);
}

// Each edit alone, read without calling CalcStatistics; expected values from
// Python fractions on the edited values.
TEST(VarStatisticsTest, EditsMarkThemOutOfDate) {
    const struct {
        const char* what;
        std::function<void(Var&)> edit;
        double mean, sd, max, min;
    } cases[] = {
        {"insert", [](Var& v) { v.InsertAt(1, 0, 10.0); }, 3.875, 4.146534697792845, 10.0, -1.0},
        {"append", [](Var& v) { v.Append(0, -6.0); }, 1.2083333333333333, 4.545373105331032, 7.25, -6.0},
        {"delete", [](Var& v) { v.DeleteAt(3); }, 1.5, 2.19848432637882, 4.0, -1.0},
        {"grow", [](Var& v) { v.Resize(7, true); }, 1.8928571428571428, 2.9149654902800837, 7.25, -1.0},
        {"shrink", [](Var& v) { v.Resize(2, true); }, 0.75, 2.4748737341529163, 2.5, -1.0},
        {"clear", [](Var& v) { v.Clear(); }, 0.0, 0.0, 0.0, 0.0},
        {"assign", [](Var& v) { v.Assign(MakeVar({1.0, 2.0, 4.0})); }, 2.3333333333333335, 1.5275252316519468, 4.0, 1.0},
        {"write", [](Var& v) { v.At(0) = 100.0; v.CalcStatistics(); }, 22.15, 43.636853690430065, 100.0, -1.0},
        // An exchange leaves them as they were.
        {"swap", [](Var& v) { v.Swap(0, 4); }, 2.65, 3.1996093511552313, 7.25, -1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Var v = MakeVar({2.5, -1.0, 4.0, 7.25, 0.5});
        EXPECT_NEAR(v.GetMean(), 2.65, 1e-15);  // read before the edit
        c.edit(v);
        EXPECT_NEAR(v.GetMean(), c.mean, 1e-15 * std::abs(c.mean));
        EXPECT_NEAR(v.GetStdDev(), c.sd, 1e-15 * c.sd);
        EXPECT_EQ(v.GetMax(), c.max);
        EXPECT_EQ(v.GetMin(), c.min);
    }
}

// One value, NaNs and infinities keep the rules of the one-pass update in
// extended precision; sums past the double range stay finite.
TEST(VarStatisticsTest, NonFiniteAndSingleValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::vector<double> x;
        double mean, sd, max, min;
    } cases[] = {
        {{7.5}, 7.5, 0.0, 7.5, 7.5},
        {{inf}, inf, nan, inf, inf},
        {{nan}, nan, nan, nan, nan},
        {{1.0, nan, 3.0}, nan, nan, 3.0, 1.0},  // later NaNs are passed over
        {{nan, 1.0, 3.0}, nan, nan, nan, nan},  // a NaN first is kept
        {{1.0, inf}, inf, inf, inf, 1.0},
        {{inf, 1.0}, nan, nan, inf, 1.0},
        {{1e308, 1e308}, 1e308, 0.0, 1e308, 1e308},
        {{1e200, -1e200}, 0.0, 1.414213562373095e+200, 1e200, -1e200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.x));
        const Var v = MakeVar(c.x);
        const double got[4] = {v.GetMean(), v.GetStdDev(), v.GetMax(), v.GetMin()};
        const double want[4] = {c.mean, c.sd, c.max, c.min};
        for (int q = 0; q < 4; ++q) {
            if (std::isnan(want[q]))
                EXPECT_TRUE(std::isnan(got[q])) << q;
            else
                EXPECT_DOUBLE_EQ(got[q], want[q]) << q;
        }
    }
}

// The largest and smallest value are the first of those equal to them, to
// the sign of a zero, wherever they fall among 37; NaNs after the first
// value are passed over. Each case: the rest, then (position, value) pairs.
TEST(VarStatisticsTest, ExtremesKeepTheFirstOfEqualValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double rest;
        std::vector<std::pair<int, double>> at;
        double max, min;
    } cases[] = {
        {-1.0, {{5, -0.0}, {20, 0.0}}, -0.0, -1.0}, {1.0, {{9, -0.0}, {30, 0.0}}, 1.0, -0.0},
        {-0.0, {{36, 0.0}}, -0.0, -0.0},           {0.5, {{10, nan}, {35, 4.0}, {36, -3.0}}, 4.0, -3.0},
    };
    for (const auto& c : cases) {
        std::vector<double> x(37, c.rest);
        for (const auto& [i, v] : c.at) x[static_cast<std::size_t>(i)] = v;
        const Var v = MakeVar(x);
        for (const auto& [got, want] : {std::pair{v.GetMax(), c.max}, std::pair{v.GetMin(), c.min}}) {
            EXPECT_EQ(got, want) << c.rest;
            EXPECT_EQ(std::signbit(got), std::signbit(want)) << c.rest;
        }
    }
}

// Appending grows the room geometrically; values and marks stay in step
// through deletes, inserts and a regrowth over room that held old values.
TEST(VarTest, GrowingKeepsValuesAndMarks) {
    Var v("g", "", 0, 0.0);
    std::vector<double> values;
    std::vector<std::uint16_t> marks;
    for (int i = 0; i < 1000; ++i) {
        v.Append(static_cast<std::uint16_t>(i % 7), 0.5 * i);
        values.push_back(0.5 * i);
        marks.push_back(static_cast<std::uint16_t>(i % 7));
    }
    v.DeleteAt(10);
    values.erase(values.begin() + 10);
    marks.erase(marks.begin() + 10);
    v.InsertAt(0, 9, -1.0);
    values.insert(values.begin(), -1.0);
    marks.insert(marks.begin(), 9);
    EXPECT_EQ(Values(v), values);
    EXPECT_EQ(v.Marks(), marks);
    // Cut, then grown back within the room: the new observations are 0.
    v.Resize(500, false);
    v.Resize(400, true);
    v.Append(1, 2.0);
    v.DeleteAt(400);
    v.Resize(450, true);
    EXPECT_EQ(v.Count(), 450);
    for (int i = 0; i < 450; ++i) {
        EXPECT_EQ(v.At(i), 0.0) << i;
        EXPECT_EQ(v.GetMark(i), 0) << i;
    }
    EXPECT_EQ(v.GetMean(), 0.0);
    v.Reserve(5000);
    EXPECT_EQ(v.Count(), 450);
    EXPECT_THROW(v.Reserve(-1), ERangeError);
}

TEST(VarTest, ConstructorAndCopy) {
    Var v("name", "comment", 3, 1.5);
    EXPECT_EQ(Values(v), (std::vector<double>{1.5, 1.5, 1.5}));
    EXPECT_EQ(v.Marks(), (std::vector<std::uint16_t>{0, 0, 0}));
    EXPECT_EQ(v.GetMean(), 1.5);
    v.SetMark(1, 9);
    v.SetType(Var::kLagged);
    const Var c(v);
    EXPECT_EQ(c.GetName(), "name");
    EXPECT_EQ(c.GetInfo(), "comment");
    EXPECT_EQ(c.GetType(), 3);
    EXPECT_EQ(c.GetMark(1), 9);
    EXPECT_THROW(Var("\xF0\x9F\x98\x80", "", 1, 0.0), EConvertError);
    EXPECT_THROW(v.SetInfo("\xF0\x9F\x98\x80"), EConvertError);
    EXPECT_EQ(v.GetInfo(), "comment");
    EXPECT_THROW(v.GetMark(3), ERangeError);
}

TEST(VarTest, ConstructedFromValues) {
    const double values[] = {2.0, -0.5, 7.25, 4.0};
    Var v("name", "comment", values, 4);
    EXPECT_EQ(Values(v), (std::vector<double>{2.0, -0.5, 7.25, 4.0}));
    EXPECT_EQ(v.Marks(), (std::vector<std::uint16_t>{0, 0, 0, 0}));
    EXPECT_EQ(v.GetName(), "name");
    EXPECT_EQ(v.GetInfo(), "comment");
    EXPECT_EQ(v.GetType(), 0);
    EXPECT_EQ(v.GetMean(), 3.1875);  // 12.75 / 4
    v.Append(0, 1.0);                 // room grows from the exact count
    EXPECT_EQ(Values(v), (std::vector<double>{2.0, -0.5, 7.25, 4.0, 1.0}));
    EXPECT_EQ(Var("e", "", values, 0).Count(), 0);
    EXPECT_THROW(Var("n", "", values, -1), ERangeError);
}

TEST(VarTest, ResizeKeepsOrPads) {
    Var v = MakeVar({1.0, 2.0, 3.0});
    v.SetMark(2, 7);
    v.Resize(5, true);
    EXPECT_EQ(Values(v), (std::vector<double>{1.0, 2.0, 3.0, 0.0, 0.0}));
    EXPECT_EQ(v.Marks(), (std::vector<std::uint16_t>{0, 0, 7, 0, 0}));
    v.Resize(2, true);
    EXPECT_EQ(Values(v), (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(v.Marks().size(), 2u);
    v.Resize(4, false);
    EXPECT_EQ(v.Count(), 4);
    EXPECT_EQ(v.Marks().size(), 4u);
}

TEST(VarTest, InsertDeleteSwapMoveMarks) {
    Var v = MakeVar({10.0, 20.0});
    v.SetMark(0, 1);
    v.SetMark(1, 2);
    v.InsertCell(1, DataCell(5, 15.0));
    v.AppendCell(DataCell(6, 30.0));
    v.InsertAt(0, 4, 5.0);
    EXPECT_EQ(Values(v), (std::vector<double>{5.0, 10.0, 15.0, 20.0, 30.0}));
    EXPECT_EQ(v.Marks(), (std::vector<std::uint16_t>{4, 1, 5, 2, 6}));
    v.Swap(0, 4);
    v.Swap(2, 2);
    EXPECT_EQ(Values(v), (std::vector<double>{30.0, 10.0, 15.0, 20.0, 5.0}));
    EXPECT_EQ(v.Marks(), (std::vector<std::uint16_t>{6, 1, 5, 2, 4}));
    v.DeleteAt(1);
    EXPECT_EQ(Values(v), (std::vector<double>{30.0, 15.0, 20.0, 5.0}));
    EXPECT_EQ(v.Marks(), (std::vector<std::uint16_t>{6, 5, 2, 4}));
    EXPECT_THROW(v.DeleteAt(4), ERangeError);
    EXPECT_THROW(v.InsertAt(5, 0, 1.0), ERangeError);
    EXPECT_EQ(v.Count(), 4);
    EXPECT_EQ(v.Marks().size(), 4u);
}

TEST(VarTest, Assign) {
    Var target = MakeVar({1.0, 2.0});
    target.SetName("t");
    const Var empty("other", "x", 0, 0.0);
    target.Assign(empty);
    EXPECT_EQ(target.GetName(), "t");
    EXPECT_EQ(target.Count(), 2);

    Var src("s", "si", 3, 0.0);
    src.At(0) = 4.0;
    src.At(1) = 6.0;
    src.At(2) = 8.0;
    src.SetMark(2, 3);
    src.SetType(Var::kEndogenous);
    target.Assign(src);
    EXPECT_EQ(target.GetName(), "s");
    EXPECT_EQ(target.GetInfo(), "si");
    EXPECT_EQ(target.GetType(), 1);
    EXPECT_EQ(Values(target), (std::vector<double>{4.0, 6.0, 8.0}));
    EXPECT_EQ(target.GetMark(2), 3);
    EXPECT_EQ(target.GetMean(), 6.0);
    EXPECT_EQ(target.GetStdDev(), 2.0);
}

TEST(VarTest, TypeTags) {
    EXPECT_STREQ(VarTypeTag(0), "nd");
    EXPECT_STREQ(VarTypeTag(1), "en");
    EXPECT_STREQ(VarTypeTag(2), "ex");
    EXPECT_STREQ(VarTypeTag(3), "lg");
    EXPECT_STREQ(VarTypeTag(7), "nd");
}

TEST(VarRecordTest, BytesAndRoundTrip) {
    Var v("x1", "a", 2, 0.0);
    v.At(0) = 1.5;
    v.At(1) = -2.0;
    v.SetMark(0, 1);
    v.SetMark(1, 0x8000);
    v.SetType(Var::kExogenous);
    std::ostringstream out;
    v.Write(out);
    // Built with Python's struct module: '<i' 'x1' '<i' 'a' type '<i' count
    // then '<dH' per observation.
    const std::string expected =
        Bytes({0x02, 0, 0, 0, 'x', '1', 0x01, 0, 0, 0, 'a', 0x02, 0x02, 0, 0, 0,
               0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0x01, 0x00,
               0, 0, 0, 0, 0, 0, 0, 0xC0, 0x00, 0x80});
    EXPECT_EQ(out.str(), expected);

    Var r;
    std::istringstream in(expected);
    r.Read(in);
    EXPECT_EQ(r.GetName(), "x1");
    EXPECT_EQ(r.GetInfo(), "a");
    EXPECT_EQ(r.GetType(), 2);
    EXPECT_EQ(Values(r), (std::vector<double>{1.5, -2.0}));
    EXPECT_EQ(r.Marks(), (std::vector<std::uint16_t>{1, 0x8000}));
}

TEST(VarRecordTest, DamagedRecords) {
    Var r("keep", "", 1, 3.0);
    // Count 1000000 with a single observation behind it.
    std::istringstream shortRec(Bytes({1, 0, 0, 0, 'z', 0, 0, 0, 0, 0, 0x40, 0x42, 0x0F, 0,
                                       0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0}));
    EXPECT_THROW(r.Read(shortRec), EReadError);
    EXPECT_EQ(r.GetName(), "keep");
    EXPECT_EQ(r.Count(), 1);
    std::istringstream negative(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_THROW(r.Read(negative), EReadError);
}

TEST(VarHashTest, Keys) {
    VarHash ab;
    ab.Set("AB");
    EXPECT_EQ(ab.first, 0x41);
    EXPECT_EQ(ab.length, 2);
    EXPECT_EQ(ab.sum, 0x0083);
    EXPECT_EQ(ab.offset, 0u);

    VarHash a;  // "あ" is 0x82 0xA0 in CP932: (-126 - 96) mod 65536
    a.Set("あ");
    EXPECT_EQ(a.first, 0x82);
    EXPECT_EQ(a.length, 2);
    EXPECT_EQ(a.sum, 0xFF22);

    VarHash abc, acb, ad, bc;
    abc.Set("ABC");
    acb.Set("ACB");
    ad.Set("AD");
    bc.Set("BC");
    EXPECT_TRUE(abc.Equals(acb));
    EXPECT_FALSE(ad.Equals(bc));
    acb.offset = 99;
    EXPECT_TRUE(abc.Equals(acb));

    VarHash e;
    EXPECT_THROW(e.Set(""), ERangeError);
}

TEST(VarHashTest, EntryBytes) {
    VarHash h;
    h.Set("あ");
    h.offset = 0x01020304;
    std::ostringstream out;
    h.Write(out);
    EXPECT_EQ(out.str(), Bytes({0x82, 0x02, 0x22, 0xFF, 0x04, 0x03, 0x02, 0x01}));
    VarHash r;
    std::istringstream in(out.str());
    r.Read(in);
    EXPECT_EQ(r.first, 0x82);
    EXPECT_EQ(r.sum, 0xFF22);
    EXPECT_EQ(r.offset, 0x01020304u);
    std::istringstream shortIn(Bytes({1, 2, 3}));
    EXPECT_THROW(r.Read(shortIn), EReadError);
}

// The first value that is no finite number, found with the statistics out of
// date (a scan) and current (they vouch for a clean column).
TEST(VarFirstNonFinite, FindsTheFirstBadValueEitherWay) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        int at;
        double bad;
    };
    const Case cases[] = {{0, kNaN}, {4095, kInf}, {4096, -kInf}, {9999, kNaN}, {5000, kInf}};
    for (const Case& c : cases) {
        for (bool statsFirst : {false, true}) {
            Var v("x", "", 10000, 0.0);
            for (int i = 0; i < 10000; ++i) v.At(i) = i % 3 == 0 ? 1e308 : (i % 3 == 1 ? -4.9e-324 : -0.0);
            v.At(c.at) = c.bad;
            if (c.at + 7 < 10000) v.At(c.at + 7) = kNaN;  // a later one is not the first
            if (statsFirst) static_cast<void>(v.GetMean());
            EXPECT_EQ(v.FirstNonFinite(), c.at) << c.at << " " << statsFirst;
        }
    }
    Var clean("x", "", 10000, 0.0);
    for (int i = 0; i < 10000; ++i) clean.At(i) = i % 2 ? 1.7e308 : -1.7e308;
    EXPECT_EQ(clean.FirstNonFinite(), -1);
    static_cast<void>(clean.GetMean());
    EXPECT_EQ(clean.FirstNonFinite(), -1);
    EXPECT_EQ(Var("e", "", 0, 0.0).FirstNonFinite(), -1);
}

TEST(VarTypeNames, TableAndLookUp) {
    const char* names[] = {"未定義", "内生変数", "外生変数", "ラグ付き内生変数"};
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(GetVarTypeName(t), names[t]);
        EXPECT_EQ(FindVarType(names[t]), t);
    }
    EXPECT_EQ(GetVarTypeName(4), "未定義");
    EXPECT_EQ(GetVarTypeName(-1), "未定義");
    EXPECT_EQ(FindVarType("外生"), 0);
}
