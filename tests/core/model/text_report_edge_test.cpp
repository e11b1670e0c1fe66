// The report of data sets at the edges: no explanatory variable, no
// observation, more than 50 variables with the list cut to the model, and
// the progress window that every report shows.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/model/text_report.h"
#include "platform/text/cp932.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

struct ProgressCount {
    long max = 0;
    std::size_t steps = 0;
    std::size_t begins = 0;
    std::size_t ends = 0;
};

ProgressCount Count(const ScriptedServices& s) {
    ProgressCount c;
    const auto begins = s.CallsOf(ServiceCall::ProgressBegin);
    c.begins = begins.size();
    if (!begins.empty()) c.max = begins[0].value;
    c.steps = s.CallsOf(ServiceCall::ProgressStep).size();
    c.ends = s.CallsOf(ServiceCall::ProgressEnd).size();
    return c;
}

std::string Utf8Report(Reg& reg, const TextReportOptions& options) {
    std::ostringstream out;
    WriteTextReport(reg, options, out);
    return cp932::ToUtf8(out.str());
}

}  // namespace

// Margins, counts and table kinds: the progress bar is never empty and
// never overrun, whatever is counted.
TEST(TextReportEdges, ProgressMatchesTheWork) {
    struct Case {
        int n;
        int k;
        int margin;
        bool simultaneous;
    };
    const Case cases[] = {{4, 2, 80, false}, {30, 9, 100, false}, {12, 60, 80, true}, {3, 1, 512, false}};
    for (const Case& c : cases) {
        Columns cols;
        for (int j = 0; j < c.k; ++j) {
            std::vector<double> v;
            for (int i = 0; i < c.n; ++i) v.push_back(((i + 2) * (j + 5)) % 11 + 0.1 * i * i + j);
            cols.push_back(v);
        }
        EngineContext context;
        ScriptedServices services;
        context.SetServices(&services);
        auto reg = MakeModel(cols, {}, {}, &context);
        std::vector<std::uint8_t> roles(static_cast<std::size_t>(c.k) + 1, Reg::kRoleUnused);
        if (c.k > 2) roles[1] = Reg::kRoleExplanatory;
        roles[static_cast<std::size_t>(c.k)] = Reg::kRoleExplanatory;
        ASSERT_TRUE(reg->SetModel(0, roles));
        TextReportOptions o;
        o.margin = c.margin;
        o.simultaneous = c.simultaneous;
        (void)Utf8Report(*reg, o);
        const ProgressCount p = Count(services);
        EXPECT_EQ(p.begins, 1u);
        EXPECT_EQ(p.ends, 1u);
        EXPECT_GE(p.max, 1);
        EXPECT_EQ(static_cast<long>(p.steps), p.max) << c.n << " x " << c.k;
    }
}

TEST(TextReportEdges, NoObservationStillWritesTheFrame) {
    EngineContext context;
    ScriptedServices services;
    context.SetServices(&services);
    auto reg = std::make_unique<Reg>(context, 0, 2, "empty");
    const std::string text = Utf8Report(*reg, TextReportOptions{});
    EXPECT_NE(text.find("【変数リスト】"), std::string::npos);
    EXPECT_NE(text.find("【データ】"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(Count(services).ends, 1u);
}

// With the list cut to the model, variables keep their numbers, and a data
// set of more than 50 variables is printed whole.
TEST(TextReportEdges, SelectedVariablesKeepTheirNumbers) {
    Columns cols;
    for (int j = 0; j < 70; ++j) {
        std::vector<double> v;
        for (int i = 0; i < 8; ++i) v.push_back((i * (j + 3)) % 7 + 0.5 * i + j);
        cols.push_back(v);
    }
    std::vector<std::string> names;
    for (int j = 0; j < 70; ++j) names.push_back("W" + std::to_string(j + 1));
    auto reg = MakeModel(cols, {}, names);
    std::vector<std::uint8_t> roles(71, Reg::kRoleUnused);
    roles[64] = Reg::kRoleExplanatory;
    roles[70] = Reg::kRoleExplanatory;
    ASSERT_TRUE(reg->SetModel(68, roles));
    TextReportOptions o;
    o.selectedOnly = true;
    const std::string cut = Utf8Report(*reg, o);
    EXPECT_NE(cut.find("  65         W65："), std::string::npos);
    EXPECT_NE(cut.find("  69         W69："), std::string::npos);
    EXPECT_EQ(cut.find("W1："), std::string::npos);
    o.selectedOnly = false;
    const std::string all = Utf8Report(*reg, o);
    EXPECT_NE(all.find("  70         W70："), std::string::npos);
    EXPECT_NE(all.find("\n         8"), std::string::npos);
}

// With a single residual degree of freedom the deletion measures have no
// spread to compare with: the cut-offs that need one are left out, so no
// value is marked, and the report is written whole.
TEST(TextReportEdges, TooFewDegreesOfFreedomMarkNothing) {
    struct Case {
        Columns cols;
        bool withX;
        int df;
    };
    const Case cases[] = {{{{1, 2, 4}, {2, 3.5, 9}}, true, 1}, {{{1, 2}, {2, 3.5}}, false, 1}};
    for (const Case& c : cases) {
        auto reg = MakeModel(c.cols, {}, {"x", "y"});
        const std::uint8_t x = c.withX ? Reg::kRoleExplanatory : Reg::kRoleUnused;
        ASSERT_TRUE(reg->SetModel(1, {x, Reg::kRoleDependent, Reg::kRoleExplanatory}));
        ASSERT_EQ(reg->GetResidualDf(), c.df);
        const std::string text = Utf8Report(*reg, TextReportOptions{});
        const std::size_t influence = text.find("【影響分析】");
        ASSERT_NE(influence, std::string::npos);
        const std::size_t deleted = text.find(c.withX ? "t1(i)" : "B0-B0(i)", influence);
        ASSERT_NE(deleted, std::string::npos);
        // COVRATIO is the only measure with a cut-off that needs no degree
        // of freedom; DFFITS, Cook's D and W(i) stay unmarked.
        std::istringstream rows(text.substr(influence, deleted - influence));
        std::string line;
        std::getline(rows, line);
        std::getline(rows, line);
        while (std::getline(rows, line) && line.size() >= 4 + 48) {
            const std::string unmarked = line.substr(4 + 12, 36);
            EXPECT_EQ(unmarked.find("* "), std::string::npos) << line;
        }
        EXPECT_EQ(text.back(), '\n');
    }
}
