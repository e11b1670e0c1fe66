// The application state: the open model and what is linked to it, the
// shared evaluator as the data model's reader of typed numbers, and the data
// file's companions.
#include "eval/app_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/model/data_edit_commands.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"
#include "support/scripted_services.h"

namespace fs = std::filesystem;

namespace {

std::unique_ptr<Reg> SmallModel() {
    auto reg = std::make_unique<Reg>(3, 2, "d");
    reg->SetVarName(0, "x");
    reg->SetVarName(1, "y");
    reg->SetVarValues(0, std::vector<double>{1.0, 2.0, 4.0});
    reg->SetVarValues(1, std::vector<double>{2.0, 3.0, 7.0});
    reg->SetModified(false);
    return reg;
}

TEST(AppState, DataBankScalarsNeedAnOpenDataSetAndMarkItModified) {
    AppState app;
    UserVar& uv = app.UserScalars();
    uv.SetValue(0, true, 2.5);
    EXPECT_EQ(uv.GetValue(0, true), 0.0);  // no data set: nothing to keep it
    uv.SetValue(0, false, 2.5);
    EXPECT_EQ(uv.GetValue(0, false), 2.5);  // the settings bank needs none

    app.SetModel(SmallModel());
    ASSERT_FALSE(app.Model()->IsModified());
    uv.SetValue(0, true, 2.5);
    EXPECT_EQ(uv.GetValue(0, true), 2.5);
    EXPECT_TRUE(app.Model()->IsModified());
}

TEST(AppState, DataBankTravelsWithTheDataFile) {
    const fs::path dir = fs::temp_directory_path() / ("merlox_app_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / "bank.MDF").string();
    {
        AppState app;
        app.SetModel(SmallModel());
        app.UserScalars().SetName(3, true, "rate");
        app.UserScalars().SetValue(3, true, 0.125);
        SaveAs(*app.Model(), file);
    }
    AppState app;
    app.SetModel(std::make_unique<Reg>(2, 2));
    LoadFile(*app.Model(), file);
    EXPECT_EQ(app.UserScalars().GetName(3, true), "rate");
    EXPECT_EQ(app.UserScalars().GetValue(3, true), 0.125);
    EXPECT_EQ(app.Evaluator().Calculate("@file::rate * 8"), 1.0);
    fs::remove_all(dir);
}

// A load (or a new data set) starts a fresh history: nothing of the former
// data set can be undone or redone on the new one.
TEST(AppState, ALoadEmptiesBothUndoLists) {
    const fs::path dir = fs::temp_directory_path() / ("merlox_app_undo_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / "undo.MDF").string();
    AppState app;
    app.SetModel(SmallModel());
    SaveAs(*app.Model(), file);
    const DataEdit ed{*app.Model(), app.Undo(), {}};
    SetCellValueWithUndo(ed, 0, 0, 9.0);
    SetCellValueWithUndo(ed, 1, 0, 8.0);
    ASSERT_TRUE(app.Undo().Undo(*app.Model()));
    ASSERT_TRUE(app.Undo().CanUndo());
    ASSERT_TRUE(app.Undo().CanRedo());
    app.LoadModelFile(file);
    EXPECT_FALSE(app.Undo().CanUndo());
    EXPECT_FALSE(app.Undo().CanRedo());
    EXPECT_EQ(app.Model()->GetValue(0, 0), 1.0);
    fs::remove_all(dir);
}

// A ".MDF" of zero bytes (read as text: it has no magic) and the zero
// device end at their first byte; the open data set stays.
TEST(AppState, ZeroBytesAreRefusedAtOnceAndTheOpenDataSetStays) {
    const std::string zeros =
        (fs::temp_directory_path() / ("merlox_zeros_" + std::to_string(::getpid()) + ".MDF")).string();
    std::ofstream(zeros, std::ios::binary) << std::string(std::size_t{4} << 20, '\0');
    for (const std::string& file : {zeros, std::string("/dev/zero")}) {
        SCOPED_TRACE(file);
        AppState app;
        app.SetModel(SmallModel());
        Reg* open = app.Model();
        open->SetModified(true);
        try {
            app.LoadModelFile(file);
            ADD_FAILURE() << "read";
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "1 行目: NUL 文字（0 のバイト）があります。テキスト形式のデータファイルではありません");
        }
        EXPECT_EQ(app.Model(), open);
        EXPECT_TRUE(open->IsModified());
    }
    fs::remove(zeros);
}

TEST(AppState, EvaluatorReadsTheModelAndTypedTextsAreExpressions) {
    AppState app;
    EXPECT_EQ(app.Context().Evaluator().Evaluate("x[2]", -1.0), -1.0);  // no data set: incomplete
    app.SetModel(SmallModel());
    EXPECT_EQ(app.Evaluator().Calculate("x[3] + y[1]"), 6.0);
    // The model's own context reads typed numbers through the evaluator.
    EXPECT_EQ(app.Model()->Context().Evaluator().Calculate("2 ^ 3 + x[2]"), 10.0);
    const auto released = app.ReleaseModel();
    EXPECT_EQ(app.Model(), nullptr);
    EXPECT_EQ(released->GetVarName(0), "x");
}

TEST(AppState, ServicesReachTheModelAndTheGroupUndoSink) {
    AppState app;
    ScriptedServices ui;
    app.SetServices(&ui);
    app.SetModel(SmallModel());
    EXPECT_EQ(&app.Model()->Context().Services(), &ui);
    EXPECT_EQ(app.GroupUndo().services, &ui);
    app.SetServices(nullptr);
    EXPECT_NE(app.GroupUndo().services, &ui);
}

TEST(AppState, TwoStatesShareNothing) {
    AppState a, b;
    a.UserScalars().SetValue(1, false, 7.0);
    a.UserFunctions().Entry(0).SetDefinition("twice(v) = v * 2");
    EXPECT_EQ(b.UserScalars().GetValue(1, false), 0.0);
    EXPECT_EQ(a.Evaluator().Calculate("@twice(4)"), 8.0);
    EXPECT_THROW(b.Evaluator().Calculate("@twice(4)"), Exception);
    a.Random().SetSeed(12345);
    b.Random().SetSeed(12345);
    a.Random().Uniform();
    EXPECT_NE(a.Random().Uniform(), b.Random().Uniform());
}

// A level outside 0..1 is refused; 0 stands for the 100 % level.
TEST(AppState, CoefficientAlphaKeepsALevelThatGivesAnInterval) {
    AppState state;
    EXPECT_DOUBLE_EQ(state.CoefficientAlpha(), 0.05);
    struct Case {
        double alpha;
        bool taken;
    };
    const Case cases[] = {{0.1, true}, {1.0, true}, {0.0, true}, {-0.1, false}, {1.5, false}, {NAN, false}};
    for (const Case& c : cases) {
        const double before = state.CoefficientAlpha();
        EXPECT_EQ(state.SetCoefficientAlpha(c.alpha), c.taken) << c.alpha;
        EXPECT_DOUBLE_EQ(state.CoefficientAlpha(), c.taken ? c.alpha : before) << c.alpha;
    }
}

}  // namespace
