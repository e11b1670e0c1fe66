// Equations and the equation list: the text syntax and its two printed
// forms, the order of the list, the structural and reduced-form matrices
// (values computed with numpy) and the
// binary record (golden bytes, round trips, damaged records).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/data/data_set.h"
#include "core/data/equation.h"
#include "core/data/equation_list.h"
#include "platform/errors.h"
#include "support/binary_bytes.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

const std::string kConst = "定数項";

// A data set with the given variable names, types and columns.
std::unique_ptr<Data> MakeData(const std::vector<std::string>& names, const std::vector<int>& types,
                               const std::vector<std::vector<double>>& cols) {
    auto d = std::make_unique<Data>(static_cast<int>(cols.front().size()), static_cast<int>(names.size()));
    for (size_t j = 0; j < names.size(); ++j) {
        d->SetVarName(static_cast<int>(j), names[j]);
        d->SetVarType(static_cast<int>(j), types[j]);
        d->SetVarValues(static_cast<int>(j), cols[j]);
    }
    return d;
}

std::unique_ptr<Data> NamesOnly(const std::vector<std::string>& names) {
    return MakeData(names, std::vector<int>(names.size(), 0),
                    std::vector<std::vector<double>>(names.size(), std::vector<double>{0.0}));
}

Expres Make(const std::string& left, const std::vector<double>& c, const std::vector<std::string>& v,
            bool definition = false) {
    return Expres(left, static_cast<int>(c.size()), definition, c, v);
}

std::vector<std::string> LeftNames(const ExpresList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.GetCount(); ++i) out.push_back(list.GetItem(i).GetLeftName());
    return out;
}

}  // namespace

// ---- text ----------------------------------------------------------------------

struct ParseCase {
    const char* text;
    bool definition;
    std::vector<std::string> names;
    std::vector<double> coefs;
    const char* display;
};

TEST(ExpresText, ParsesAndPrintsTheExamples) {
    auto d = NamesOnly({"y", "x", "z", "x1", "x2", "x3"});
    const std::vector<ParseCase> cases = {
        {"@y = 2*x - z + 3", true, {"x", "z", kConst}, {2, -1, 3}, "@y = +2.0000*x -z+3.0000"},
        {"y = 3 - 2*x", false, {kConst, "x"}, {3, -2}, "y = +3.0000-2.0000*x"},
        {"y = 0.5*x1 + x2 - 3*x3 + 1.2", false, {"x1", "x2", "x3", kConst}, {0.5, 1, -3, 1.2},
         "y = +0.5000*x1 +x2-3.0000*x3+1.2000"},
        {"  y=x  ", false, {"x"}, {1}, "y =  +x"},
        {"@  y = -x", true, {"x"}, {-1}, "@y =  -x"},
        {"y = 1 + 定数項 - 定数項", false, {kConst, kConst, kConst}, {1, 1, -1}, "y =  +定数項 +定数項 -定数項"},
        // After a complete term, a last lone name is not taken.
        {"y = 2*x z", false, {"x"}, {2}, "y = +2.0000*x"},
        // A "#" token is passed over.
        {"y = # x", false, {"x"}, {1}, "y =  +x"},
        {"y = 1.5E-3*x", false, {"x"}, {0.0015}, "y = +0.0015*x"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text);
        const Expres e(c.text, *d, false);
        EXPECT_EQ(e.GetLeftName(), "y");
        EXPECT_EQ(e.IsDefinition(), c.definition);
        ASSERT_EQ(e.GetCount(), static_cast<int>(c.names.size()));
        for (int i = 0; i < e.GetCount(); ++i) {
            EXPECT_EQ(e.GetVarName(i), c.names[static_cast<size_t>(i)]);
            EXPECT_EQ(e.GetCoef(i), c.coefs[static_cast<size_t>(i)]);
        }
        EXPECT_EQ(e.GetText(), c.display);
    }
}

TEST(ExpresText, CallerFlagAndPartsForm) {
    auto d = NamesOnly({"y", "x"});
    EXPECT_TRUE(Expres("y = x", *d, true).IsDefinition());
    EXPECT_FALSE(Expres("y = x", *d, false).IsDefinition());
    EXPECT_EQ(Make("y", {0.5, 1.0, -3.0, 1.2}, {"x1", "x2", "x3", kConst}).Format(1),
              "y = +0.5000*x1 +x2-3.0000*x3+1.2000");
}

TEST(ExpresText, RefusesBadTexts) {
    auto d = NamesOnly({"y", "x"});
    struct Bad {
        const char* text;
        const char* message;
    };
    const std::vector<Bad> bad = {
        {"y = x*2", "Not Found!"},  // "*" is then taken as a name
        {"w = x", "Not Found!"},
        {"y = w", "Not Found!"},
        {"y =", "Not Found!"},
        {"", "Not Found!"},
        {"y + x", "Syntax Error!"},
        {"y", "Syntax Error!"},
        {"y = 2*", "Not Found!"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.text);
        try {
            Expres e(b.text, *d, false);
            ADD_FAILURE() << "accepted";
        } catch (const Exception& ex) {
            EXPECT_STREQ(ex.what(), b.message);
        }
    }
    EXPECT_THROW(Expres("y = 1.2.3*x", *d, false), EConvertError);
    EXPECT_THROW(Expres("y = 1E999*x", *d, false), EConvertError);
}

TEST(ExpresText, FullFormKeepsEveryDigitAndZeroTermsVanish) {
    auto d = NamesOnly({"y", "x", "z"});
    const Expres e = Make("y", {0.1234567890123, -2.5e-7, 0.0, 1e20}, {"x", "z", "x", kConst});
    const std::string full = e.Format(0);
    EXPECT_EQ(full, "y = +0.1234567890123*x-2.5E-7*z+1E20");
    const Expres back(full, *d, false);
    ASSERT_EQ(back.GetCount(), 3);  // the zero term was not written
    EXPECT_EQ(back.GetCoef(0), 0.1234567890123);
    EXPECT_EQ(back.GetCoef(1), -2.5e-7);
    EXPECT_EQ(back.GetVarName(2), kConst);
    EXPECT_EQ(back.GetCoef(2), 1e20);
}

TEST(ExpresText, LookupsAndRenames) {
    Expres e = Make("y", {2, -1, 3, 4}, {"x", "z", kConst, "x"});
    EXPECT_EQ(e.FindVar("y"), -1);
    EXPECT_EQ(e.FindVar("x"), 0);
    EXPECT_EQ(e.FindVar("z"), 1);
    EXPECT_EQ(e.FindVar("w"), -2);
    EXPECT_EQ(e.GetSystemCoef("y"), 1.0);
    EXPECT_EQ(e.GetSystemCoef("x"), -2.0);
    EXPECT_EQ(e.GetSystemCoef("z"), 1.0);
    EXPECT_EQ(e.GetSystemCoef("w"), 0.0);
    EXPECT_THROW(e.GetCoef(4), ERangeError);
    EXPECT_THROW(e.GetCoef(-1), ERangeError);
    EXPECT_THROW(e.GetVarName(4), ERangeError);
    EXPECT_FALSE(e.RenameVar("w", "v"));
    EXPECT_TRUE(e.RenameVar("x", "u"));  // the first term only
    EXPECT_EQ(e.GetVarName(0), "u");
    EXPECT_EQ(e.GetVarName(3), "x");
    EXPECT_TRUE(e.RenameVar("y", "v"));
    EXPECT_EQ(e.GetLeftName(), "v");
    EXPECT_THROW(Make("y", {1.0}, {}), ERangeError);
}

TEST(ExpresText, CopiesAreDeep) {
    Expres a = Make("y", {2, 3}, {"x", kConst});
    Expres b = Make("q", {1}, {"r"});
    b = a;
    a.RenameVar("x", "u");
    EXPECT_EQ(b.GetVarName(0), "x");
    ASSERT_EQ(b.GetCount(), 2);
    EXPECT_EQ(b.GetCoef(1), 3.0);
    Expres c(a);
    EXPECT_EQ(c.GetVarName(0), "u");
}

// ---- the list --------------------------------------------------------------------

// The order as its definition states it: two exchange passes, applied after
// every addition.
void ReferenceSort(std::vector<std::pair<std::string, bool>>& v) {
    const size_t n = v.size();
    for (size_t i = 0; i + 1 < n; ++i)
        for (size_t j = n - 1; j > i; --j)
            if (v[i].first > v[j].first) std::swap(v[i], v[j]);
    for (size_t i = 0; i + 1 < n; ++i)
        for (size_t j = n - 1; j > i; --j)
            if (v[i].second > v[j].second) std::swap(v[i], v[j]);
}

TEST(ExpresListOrder, MatchesTheTwoExchangePasses) {
    // Names with their definition flags, added in this order (ASCII names, so
    // byte order is the same in both encodings); "m" and "c" come twice.
    const std::vector<std::pair<std::string, bool>> adds = {
        {"m", true}, {"c", false}, {"k", true}, {"a", true}, {"q", false}, {"b", true}, {"z", false},
        {"c", true}, {"e", false}, {"ab", true}, {"m", false}, {"d", true}, {"x", true}, {"f", false}};
    ExpresList list;
    std::vector<std::pair<std::string, bool>> reference;
    for (const auto& [name, flag] : adds) {
        list.Add(Make(name, {1}, {"x"}, flag));
        bool found = false;
        for (auto& r : reference)
            if (r.first == name) {
                r.second = flag;
                found = true;
            }
        if (!found) reference.emplace_back(name, flag);
        ReferenceSort(reference);
        std::vector<std::string> expected;
        for (const auto& r : reference) expected.push_back(r.first);
        ASSERT_EQ(LeftNames(list), expected) << "after adding " << name;
        for (int i = 0; i < list.GetCount(); ++i)
            EXPECT_EQ(list.GetItem(i).IsDefinition(), reference[static_cast<size_t>(i)].second);
    }
}

TEST(ExpresListOrder, EstimatedBeforeDefinitionAndCp932ByteOrder) {
    ExpresList list;
    list.Add(Make("a", {1}, {"x"}, true));
    list.Add(Make("b", {1}, {"x"}, false));
    EXPECT_EQ(LeftNames(list), (std::vector<std::string>{"b", "a"}));

    // 項 is 8D 80 and 定 is 92 E8 in CP932 (UTF-8 orders them the other way).
    ExpresList jp;
    jp.Add(Make("定", {1}, {"x"}));
    jp.Add(Make("項", {1}, {"x"}));
    jp.Add(Make("ab", {1}, {"x"}));
    jp.Add(Make("a", {1}, {"x"}));
    EXPECT_EQ(LeftNames(jp), (std::vector<std::string>{"a", "ab", "項", "定"}));
}

TEST(ExpresList, AddReplacesDeleteAndClear) {
    ExpresList list;
    EXPECT_EQ(list.IndexOf("y"), -1);
    EXPECT_EQ(list.Add(Make("y", {1}, {"x"})), 0);
    EXPECT_EQ(list.Add(Make("w", {2}, {"x"})), 0);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.Add(Make("y", {5}, {"z"})), 1);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetItem(1).GetVarName(0), "z");
    EXPECT_EQ(list.IndexOf("w"), 0);
    EXPECT_THROW(list.GetItem(2), ERangeError);

    list.Delete(7);  // ignored: two equations
    EXPECT_EQ(list.GetCount(), 2);
    list.Delete(0);
    EXPECT_EQ(LeftNames(list), (std::vector<std::string>{"y"}));
    list.Delete(42);  // a list of one is emptied whatever the index
    EXPECT_EQ(list.GetCount(), 0);
    list.Delete(0);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(ExpresList, DeleteMentioningAndRename) {
    ExpresList list;
    list.Add(Make("y1", {1, 2}, {"x", kConst}));
    list.Add(Make("y2", {1}, {"z"}));
    list.Add(Make("x", {1}, {"z"}, true));
    list.Add(Make("y3", {1}, {"w"}));
    EXPECT_FALSE(list.DeleteMentioning("q"));
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_TRUE(list.DeleteMentioning("x"));  // left of one, right of another
    EXPECT_EQ(LeftNames(list), (std::vector<std::string>{"y2", "y3"}));
    EXPECT_TRUE(list.RenameVar("z", "zz"));
    EXPECT_EQ(list.GetItem(0).GetVarName(0), "zz");
    EXPECT_FALSE(list.RenameVar("none", "n"));
}

// ---- structural and reduced form ----------------------------------------------

// y1 = 0.5*y2 + 2*x1 + 1 and y2 = -0.3*y1 + 1.5*x2 - 2, so B = [[1, -0.5],
// [0.3, 1]] and Gamma = [[-2, 0, -1], [0, -1.5, 2]] over (x1, x2, 定数項).
// Pi = -B^-1 Gamma and the fitted values X Pi' are numpy's.
const std::vector<std::vector<double>> kPi = {{1.7391304347826086, 0.6521739130434783, 0.0},
                                              {-0.5217391304347826, 1.3043478260869565, -2.0}};
const std::vector<std::vector<double>> kFitted = {{4.3478260869565215, 2.695652173913044},
                                                  {2.1739130434782608, -5.6521739130434785},
                                                  {6.739130434782608, -2.5217391304347823},
                                                  {-1.7391304347826086, -1.4782608695652173},
                                                  {2.8260869565217392, 1.6521739130434785}};

std::unique_ptr<Data> SystemData() {
    // w (type 0) is neither endogenous nor predetermined.
    return MakeData({"y1", "x1", "w", "y2", "x2"}, {1, 2, 0, 1, 3},
                    {{0, 0, 0, 0, 0},
                     {1.0, 2.0, 3.5, -1.0, 0.5},
                     {9, 9, 9, 9, 9},
                     {0, 0, 0, 0, 0},
                     {4.0, -2.0, 1.0, 0.0, 3.0}});
}

void AddSystem(ExpresList& list) {
    list.Add(Make("y2", {-0.3, 1.5, -2.0}, {"y1", "x2", kConst}));
    list.Add(Make("y1", {0.5, 2.0, 1.0}, {"y2", "x1", kConst}));
}

void ExpectReducedForm(const ExpresList& list, int n) {
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(list.GetReducedFormCoef(i, k), kPi[i][k], 1e-14) << i << "," << k;
    for (int t = 0; t < n && t < 5; ++t)
        for (int j = 0; j < 2; ++j) EXPECT_NEAR(list.GetReducedFormValue(t, j), kFitted[t][j], 1e-13) << t;
}

TEST(ExpresListReducedForm, StructuralMatricesAndReducedForm) {
    auto d = SystemData();
    ExpresList list;
    AddSystem(list);
    // A third equation: with G = 2 only the first two in list order count.
    list.Add(Make("w", {1, 1}, {"y1", "y2"}, true));
    list.SetData(*d);
    EXPECT_EQ(list.GetEndogenousCount(), 2);
    EXPECT_EQ(list.GetPredeterminedCount(), 3);
    EXPECT_EQ(list.GetEndogenousName(0), "y1");
    EXPECT_EQ(list.GetEndogenousName(1), "y2");
    EXPECT_EQ(list.GetPredeterminedName(0), "x1");
    EXPECT_EQ(list.GetPredeterminedName(1), "x2");
    EXPECT_EQ(list.GetPredeterminedName(2), kConst);
    EXPECT_THROW(list.GetPredeterminedName(3), ERangeError);
    EXPECT_EQ(list.FindEndogenous("y2"), 1);
    EXPECT_EQ(list.FindEndogenous("x1"), -1);
    EXPECT_FALSE(list.IsUpToDate());

    // The definition w, first by name, trades places with the last estimated
    // equation: the list reads y2, y1, w, and B and Gamma follow that order.
    EXPECT_EQ(LeftNames(list), (std::vector<std::string>{"y2", "y1", "w"}));
    ASSERT_TRUE(list.ComputeReducedForm());
    EXPECT_TRUE(list.IsUpToDate());
    const double b[2][2] = {{0.3, 1}, {1, -0.5}};
    const double gamma[2][3] = {{0, -1.5, 2}, {-2, 0, -1}};
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) EXPECT_EQ(list.GetEndogenousCoef(i, j), b[i][j]);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(list.GetPredeterminedCoef(i, k), gamma[i][k]);
    }
    ExpectReducedForm(list, 5);
    EXPECT_THROW(list.GetReducedFormValue(5, 0), ERangeError);
    EXPECT_THROW(list.GetEndogenousCoef(2, 0), ERangeError);

    list.Add(Make("y1", {0.5, 2.0, 1.0}, {"y2", "x1", kConst}));
    EXPECT_FALSE(list.IsUpToDate());
}

TEST(ExpresListReducedForm, RefusalsAndSingularSystem) {
    auto d = SystemData();
    ExpresList unbound;
    AddSystem(unbound);
    EXPECT_FALSE(unbound.ComputeReducedForm());  // no data set

    ExpresList one;
    one.Add(Make("y1", {0.5}, {"y2"}));
    one.SetData(*d);
    EXPECT_FALSE(one.ComputeReducedForm());  // G = 2 > 1 equation
    EXPECT_FALSE(one.IsUpToDate());

    // y1 = 2*y2 and y2 = 0.5*y1: B = [[1, -2], [-0.5, 1]] is singular.
    ExpresList singular;
    singular.Add(Make("y1", {2.0}, {"y2"}));
    singular.Add(Make("y2", {0.5}, {"y1"}));
    singular.SetData(*d);
    EXPECT_THROW(static_cast<void>(singular.ComputeReducedForm()), EZeroDivide);
    EXPECT_FALSE(singular.IsUpToDate());
}

TEST(ExpresListReducedForm, BindsAgainAfterClearAndAfterAnEdit) {
    auto d = SystemData();
    ExpresList list;
    AddSystem(list);
    list.SetData(*d);
    ASSERT_TRUE(list.ComputeReducedForm());

    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_FALSE(list.ComputeReducedForm());
    AddSystem(list);
    ASSERT_TRUE(list.ComputeReducedForm());  // without a new SetData
    ExpectReducedForm(list, 5);

    // One more observation: x1 = 2, x2 = 2 (numpy: 4.782608695652174,
    // -0.4347826086956521).
    ASSERT_TRUE(d->AppendObservation(std::vector<double>{0, 2.0, 9, 0, 2.0}));
    ASSERT_TRUE(list.ComputeReducedForm());
    EXPECT_EQ(list.ReducedFormValues().Rows(), 6);
    ExpectReducedForm(list, 5);
    EXPECT_NEAR(list.GetReducedFormValue(5, 0), 4.782608695652174, 1e-13);
    EXPECT_NEAR(list.GetReducedFormValue(5, 1), -0.4347826086956521, 1e-13);

    // A variable that stops being predetermined leaves the matrices.
    d->SetVarType(4, 0);
    ASSERT_TRUE(list.ComputeReducedForm());
    EXPECT_EQ(list.GetPredeterminedCount(), 2);
    EXPECT_EQ(list.PredeterminedMatrix().Cols(), 2);
}

TEST(ExpresListReducedForm, DeletingEveryEquationClearsTheDerivedParts) {
    auto d = SystemData();
    ExpresList list;
    AddSystem(list);
    list.SetData(*d);
    ASSERT_TRUE(list.ComputeReducedForm());
    // Both equations mention y1: the last deletion empties the list, which
    // drops the matrices and names like Delete on a list of one.
    EXPECT_TRUE(list.DeleteMentioning("y1"));
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_FALSE(list.IsUpToDate());
    EXPECT_EQ(list.ReducedForm().Rows(), 0);
    EXPECT_EQ(list.ReducedFormValues().Rows(), 0);
    EXPECT_THROW(list.GetEndogenousName(0), ERangeError);
    EXPECT_EQ(list.FindEndogenous("y1"), -1);
}

TEST(ExpresListReducedForm, CopyKeepsMatrices) {
    auto d = SystemData();
    ExpresList list;
    AddSystem(list);
    list.SetData(*d);
    ASSERT_TRUE(list.ComputeReducedForm());
    ExpresList other;
    other.Add(Make("q", {1}, {"r"}));
    other = list;
    EXPECT_EQ(LeftNames(other), (std::vector<std::string>{"y1", "y2"}));
    ExpectReducedForm(other, 5);
}

// ---- binary record ---------------------------------------------------------------

// y = 2*x + 定数項 (a definition) and q = -1*y.
const std::string kListRecord = Bytes({
    2, 0, 0, 0,                                        // count
    1, 0, 0, 0, 'q', 1, 0, 0, 0,                       // q, 1 term, estimated
    1, 0, 0, 0, 'y', 0, 0, 0, 0, 0, 0, 0xF0, 0xBF,     // -1 y
    1, 0, 0, 0, 'y', 2, 0, 1, 0,                       // y, 2 terms, definition
    1, 0, 0, 0, 'x', 0, 0, 0, 0, 0, 0, 0, 0x40,        // 2 x
    6, 0, 0, 0, 0x92, 0xE8, 0x90, 0x94, 0x8D, 0x80,    // 定数項
    0, 0, 0, 0, 0, 0, 0xF0, 0x3F});                    // 1.0

TEST(ExpresRecord, GoldenBytesAndRoundTrip) {
    ExpresList list;
    list.Add(Make("y", {2, 1}, {"x", kConst}, true));
    list.Add(Make("q", {-1}, {"y"}));
    std::ostringstream out;
    list.Write(out);
    EXPECT_EQ(out.str(), kListRecord);

    std::istringstream in(kListRecord + "tail");
    ExpresList back;
    back.Read(in, static_cast<std::int64_t>(kListRecord.size()));
    EXPECT_EQ(in.tellg(), static_cast<std::streampos>(kListRecord.size()));
    EXPECT_EQ(LeftNames(back), (std::vector<std::string>{"q", "y"}));
    EXPECT_TRUE(back.GetItem(1).IsDefinition());
    EXPECT_EQ(back.GetItem(1).GetVarName(1), kConst);
    std::ostringstream again;
    back.Write(again);
    EXPECT_EQ(again.str(), kListRecord);

    std::ostringstream empty;
    ExpresList().Write(empty);
    EXPECT_EQ(empty.str(), Bytes({0, 0, 0, 0}));
}

TEST(ExpresRecord, FlagOnlyForOneAndLastDuplicateWins) {
    const std::string record = Bytes({
        3, 0, 0, 0,
        1, 0, 0, 0, 'a', 0, 0, 2, 0,  // flag 2: not a definition
        1, 0, 0, 0, 'b', 0, 0, 1, 0,
        1, 0, 0, 0, 'a', 1, 0, 0, 0, 1, 0, 0, 0, 'z', 0, 0, 0, 0, 0, 0, 0x10, 0x40});  // 4.0 z
    std::istringstream in(record);
    ExpresList list;
    list.Read(in);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(LeftNames(list), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(list.GetItem(0).IsDefinition());
    ASSERT_EQ(list.GetItem(0).GetCount(), 1);
    EXPECT_EQ(list.GetItem(0).GetCoef(0), 4.0);
}

TEST(ExpresRecord, LongNamesAreCutOnACharacterBoundary) {
    // 1022 letters and then 定 (two bytes): 1024 bytes, cut to 1022.
    const std::string name(1022, 'n');
    std::string record = Bytes({1, 0, 0, 0, 0x00, 0x04, 0, 0}) + name + Bytes({0x92, 0xE8, 0, 0, 0, 0});
    std::istringstream in(record);
    ExpresList list;
    list.Read(in);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetItem(0).GetLeftName(), name);
    EXPECT_EQ(list.GetItem(0).GetCount(), 0);
}

TEST(ExpresRecord, DamagedRecordsAreRefusedAndLeaveTheListAlone) {
    auto keep = [] {
        ExpresList l;
        l.Add(Make("keep", {1}, {"x"}));
        return l;
    };
    // Every cut of a good record.
    for (size_t cut = 0; cut < kListRecord.size(); ++cut) {
        SCOPED_TRACE(cut);
        ExpresList list = keep();
        std::istringstream in(kListRecord.substr(0, cut));
        EXPECT_THROW(list.Read(in), EReadError);
        EXPECT_EQ(LeftNames(list), (std::vector<std::string>{"keep"}));
        // The same cut within a longer stream: the section size is the limit.
        std::istringstream longer(kListRecord + std::string(64, '\0'));
        EXPECT_THROW(list.Read(longer, static_cast<std::int64_t>(cut)), EReadError);
    }
    const std::vector<std::string> bad = {
        Bytes({0xFF, 0xFF, 0xFF, 0xFF}),                           // negative count
        Bytes({0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0}),   // count beyond the bytes
        Bytes({1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}),   // negative name length
        Bytes({1, 0, 0, 0, 0x00, 0x00, 0x00, 0x40, 0, 0, 0, 0}),   // name past the end
        Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0}),         // 65535 terms, no bytes
        Bytes({1, 0, 0, 0, 2, 0, 0, 0, 0x81, 0x20, 0, 0, 0, 0}),   // not CP932
    };
    for (const std::string& b : bad) {
        ExpresList list = keep();
        std::istringstream in(b);
        EXPECT_THROW(list.Read(in), EReadError);
        EXPECT_EQ(list.GetCount(), 1);
    }
}

TEST(ExpresRecord, SingleEquationAndTooManyTerms) {
    std::ostringstream out;
    Make("y", {2, 1}, {"x", kConst}, true).Write(out);
    EXPECT_EQ(out.str(), kListRecord.substr(4 + 22));
    std::istringstream in(out.str());
    Expres e = Make("old", {1}, {"o"});
    e.Read(in);
    EXPECT_EQ(e.GetText(), "@y = +2.0000*x +定数項");

    std::vector<double> c(70000, 1.0);
    std::vector<std::string> v(70000, "x");
    const Expres huge("y", 70000, false, c, v);
    std::ostringstream sink;
    EXPECT_THROW(huge.Write(sink), EWriteError);
    EXPECT_TRUE(sink.str().empty());
}
