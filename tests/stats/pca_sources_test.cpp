#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "eval/reserved_words.h"
#include "platform/errors.h"
#include "stats/current_analysis.h"
#include "stats/principal_components.h"
#include "support/expect_exception.h"
#include "support/four_variable_sample.h"
#include "support/model_builder.h"

namespace {

// Ten observations of four variables and the eigenvalues of their
// correlation matrix.
const Columns& kData = kFourVariableSample;
const std::vector<double> kEigenValues = {2.103684776477224, 1.824637492122096, 0.05986370318881283, 0.011814028211869122};

void ExpectReferenceEigenvalues(const PCA& pca) {
    ASSERT_EQ(pca.VarCount(), 4);
    ASSERT_EQ(pca.ObsCount(), 10);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(pca.GetEigenValue(i), kEigenValues[i], 1e-11 * kEigenValues[i]) << i;
}

TEST(PcaSources, FlaggedVariablesOfTheDataSet) {
    // A leading variable that is not flagged, then the four analysed ones.
    Columns cols = {{9, 1, 8, 2, 7, 3, 6, 4, 5, 0}};
    for (const auto& c : kData) cols.push_back(c);
    auto reg = MakeModel(cols, {}, {"skip", "a", "b", "c", "d"});
    auto pca = MakeDataSetPCA(*reg, 0, {0, 1, 1, 1, 1}, VariableNamesOf(reg.get()));
    ExpectReferenceEigenvalues(*pca);
    EXPECT_EQ(pca->GetVarName(0), "a");
    EXPECT_EQ(pca->GetVarName(3), "d");
}

TEST(PcaSources, ObservationsAndVariablesOfAGroup) {
    // Three more observations and a fifth variable outside group 1.
    Columns cols = kData;
    for (auto& c : cols) c.insert(c.end(), {100.0, -50.0, 3.0});
    cols.push_back(std::vector<double>(13, 0.0));
    for (int i = 0; i < 13; ++i) cols[4][i] = i * i;
    auto reg = MakeModel(cols);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 4; ++j) reg->SetMark(i, j, 1);
    auto pca = MakeDataSetPCA(*reg, 1, {1, 1, 1, 1}, VariableNamesOf(reg.get()));
    ExpectReferenceEigenvalues(*pca);
}

TEST(PcaSources, ScoreNamesAvoidTheDataSetsVariables) {
    auto reg = MakeModel(kData, {}, {"Z0", "Z1", "F1", "x"});
    auto pca = MakeDataSetPCA(*reg, 0, {1, 1, 1, 1}, VariableNamesOf(reg.get()));
    EXPECT_EQ(pca->GetScoreName(0), "Z2");
    EXPECT_EQ(pca->GetScoreName(1), "Z3");
    EXPECT_EQ(pca->GetFactorScoreName(0), "F0");
    EXPECT_EQ(pca->GetFactorScoreName(1), "F2");
}

TEST(PcaSources, EmptyBlockOrNoFlaggedVariable) {
    auto reg = MakeModel(kData);
    ExpectExceptionMessage([&] { MakeDataSetPCA(*reg, 0, {0, 0, 0, 0}, NameInUse{}); }, "DERR", "no flags");
    // No observation carries group 2.
    ExpectExceptionMessage([&] { MakeDataSetPCA(*reg, 2, {1, 1, 1, 1}, NameInUse{}); }, "DERR", "empty group");
}

TEST(PcaSources, FlaggedColumnsOfANamedTable) {
    EngineContext context;
    TNamedData table(context, 10, 5);
    const int place[4] = {0, 2, 3, 4};  // column 1 is not analysed
    for (int k = 0; k < 4; ++k) {
        table.SetColumnName(place[k], "v" + std::to_string(k));
        for (int i = 0; i < 10; ++i) table.SetValue(i, place[k], kData[k][i]);
    }
    table.SetColumnName(1, "noise");
    for (int i = 0; i < 10; ++i) table.SetValue(i, 1, i % 3);
    auto pca = MakeTablePCA(table, {1, 0, 1, 1, 1}, NameInUse{});
    ExpectReferenceEigenvalues(*pca);
    EXPECT_EQ(pca->GetVarName(1), "v1");
}

TEST(CurrentAnalysisHolder, HeldByTheWindowSideAndSeenByNameChecks) {
    AppState app;
    EngineContext& context = app.Context();
    auto reg = MakeModel(kData, {}, {"a", "b", "c", "d"}, &context);
    app.SetModel(std::move(reg));
    auto pca = MakeDataSetPCA(*app.Model(), 0, {1, 1, 1, 1}, VariableNamesOf(app.Model()));
    PCA* raw = pca.get();
    auto current = std::make_unique<CurrentAnalysis>(app);
    current->Set(std::move(pca));
    EXPECT_EQ(current->Analysis(), raw);
    struct Case {
        const char* name;
        int withoutScores;
        int withScores;
    };
    const Case cases[] = {{"a", 1, 1}, {"Z0", -1, 1}, {"Z3", -1, 1}, {"F2", -1, 1}, {"Z4", -1, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClassifyNewName(app, c.name, false), c.withoutScores);
        EXPECT_EQ(ClassifyNewName(app, c.name, true), c.withScores);
    }
    // Renamed scores are checked under their new names.
    current->Analysis()->SetFactorScoreName(2, "wealth");
    EXPECT_EQ(ClassifyNewName(app, "wealth", true), 1);
    EXPECT_EQ(ClassifyNewName(app, "F2", true), -1);
    current->Discard();
    EXPECT_EQ(current->Analysis(), nullptr);
    EXPECT_EQ(ClassifyNewName(app, "Z0", true), -1);
    // The holder goes with its window, and its names with it.
    current->Set(MakeDataSetPCA(*app.Model(), 0, {1, 1, 1, 1}, VariableNamesOf(app.Model())));
    EXPECT_EQ(ClassifyNewName(app, "Z0", true), 1);
    current.reset();
    EXPECT_EQ(ClassifyNewName(app, "Z0", true), -1);
}

}  // namespace
