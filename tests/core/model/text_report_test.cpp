// The main text report against golden files built independently from the
// layout rules and results computed outside the program
// (tests/data/text_report/make_golden.py).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/io/data_file.h"
#include "core/io/final_form_storage.h"
#include "core/model/text_report.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

std::string ReadGolden(const std::string& name) {
    const char* root = std::getenv("MERLOX_SOURCE_DIR");
    std::ifstream in(std::string(root ? root : ".") + "/tests/data/text_report/" + name + ".txt", std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::uint8_t> Roles(int k, const std::vector<int>& explanatory) {
    std::vector<std::uint8_t> roles(static_cast<std::size_t>(k) + 1, Reg::kRoleUnused);
    for (int j : explanatory) roles[static_cast<std::size_t>(j)] = Reg::kRoleExplanatory;
    roles[static_cast<std::size_t>(k)] = Reg::kRoleExplanatory;
    return roles;
}

struct ReportCase {
    std::string golden;
    std::unique_ptr<Reg> (*build)();
    TextReportOptions options;
};

std::unique_ptr<Reg> Longley(const std::vector<int>& explanatory) {
    auto reg = MakeModel(LongleyColumns(), {2, 2, 2, 2, 2, 3, 1},
                         {"DEFLATOR", "国民総生産額A", "UNEMPLOYED", "ARMED_FORCES_SIZE", "POP", "YEAR", "EMPLOY"});
    reg->SetName("Longley");
    reg->SetInfo("Longley (1967) 雇用データ");
    const char* infos[] = {"GNPデフレータ", "", "失業者数", "軍人数", "14歳以上人口", "年", "総雇用者数"};
    for (int j = 0; j < 7; ++j) reg->SetVarInfo(j, infos[j]);
    EXPECT_TRUE(reg->SetModel(6, Roles(7, explanatory)));
    return reg;
}

std::unique_ptr<Reg> LongleyAll() { return Longley({0, 1, 2, 3, 4, 5}); }
std::unique_ptr<Reg> LongleyPart() { return Longley({1, 2, 3, 5}); }

// Three equations over the small system data, and a stored final form.
std::unique_ptr<Reg> System() {
    auto reg = MakeModel(SemColumns(), SemTypes(), {"x0", "x1", "x2", "x3", "y2", "y3", "y1"});
    reg->SetName("SEM");
    reg->SetInfo("三本の方程式");
    const char* infos[] = {"外生0", "外生1", "外生2", "外生3", "内生2", "内生3", "内生1"};
    for (int j = 0; j < 7; ++j) reg->SetVarInfo(j, infos[j]);
    const std::string c = "定数項";
    auto add = [&](const std::string& left, std::vector<std::string> names, std::vector<double> coefs) {
        reg->AddExpres(Expres(left, static_cast<int>(names.size()), false, coefs, names));
    };
    add("y2", {"y3", "x2", c}, {0.31, 0.62, 0.93});
    add("y1", {"y2", "x0", "x1", c}, {0.4, 0.8, -0.5, 1.5});
    add("y3", {"y1", "x3", c}, {-0.23, 0.71, -1.13});
    EXPECT_TRUE(reg->SetModel(6, Roles(7, {4, 0, 1})));
    return reg;
}

std::unique_ptr<Reg> Wide() {
    Columns cols;
    std::vector<std::string> names;
    for (int j = 0; j < 55; ++j) {
        std::vector<double> v;
        for (int i = 0; i < 6; ++i)
            v.push_back(((i + 1) * (j + 3)) % 7 + (i * i) % 5 + 0.25 * j + 0.5 * i + 0.01 * (i * j % 3));
        cols.push_back(v);
        names.push_back("V" + std::to_string(j + 1));
    }
    auto reg = MakeModel(cols, {}, names);
    reg->SetName("Wide");
    reg->SetInfo("55 variables");
    for (int j = 0; j < 55; ++j) reg->SetVarInfo(j, "col " + std::to_string(j + 1));
    EXPECT_TRUE(reg->SetModel(0, Roles(55, {1, 2})));
    return reg;
}

// y on the endogenous y2 and the exogenous x1, by two-stage least squares
// (instruments x1, x2, the lagged x3 and the constant).
std::unique_ptr<Reg> TwoStage() {
    auto reg = MakeModel(IvColumns(), IvTypes(), {"y", "y2", "x1", "x2", "x3", "w"});
    reg->SetName("IV");
    reg->SetInfo("二段階");
    const char* infos[] = {"被説明", "内生", "外生1", "外生2", "ラグ", "その他"};
    for (int j = 0; j < 6; ++j) reg->SetVarInfo(j, infos[j]);
    reg->SetTwoStage(true);
    EXPECT_TRUE(reg->SetModel(0, Roles(6, {1, 2})));
    EXPECT_TRUE(reg->IsTwoStage());
    return reg;
}

std::unique_ptr<Reg> Small() {
    auto reg = MakeModel({{1, 2, 4, 3}, {2, 3.5, 9, 5.5}}, {}, {"x", "y"});
    reg->SetName("Small");
    reg->SetInfo("");
    reg->SetVarInfo(0, "説明");
    reg->SetVarInfo(1, "目的");
    EXPECT_TRUE(reg->SetModel(1, Roles(2, {})));
    return reg;
}

TextReportOptions Options(int margin, bool selected, bool residuals, bool influence, bool correlation,
                          bool simultaneous) {
    TextReportOptions o;
    o.margin = margin;
    o.selectedOnly = selected;
    o.residuals = residuals;
    o.influence = influence;
    o.correlation = correlation;
    o.simultaneous = simultaneous;
    return o;
}

std::string Report(Reg& reg, const TextReportOptions& options) {
    std::ostringstream out;
    WriteTextReport(reg, options, out);
    return out.str();
}

// The first differing line, for a readable failure.
std::string FirstDifference(const std::string& a, const std::string& b) {
    std::istringstream sa(a), sb(b);
    std::string la, lb;
    for (int line = 1;; ++line) {
        const bool ga = static_cast<bool>(std::getline(sa, la));
        const bool gb = static_cast<bool>(std::getline(sb, lb));
        if (!ga && !gb) return "same lines";
        if (la != lb || ga != gb) return "line " + std::to_string(line) + "\n got: " + la + "\nwant: " + lb;
    }
}

}  // namespace

class TextReportGolden : public ::testing::TestWithParam<ReportCase> {};

TEST_P(TextReportGolden, BytesMatch) {
    const ReportCase& c = GetParam();
    auto reg = c.build();
    FFList finalForm;
    if (c.golden == "system") {
        // y1[t] = 0.5 y1[t-1] + x0[t] + 2; y2[t] = -y3[t-2] + 0.25 x2[t] + y1[t+1] - 0.75
        FFElement a;
        a.SetHead(FFCell("y1", 1, 1.0, 0));
        a.AppendTerm(FFCell("x0", 2, 1.0, 0));
        a.AppendTerm(FFCell("定数項", 2, 2.0, 0));
        a.AppendTerm(FFCell("y1", 1, 0.5, -1));
        FFElement b;
        b.SetHead(FFCell("y2", 1, 1.0, 0));
        b.AppendTerm(FFCell("定数項", 2, -0.75, 0));
        b.AppendTerm(FFCell("x2", 2, 0.25, 0));
        b.AppendTerm(FFCell("y3", 1, -1.0, -2));
        b.AppendTerm(FFCell("y1", 1, 1.0, 1));
        finalForm.Append(a);
        finalForm.Append(b);
    }
    DataFileCompanions companions;
    companions.finalForm = &finalForm;
    reg->SetFileCompanions(&companions);
    reg->SetModified(false);
    const std::string got = Report(*reg, c.options);
    const std::string want = ReadGolden(c.golden);
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want) << FirstDifference(got, want);
    // Writing the report does not mark the data set modified.
    EXPECT_FALSE(reg->IsModified());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextReportGolden,
    ::testing::Values(ReportCase{"longley_m80", LongleyAll, Options(80, false, true, true, true, false)},
                      ReportCase{"longley_m100_selected", LongleyPart, Options(100, true, true, true, true, false)},
                      ReportCase{"longley_flags_off", LongleyAll, Options(80, false, false, false, false, false)},
                      ReportCase{"system", System, Options(80, false, true, true, true, true)},
                      ReportCase{"two_stage", TwoStage, Options(100, false, true, true, true, false)},
                      ReportCase{"wide55", Wide, Options(80, false, true, true, true, false)},
                      ReportCase{"small_n", Small, Options(80, false, true, true, true, false)}),
    [](const ::testing::TestParamInfo<ReportCase>& info) { return info.param.golden; });
