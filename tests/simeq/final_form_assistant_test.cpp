#include "simeq/final_form_assistant.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/settings/engine_context.h"
#include "simeq/final_form_algebra.h"
#include "simeq/system_build.h"
#include "support/model_builder.h"

namespace fs = std::filesystem;

#include "final_form_builder.h"

namespace {


void ExpectTerms(const FFElement& e, const std::vector<T>& expected, double rel = 1e-14) {
    ASSERT_EQ(e.GetCount(), static_cast<int>(expected.size())) << GetText(e);
    for (int i = 0; i < e.GetCount(); ++i) {
        const FFCell c = e.GetTerm(i);
        EXPECT_EQ(c.GetName(), expected[i].name) << i;
        EXPECT_EQ(c.GetKind(), expected[i].kind) << i;
        EXPECT_EQ(c.GetLag(), expected[i].lag) << i;
        EXPECT_NEAR(c.GetCoef(), expected[i].coef, rel * std::fabs(expected[i].coef)) << i;
    }
}

// C[t] = 0.6 Y[t-1] + 10 and the identity Y = C + I.
FinalFormLists Consumption() {
    FinalFormLists lists;
    lists.work.Append(Make("Y", 1, {{"C", 1, 1.0, 0}, {"I", 2, 1.0, 0}}));
    lists.decided.Append(Make("C", 1, {{"Y", 1, 0.6, -1}, {kConst, 2, 10.0, 0}}));
    lists.decided.Append(Make("Y", 1, {{"C", 1, 1.0, 0}, {"I", 2, 1.0, 0}}));
    return lists;
}

TEST(FinalFormAssistant, SubstituteUndoResetAndDecide) {
    FinalFormLists lists = Consumption();
    FinalFormAssistant a(lists);
    a.Activate();
    a.ClickTerm(0);  // C
    ASSERT_EQ(a.Candidates().GetCount(), 2);
    EXPECT_EQ(CandidateText(a.Candidates().GetElement(0)), "Y'[t-1],定数項");
    EXPECT_EQ(CandidateText(a.Candidates().GetElement(1)), "Y',I");
    ASSERT_TRUE(a.ApplyCandidate(0));
    const FFElement after = a.Current();
    ExpectTerms(after, {{"Y", 1, 0.6, -1}, {"I", 2, 1.0, 0}, {kConst, 2, 10.0, 0}});
    EXPECT_EQ(TermLabel(after.GetTerm(0), "Y"), "Y[t-1]");
    EXPECT_EQ(TermLabel(after.GetTerm(2), "Y"), kConst);

    a.Undo();
    const FFElement once = a.Current();
    a.Undo();
    EXPECT_TRUE(a.Current() == once);
    ExpectTerms(once, {{"C", 1, 1.0, 0}, {"I", 2, 1.0, 0}});

    ASSERT_TRUE(a.ApplyCandidate(0));
    a.Reset();
    EXPECT_TRUE(a.Current() == lists.work.GetElement(0));
    ExpectTerms(a.Current(), {{"C", 1, 1.0, 0}, {"I", 2, 1.0, 0}});

    ASSERT_TRUE(a.ApplyCandidate(0));
    Data data(2, 1);
    data.SetModified(false);
    a.Decide(&data);
    EXPECT_TRUE(data.IsModified());
    EXPECT_EQ(lists.decided.GetCount(), 3);
    ASSERT_EQ(lists.stored.GetCount(), 1);
    EXPECT_TRUE(lists.stored.GetElement(0) == after);
}

TEST(FinalFormAssistant, RefusedSubstitutionKeepsTheWorkingEquation) {
    FinalFormLists lists;
    lists.work.Append(Make("Y", 1, {{"Z", 1, 1.0, 0}}));
    lists.decided.Append(Make("Z", 1, {{"Y", 1, 1.0, 0}, {"X", 2, 1.0, 0}}));  // own coefficient 1
    FinalFormAssistant a(lists);
    a.Activate();
    a.ClickTerm(0);
    ASSERT_EQ(a.Candidates().GetCount(), 1);
    EXPECT_FALSE(a.ApplyCandidate(0));
    ExpectTerms(a.Current(), {{"Z", 1, 1.0, 0}});
}

TEST(FinalFormAssistant, SolvedCandidate) {
    // Y = 0.5 X[t-1] + 2 Z[t] + 1 solved for X: X[t] = 2 Y[t+1] - 4 Z[t+1] - 2.
    const FFElement d = Make("Y", 1, {{"X", 2, 0.5, -1}, {"Z", 2, 2.0, 0}, {kConst, 2, 1.0, 0}});
    FFElement n;
    ASSERT_TRUE(SolveForTerm(d, FindTerm(d, "X"), n));
    EXPECT_EQ(n.GetName(), "X");
    ExpectTerms(n, {{"Y", 1, 2.0, 1}, {"Z", 2, -4.0, 1}, {kConst, 2, -2.0, 0}});
}

TEST(FinalFormAssistant, TinyCoefficientIsNotSolvedFor) {
    const FFElement d = Make("Y", 1, {{"X", 2, 1e-8, 0}, {kConst, 2, 1.0, 0}});
    FFElement n = Make("unchanged", 1, {});
    EXPECT_FALSE(SolveForTerm(d, 0, n));
    EXPECT_EQ(n.GetName(), "unchanged");
    FFList decided;
    decided.Append(d);
    EXPECT_EQ(CandidatesFor(decided, "X").GetCount(), 0);
}

TEST(FinalFormAssistant, CandidatesAreListedOnceAndOnlyWhereTheyExist) {
    FFList decided;
    decided.Append(Make("Y", 1, {{"X", 2, 0.5, 0}, {kConst, 2, 1.0, 0}}));
    decided.Append(Make("Y", 1, {{"X", 2, 0.5, 0}, {kConst, 2, 1.0, 0}}));
    decided.Append(Make("W", 1, {{"X", 2, 1.0, 0}, {"X", 2, 1.0, -1}}));  // still names X
    EXPECT_EQ(CandidatesFor(decided, "X").GetCount(), 1);
    EXPECT_EQ(CandidatesFor(decided, "V").GetCount(), 0);
    FinalFormLists lists;
    lists.work.Append(Make("Z", 1, {{"V", 2, 1.0, 0}, {kConst, 2, 1.0, 0}}));
    lists.decided = decided;
    FinalFormAssistant a(lists);
    a.Activate();
    a.ClickTerm(1);  // the constant
    EXPECT_EQ(a.Candidates().GetCount(), 0);
    a.ClickTerm(0);  // V: no equation
    EXPECT_EQ(a.Candidates().GetCount(), 0);
}

TEST(FinalFormAssistant, TimeSetSolvesForTheLargestOwnLead) {
    // Y[t] = 0.5 Y[t+1] + X[t] + 1  =>  Y[t] = 2 Y[t-1] - 2 X[t-1] - 2.
    FFElement e = Make("Y", 1, {{"Y", 1, 0.5, 1}, {"X", 2, 1.0, 0}, {kConst, 2, 1.0, 0}});
    TimeSet(e);
    ExpectTerms(e, {{"Y", 1, 2.0, -1}, {"X", 2, -2.0, -1}, {kConst, 2, -2.0, 0}});
    FFElement lagged = Make("Y", 1, {{"Y", 1, 0.5, -1}, {"X", 2, 1.0, 2}});
    const FFElement before = lagged;
    TimeSet(lagged);
    EXPECT_TRUE(lagged == before);
}

TEST(FinalFormAssistant, TrendSetCollapsesTheLags) {
    FFElement e = Make("Y", 1, {{"T", 2, 2.0, 0}, {"T", 2, 3.0, -1}, {"X", 2, 1.0, 0}});
    TrendSet(e, "T");
    ExpectTerms(e, {{"T", 2, 5.0, 0}, {"X", 2, 1.0, 0}, {kConst, 2, -3.0, 0}});
}

// Names that no data set holds: leads and lags come from the terms.
TEST(FinalFormAssistant, TimeSetAndTrendSetNeedNoData) {
    FinalFormLists lists;
    lists.work.Append(Make("missing", 1, {{"missing", 1, 0.25, 2}, {"trend", 2, 1.0, 1}}));
    FinalFormAssistant a(lists);
    a.Activate();
    a.TrendSet("trend");
    // missing[t] = 4 missing[t-2] - 4 trend[t-1] = 4 missing[t-2] - 4 trend[t] + 4.
    ExpectTerms(lists.work.GetElement(0), {{"missing", 1, 4.0, -2}, {"trend", 2, -4.0, 0}, {kConst, 2, 4.0, 0}});
}

TEST(FinalFormAssistant, StoredEditsMarkTheDataSetModified) {
    FinalFormLists lists;
    lists.stored.Append(Make("Y", 1, {}));
    lists.stored.Append(Make("Z", 1, {}));
    Data data(2, 1);
    data.SetModified(false);
    DeleteStored(lists, 5, &data);
    EXPECT_FALSE(data.IsModified());
    DeleteStored(lists, 0, &data);
    EXPECT_TRUE(data.IsModified());
    EXPECT_EQ(lists.stored.GetElement(0).GetName(), "Z");
    data.SetModified(false);
    ClearStored(lists, &data);
    EXPECT_TRUE(data.IsModified());
    EXPECT_EQ(lists.stored.GetCount(), 0);
}

// The starting equations of a built system.
class StartingEquationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("merlox_ffs_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        ctx_.Work().workFolder = dir_.string() + "/";
        Columns cols(7);
        for (int j = 0; j < 7; ++j)
            for (int t = 0; t < 12; ++t) cols[j].push_back(std::sin(1.0 + j * 7.0 + t * 3.0) * (j + 2) + t % 4);
        model_ = MakeModel(cols, {1, 1, 1, 2, 2, 2, 3}, {"y1", "y2", "y3", "x1", "x2", "x3", "x4"}, &ctx_);
        model_->SetVarInfo(6, "@y1/1");
    }
    void TearDown() override {
        system_.Clear();
        model_.reset();
        fs::remove_all(dir_);
    }
    void Add(const std::string& left, const std::vector<std::pair<std::string, double>>& terms, bool definition) {
        std::vector<std::string> names;
        std::vector<double> coefs;
        for (const auto& [n, c] : terms) {
            names.push_back(n);
            coefs.push_back(c);
        }
        model_->AddExpres(Expres(left, static_cast<int>(terms.size()), definition, coefs, names));
    }
    fs::path dir_;
    EngineContext ctx_;
    std::unique_ptr<Reg> model_;
    SimultaneousSystem system_;
};

TEST_F(StartingEquationsTest, ReducedFormAndStructuralEquations) {
    Add("y1", {{"y2", 0.4}, {"y3", 0.2}, {"x1", 0.6}, {kConst, 3.0}}, false);
    Add("y2", {{"y1", 0.5}, {"x2", 0.7}, {kConst, -1.5}}, false);
    Add("y3", {{"y1", 1.0}, {"y2", 1.0}, {"x3", -1.0}, {"x4", 0.25}}, true);
    ASSERT_TRUE(system_.TryBuild(*model_, false)) << system_.ErrorText();
    FinalFormLists lists;
    lists.stored.Append(Make("y2", 1, {{"x2", 2, 9.0, 0}}));
    ASSERT_TRUE(BuildStartingEquations(system_, lists));
    ASSERT_EQ(lists.work.GetCount(), 3);
    // Pi = -B^-1 Gamma from an exact rational script: (x1, x2, x3, x4, constant).
    // x4 stands for y1[t-1].
    ExpectTerms(lists.work.GetElement(0), {{"y1", 1, 0.1, -1}, {"x1", 2, 1.2, 0}, {"x2", 2, 0.84, 0}, {"x3", 2, -0.4, 0}, {kConst, 2, 4.2, 0}}, 1e-13);
    ExpectTerms(lists.work.GetElement(1), {{"x2", 2, 9.0, 0}});  // the stored one
    ExpectTerms(lists.work.GetElement(2), {{"y1", 1, 0.4, -1}, {"x1", 2, 1.8, 0}, {"x2", 2, 1.96, 0}, {"x3", 2, -1.6, 0}, {kConst, 2, 4.8, 0}}, 1e-13);
    ASSERT_EQ(lists.decided.GetCount(), 3);
    EXPECT_EQ(lists.decided.GetElement(2).GetName(), "y3");
    ExpectTerms(lists.decided.GetElement(2), {{"y1", 1, 1.0, 0}, {"y1", 1, 0.25, -1}, {"y2", 1, 1.0, 0}, {"x3", 2, -1.0, 0}});
}

TEST_F(StartingEquationsTest, ExactZeroInTheReducedFormGivesNoTerm) {
    Add("y1", {{"y2", 0.4}, {"x1", 0.6}, {kConst, 3.0}}, false);
    Add("y2", {{"y1", 0.5}, {"x2", 0.7}, {kConst, -1.5}}, false);
    Add("y3", {{"x3", 0.5}, {kConst, 1.0}}, false);
    ASSERT_TRUE(system_.TryBuild(*model_, false)) << system_.ErrorText();
    FinalFormLists lists;
    ASSERT_TRUE(BuildStartingEquations(system_, lists));
    ExpectTerms(lists.work.GetElement(2), {{"x3", 2, 0.5, 0}, {kConst, 2, 1.0, 0}});
}

}  // namespace
