// Cell writes of a macro run leave the re-estimation for later, yet every
// read of results, statistics or the design sees the model estimated from
// the data as written; so do the windows (at each poll), a nested run, and
// whoever reads the model after a run, also one that failed.
//
// The data are x = 1..5 with y on x and a constant; the expected figures
// are least-squares fits of y on x computed by hand in exact fractions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <cstdlib>
#include <sstream>

#include "core/model/regression_model.h"
#include "macro_run_support.h"
#include "support/model_builder.h"

namespace {

// R², s² and the mean of y for y on x = 1..5.
struct Fit {
    double r2, s2, meanY;
};
constexpr Fit kStart{0.13432835820895522, 7.7333333333333334, 4.8};         // y = 2 4 9 4 5
constexpr Fit kFirstTwo{0.018867924528301886, 6.9333333333333336, 5.4};     // y = 3 6 9 4 5
constexpr Fit kAllFive{0.52459016393442626, 7.7333333333333334, 7.8};       // y = 3 6 12 8 10
constexpr Fit kFirstOne{0.072727272727272724, 6.8, 5.0};                    // y = 3 4 9 4 5
constexpr Fit kFirstIsTen{0.30120481927710846, 7.7333333333333334, 6.4};    // y = 10 4 9 4 5
constexpr Fit kLastUndone{0.076923076923076927, 14.4, 6.8};                 // y = 3 6 12 8 5

constexpr double kRel = 1e-12;

struct ModelFixture : RunFixture {
    Reg* model = nullptr;
    ModelFixture() {
        state.SetModel(MakeModel({{1, 2, 3, 4, 5}, {2, 4, 9, 4, 5}}, {}, {"x", "y"}));
        model = state.Model();
        EXPECT_TRUE(model->SetModel(1, {Reg::kRoleExplanatory, Reg::kRoleDependent, Reg::kRoleExplanatory}));
        EXPECT_NEAR(model->GetR2(), kStart.r2, kRel);
    }
};

// y[i] += i for i = first .. last, with the counter at offset 4.
void AddToY(MacroObject& m, int first, int last) {
    const VariableRef i = Var(4);
    Ldi(m, first);
    Ldi(m, last);
    Ldi(m, 1);
    m.EmitVariableRef(opLOP, i);
    const int top = m.NewLabel(), done = m.NewLabel();
    m.SetLabel(top);
    Jump(m, opLPD, done);
    m.EmitVariableRef(opLDA, i);
    m.EmitVariableRef(opLDA, i);
    m.EmitTwoInts(opSVL, 1, 3);
    m.Emit(opPOP);
    Jump(m, opLPR, top);
    m.SetLabel(done);
    m.Emit(opLPE);
}

// y[i] := x, as one statement.
void SetY(MacroObject& m, int i, double x) {
    Ldi(m, i);
    Ldi(m, x);
    m.EmitTwoInts(opSVL, 1, 2);
    m.Emit(opPOP);
}

void WriteR2(MacroObject& m) {
    m.EmitTwoInts(opSVR, 0, 17);
    m.Emit(opWRE);
    m.Emit(opTAB);
}

std::vector<double> Numbers(const std::string& tabbed) {
    std::vector<double> out;
    std::istringstream in(tabbed);
    std::string field;
    while (std::getline(in, field, '\t'))
        if (!field.empty()) out.push_back(std::strtod(field.c_str(), nullptr));
    return out;
}

void ExpectNumbers(const std::string& text, const std::vector<double>& expected, const char* what) {
    const std::vector<double> got = Numbers(text);
    ASSERT_EQ(got.size(), expected.size()) << what << ": " << text;
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], expected[i], kRel * std::fabs(expected[i]) + 1e-15) << what << " [" << i << "]";
}

// Writes, R², more writes, then the sum of the design's y column, R², s²
// and the mean of y.
MacroObject WritesAndReads() {
    MacroObject m;
    Main(m, 8);
    AddToY(m, 1, 2);
    WriteR2(m);
    AddToY(m, 3, 5);
    Ldi(m, 1);
    Ldi(m, 5);
    m.EmitStorageRef(opSPS, 1, -1, 1);
    m.EmitTwoInts(opFNC, 54, 1);
    m.Emit(opWRE);
    m.Emit(opTAB);
    WriteR2(m);
    m.EmitTwoInts(opSVR, 0, 14);
    m.Emit(opWRE);
    m.Emit(opTAB);
    m.EmitTwoInts(opSVR, 1, 0);
    m.Emit(opWRE);
    End(m);
    return m;
}

TEST(MacroRunEstimation, ReadsAfterWritesSeeTheDataAsWritten) {
    const std::vector<double> expected{kFirstTwo.r2, 39.0, kAllFive.r2, kAllFive.s2, kAllFive.meanY};
    const MacroObject m = WritesAndReads();
    ModelFixture f;
    ASSERT_EQ(f.Run(m), "");
    ExpectNumbers(f.run.OutputText(), expected, "run");
    EXPECT_NEAR(f.model->GetR2(), kAllFive.r2, kRel);
    EXPECT_EQ(f.model->GetDesignValue(4, 1), 10.0);

    // Stepped, each write re-estimates at once: the same figures.
    ModelFixture g;
    g.run.Start(m);
    int pc = 0;
    for (int steps = 0; steps < 1000 && g.run.Execute(m, pc); ++steps) {
    }
    ExpectNumbers(g.run.OutputText(), expected, "stepped");
    g.run.Finish();
}

TEST(MacroRunEstimation, EveryWriteStaysAnUndoStep) {
    MacroObject m;
    Main(m, 8);
    AddToY(m, 1, 5);
    End(m);
    ModelFixture f;
    ASSERT_EQ(f.Run(m), "");
    ASSERT_TRUE(f.state.Undo().Undo(*f.model));
    EXPECT_EQ(f.model->GetValue(4, 1), 5.0);
    EXPECT_NEAR(f.model->GetR2(), kLastUndone.r2, kRel);
    EXPECT_NEAR(f.model->GetS2(), kLastUndone.s2, kRel);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(f.state.Undo().Undo(*f.model));
    EXPECT_NEAR(f.model->GetR2(), kStart.r2, kRel);
    EXPECT_FALSE(f.state.Undo().Undo(*f.model));
}

TEST(MacroRunEstimation, ARunEndingWithAnErrorLeavesTheModelEstimated) {
    MacroObject m;
    Main(m, 8);
    AddToY(m, 1, 5);
    Ldi(m, 9);
    m.EmitTwoInts(opSVR, 1, -10);  // observation 9 of 5
    End(m);
    ModelFixture f;
    EXPECT_EQ(f.Run(m).rfind("範囲エラー at ", 0), 0U);
    EXPECT_NEAR(f.model->GetR2(), kAllFive.r2, kRel);
    EXPECT_NEAR(f.model->GetS2(), kAllFive.s2, kRel);
    EXPECT_EQ(f.model->GetDesignValue(2, 1), 12.0);
}

// Answers the prompt of the outer run with a run of its own.
class NestedRunServices : public StoppingServices {
public:
    AppState* state = nullptr;
    const MacroObject* inner = nullptr;
    std::string innerOutput;
    double r2AfterInner = 0.0;
    InputAnswer AskInput(const std::string&, const std::vector<std::string>&, const std::string&) override {
        MacroRun run(*state);
        run.Run(*inner);
        innerOutput = run.OutputText();
        r2AfterInner = state->Model()->GetR2();
        return {mrOK, "0"};
    }
};

TEST(MacroRunEstimation, ANestedRunSeesAndLeavesAnEstimatedModel) {
    MacroObject inner;
    WriteR2(inner);
    SetY(inner, 2, 6);
    WriteR2(inner);
    End(inner);

    MacroObject outer;
    Main(outer, 8);
    SetY(outer, 1, 3);
    Lsi(outer, "?");
    outer.EmitVariableRef(opRDV, Var(6));
    WriteR2(outer);
    End(outer);

    NestedRunServices services;
    AppState state;
    state.SetServices(&services);
    state.SetModel(MakeModel({{1, 2, 3, 4, 5}, {2, 4, 9, 4, 5}}, {}, {"x", "y"}));
    ASSERT_TRUE(state.Model()->SetModel(1, {Reg::kRoleExplanatory, Reg::kRoleDependent, Reg::kRoleExplanatory}));
    services.state = &state;
    services.inner = &inner;
    MacroRun run(state);
    run.Run(outer);
    ExpectNumbers(services.innerOutput, {kFirstOne.r2, kFirstTwo.r2}, "inner");
    EXPECT_NEAR(services.r2AfterInner, kFirstTwo.r2, kRel);
    ExpectNumbers(run.OutputText(), {kFirstTwo.r2}, "outer");
}

TEST(MacroRunEstimation, ANonFiniteWriteLeavesNoEstimateToRead) {
    // y[1] = 10, y[2] = an infinity, y[5] = 6: the fit of data holding an
    // infinity is refused at each estimation, with its message, and the
    // model keeps no estimate of data it no longer holds: reading R² ends
    // the run with the same message.
    MacroObject m;
    Main(m, 8);
    SetY(m, 1, 10);
    Ldi(m, 2);
    Ldi(m, std::numeric_limits<double>::infinity());
    m.EmitTwoInts(opSVL, 1, 2);
    m.Emit(opPOP);
    SetY(m, 5, 6);
    WriteR2(m);
    End(m);
    ModelFixture f;
    const std::string refused = "変数 y の 2 番目の値が有限の数値ではありません。";
    f.services.QueueOK();
    f.services.QueueOK();
    EXPECT_EQ(f.Run(m), refused);
    const auto boxes = f.services.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);  // the infinity written, then y[5]
    for (const RecordedCall& box : boxes) EXPECT_EQ(box.text, refused);
    EXPECT_TRUE(std::isinf(f.model->GetValue(1, 1)));
    EXPECT_EQ(f.model->GetValue(4, 1), 6.0);
    EXPECT_FALSE(f.model->HasEstimate());
    EXPECT_EQ(f.model->GetR2(), 0.0);
    // Undoing y[5] leaves the infinity (refused once more); undoing the
    // infinity brings the fit of y = 10 4 9 4 5 back.
    f.services.QueueOK();
    ASSERT_TRUE(f.state.Undo().Undo(*f.model));
    EXPECT_FALSE(f.model->HasEstimate());
    ASSERT_TRUE(f.state.Undo().Undo(*f.model));
    EXPECT_EQ(f.services.CallsOf(ServiceCall::MessageBox).size(), 3u);
    EXPECT_NEAR(f.model->GetR2(), kFirstIsTen.r2, kRel);
    EXPECT_NEAR(f.model->GetS2(), kFirstIsTen.s2, kRel);
}

TEST(MacroRunEstimation, SteppedWritesReestimateAtOnce) {
    MacroObject m;
    Main(m, 8);
    SetY(m, 1, 3);
    End(m);
    ModelFixture f;
    f.run.Start(m);
    int pc = 0;
    for (int steps = 0; steps < 4; ++steps) ASSERT_TRUE(f.run.Execute(m, pc));  // MCR LDI LDI SVL
    EXPECT_NEAR(f.model->GetR2(), kFirstOne.r2, kRel);
    EXPECT_NEAR(f.model->GetMean(1), kFirstOne.meanY, kRel);
    f.run.Finish();
}

// At each poll the model must match its data: R² of y on x recomputed here
// from the columns as they stand.
class CheckingServices : public StoppingServices {
public:
    AppState* state = nullptr;
    int checks = 0;
    int mismatches = 0;
    bool StopRequested() override {
        const Reg& m = *state->Model();
        const int n = m.GetObsCount();
        double mx = 0, my = 0;
        for (int i = 0; i < n; ++i) {
            mx += m.GetValue(i, 0) / n;
            my += m.GetValue(i, 1) / n;
        }
        double sxx = 0, sxy = 0, syy = 0;
        for (int i = 0; i < n; ++i) {
            const double dx = m.GetValue(i, 0) - mx, dy = m.GetValue(i, 1) - my;
            sxx += dx * dx;
            sxy += dx * dy;
            syy += dy * dy;
        }
        ++checks;
        if (std::fabs(m.GetR2() - sxy * sxy / (sxx * syy)) > 1e-9) ++mismatches;
        return false;
    }
};

TEST(MacroRunEstimation, PollsSeeAnEstimatedModel) {
    // for i = 1 to 3000 { y[i mod 5 + 1] = i * i mod 7 }: 14 instructions a pass
    const VariableRef i = Var(4);
    MacroObject m;
    Main(m, 8);
    Ldi(m, 1);
    Ldi(m, 3000);
    Ldi(m, 1);
    m.EmitVariableRef(opLOP, i);
    const int top = m.NewLabel(), done = m.NewLabel();
    m.SetLabel(top);
    Jump(m, opLPD, done);
    m.EmitVariableRef(opLDA, i);
    Ldi(m, 5);
    m.Emit(opREM);
    Ldi(m, 1);
    m.Emit(opADD);
    m.EmitVariableRef(opLDA, i);
    m.EmitVariableRef(opLDA, i);
    m.Emit(opMUL);
    Ldi(m, 7);
    m.Emit(opREM);
    m.EmitTwoInts(opSVL, 1, 2);
    m.Emit(opPOP);
    Jump(m, opLPR, top);
    m.SetLabel(done);
    m.Emit(opLPE);
    End(m);
    CheckingServices services;
    AppState state;
    state.SetServices(&services);
    state.SetModel(MakeModel({{1, 2, 3, 4, 5}, {2, 4, 9, 4, 5}}, {}, {"x", "y"}));
    ASSERT_TRUE(state.Model()->SetModel(1, {Reg::kRoleExplanatory, Reg::kRoleDependent, Reg::kRoleExplanatory}));
    services.state = &state;
    MacroRun run(state);
    run.Run(m);
    EXPECT_EQ(services.checks, 10);  // 42008 instructions / 4096
    EXPECT_EQ(services.mismatches, 0);
}

}  // namespace
