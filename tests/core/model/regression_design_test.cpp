// The design of an ordinary fit, copied from the variables when first read:
// it holds the values of the fit whatever edit comes before the first read.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "support/model_builder.h"

namespace {

const Columns kData = {
    {2.1, 3.4, 1.9, 5.6, 4.4, 3.3, 6.1, 2.8, 4.9, 3.7},
    {10.2, 9.1, 11.5, 8.8, 9.9, 10.7, 8.1, 11.0, 9.4, 10.1},
    {0.5, -1.2, 0.3, 2.2, -0.7, 1.1, 0.0, -0.4, 1.8, 0.9},
    {5.3, 6.8, 4.9, 9.7, 8.1, 7.0, 10.9, 5.5, 9.0, 7.4}};
const std::vector<std::uint8_t> kRoles = {2, 2, 0, 1, 2};

std::vector<double> Cells(const Matrix& m) {
    return std::vector<double>(m.Data(), m.Data() + static_cast<std::size_t>(m.Rows()) * m.Cols());
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(RegDesign, HoldsTheValuesAndTheConstant) {
    auto reg = MakeModel(kData);
    ASSERT_TRUE(reg->SetModel(3, kRoles));
    const Matrix& d = reg->Design();
    ASSERT_EQ(d.Rows(), 10);
    ASSERT_EQ(d.Cols(), 5);
    for (int i = 0; i < 10; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_EQ(d.At(i, j), kData[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]);
        EXPECT_EQ(d.At(i, 4), 1.0);
        EXPECT_EQ(reg->GetDesignValue(i, 2), kData[2][static_cast<std::size_t>(i)]);
    }
}

// Every edit of the values, the observations or the variables, made after
// the fit and before the first read of the design.
struct Edit {
    const char* name;
    std::function<void(Reg&)> apply;
};

const std::vector<Edit>& Edits() {
    static const std::vector<Edit> edits = {
        {"SetValue", [](Reg& r) { r.SetValue(3, 1, 99.0); }},
        {"RestoreValue", [](Reg& r) { r.RestoreValue(3, 0, -0.0); }},
        {"SetVarValues", [](Reg& r) { r.SetVarValues(0, std::vector<double>(10, 7.0)); }},
        {"GetVar At", [](Reg& r) { r.GetVar(1).At(2) = 55.0; }},
        {"GetVar Data", [](Reg& r) { r.GetVar(0).Data()[0] = 3.0; }},
        {"AppendObservation", [](Reg& r) { EXPECT_TRUE(r.AppendObservation(std::vector<double>(4, 1.5))); }},
        {"InsertObservation", [](Reg& r) { EXPECT_TRUE(r.InsertObservation(2, std::vector<double>(4, 1.5))); }},
        {"DeleteObservation", [](Reg& r) { r.DeleteObservation(4); }},
        {"SwapObservations", [](Reg& r) { r.SwapObservations(0, 5); }},
        {"SortObservations", [](Reg& r) { r.SortObservations(0, true); }},
        {"RestoreObservationOrder", [](Reg& r) { r.RestoreObservationOrder({9, 8, 7, 6, 5, 4, 3, 2, 1, 0}); }},
        {"SwapVars", [](Reg& r) { r.SwapVars(0, 1); }},
        {"ExchangeVars", [](Reg& r) { r.ExchangeVars(0, 2, false); }},
        {"DeleteVar", [](Reg& r) { r.DeleteVar(0); }},
        {"InsertVar", [](Reg& r) {
             Var v("N", "N", 10, 4.0);
             r.InsertVar(0, v);
         }},
        {"AddVar", [](Reg& r) {
             Var v("N", "N", 10, 4.0);
             r.AddVar(v);
         }},
        {"DeleteAllVars", [](Reg& r) { r.DeleteAllVars(); }},
        {"ReplaceDataSet", [](Reg& r) {
             std::vector<std::unique_ptr<Var>> vars;
             for (int j = 0; j < 4; ++j) vars.push_back(std::make_unique<Var>("V", "V", 10, 2.0));
             r.ReplaceDataSet(std::move(vars), 10, "x", "y");
         }},
    };
    return edits;
}

TEST(RegDesign, EditsBeforeTheFirstReadDoNotReachIt) {
    auto reference = MakeModel(kData);
    ASSERT_TRUE(reference->SetModel(3, kRoles));
    const std::vector<double> expected = Cells(reference->Design());
    for (const Edit& edit : Edits()) {
        auto reg = MakeModel(kData);
        ASSERT_TRUE(reg->SetModel(3, kRoles));
        edit.apply(*reg);
        EXPECT_TRUE(SameBits(Cells(reg->Design()), expected)) << edit.name;
    }
}

// Copied on the first read, formed with the moments (after a read, moments
// out of date) or copied in the fit (after a read, moments known): the same
// values.
TEST(RegDesign, EveryWayOfFormingItGivesTheSameBits) {
    auto reference = MakeModel(kData);
    ASSERT_TRUE(reference->SetModel(3, kRoles));
    const std::vector<double> expected = Cells(reference->Design());
    auto reg = MakeModel(kData);
    ASSERT_TRUE(reg->SetModel(3, kRoles));
    static_cast<void>(reg->GetDesignValue(0, 0));
    reg->UpdateMoments();
    ASSERT_TRUE(reg->SetModel(3, kRoles));
    EXPECT_TRUE(SameBits(Cells(reg->Design()), expected)) << "with the moments";
    ASSERT_TRUE(reg->SetModel(3, kRoles));
    EXPECT_TRUE(SameBits(Cells(reg->Design()), expected)) << "copied in the fit";
}

// The deletion measures read the design: an edit before them leaves them
// those of the fit.
TEST(RegDesign, InfluenceRowsReadTheDesignOfTheFit) {
    auto reference = MakeModel(kData);
    ASSERT_TRUE(reference->SetModel(3, kRoles));
    reference->ComputeInfluence();
    auto reg = MakeModel(kData);
    ASSERT_TRUE(reg->SetModel(3, kRoles));
    reg->SetValue(2, 0, 1e3);
    reg->ComputeInfluence();
    for (int code : {Reg::kRowCooksD, Reg::kRowDffits, Reg::kRowDeletedTValue + 1, Reg::kRowDfbeta + 0}) {
        std::vector<double> a, b;
        reference->GetAnalysisRow(code, a);
        reg->GetAnalysisRow(code, b);
        EXPECT_TRUE(SameBits(a, b)) << code;
    }
}

TEST(RegDesign, ConcurrentFirstReadsGiveTheSameBits) {
    constexpr int n = 3 * 4096 + 517;
    EngineContext context;
    context.SetThreads(4);
    Reg reg(context, n, 4);
    std::mt19937_64 gen(3);
    std::normal_distribution<double> normal;
    for (int j = 0; j < 4; ++j) {
        std::vector<double> x(n);
        for (double& v : x) v = 20.0 + normal(gen);
        reg.SetVarValues(j, x);
    }
    ASSERT_TRUE(reg.SetModel(3, {2, 2, 2, 1, 2}));
    std::vector<std::vector<double>> columns(4);
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] { GetDesignColumn(reg, t, columns[static_cast<std::size_t>(t)]); });
    }
    for (auto& t : readers) t.join();
    for (int j = 0; j < 4; ++j) {
        std::vector<double> values;
        static_cast<void>(reg.GetVarValues(j, values));
        EXPECT_TRUE(SameBits(columns[static_cast<std::size_t>(j)], values)) << j;
    }
}

}  // namespace
