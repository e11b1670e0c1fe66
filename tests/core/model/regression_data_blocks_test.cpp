// Handing data to the other estimators: blocks chosen by group masks or by
// the model, the design matrices built from them, and read access to the
// model's design matrix. Expected blocks are worked out by hand from the
// marks below; first-stage values were computed with numpy.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/model/regression_data_blocks.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

const Columns kValues = {{1, 2, 3, 4, 5, 6},
                         {2, 1, 4, 3, 6, 5},
                         {0.5, 1.5, 1, 2, 3, 2.5},
                         {10, 11, 12, 13, 14, 15}};

// Variables a, b, c, y. Group 1 (bit 0x1):
//   obs 0: a b . y   obs 1: . b c .   obs 2: a b . .   obs 3: a . c y
//   obs 4: none      obs 5: a b . .
// and group 2 (bit 0x2) only at obs 2, y.
std::unique_ptr<Reg> MakeGrouped() {
    auto reg = MakeModel(kValues, {}, {"a", "b", "c", "y"});
    const int marked[][2] = {{0, 0}, {0, 1}, {0, 3}, {1, 1}, {1, 2}, {2, 0}, {2, 1},
                             {3, 0}, {3, 2}, {3, 3}, {5, 0}, {5, 1}};
    for (const auto& cell : marked) reg->SetMark(cell[0], cell[1], 0x1);
    reg->SetMark(2, 3, 0x2);
    return reg;
}

void ExpectMatrix(const Matrix& m, const Rows& expected) {
    ASSERT_EQ(m.Rows(), static_cast<int>(expected.size()));
    for (int i = 0; i < m.Rows(); ++i) {
        ASSERT_EQ(m.Cols(), static_cast<int>(expected[i].size()));
        for (int j = 0; j < m.Cols(); ++j) EXPECT_NEAR(m[i][j], expected[i][j], 1e-12) << i << "," << j;
    }
}

const std::string kConst = "定数項";

TEST(RegSelectDataBlock, GroupMasks) {
    struct Case {
        std::uint16_t mask;
        int vars, obs;
        std::vector<std::string> names;
        std::vector<std::uint8_t> flags;
    };
    const Case cases[] = {
        // Obs 0 and 3 tie at three cells: the first names the variables.
        // c and y tie at two cells: the last (y) names the observations.
        {0x1, 3, 2, {"a", "b", "y"}, {1, 0, 0, 1, 0, 0}},
        {0x2, 1, 1, {"y"}, {0, 0, 1, 0, 0, 0}},
        // With both groups y has three cells and c alone is the fewest.
        {0x3, 3, 2, {"a", "b", "y"}, {0, 1, 0, 1, 0, 0}},
    };
    auto reg = MakeGrouped();
    for (const Case& c : cases) {
        std::vector<std::uint8_t> flags;
        std::vector<std::string> names = {"stale"};
        int vars = -1, obs = -1;
        EXPECT_TRUE(SelectDataBlock(*reg, c.mask, false, &flags, &names, vars, obs)) << c.mask;
        EXPECT_EQ(vars, c.vars) << c.mask;
        EXPECT_EQ(obs, c.obs) << c.mask;
        EXPECT_EQ(names, c.names) << c.mask;
        EXPECT_EQ(flags, c.flags) << c.mask;
    }
}

TEST(RegSelectDataBlock, EmptyMaskFillsNothing) {
    auto reg = MakeGrouped();
    std::vector<std::uint8_t> flags = {9};
    std::vector<std::string> names = {"kept"};
    int vars = -1, obs = -1;
    EXPECT_FALSE(SelectDataBlock(*reg, 0x4, false, &flags, &names, vars, obs));
    EXPECT_EQ(vars, 0);
    EXPECT_EQ(obs, 0);
    EXPECT_EQ(names, std::vector<std::string>{"kept"});
    EXPECT_EQ(flags, std::vector<std::uint8_t>{9});
}

TEST(RegSelectDataBlock, WithoutMaskAllOrModelVariables) {
    auto reg = MakeGrouped();
    ASSERT_TRUE(reg->SetModel(1, {2, 1, 2, 0, 2}));
    std::vector<std::uint8_t> flags;
    std::vector<std::string> names;
    int vars = 0, obs = 0;
    EXPECT_TRUE(SelectDataBlock(*reg, 0, false, &flags, &names, vars, obs));
    EXPECT_EQ(vars, 4);
    EXPECT_EQ(obs, 6);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "y"}));
    EXPECT_EQ(flags, std::vector<std::uint8_t>(6, 1));
    EXPECT_TRUE(SelectDataBlock(*reg, 0, true, nullptr, &names, vars, obs));
    EXPECT_EQ(vars, 3);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(RegBuildDesignMatrix, PerGroupWithSelection) {
    struct Case {
        std::vector<std::uint8_t> selection;
        std::string dependent;
        std::vector<std::string> names;
        Rows rows;
    };
    // Block of group 1: observations 0 and 3, variables a, b, y.
    const Case cases[] = {
        {{1, 1, 1}, "y", {"a", "b", "y", kConst}, {{1, 2, 10, 1}, {4, 3, 13, 1}}},
        {{1, 0, 1}, "y", {"a", "y", kConst}, {{1, 10, 1}, {4, 13, 1}}},
        // The dependent variable first in the block still goes to m - 1.
        {{1, 1, 1}, "a", {"b", "y", "a", kConst}, {{2, 10, 1, 1}, {3, 13, 4, 1}}},
        // A name outside the block leaves column m - 1 at 1.0.
        {{1, 1, 1}, "zzz", {"a", "b", "", kConst}, {{1, 2, 1, 1}, {4, 3, 1, 1}}},
        // A short selection array selects nothing beyond its end.
        {{1}, "a", {"a", kConst}, {{1, 1}, {4, 1}}},
    };
    auto reg = MakeGrouped();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dependent + " " + std::to_string(c.selection.size()));
        std::vector<std::string> names;
        Matrix m;
        EXPECT_NO_THROW(BuildDesignMatrix(*reg, 0x1, &c.selection, false, false, names, m, c.dependent));
        EXPECT_EQ(names, c.names);
        ExpectMatrix(m, c.rows);
    }
}

TEST(RegBuildDesignMatrix, WithoutSelectionConstantBeforeDependent) {
    auto reg = MakeGrouped();
    ASSERT_TRUE(reg->SetModel(1, {2, 1, 2, 0, 2}));
    std::vector<std::string> names;
    Matrix m;
    EXPECT_NO_THROW(BuildDesignMatrix(*reg, 0, nullptr, false, false, names, m, "b"));
    EXPECT_EQ(names, (std::vector<std::string>{"a", "c", kConst, "b"}));
    Rows rows;
    for (int i = 0; i < 6; ++i) rows.push_back({kValues[0][i], kValues[2][i], 1.0, kValues[1][i]});
    ExpectMatrix(m, rows);

    Matrix t;
    EXPECT_NO_THROW(BuildDesignMatrix(*reg, 0, nullptr, true, false, names, t, "b"));
    Rows columns = {kValues[0], kValues[2], std::vector<double>(6, 1.0), kValues[1]};
    ExpectMatrix(t, columns);
}

TEST(RegBuildDesignMatrix, EmptyBlocksThrowDerr) {
    auto reg = MakeGrouped();
    std::vector<std::string> names = {"kept"};
    Matrix m;
    const std::vector<std::uint8_t> none = {0, 0, 0};
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (attempt == 0)
                BuildDesignMatrix(*reg, 0x8, nullptr, false, false, names, m, "y");
            else
                BuildDesignMatrix(*reg, 0x1, &none, false, false, names, m, "y");
            ADD_FAILURE() << "no exception, attempt " << attempt;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "DERR");
        }
    }
    EXPECT_EQ(names, std::vector<std::string>{"kept"});
}

TEST(RegBuildDesignMatrix, TwoStageValuesForEndogenousColumns) {
    // Exogenous x0..x3, endogenous y2, y3, y1; y1 on x0, y2, y3.
    const Columns& sem = SemColumns();
    // First-stage fits of y2 and y3 on the constant and x0..x3.
    const std::vector<double> yhat2 = {7.964270221123128, 6.56360534829113,  5.306640311334187,  4.254093467223809,
                                       4.925952397100273, 3.604559363999137, 5.176805618944041,  5.158513165320407,
                                       6.072689571543371, 0.8552666328114908, 8.262945250719055, 6.344048061851009,
                                       6.123683428250899, 3.8669271614880576};
    const std::vector<double> yhat3 = {6.470573114448191, 2.6007886234140027, 3.115810976008436, 3.6811176726293158,
                                       2.9957917201177713, 5.321141973098388, 3.2210933002974595, 2.158682770487978,
                                       5.602113415077309, 4.765906176971011, 2.3801151415070865, 4.713459650691961,
                                       4.336718204685592, 1.3866872605654974};
    auto model = MakeModel(sem, SemTypes(), {"v0", "v1", "v2", "v3", "v4", "v5", "v6"});
    Reg& reg = *model;
    reg.SetTwoStage(true);
    ASSERT_TRUE(reg.SetModel(6, {2, 0, 0, 0, 2, 2, 1, 2}));
    std::vector<std::string> names;
    Matrix m;
    EXPECT_NO_THROW(BuildDesignMatrix(reg, 0, nullptr, false, true, names, m, "v6"));
    EXPECT_EQ(names, (std::vector<std::string>{"v0", "v4", "v5", kConst, "v6"}));
    Rows rows;
    for (int i = 0; i < 14; ++i) rows.push_back({sem[0][i], yhat2[i], yhat3[i], 1.0, sem[6][i]});
    ExpectMatrix(m, rows);
    // Without two-stage values the observed ones.
    EXPECT_NO_THROW(BuildDesignMatrix(reg, 0, nullptr, false, false, names, m, "v6"));
    EXPECT_EQ(m[0][1], 7.84);
    EXPECT_EQ(m[0][2], 6.39);
}

TEST(RegDesignAccess, ColumnsRowsAndStatistics) {
    auto reg = MakeGrouped();
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 0, 1, 2}));
    std::vector<double> col, row;
    GetDesignColumn(*reg, 2, col);
    EXPECT_EQ(col, kValues[2]);
    GetDesignColumn(*reg, 4, col);
    EXPECT_EQ(col, std::vector<double>(6, 1.0));
    GetDesignRow(*reg, 3, row);
    EXPECT_EQ(row, (std::vector<double>{4, 3, 2, 13, 1}));
    // c: mean 10.5 / 6, sample sd by hand, max 3, min 0.5.
    EXPECT_NEAR(GetDesignMean(*reg, 2), 1.75, 1e-15);
    EXPECT_NEAR(GetDesignStdDev(*reg, 2), std::sqrt(4.375 / 5.0), 1e-15);
    EXPECT_EQ(GetDesignMax(*reg, 2), 3.0);
    EXPECT_EQ(GetDesignMin(*reg, 2), 0.5);
    EXPECT_THROW(GetDesignColumn(*reg, 5, col), ERangeError);
    EXPECT_THROW(GetDesignRow(*reg, 6, row), ERangeError);
    EXPECT_THROW(GetDesignMean(*reg, -1), ERangeError);
}

TEST(RegCopyColumnTo, DesignOrObservedValuesIntoAColumn) {
    auto reg = MakeGrouped();
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 0, 1, 2}));
    Matrix m(4, 2, -1.0);  // fewer rows than observations: the first four
    CopyColumnTo(*reg, m, 1, true, 1);
    CopyColumnTo(*reg, m, 0, false, 4);  // the constant term
    ExpectMatrix(m, {{1, 2}, {1, 1}, {1, 4}, {1, 3}});
    Matrix big(8, 1, -1.0);  // more rows: the rest untouched
    CopyColumnTo(*reg, big, 0, false, 3);
    ExpectMatrix(big, {{10}, {11}, {12}, {13}, {14}, {15}, {-1}, {-1}});
    EXPECT_THROW(CopyColumnTo(*reg, m, 2, true, 0), ERangeError);
    EXPECT_THROW(CopyColumnTo(*reg, m, 0, true, 5), ERangeError);
}

}  // namespace
