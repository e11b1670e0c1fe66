// Storage of the final form: term order, copies, the stored record (golden
// bytes, round trips, damaged records) and the evaluation of an equation
// over the data (values worked out by hand).
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/data/data_set.h"
#include "platform/errors.h"
#include "core/io/final_form_storage.h"

namespace {

const std::string kConst = "定数項";

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

// Y[t] = 0.5*Y[t-1] + X[t] + 2, its terms added out of order.
FFElement Example() {
    FFElement e;
    e.SetHead(FFCell("Y", 1, 0.0, 0));
    e.AppendTerm(FFCell(kConst, 2, 2.0, 0));
    e.AppendTerm(FFCell("X", 2, 1.0, 0));
    e.AppendTerm(FFCell("Y", 1, 0.5, -1));
    return e;
}

const std::string kHead = Bytes({1, 0, 0, 0, 'Y', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
const std::string kTermY = Bytes({1, 0, 0, 0, 'Y', 1, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xE0, 0x3F});
const std::string kTermX = Bytes({1, 0, 0, 0, 'X', 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
const std::string kTermC =
    Bytes({6, 0, 0, 0, 0x92, 0xE8, 0x90, 0x94, 0x8D, 0x80, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40});
const std::string kCount3 = Bytes({3, 0, 0, 0});
const std::string kListOfOne = Bytes({1, 0, 0, 0}) + kHead + kCount3 + kTermY + kTermX + kTermC;

std::vector<std::string> Keys(const FFElement& e) {
    std::vector<std::string> out;
    for (int i = 0; i < e.GetCount(); ++i) {
        const FFCell c = e.GetTerm(i);
        out.push_back(std::to_string(c.GetKind()) + c.GetName() + "[" + std::to_string(c.GetLag()) + "]");
    }
    return out;
}

}  // namespace

TEST(FFCellOrder, KindThenNameThenLaterPeriodFirst) {
    FFElement e;
    e.SetHead(FFCell("Y", 1, 0, 0));
    const std::vector<FFCell> cells = {FFCell("b", 2, 1, 0),  FFCell("Y", 1, 1, -2), FFCell("Y", 1, 1, 0),
                                       FFCell("Y", 1, 1, -1), FFCell("a", 2, 1, -1), FFCell("A", 1, 1, 0),
                                       FFCell("a", 2, 1, 3),  FFCell(kConst, 2, 1, 0), FFCell("項", 2, 1, 0)};
    for (const FFCell& c : cells) EXPECT_TRUE(e.AppendTerm(c));
    // 項 (8D 80) comes before 定数項 (92 E8) in CP932 byte order.
    EXPECT_EQ(Keys(e), (std::vector<std::string>{"1A[0]", "1Y[0]", "1Y[-1]", "1Y[-2]", "2a[3]", "2a[-1]", "2b[0]",
                                                 "2項[0]", "2" + kConst + "[0]"}));
    EXPECT_TRUE(FFCell("a", 1, 5, 0) <= FFCell("a", 1, 7, 0));
    EXPECT_TRUE(FFCell("a", 1, 5, 0) >= FFCell("a", 1, 7, 0));
    EXPECT_FALSE(FFCell("a", 1, 5, 0) == FFCell("a", 1, 7, 0));
    EXPECT_TRUE(FFCell("a", 2, 5, -1) == FFCell("a", 2, 5, -1));
}

TEST(FFCellOrder, ManyTermsEndInKeyOrder) {
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> kind(0, 3), name(0, 4), lag(-4, 2);
    const std::vector<std::string> names = {"a", "b", "ab", "X", kConst};
    for (int n : {2, 3, 7, 8, 9, 50}) {
        FFElement e;
        for (int i = 0; i < n; ++i) e.AppendTerm(FFCell(names[name(gen)], kind(gen), 1.0 * i, lag(gen)));
        ASSERT_EQ(e.GetCount(), n);
        for (int i = 0; i + 1 < n; ++i) EXPECT_TRUE(e.GetTerm(i) <= e.GetTerm(i + 1)) << n << ":" << i;
    }
}

TEST(FFElementStorage, CopiesAreDeepAndEqual) {
    const FFElement e = Example();
    FFElement copy;
    copy.Assign(e);
    EXPECT_TRUE(copy == e);
    EXPECT_EQ(copy.GetHead().GetName(), "Y");
    copy.SetTerm(0, FFCell("Y", 1, 0.25, -1));
    EXPECT_FALSE(copy == e);
    EXPECT_EQ(e.GetTerm(0).GetCoef(), 0.5);
    EXPECT_THROW(e.GetTerm(3), ERangeError);
    EXPECT_THROW(copy.SetTerm(-1, FFCell()), ERangeError);

    FFList list;
    EXPECT_TRUE(list.Append(e));
    FFElement out = list.GetElement(0);
    out.SetHead(FFCell("Z", 1, 0, 0));
    EXPECT_EQ(list.GetElement(0).GetName(), "Y");
    EXPECT_EQ(list.GetElement(0).GetCount(), 3);
    EXPECT_THROW(list.GetElement(1), ERangeError);
    list.SetElement(0, out);
    EXPECT_EQ(list.GetElement(0).GetName(), "Z");
    EXPECT_EQ(list.GetElement(0).GetCount(), 0);
    list.Delete(5);
    EXPECT_EQ(list.GetCount(), 1);
    list.Delete(0);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(FFListRecord, GoldenBytesAndRoundTrip) {
    FFList empty;
    std::ostringstream none;
    empty.SaveTo(none);
    EXPECT_EQ(none.str(), Bytes({0, 0, 0, 0}));

    FFList list;
    list.Append(Example());
    std::ostringstream out;
    list.SaveTo(out);
    EXPECT_EQ(out.str(), kListOfOne);

    std::istringstream in(kListOfOne + "next section");
    FFList back;
    back.Append(Example());  // loading clears first
    back.LoadFrom(in, static_cast<std::int64_t>(kListOfOne.size()));
    EXPECT_EQ(in.tellg(), static_cast<std::streampos>(kListOfOne.size()));
    ASSERT_EQ(back.GetCount(), 1);
    EXPECT_TRUE(back.GetElement(0) == Example());
    std::ostringstream again;
    back.SaveTo(again);
    EXPECT_EQ(again.str(), kListOfOne);
}

TEST(FFListRecord, TermsAreSortedWhenLoaded) {
    const std::string record = Bytes({1, 0, 0, 0}) + kHead + kCount3 + kTermC + kTermX + kTermY;
    std::istringstream in(record);
    FinalFormLists lists;
    FFList& stored = lists.stored;
    stored.LoadFrom(in);
    ASSERT_EQ(stored.GetCount(), 1);
    EXPECT_EQ(Keys(stored.GetElement(0)), (std::vector<std::string>{"1Y[-1]", "2X[0]", "2" + kConst + "[0]"}));
    stored.Clear();
    EXPECT_EQ(stored.GetCount(), 0);
}

TEST(FFListRecord, LongNamesAreCutOnACharacterBoundary) {
    const std::string name(1022, 'n');
    const std::string record = Bytes({1, 0, 0, 0, 0x00, 0x04, 0, 0}) + name + Bytes({0x92, 0xE8}) +
                               Bytes({1, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    std::istringstream in(record);
    FFList list;
    list.LoadFrom(in);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetElement(0).GetName(), name);
    EXPECT_EQ(list.GetElement(0).GetLag(), 7);
}

TEST(FFListRecord, DamagedRecordsAreRefused) {
    for (size_t cut = 0; cut < kListOfOne.size(); ++cut) {
        SCOPED_TRACE(cut);
        FFList list;
        list.Append(Example());
        std::istringstream in(kListOfOne.substr(0, cut));
        EXPECT_THROW(list.LoadFrom(in), EReadError);
        EXPECT_EQ(list.GetCount(), 0);
        std::istringstream longer(kListOfOne + std::string(100, '\0'));
        EXPECT_THROW(list.LoadFrom(longer, static_cast<std::int64_t>(cut)), EReadError);
    }
    const std::vector<std::string> bad = {
        Bytes({0xFF, 0xFF, 0xFF, 0xFF}),                                  // negative element count
        Bytes({0x00, 0x00, 0x00, 0x40}) + std::string(40, '\0'),          // more elements than bytes
        Bytes({1, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF}) + std::string(40, '\0'),  // negative name length
        Bytes({1, 0, 0, 0}) + kHead + Bytes({0xFF, 0xFF, 0xFF, 0xFF}) + kTermX,  // negative term count
        Bytes({1, 0, 0, 0}) + kHead + Bytes({0xFF, 0xFF, 0xFF, 0x7F}) + kTermX,  // term count past the end
        Bytes({1, 0, 0, 0, 2, 0, 0, 0, 0x81, 0x20}) + std::string(17, '\0'),  // not CP932
    };
    for (const std::string& b : bad) {
        FFList list;
        std::istringstream in(b);
        EXPECT_THROW(list.LoadFrom(in), EReadError);
        EXPECT_EQ(list.GetCount(), 0);
    }
}

// ---- evaluation ------------------------------------------------------------------

std::unique_ptr<Data> SeriesData() {
    auto d = std::make_unique<Data>(6, 2);
    d->SetVarName(0, "Y");
    d->SetVarName(1, "X");
    d->SetVarType(0, 1);
    d->SetVarType(1, 2);
    d->SetVarValues(0, std::vector<double>{1, 2, 3, 4, 5, 6});
    d->SetVarValues(1, std::vector<double>{0.5, 1, -1, 2, 0, 3});
    return d;
}

TEST(FFElementEvaluate, LaggedOwnValuesComeFromTheResult) {
    auto d = SeriesData();
    struct Case {
        std::vector<FFCell> terms;
        std::vector<double> expected;
        int ahead, back;
    };
    const std::vector<Case> cases = {
        // out[t] = 0.5 out[t-1] + X[t] + 2 from t = 1.
        {{FFCell("Y", 1, 0.5, -1), FFCell("X", 2, 1.0, 0), FFCell(kConst, 2, 2.0, 0)},
         {1, 3.5, 2.75, 5.375, 4.6875, 7.34375},
         0,
         1},
        // out[t] = X[t+1] - out[t-2] for t = 2 .. 4.
        {{FFCell("X", 2, 1.0, 1), FFCell("Y", 1, -1.0, -2)}, {1, 2, 1, -2, 2, 6}, 1, 2},
        // Own value at lag 0 is the observed one; no lags at all.
        {{FFCell("Y", 1, 2.0, 0), FFCell(kConst, 2, -1.0, 0)}, {1, 3, 5, 7, 9, 11}, 0, 0},
        // Lags longer than the series: nothing is computed.
        {{FFCell("X", 2, 1.0, -4), FFCell("X", 2, 1.0, 3)}, {1, 2, 3, 4, 5, 6}, 3, 4},
        {{FFCell("X", 2, 1.0, INT_MIN), FFCell("X", 2, 1.0, INT_MAX)}, {1, 2, 3, 4, 5, 6}, INT_MAX, INT_MAX},
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(c);
        FFElement e;
        e.SetHead(FFCell("Y", 1, 0, 0));
        for (const FFCell& t : cases[c].terms) e.AppendTerm(t);
        std::vector<double> out;
        int ahead = -99, back = -99;
        ASSERT_TRUE(e.Evaluate(*d, out, &ahead, &back));
        EXPECT_EQ(out, cases[c].expected);
        EXPECT_EQ(ahead, cases[c].ahead);
        EXPECT_EQ(back, cases[c].back);
    }
}

TEST(FFElementEvaluate, UnknownNamesAreRefused) {
    auto d = SeriesData();
    std::vector<double> out = {42};
    FFElement unknownHead;
    unknownHead.SetHead(FFCell("W", 1, 0, 0));
    EXPECT_FALSE(unknownHead.Evaluate(*d, out));
    FFElement constantHead;
    constantHead.SetHead(FFCell(kConst, 2, 0, 0));
    EXPECT_FALSE(constantHead.Evaluate(*d, out));
    FFElement unknownTerm = Example();
    unknownTerm.AppendTerm(FFCell("W", 2, 1.0, 0));
    EXPECT_FALSE(unknownTerm.Evaluate(*d, out, nullptr, nullptr));
    EXPECT_EQ(out, std::vector<double>{42});
}
