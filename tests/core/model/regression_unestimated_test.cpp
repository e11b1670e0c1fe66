// Roles without an estimate: a load or a data edit whose fit is refused says
// so once, keeps the roles, shows no figure (no placeholder 0, INF or NAN),
// and every reader of the fit is refused with the same message; undo, or a
// model that can be estimated, brings the fit back.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/model/data_edit_commands.h"
#include "core/model/estimate_rows.h"
#include "core/model/estimated_equation.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/model/text_report_file.h"
#include "core/settings/engine_context.h"
#include "support/expect_exception.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "support/overflowing_file.h"
#include "support/scripted_services.h"

namespace {

struct Watched {
    ScriptedServices ui;
    EngineContext context;
    Watched() { context.SetServices(&ui); }
    // The message boxes shown since the last look.
    std::vector<std::string> Messages() {
        std::vector<std::string> texts = ui.MessageTexts();
        ui.ClearCalls();
        return texts;
    }
};

// Nothing of a fit is left to read: every figure 0, every reader refused
// with the message, the estimates without a number.
void ExpectNoEstimate(Reg& reg, const std::string& message) {
    EXPECT_FALSE(reg.HasEstimate());
    EXPECT_EQ(reg.NoEstimateReason(), message);
    for (int j = 0; j <= reg.GetVarCount(); ++j) {
        EXPECT_EQ(reg.GetCoef(j), 0.0) << j;
        EXPECT_EQ(reg.GetStdError(j), 0.0) << j;
    }
    for (const double v : {reg.GetS2(), reg.GetR2(), reg.GetAdjR2(), reg.GetPress(), reg.GetSse(), reg.GetSyy(),
                           reg.GetVarY(), reg.GetHetero(), reg.GetDurbinWatson()})
        EXPECT_EQ(v, 0.0);
    EXPECT_EQ(reg.GetResidualDf(), 0);
    ExpectExceptionMessage([&] { reg.ComputeInfluence(); }, message, "influence");
    ExpectExceptionMessage([&] { (void)EstimatedEquation(reg, false); }, message, "estimated equation");
    ExpectExceptionMessage([&] { (void)RunTextSave(&reg, {}, false); }, message, "text report");
    const ResultTable table = EstimatesTable(reg, EstimateRows(reg));
    for (int r = 0; r < table.RowCount(); ++r)
        for (int c = 1; c < table.ColumnCount(); ++c) EXPECT_EQ(table.Cell(c, r).Shown(), "-") << r << "," << c;
}

TEST(RegUnestimated, AFileWhoseStoredModelOverflowsOpensWithTheMessageAndNoFigure) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("merlox_unestimated_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string textFile = (dir / "d.TXT").string(), binaryFile = (dir / "d.MDF").string();
    std::ofstream(textFile, std::ios::binary) << kOverflowingModelFile;
    Watched w;
    Reg text(w.context, 2, 2);
    w.ui.QueueOK();
    LoadFile(text, textFile);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{kOverflowingModelRefusal});
    const std::vector<std::uint8_t> roles = {2, 0, 2, 1, 0, 2};
    EXPECT_EQ(text.Roles(), roles);
    ExpectNoEstimate(text, kOverflowingModelRefusal);
    EXPECT_TRUE(w.Messages().empty());  // readers refuse by error, not by a box

    // The binary file written from it keeps the model and opens the same way.
    SaveAs(text, binaryFile);
    Reg binary(w.context, 2, 2);
    w.ui.QueueOK();
    LoadFile(binary, binaryFile);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{kOverflowingModelRefusal});
    EXPECT_EQ(binary.Roles(), roles);
    ExpectNoEstimate(binary, kOverflowingModelRefusal);

    // Another dependent brings a fit: E on the constant (mean 23 / 6).
    (void)binary.SetDependent(4);
    EXPECT_TRUE(binary.FitProblem().empty());
    EXPECT_TRUE(binary.HasEstimate());
    EXPECT_NEAR(binary.GetCoef(5), 23.0 / 6, 1e-14);
    std::filesystem::remove_all(dir);
}

// y on x (slope 0.9, intercept 0.2, s² 1.1 / 3 by hand) and on z, zero but
// at the last observation; x and z exogenous, y endogenous.
const Columns kData = {{1, 2, 3, 4, 5}, {0, 0, 0, 0, 1}, {1, 2, 3.5, 3, 5}};
const std::vector<std::uint8_t> kOnXAndZ = {2, 2, 1, 2};
const char kXRefused[] = "変数 x の係数または標準誤差が有限の数値になりません。";
const char kZRefused[] = "変数 z の係数または標準誤差が有限の数値になりません。";
const char kXSumRefused[] = "変数 x の平方和が有限の数値になりません。";
const char kYSumRefused[] = "変数 y の平方和が有限の数値になりません。";

// The fit's figures as bits: z's one observation has leverage 1, so the
// PRESS sum is no number and only its bits compare.
std::vector<std::uint64_t> Figures(const Reg& reg) {
    std::vector<std::uint64_t> bits;
    for (double v : {reg.GetCoef(0), reg.GetCoef(1), reg.GetCoef(3), reg.GetS2(), reg.GetPress()})
        bits.push_back(std::bit_cast<std::uint64_t>(v));
    return bits;
}

TEST(RegUnestimated, AnEditWhoseFitOverflowsIsRefusedOnceAndUndoBringsTheFitBack) {
    const struct {
        const char* what;
        std::function<void(const DataEdit&)> edit;
        const char* message;
    } cases[] = {
        {"y typed 1e200: Syy near 1e400", [](const DataEdit& ed) { SetCellValueWithUndo(ed, 4, 2, 1e200); },
         kYSumRefused},
        {"z typed 1e-310: its slope past 1e308", [](const DataEdit& ed) { SetCellValueWithUndo(ed, 4, 1, 1e-310); },
         kZRefused},
        {"an observation inserted with y 1e200",
         [](const DataEdit& ed) { InsertObservationWithUndo(ed, 2, std::vector<double>{3, 0, 1e200}, {}); },
         kYSumRefused},
        {"x typed 1e200: its own sum of squares near 1e400",
         [](const DataEdit& ed) { SetCellValueWithUndo(ed, 1, 0, 1e200); }, kXSumRefused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Watched w;
        auto reg = MakeModel(kData, {2, 2, 1}, {"x", "z", "y"}, &w.context);
        ASSERT_TRUE(reg->SetModel(2, kOnXAndZ));
        const std::vector<std::uint64_t> before = Figures(*reg);
        UndoStore store;
        w.ui.QueueOK();
        c.edit(DataEdit{*reg, store, {}});
        EXPECT_EQ(w.Messages(), std::vector<std::string>{c.message});
        EXPECT_EQ(reg->Roles(), kOnXAndZ);
        ExpectNoEstimate(*reg, c.message);
        ASSERT_TRUE(store.Undo(*reg));
        EXPECT_TRUE(w.Messages().empty());
        EXPECT_EQ(Figures(*reg), before);
    }
}

TEST(RegUnestimated, AChangeOfMethodIsRefusedTooAndAToggleSetsTheModelItAsksFor) {
    Watched w;
    auto reg = MakeModel(kData, {2, 2, 1}, {"x", "z", "y"}, &w.context);
    ASSERT_TRUE(reg->SetModel(2, kOnXAndZ));
    UndoStore store;
    w.ui.QueueOK();
    EXPECT_TRUE(SetCellValueWithUndo(DataEdit{*reg, store, {}}, 4, 1, 1e-310));
    EXPECT_EQ(w.Messages(), std::vector<std::string>{kZRefused});
    // Two-stage with real calculation fits the same data: refused again,
    // the method asked for kept.
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    w.ui.QueueOK();
    reg->Reestimate(false);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{kZRefused});
    EXPECT_TRUE(reg->IsTwoStage());
    ExpectNoEstimate(*reg, kZRefused);
    reg->SetTwoStage(false);
    reg->SetRealCalc(false);
    // Taking z out of roles without an estimate sets y on x, which fits.
    EXPECT_TRUE(reg->ToggleVariable(1));
    EXPECT_TRUE(w.Messages().empty());
    EXPECT_EQ(reg->GetRole(1), Reg::kRoleUnused);
    EXPECT_NEAR(reg->GetCoef(0), 0.9, 1e-14);
    EXPECT_NEAR(reg->GetCoef(3), 0.2, 1e-14);
    EXPECT_NEAR(reg->GetS2(), 1.1 / 3, 1e-14);
}

// An explanatory variable whose sum of squares leaves the range of a double
// (a typed one is in the table of edits above): the file form, a toggle
// that would bring such a variable in, and no such variable offered as the
// best to enter when a dependent is chosen.
TEST(RegUnestimated, AnOverflowingExplanatoryVariableIsRefusedOnEveryRoad) {
    Watched w;
    const std::string file = (std::filesystem::temp_directory_path() /
                               ("merlox_big_regressor_" + std::to_string(::getpid()) + ".TXT")).string();
    std::ofstream(file, std::ios::binary) << kOverflowingRegressorFile;
    Reg reg(w.context, 2, 2);
    w.ui.QueueOK();
    LoadFile(reg, file);
    std::filesystem::remove(file);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{kOverflowingRegressorRefusal});
    EXPECT_EQ(reg.Roles(), (std::vector<std::uint8_t>{2, 0, 2, 1, 2}));
    ExpectNoEstimate(reg, kOverflowingRegressorRefusal);
    // Without big: y on x, slope Sxy / Sxx = 20 / 17.5 (by hand); big
    // toggled in again is refused, the fit on x kept bit for bit.
    EXPECT_TRUE(reg.ToggleVariable(2));
    EXPECT_NEAR(reg.GetCoef(0), 8.0 / 7, 1e-14);
    const std::vector<std::uint64_t> onX = Figures(reg);
    w.ui.QueueOK();
    EXPECT_FALSE(reg.ToggleVariable(2));
    EXPECT_EQ(w.Messages(), std::vector<std::string>{kOverflowingRegressorRefusal});
    EXPECT_EQ(Figures(reg), onX);

    // x1 with 1e200 where y is furthest from its mean: an F to enter of
    // 5.45 were it 1, yet no candidate for the callers to put in at once.
    Columns cols = TwelveRows();
    cols[0][0] = 1e200;
    auto choice = MakeModel({cols[0], cols[2]}, {2, 1}, {"x1", "y"}, &w.context);
    const int best = choice->SetDependent(1);
    EXPECT_FALSE(best == 0 && choice->GetFValue(0) > 0.0);
    EXPECT_TRUE(w.Messages().empty());
}

// Values whose squares stay in range still fit: 1e100 or 1e153 at x1[2] of
// the twelve rows (exact rational arithmetic on the doubles given).
TEST(RegUnestimated, ValuesWhoseSquaresStayInRangeFit) {
    for (const double big : {1e100, 1e153}) {
        SCOPED_TRACE(big);
        Watched w;
        Columns cols = TwelveRows();
        cols[0][1] = big;
        auto reg = MakeModel(cols, {2, 2, 1}, {"x1", "x3", "y"}, &w.context);
        ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
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
