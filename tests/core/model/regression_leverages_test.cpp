// The leverage and PRESS rows an ordinary fit leaves for their first reader:
// the values, and the same bits whoever reads first, on how many threads,
// and after the data changed without a new estimation.
//
// Expected values: exact rational arithmetic in Python (fractions) on the
// doubles of the columns, H = X (X'X)^-1 X', PRESS residual e / (1 - h).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "core/model/regression_model.h"
#include "support/model_builder.h"

namespace {

const Columns kData = {
    {2.1, 3.4, 1.9, 5.6, 4.4, 3.3, 6.1, 2.8, 4.9, 3.7},
    {10.2, 9.1, 11.5, 8.8, 9.9, 10.7, 8.1, 11.0, 9.4, 10.1},
    {0.5, -1.2, 0.3, 2.2, -0.7, 1.1, 0.0, -0.4, 1.8, 0.9},
    {5.3, 6.8, 4.9, 9.7, 8.1, 7.0, 10.9, 5.5, 9.0, 7.4}};

struct Expected {
    std::vector<std::uint8_t> roles;
    std::vector<double> leverage, press;
    double pressSum;
};

const Expected kTwoRegressors = {
    {2, 2, 0, 1, 2},
    {0.4885481301217454, 0.5240003562953351, 0.3662010177945992, 0.2767347549293123, 0.17550990568257463,
     0.20606643227363453, 0.43108374284888384, 0.24266485381807426, 0.18054761920767998, 0.10864318702816075},
    {0.26150926656151324, -0.4317095388656746, 0.24590207839456177, -0.31234641914806865, -0.1427967626174253,
     0.4061507197290433, 0.4088717682091047, -0.6407822716746904, 0.07980799205880378, 0.1395099251840233},
    1.2017480400613039};
const Expected kThreeRegressors = {
    {2, 2, 2, 1, 2},
    {0.5939296300283659, 0.6174996821638117, 0.36646833425106573, 0.4768251095860669, 0.4535694439876236,
     0.23135551451934816, 0.5023261512388919, 0.3405981998288987, 0.2910322070012928, 0.12639572739463467},
    {0.13015895072057138, -0.3380255751397576, 0.23957469797566835, -0.6448682833901286, 0.025017960517313996,
     0.36795683070277097, 0.6010517237220974, -0.6176846650044765, -0.02458840769054509, 0.10433832933528325},
    1.494760505075413};

void ExpectLeverages(const Reg& reg, const Expected& e, const char* what) {
    ExpectAnalysisRow(reg, Reg::kRowLeverage, e.leverage, 1e-12, 1e-15, what);
    ExpectAnalysisRow(reg, Reg::kRowPress, e.press, 1e-11, 1e-14, what);
    EXPECT_NEAR(reg.GetPress(), e.pressSum, 1e-12 * e.pressSum) << what;
}

TEST(RegLeverages, FitAndToggleGiveTheLeverages) {
    auto reg = MakeModel(kData);
    ASSERT_TRUE(reg->SetModel(3, kTwoRegressors.roles));
    ExpectLeverages(*reg, kTwoRegressors, "fit");
    ASSERT_TRUE(reg->ToggleVariable(2));
    ExpectLeverages(*reg, kThreeRegressors, "toggle in");
    ASSERT_TRUE(reg->ToggleVariable(2));
    ExpectLeverages(*reg, kTwoRegressors, "toggle out");
}

// A toggle before any read: the rows are those of the model as it now is.
TEST(RegLeverages, UnreadRowsOfAFormerModelAreNotShown) {
    auto reg = MakeModel(kData);
    ASSERT_TRUE(reg->SetModel(3, kTwoRegressors.roles));
    ASSERT_TRUE(reg->ToggleVariable(2));
    ExpectLeverages(*reg, kThreeRegressors, "after toggle");
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// n spans several chunks of the pass and ends inside one.
std::unique_ptr<Reg> LargeModel(EngineContext& context) {
    constexpr int n = 3 * 4096 + 517;
    constexpr int k = 5;
    auto reg = std::make_unique<Reg>(context, n, k);
    std::mt19937_64 gen(7);
    std::normal_distribution<double> normal;
    std::vector<double> y(n, 0.0);
    for (int j = 0; j < k - 1; ++j) {
        std::vector<double> x(n);
        for (int i = 0; i < n; ++i) {
            x[static_cast<std::size_t>(i)] = 50.0 + 3.0 * (j + 1) * normal(gen);
            y[static_cast<std::size_t>(i)] += 0.5 * x[static_cast<std::size_t>(i)];
        }
        reg->SetVarValues(j, x);
    }
    for (double& v : y) v += normal(gen);
    reg->SetVarValues(k - 1, y);
    EXPECT_TRUE(reg->SetModel(k - 1, {2, 2, 2, 2, 1, 2}));
    return reg;
}

struct Read {
    std::vector<double> leverage, press;
    double pressSum = 0.0;
};

Read ReadRows(const Reg& reg) {
    Read r;
    reg.GetAnalysisRow(Reg::kRowLeverage, r.leverage);
    reg.GetAnalysisRow(Reg::kRowPress, r.press);
    r.pressSum = reg.GetPress();
    return r;
}

void ExpectSame(const Read& a, const Read& b, const char* what) {
    EXPECT_TRUE(SameBits(a.leverage, b.leverage)) << what;
    EXPECT_TRUE(SameBits(a.press, b.press)) << what;
    EXPECT_TRUE(SameBits(a.pressSum, b.pressSum)) << what;
}

// Whichever reader comes first forms the rows; each gives the same bits.
TEST(RegLeverages, EveryFirstReaderGivesTheSameBits) {
    EngineContext context;
    context.SetThreads(1);
    const Read reference = ReadRows(*LargeModel(context));
    using FirstRead = void (*)(Reg&);
    const std::vector<std::pair<const char*, FirstRead>> readers = {
        {"press", [](Reg& r) { static_cast<void>(r.GetPress()); }},
        {"fit", [](Reg& r) { static_cast<void>(r.Fit().press); }},
        {"value", [](Reg& r) { static_cast<void>(r.GetAnalysisValue(Reg::kRowLeverage, 5)); }},
        {"table", [](Reg& r) { static_cast<void>(r.Analysis().Row(Reg::kRowPress)); }},
        {"analysis", [](Reg& r) { r.ComputeAnalysisData(); }},
        {"influence", [](Reg& r) { r.ComputeInfluence(); }},
        // The design copied first: the rows are then formed from it.
        {"design", [](Reg& r) { static_cast<void>(r.Design()); }},
    };
    for (int threads : {1, 4}) {
        for (const auto& [name, first] : readers) {
            EngineContext other;
            other.SetThreads(threads);
            auto reg = LargeModel(other);
            first(*reg);
            ExpectSame(reference, ReadRows(*reg), name);
        }
    }
}

TEST(RegLeverages, ConcurrentFirstReadsGiveTheSameBits) {
    EngineContext context;
    context.SetThreads(1);
    const Read reference = ReadRows(*LargeModel(context));
    EngineContext other;
    other.SetThreads(4);
    auto reg = LargeModel(other);
    std::vector<Read> seen(4);
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) readers.emplace_back([&, t] { seen[static_cast<std::size_t>(t)] = ReadRows(*reg); });
    for (auto& t : readers) t.join();
    for (const Read& r : seen) ExpectSame(reference, r, "concurrent");
}

// A fit after one whose table was read forms the rows in its own residual
// pass; one after an unread fit leaves them for the reader. Same bits.
TEST(RegLeverages, FormedInThePassOrLaterTheSameBits) {
    EngineContext context;
    const Read reference = ReadRows(*LargeModel(context));
    auto reg = LargeModel(context);
    static_cast<void>(reg->GetAnalysisValue(Reg::kRowResidual, 0));
    ASSERT_TRUE(reg->SetModel(4, {2, 2, 2, 2, 1, 2}));  // after a read
    ExpectSame(reference, ReadRows(*reg), "in the pass");
    ASSERT_TRUE(reg->SetModel(4, {2, 2, 2, 2, 1, 2}));
    ASSERT_TRUE(reg->SetModel(4, {2, 2, 2, 2, 1, 2}));  // after an unread fit
    ExpectSame(reference, ReadRows(*reg), "left for the reader");
}

// The rows describe the estimation: values edited after it (not estimated
// again yet) do not reach them.
TEST(RegLeverages, EditsAfterTheFitDoNotReachTheRows) {
    EngineContext context;
    const Read reference = ReadRows(*LargeModel(context));
    auto reg = LargeModel(context);
    std::vector<double> column;
    reg->GetVarValues(1, column);
    for (double& v : column) v = v * 3.0 + 1.0;
    reg->SetVarValues(1, column);
    reg->SetValue(17, 2, 1e6);
    ExpectSame(reference, ReadRows(*reg), "edited");
}

// Clearing the model keeps the PRESS sum of the estimation it had.
TEST(RegLeverages, ResetKeepsThePressOfTheFit) {
    EngineContext context;
    const Read reference = ReadRows(*LargeModel(context));
    auto reg = LargeModel(context);
    reg->ResetModel();
    EXPECT_TRUE(SameBits(reference.pressSum, reg->GetPress()));
}

}  // namespace
