// An explanatory variable whose sum of squares leaves the range of a double
// is refused as an overflowing dependent is: one message naming it per load
// or edit, the roles kept without an estimate, the readers refused; undo
// gives the fit back bit for bit. Values whose squares stay in range still
// fit (expected figures by exact rational arithmetic on the doubles given).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/model/data_edit_commands.h"
#include "core/model/estimate_rows.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "support/expect_exception.h"
#include "support/model_builder.h"
#include "support/watched_context.h"

namespace {

using Watched = WatchedContext;

std::string SourceDir() {
    const char* dir = std::getenv("MERLOX_SOURCE_DIR");
    return dir ? dir : ".";
}

// Twelve rows: x1 = 4.8 + 1.3i, x3 = (7i mod 5) + 0.5i, y = 3 + 0.7i + (5i mod 7).
Columns TwelveRows() {
    Columns cols(3);
    for (int i = 0; i < 12; ++i) {
        cols[0].push_back(4.8 + 1.3 * i);
        cols[1].push_back((7 * i) % 5 + 0.5 * i);
        cols[2].push_back(3 + 0.7 * i + (5 * i) % 7);
    }
    return cols;
}
const std::vector<std::uint8_t> kYOnX1AndX3 = {2, 2, 1, 2};

// Every figure a page or a report shows, to compare before and after.
std::vector<double> Figures(Reg& reg) {
    std::vector<double> f;
    for (int j = 0; j <= reg.GetVarCount(); ++j) {
        f.push_back(reg.GetCoef(j));
        f.push_back(reg.GetStdError(j));
    }
    for (const EstimateRow& row : EstimateRows(reg)) f.push_back(row.vif);
    reg.ComputeInfluence();
    f.insert(f.end(), {reg.GetS2(), reg.GetR2(), reg.GetPress(), reg.GetAnalysisValue(Reg::kRowDffits, 0)});
    return f;
}

void ExpectSameBits(const std::vector<double>& a, const std::vector<double>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_TRUE(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i]))) << i << ": " << a[i] << " / " << b[i];
}

void ExpectRefused(Reg& reg, const std::string& message) {
    EXPECT_FALSE(reg.HasEstimate());
    EXPECT_EQ(reg.NoEstimateReason(), message);
    for (int j = 0; j <= reg.GetVarCount(); ++j) EXPECT_EQ(reg.GetStdError(j), 0.0) << j;
    EXPECT_EQ(reg.GetS2(), 0.0);
    ExpectExceptionMessage([&] { reg.ComputeInfluence(); }, message, "influence");
}

TEST(RegOverflowingSums, AValueTypedIntoAnExplanatoryVariableIsRefusedOnceAndUndoBringsTheFitBack) {
    const struct {
        const char* what;
        int variable, observation;  // 0-based
        const char* message;
    } longley[] = {
        {"GNP[5]", 1, 4, "変数 GNP の平方和が有限の数値になりません。"},
        {"YEAR[1]", 5, 0, "変数 YEAR の平方和が有限の数値になりません。"},
    };
    for (const auto& c : longley) {
        SCOPED_TRACE(c.what);
        Watched w;
        Reg reg(w.context, 2, 2);
        LoadFile(reg, SourceDir() + "/data/samples/Longley.MDF");
        ASSERT_TRUE(reg.HasEstimate());
        const std::vector<std::uint8_t> roles = reg.Roles();
        const std::vector<double> before = Figures(reg);
        UndoStore store;
        w.ui.QueueOK();
        EXPECT_TRUE(SetCellValueWithUndo(DataEdit{reg, store, {}}, c.observation, c.variable, 1e200));
        EXPECT_EQ(w.Messages(), std::vector<std::string>{c.message});
        EXPECT_EQ(reg.GetValue(c.observation, c.variable), 1e200);
        EXPECT_EQ(reg.Roles(), roles);
        ExpectRefused(reg, c.message);

        ASSERT_TRUE(store.Undo(reg));
        EXPECT_TRUE(w.Messages().empty());
        ExpectSameBits(Figures(reg), before);
        w.ui.QueueOK();
        ASSERT_TRUE(store.Redo(reg));
        EXPECT_EQ(w.Messages(), std::vector<std::string>{c.message});
        ExpectRefused(reg, c.message);
    }

    // The twelve rows, and a toggle that would bring such a variable in:
    // refused too, the model before kept as it was.
    Watched w;
    auto reg = MakeModel(TwelveRows(), {2, 2, 1}, {"x1", "x3", "y"}, &w.context);
    ASSERT_TRUE(reg->SetModel(2, kYOnX1AndX3));
    UndoStore store;
    w.ui.QueueOK();
    SetCellValueWithUndo(DataEdit{*reg, store, {}}, 1, 0, 1e200);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{"変数 x1 の平方和が有限の数値になりません。"});
    ExpectRefused(*reg, "変数 x1 の平方和が有限の数値になりません。");
    EXPECT_TRUE(reg->ToggleVariable(0));  // out: y on x3 fits
    EXPECT_TRUE(w.Messages().empty());
    const std::vector<double> onX3 = Figures(*reg);
    w.ui.QueueOK();
    EXPECT_FALSE(reg->ToggleVariable(0));
    EXPECT_EQ(w.Messages(), std::vector<std::string>{"変数 x1 の平方和が有限の数値になりません。"});
    EXPECT_EQ(reg->GetRole(0), Reg::kRoleUnused);
    ExpectSameBits(Figures(*reg), onX3);
}

// A dependent chosen beside such a variable: x1, 1e200 where y is
// furthest from its mean (an F to enter of 5.45 were it 1), is no candidate
// for the callers to put in at once.
TEST(RegOverflowingSums, SuchAVariableIsNoCandidateToEnter) {
    Watched w;
    Columns cols = TwelveRows();
    cols[0][0] = 1e200;
    auto reg = MakeModel({cols[0], cols[2]}, {2, 1}, {"x1", "y"}, &w.context);
    const int best = reg->SetDependent(1);
    EXPECT_FALSE(best == 0 && reg->GetFValue(0) > 0.0);
    EXPECT_TRUE(w.Messages().empty());
}

TEST(RegOverflowingSums, AFileWhoseExplanatoryVariableOverflowsOpensWithTheMessage) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("merlox_overflowing_sums_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "big.TXT").string();
    std::ofstream(file, std::ios::binary) << "ID,x,w,big,y\r\n"
                                             "1,1,2,1e307,3\r\n"
                                             "2,2,1,-1e307,1\r\n"
                                             "3,3,4,1.5e307,4\r\n"
                                             "4,4,3,2e307,2\r\n"
                                             "5,5,6,-1.2e307,5\r\n"
                                             "6,6,5,0.5e307,9\r\n"
                                             "#use,u,n,u,d,#\r\n";
    const std::string message = "変数 big の平方和が有限の数値になりません。";
    Watched w;
    Reg reg(w.context, 2, 2);
    w.ui.QueueOK();
    LoadFile(reg, file);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{message});
    EXPECT_EQ(reg.Roles(), (std::vector<std::uint8_t>{2, 0, 2, 1, 2}));
    ExpectRefused(reg, message);
    // Without big: y on x, slope Sxy / Sxx = 20 / 17.5 (by hand).
    EXPECT_TRUE(reg.ToggleVariable(2));
    EXPECT_TRUE(w.Messages().empty());
    EXPECT_NEAR(reg.GetCoef(0), 8.0 / 7, 1e-14);
    std::filesystem::remove_all(dir);
}

TEST(RegOverflowingSums, ValuesWhoseSquaresStayInRangeFit) {
    for (const double big : {1e100, 1e153}) {
        SCOPED_TRACE(big);
        Watched w;
        Columns cols = TwelveRows();
        cols[0][1] = big;
        auto reg = MakeModel(cols, {2, 2, 1}, {"x1", "x3", "y"}, &w.context);
        ASSERT_TRUE(reg->SetModel(2, kYOnX1AndX3));
        EXPECT_TRUE(w.Messages().empty());
        reg->ComputeInfluence();
        // x3's estimate and error, x1's scaled back, the VIF of x3, s², R²,
        // then observation 1's s²(i), DFFITS and PRESS residual.
        const double got[] = {reg->GetCoef(1),
                              reg->GetStdError(1),
                              reg->GetCoef(0) * big,
                              reg->GetStdError(0) * big,
                              EstimateRows(*reg)[2].vif,
                              reg->GetS2(),
                              reg->GetR2(),
                              reg->GetAnalysisValue(Reg::kRowS2Deleted, 0),
                              reg->GetAnalysisValue(Reg::kRowDffits, 0),
                              reg->GetAnalysisValue(Reg::kRowPress, 0)};
        const double want[] = {1.0889795918367347,  0.39349601437931718, 1.2204081632653061, 3.1945743373583742,
                               1.0850340136054422,  8.6217233560090703,  0.46511676980711634, 8.9275510204081633,
                               -0.83167931254292699, -3.5142857142857143};
        for (int i = 0; i < 10; ++i) EXPECT_NEAR(got[i], want[i], 1e-12 * std::fabs(want[i])) << i;
    }
}

}  // namespace
