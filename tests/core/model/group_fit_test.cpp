// Least-squares fits on group blocks against ordinary least squares worked
// out in exact rational arithmetic; the column moves, the unusable-block
// and blocked-column rules, and the group data file read back.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/io/data_file.h"
#include "core/model/group_fit.h"
#include "support/model_builder.h"
#include "platform/errors.h"
#include "support/scripted_services.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7};
const std::vector<double> kX2 = {2, 1, 4, 3, 6, 5, 8};
const std::vector<double> kY = {3, 4, 8, 9, 12, 14, 17};

// Columns x1, x2, x3 (a copy of x1), y.
std::unique_ptr<Reg> SampleModel() { return MakeModel({kX1, kX2, kX1, kY}, {}, {"x1", "x2", "x3", "y"}); }

struct Expected {
    const char* name;
    std::vector<std::uint8_t> selection;
    // Constant term first, then the entered columns in order.
    std::vector<double> coef, stdErr;
    double sse, s2, r2, adjR2;
    std::vector<double> residual, leverage;
    int df, selected;
};

const Expected kFits[] = {
    {"x1 and x2; the copy of x1 is blocked", {1, 1, 1, 0},
     {0.07142857142857142, 1.8571428571428572, 0.5},
     {0.27721740529035754, 0.13946874421261884, 0.125},
     0.42857142857142855, 0.10714285714285714, 0.9972826086956522, 0.9959239130434783,
     {0.07142857142857142, -0.2857142857142857, 0.35714285714285715, 0.0, -0.35714285714285715,
      0.2857142857142857, -0.07142857142857142},
     {0.5714285714285714, 0.47619047619047616, 0.2857142857142857, 0.3333333333333333, 0.2857142857142857,
      0.47619047619047616, 0.5714285714285714},
     4, 3},
    {"x1 alone", {1},
     {0.14285714285714285, 2.357142857142857},
     {0.5532833351724882, 0.12371791482634838},
     2.142857142857143, 0.42857142857142855, 0.9864130434782609, 0.9836956521739131,
     {0.5, -0.8571428571428571, 0.7857142857142857, -0.5714285714285714, 0.07142857142857142,
      -0.2857142857142857, 0.35714285714285715},
     {0.4642857142857143, 0.2857142857142857, 0.17857142857142858, 0.14285714285714285, 0.17857142857142858,
      0.2857142857142857, 0.4642857142857143},
     5, 2},
};

}  // namespace

TEST(GroupFit, MatchesOrdinaryLeastSquares) {
    auto reg = SampleModel();
    Group group(*reg, 0, false, "y", "sample");
    ASSERT_TRUE(group.Usable());
    EXPECT_EQ(group.Rows(), 7);
    EXPECT_EQ(group.Cols(), 4);
    for (const Expected& e : kFits) {
        SCOPED_TRACE(e.name);
        const auto fit = group.Estimate("y", &e.selection);
        ASSERT_TRUE(fit.has_value());
        EXPECT_EQ(fit->dependent, 3);
        EXPECT_EQ(fit->residualDf, e.df);
        EXPECT_EQ(fit->CountSelected(), e.selected);
        EXPECT_NEAR(fit->coef[3], e.coef[0], 1e-13);
        EXPECT_NEAR(fit->stdErr[3], e.stdErr[0], 1e-13);
        for (size_t c = 1; c < e.coef.size(); ++c) {
            EXPECT_NEAR(fit->coef[c - 1], e.coef[c], 1e-13) << c;
            EXPECT_NEAR(fit->stdErr[c - 1], e.stdErr[c], 1e-13) << c;
        }
        EXPECT_NEAR(fit->sse, e.sse, 1e-13);
        EXPECT_NEAR(fit->s2, e.s2, 1e-14);
        EXPECT_NEAR(fit->r2, e.r2, 1e-14);
        EXPECT_NEAR(fit->adjR2, e.adjR2, 1e-14);
        EXPECT_NEAR(fit->syy, 157.71428571428572, 1e-12);
        for (int i = 0; i < 7; ++i) {
            EXPECT_NEAR(fit->residual[i], e.residual[i], 1e-13) << i;
            EXPECT_NEAR(fit->leverage[i], e.leverage[i], 1e-13) << i;
            EXPECT_NEAR(fit->fitted[i], kY[i] - e.residual[i], 1e-13) << i;
        }
    }
}

TEST(GroupFit, ExactCopyOfAnEnteredColumnIsBlockedAndSkipped) {
    auto reg = SampleModel();
    Group group(*reg, 0, false, "y", "sample");
    const std::vector<std::uint8_t> all = {1, 1, 1, 1};
    auto fit = group.Estimate("y", &all);
    ASSERT_TRUE(fit.has_value());
    EXPECT_EQ(fit->inModel[0], 1);
    EXPECT_EQ(fit->inModel[2], 0);
    EXPECT_EQ(fit->blocked[2], 1);
    EXPECT_EQ(fit->blocked[3], 1);  // the dependent
    EXPECT_EQ(fit->coef[2], 0.0);
    EXPECT_FALSE(group.ToggleVariable(*fit, 2));
    EXPECT_FALSE(group.ToggleVariable(*fit, 3));
    EXPECT_FALSE(group.ToggleVariable(*fit, 4));  // the constant term stays
    // Removing x1 unblocks its copy.
    ASSERT_TRUE(group.ToggleVariable(*fit, 0));
    EXPECT_EQ(fit->blocked[2], 0);
    EXPECT_EQ(fit->residualDf, 5);
}

TEST(GroupFit, ConstantOnlyFitWithoutSelection) {
    auto reg = SampleModel();
    Group group(*reg, 0, false, "y", "sample");
    const auto fit = group.Estimate("y", nullptr);
    ASSERT_TRUE(fit.has_value());
    EXPECT_NEAR(fit->coef[3], 67.0 / 7.0, 1e-13);
    EXPECT_NEAR(fit->sse, 157.71428571428572, 1e-12);
    EXPECT_EQ(fit->residualDf, 6);
    EXPECT_EQ(fit->CountSelected(), 1);
    EXPECT_EQ(fit->r2, 0.0);
}

TEST(GroupFit, UsableBlockNeedsMoreObservationsThanColumns) {
    struct Row {
        int n;
        bool usable, estimates;
    };
    const Row rows[] = {{5, false, false}, {6, true, false}, {7, true, true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.n);
        Columns cols(5);
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < r.n; ++i) cols[j].push_back((i + 1) * (j + 2) % 7 + i * j);
        auto reg = MakeModel(cols);
        Group group(*reg, 0, false, reg->GetVarName(4), "n");
        EXPECT_EQ(group.Usable(), r.usable);
        EXPECT_EQ(group.Estimate(reg->GetVarName(4), nullptr).has_value(), r.estimates);
    }
}

TEST(GroupFit, DependentMovesIntoTheLastColumnAndBack) {
    auto reg = SampleModel();
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 4; ++j) reg->SetMark(i, j, 1);
    Group group(*reg, 1, false, "y", "sample");
    ASSERT_TRUE(group.Usable());
    ASSERT_TRUE(group.Estimate("x1", nullptr).has_value());
    const char* moved[] = {"y", "x2", "x3", "x1"};
    for (int j = 0; j < 4; ++j) EXPECT_EQ(group.GetVarName(j), moved[j]);
    EXPECT_EQ(group.GetValue(2, 3), 3.0);
    EXPECT_EQ(group.GetValue(2, 0), 8.0);
    ASSERT_TRUE(group.Estimate("y", nullptr).has_value());
    const char* back[] = {"x1", "x2", "x3", "y"};
    for (int j = 0; j < 4; ++j) EXPECT_EQ(group.GetVarName(j), back[j]);
    EXPECT_FALSE(group.Estimate("nothing", nullptr).has_value());
}

TEST(GroupFit, WithoutMaskTheModelsDependentIsUsed) {
    auto reg = SampleModel();
    Group group(*reg, 0, false, "y", "sample");
    const std::vector<std::uint8_t> sel = {1};
    const auto fit = group.Estimate("x2", &sel);
    ASSERT_TRUE(fit.has_value());
    EXPECT_EQ(group.GetVarName(3), "y");
    EXPECT_NEAR(fit->coef[0], 2.357142857142857, 1e-13);
}

TEST(GroupFit, GroupFileHoldsTheBlockAndOnlyTheGroupNames) {
    // Ten observations; x2 carries group 1 on two more cells than the
    // others, so the block has 8 rows and each row keeps its own words.
    const int n = 10;
    Columns cols(3);
    for (int i = 0; i < n; ++i) {
        cols[0].push_back(i);
        cols[1].push_back(i * i % 5);
        cols[2].push_back(2 * i + (i % 3));
    }
    auto reg = MakeModel(cols, {}, {"a", "b", "y"});
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 3; ++j) reg->SetMark(i, j, i % 2 == 0 ? 0x0003 : 0x0001);
    reg->SetMark(8, 1, 1);
    reg->SetMark(9, 1, 1);
    ASSERT_TRUE(reg->SetGroupName(1, "east"));
    ASSERT_TRUE(reg->SetGroupName(2, "west"));
    Group group(*reg, 1, false, "y", "blocks");
    ASSERT_TRUE(group.Usable());
    ASSERT_EQ(group.Rows(), 8);

    const std::string file =
        (std::filesystem::temp_directory_path() / ("merlox_group_" + std::to_string(::getpid()) + ".MDF")).string();
    group.SaveToFile(file, reg->Context());
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.clear();
    in.seekg(0);
    ScriptedServices services;
    LoadedDataFile loaded;
    ReadBinaryDataFile(in, static_cast<std::int64_t>(bytes.size()), loaded, services);
    std::filesystem::remove(file);

    EXPECT_EQ(loaded.name, "blocks");
    EXPECT_EQ(loaded.obs, 8);
    ASSERT_EQ(loaded.vars.size(), 3u);
    const char* names[] = {"a", "b", "y"};
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(loaded.vars[j]->GetName(), names[j]);
        EXPECT_EQ(loaded.vars[j]->GetInfo(), names[j]);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(loaded.vars[j]->At(i), cols[j][i]) << i;
            EXPECT_EQ(loaded.vars[j]->GetMark(i), i % 2 == 0 ? 0x0003 : 0x0001) << i;
        }
    }
    EXPECT_EQ(loaded.dependent, -1);
    EXPECT_EQ(loaded.equations.GetCount(), 0);
    // Only group 1 is in the mask.
    EXPECT_EQ(loaded.groupNames.Count(), 1);
    EXPECT_EQ(loaded.groupNames.GetName(1), "east");

    // One model section, id 3, running to the end of the file.
    auto le32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int b = 3; b >= 0; --b) v = (v << 8) | static_cast<unsigned char>(bytes[at + b]);
        return v;
    };
    const std::uint32_t dataEnd = le32(4);
    EXPECT_EQ(le32(dataEnd), 3u);
    EXPECT_EQ(le32(dataEnd + 4), bytes.size());
}

TEST(GroupFit, ColumnWithoutSpreadIsBlockedFromTheStart) {
    auto reg = MakeModel({kX1, std::vector<double>(7, 5.0), kY}, {}, {"x1", "c", "y"});
    Group group(*reg, 0, false, "y", "flat");
    const std::vector<std::uint8_t> all = {1, 1, 1};
    const auto fit = group.Estimate("y", &all);
    ASSERT_TRUE(fit.has_value());
    EXPECT_EQ(fit->inModel[0], 1);
    EXPECT_EQ(fit->inModel[1], 0);
    EXPECT_EQ(fit->blocked[1], 1);
    EXPECT_NEAR(fit->coef[0], 2.357142857142857, 1e-13);
}
