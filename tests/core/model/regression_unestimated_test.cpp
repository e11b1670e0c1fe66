// Roles without an estimate: a load or a data edit whose fit is refused says
// so once, keeps the roles, shows no figure (no placeholder 0, INF or NAN),
// and every reader of the fit is refused with the same message; undo, or a
// model that can be estimated, brings the fit back.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
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
#include "support/overflowing_file.h"
#include "support/scripted_services.h"

namespace {

struct Watched {
    ScriptedServices ui;
    EngineContext context;
    Watched() { context.SetServices(&ui); }
    // The message boxes shown since the last look.
    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const RecordedCall& c : ui.CallsOf(ServiceCall::MessageBox)) texts.push_back(c.text);
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
    ExpectExceptionMessage([&] { reg.ComputeAnalysisData(); }, message, "residual analysis");
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

// y on x (slope 0.9, intercept 0.2, s² 1.1 / 3 by hand) and y on z, z zero
// but at the last observation (slope 5 - 9.5 / 4 = 2.625, intercept 2.375).
const Columns kData = {{1, 2, 3, 4, 5}, {0, 0, 0, 0, 1}, {1, 2, 3.5, 3, 5}};

void ExpectFitOnX(const Reg& reg) {
    EXPECT_TRUE(reg.HasEstimate());
    EXPECT_NEAR(reg.GetCoef(0), 0.9, 1e-14);
    EXPECT_NEAR(reg.GetCoef(3), 0.2, 1e-14);
    EXPECT_NEAR(reg.GetS2(), 1.1 / 3, 1e-14);
    EXPECT_EQ(reg.GetResidualDf(), 3);
}

TEST(RegUnestimated, AnEditWhoseFitOverflowsIsRefusedOnceAndUndoBringsTheFitBack) {
    const struct {
        const char* what;
        std::vector<std::uint8_t> roles;
        int variable;
        double value;
        const char* message;
    } cases[] = {
        // Syy near 1e400: s² is INF.
        {"dependent", {2, 0, 1, 2}, 2, 1e200, "変数 x の係数または標準誤差が有限の数値になりません。"},
        // z's spread 1e-310 gives a slope of 2.625e310.
        {"explanatory", {0, 2, 1, 2}, 1, 1e-310, "変数 z の係数または標準誤差が有限の数値になりません。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Watched w;
        auto reg = MakeModel(kData, {}, {"x", "z", "y"}, &w.context);
        ASSERT_TRUE(reg->SetModel(2, c.roles));
        const double b = reg->GetCoef(c.variable == 2 ? 0 : 1);
        UndoStore store;
        const DataEdit ed{*reg, store, {}};
        w.ui.QueueOK();
        EXPECT_TRUE(SetCellValueWithUndo(ed, 4, c.variable, c.value));
        EXPECT_EQ(w.Messages(), std::vector<std::string>{c.message});
        EXPECT_EQ(reg->GetValue(4, c.variable), c.value);  // the user's value stays
        EXPECT_EQ(reg->Roles(), c.roles);
        ExpectNoEstimate(*reg, c.message);

        ASSERT_TRUE(store.Undo(*reg));
        EXPECT_TRUE(w.Messages().empty());
        EXPECT_TRUE(reg->HasEstimate());
        EXPECT_EQ(reg->GetCoef(c.variable == 2 ? 0 : 1), b);
        if (c.variable == 2)
            ExpectFitOnX(*reg);
        else
            EXPECT_NEAR(b, 2.625, 1e-14);

        w.ui.QueueOK();
        ASSERT_TRUE(store.Redo(*reg));
        EXPECT_EQ(w.Messages(), std::vector<std::string>{c.message});
        EXPECT_FALSE(reg->HasEstimate());
    }
}

TEST(RegUnestimated, OtherRoadsMeetTheSameRule) {
    Watched w;
    auto reg = MakeModel(kData, {2, 2, 1}, {"x", "z", "y"}, &w.context);
    const std::vector<std::uint8_t> roles = {2, 2, 1, 2};
    ASSERT_TRUE(reg->SetModel(2, roles));
    const double bz = reg->GetCoef(1);
    UndoStore store;
    const DataEdit ed{*reg, store, {}};
    const std::string xRefused = "変数 x の係数または標準誤差が有限の数値になりません。";

    // An observation inserted with y at 1e200.
    w.ui.QueueOK();
    InsertObservationWithUndo(ed, 2, std::vector<double>{3, 0, 1e200}, {});
    EXPECT_EQ(w.Messages(), std::vector<std::string>{xRefused});
    EXPECT_EQ(reg->GetObsCount(), 6);
    ExpectNoEstimate(*reg, xRefused);

    // A change of method fits the same data: refused again, the method
    // asked for kept, still no estimate.
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    w.ui.QueueOK();
    reg->Reestimate(false);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{xRefused});
    EXPECT_TRUE(reg->IsTwoStage());
    ExpectNoEstimate(*reg, xRefused);
    reg->SetTwoStage(false);
    reg->SetRealCalc(false);

    // Undo: the five observations fit again, figure for figure.
    ASSERT_TRUE(store.Undo(*reg));
    EXPECT_TRUE(w.Messages().empty());
    EXPECT_TRUE(reg->HasEstimate());
    EXPECT_EQ(reg->Roles(), roles);
    EXPECT_EQ(reg->GetCoef(1), bz);

    // z's spread made 1e-310: its slope overflows. Taking z out of the
    // roles without an estimate sets the model of y on x, which fits.
    w.ui.QueueOK();
    EXPECT_TRUE(SetCellValueWithUndo(ed, 4, 1, 1e-310));
    EXPECT_EQ(w.Messages(), std::vector<std::string>{"変数 z の係数または標準誤差が有限の数値になりません。"});
    EXPECT_FALSE(reg->HasEstimate());
    EXPECT_TRUE(reg->ToggleVariable(1));
    EXPECT_TRUE(w.Messages().empty());
    EXPECT_EQ(reg->GetRole(1), Reg::kRoleUnused);
    ExpectFitOnX(*reg);
}

}  // namespace
