// The model's held fit and analysis table, and the data file read apart
// from being taken over.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace fs = std::filesystem;

namespace {

TEST(RegFit, AccessorsReadTheHeldFit) {
    auto reg = MakeModel(LongleyColumns());
    ASSERT_TRUE(reg->SetModel(6, {2, 2, 2, 2, 2, 2, 1, 2}));
    const RegFit& fit = reg->Fit();
    for (int j = 0; j <= 7; ++j) {
        EXPECT_EQ(fit.coef.At(j), reg->GetCoef(j)) << j;
        EXPECT_EQ(fit.stdErr.At(j), reg->GetStdError(j)) << j;
        EXPECT_EQ(fit.fValue.At(j), reg->GetFValue(j)) << j;
    }
    EXPECT_EQ(fit.residualDf, 9);
    EXPECT_EQ(fit.s2, reg->GetS2());
    EXPECT_EQ(fit.r2, reg->GetR2());
    EXPECT_EQ(fit.sse, reg->GetSse());
    EXPECT_EQ(fit.syy, reg->GetSyy());
    EXPECT_EQ(fit.press, reg->GetPress());
    EXPECT_EQ(&fit.moments, &reg->SweptMoments());
    EXPECT_EQ(&fit.design, &reg->Design());
}

TEST(RegFit, AnalysisFlagsFollowTheEstimation) {
    auto reg = MakeModel(LongleyColumns());
    ASSERT_TRUE(reg->SetModel(6, {2, 2, 2, 2, 2, 2, 1, 2}));
    EXPECT_FALSE(reg->IsAnalysisReady());
    EXPECT_FALSE(reg->IsInfluenceReady());
    reg->ComputeInfluence();
    EXPECT_TRUE(reg->IsAnalysisReady());
    EXPECT_TRUE(reg->IsInfluenceReady());
    ASSERT_TRUE(reg->ToggleVariable(0));
    EXPECT_FALSE(reg->IsAnalysisReady());
    EXPECT_FALSE(reg->IsInfluenceReady());
}

TEST(RegFile, ReadingLeavesTheModelAloneUntilTakenOver) {
    const fs::path dir = fs::temp_directory_path() / ("merlox_read_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string file = (dir / "l.MDF").string();
    auto source = MakeModel(LongleyColumns());
    ASSERT_TRUE(source->SetModel(6, {2, 2, 2, 2, 2, 2, 1, 2}));
    SaveAs(*source, file);

    Reg target(3, 2, "before");
    LoadedDataFile loaded;
    int form = -1;
    ReadDataFile(file, loaded, form, target.Context().Services(), target.Context().Evaluator());
    EXPECT_EQ(form, 0);
    EXPECT_EQ(loaded.obs, 16);
    EXPECT_EQ(loaded.vars.size(), 7u);
    EXPECT_EQ(target.GetName(), "before");
    EXPECT_EQ(target.GetVarCount(), 2);

    AdoptLoaded(target, loaded);
    EXPECT_TRUE(loaded.vars.empty());
    EXPECT_EQ(target.GetObsCount(), 16);
    EXPECT_EQ(target.GetVarCount(), 7);
    EXPECT_EQ(target.GetDependent(), 6);
    EXPECT_EQ(target.CountExplanatory(), 6);
    EXPECT_EQ(target.GetCoef(0), source->GetCoef(0));
    EXPECT_FALSE(target.IsModified());
    fs::remove_all(dir);
}

}  // namespace
