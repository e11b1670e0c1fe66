#include "stats/correlation_matrices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "support/model_builder.h"

namespace {

// Twelve observations of five variables (columns), a second table of the
// same shape, and their correlation and partial correlation matrices
// (partials: minus the inverse correlation matrix scaled to a unit
// diagonal).
const Columns kData = {
        {5.69, 2.58, 3.24, 9.73, 3.11, 7.92, 5.52, 7.22, 9.94, 5.97, 9.23, 6.46},
        {7.96, 2.95, 4.34, 10.04, 3.2, 5.8, 5.96, 7.77, 10.9, 5.05, 6.99, 7.03},
        {8.16, 2.7, 8.17, 1.72, 0.74, 2.36, 5.95, 2.19, 1.68, 9.83, 8.09, 6.84},
        {5.54, -1.86, 7.47, -0.85, 0.47, 2.0, 7.13, 1.05, -0.8, 7.82, 10.02, 5.82},
        {7.04, 9.9, 1.68, 5.53, 2.64, 3.11, 1.5, 4.48, 7.79, 5.39, 1.15, 6.97}};
const Columns kAlternate = {
        {7.57, 7.29, 2.27, 2.18, 1.34, 3.51, 4.03, 9.56, 5.32, 2.01, 6.35, 2.04},
        {2.57, 4.02, 9.21, 0.53, 1.4, 2.76, 6.62, 1.35, 5.78, 5.2, 8.27, 6.74},
        {5.91, 5.99, 7.63, 3.07, 2.69, 5.86, 5.12, 3.2, 6.86, 3.29, 6.07, 2.22},
        {2.51, 6.48, 3.94, 1.46, 2.87, 0.41, 8.57, 3.25, 6.9, 1.2, 3.0, 8.72},
        {4.74, 4.83, 7.35, 7.29, 4.64, 3.24, 9.81, 7.99, 9.72, 0.87, 7.14, 0.15}};
const Rows kCorrelation = {
        {1.0, 0.8666758420766898, -0.13701665813018285, -0.03479237181624325, -0.018732153029039335},
        {0.8666758420766898, 1.0, -0.1463258229189498, -0.15105020634853308, 0.2069907575257103},
        {-0.13701665813018285, -0.1463258229189498, 1.0, 0.9061563023199984, -0.1973124800048199},
        {-0.03479237181624325, -0.15105020634853308, 0.9061563023199984, 1.0, -0.5501309659817613},
        {-0.018732153029039335, 0.2069907575257103, -0.1973124800048199, -0.5501309659817613, 1.0}};
const Rows kPartial = {
        {1.0, 0.882216057345111, -0.3313685189789322, 0.31853053986152535, 0.09671518690525298},
        {0.882216057345111, 1.0, 0.1627796581092013, -0.158157850072226, 0.06668103663089717},
        {-0.331368518978932, 0.16277965810920123, 1.0, 0.9786278302174308, 0.8454759844514512},
        {0.31853053986152513, -0.1581578500722259, 0.9786278302174307, 1.0, -0.8834403945291316},
        {0.09671518690525274, 0.06668103663089729, 0.8454759844514511, -0.8834403945291315, 1.0}};
// Columns 0, 2 and 4 only.
const Rows kSelectedCorrelation = {
        {1.0, -0.13701665813018285, -0.018732153029039335},
        {-0.13701665813018285, 1.0, -0.1973124800048199},
        {-0.018732153029039335, -0.1973124800048199, 1.0}};
const Rows kSelectedPartial = {
        {1.0, -0.1435597311496675, -0.0471295382172368},
        {-0.1435597311496675, 1.0, -0.2018175676552797},
        {-0.047129538217236804, -0.20181756765527972, 1.0}};
const Rows kAlternateSelectedCorrelation = {
        {1.0, 0.2934406396760968, 0.36659423604621955},
        {0.2934406396760968, 1.0, 0.4569943721164439},
        {0.36659423604621955, 0.4569943721164439, 1.0}};
const Rows kAlternateSelectedPartial = {
        {1.0, 0.15214768427438075, 0.2734211861833951},
        {0.15214768427438075, 1.0, 0.3928622362027355},
        {0.2734211861833951, 0.3928622362027355, 1.0}};
// Column 2 is column 0 plus twice column 1.
const Columns kCollinear = {
        {5.69, 2.58, 3.24, 9.73, 3.11, 7.92, 5.52, 7.22, 9.94, 5.97, 9.23, 6.46},
        {7.96, 2.95, 4.34, 10.04, 3.2, 5.8, 5.96, 7.77, 10.9, 5.05, 6.99, 7.03},
        {21.61, 8.48, 11.92, 29.81, 9.51, 19.52, 17.439999999999998, 22.759999999999998, 31.740000000000002, 16.07, 23.21, 20.52},
        {8.16, 2.7, 8.17, 1.72, 0.74, 2.36, 5.95, 2.19, 1.68, 9.83, 8.09, 6.84}};
const Rows kCollinearCorrelation = {
        {1.0, 0.8666758420766898, 0.9406212586991264, -0.13701665813018285},
        {0.8666758420766898, 1.0, 0.9845596517247962, -0.1463258229189498},
        {0.9406212586991264, 0.9845596517247962, 1.0, -0.14764544593753334},
        {-0.13701665813018285, -0.1463258229189498, -0.14764544593753334, 1.0}};

class CorrelationMatricesTest : public ::testing::Test {
protected:
    std::unique_ptr<TNamedData> Table(const Columns& cols) {
        auto t = std::make_unique<TNamedData>(context_, static_cast<int>(cols[0].size()), static_cast<int>(cols.size()));
        for (int j = 0; j < t->Cols(); ++j) {
            t->SetColumnName(j, "v" + std::to_string(j));
            for (int i = 0; i < t->Rows(); ++i) t->SetValue(i, j, cols[j][i]);
        }
        return t;
    }
    static void SelectEvenColumns(TNamedData& t) {
        t.SetSelected(1, 0);
        t.SetSelected(3, 0);
    }
    EngineContext context_;
};

void ExpectMatrix(const Matrix& actual, const Rows& expected, double tolerance, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_EQ(actual.Rows(), static_cast<int>(expected.size()));
    ASSERT_EQ(actual.Cols(), static_cast<int>(expected.size()));
    for (int i = 0; i < actual.Rows(); ++i)
        for (int j = 0; j < actual.Cols(); ++j) EXPECT_NEAR(actual[i][j], expected[i][j], tolerance) << i << "," << j;
}

TEST_F(CorrelationMatricesTest, AllColumns) {
    auto t = Table(kData);
    const CorrelationMatrices m = ComputeCorrelationMatrices(*t, nullptr, false);
    EXPECT_EQ(m.rows, 12);
    EXPECT_EQ(m.columns, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(m.names[3], "v3");
    ExpectMatrix(m.correlation, kCorrelation, 1e-13, "correlation");
    ASSERT_TRUE(m.partialAvailable);
    ExpectMatrix(m.partial, kPartial, 1e-11, "partial");
}

TEST_F(CorrelationMatricesTest, SelectedColumnsOnly) {
    auto t = Table(kData);
    SelectEvenColumns(*t);
    const CorrelationMatrices m = ComputeCorrelationMatrices(*t, nullptr, true);
    EXPECT_EQ(m.columns, (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(m.names, (std::vector<std::string>{"v0", "v2", "v4"}));
    ExpectMatrix(m.correlation, kSelectedCorrelation, 1e-13, "correlation");
    ASSERT_TRUE(m.partialAvailable);
    ExpectMatrix(m.partial, kSelectedPartial, 1e-12, "partial");
}

TEST_F(CorrelationMatricesTest, AlternateTableWithTheDataTablesSelection) {
    auto t = Table(kData);
    auto alt = Table(kAlternate);
    SelectEvenColumns(*t);
    const CorrelationMatrices m = ComputeCorrelationMatrices(*t, alt.get(), true);
    EXPECT_EQ(m.names, (std::vector<std::string>{"v0", "v2", "v4"}));
    ExpectMatrix(m.correlation, kAlternateSelectedCorrelation, 1e-13, "correlation");
    ASSERT_TRUE(m.partialAvailable);
    ExpectMatrix(m.partial, kAlternateSelectedPartial, 1e-12, "partial");
}

TEST_F(CorrelationMatricesTest, AlternateOfAnotherShapeIsRefused) {
    auto t = Table(kData);
    auto alt = Table({kAlternate[0], kAlternate[1]});
    EXPECT_THROW(ComputeCorrelationMatrices(*t, alt.get(), false), ERangeError);
}

TEST_F(CorrelationMatricesTest, ZeroVarianceColumnKeepsTheCorrelations) {
    Columns cols = kData;
    cols[3].assign(12, 2.5);
    auto t = Table(cols);
    const CorrelationMatrices m = ComputeCorrelationMatrices(*t, nullptr, false);
    EXPECT_FALSE(m.partialAvailable);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            if (i == 3 || j == 3) {
                EXPECT_EQ(m.correlation[i][j], 0.0);
                EXPECT_EQ(CorrelationCellText(m, i, j, false), "-");
            } else {
                EXPECT_NEAR(m.correlation[i][j], kCorrelation[i][j], 1e-13);
            }
        }
    EXPECT_EQ(CorrelationCellText(m, 0, 1, true), "");
}

TEST_F(CorrelationMatricesTest, CollinearColumnsKeepTheCorrelations) {
    auto t = Table(kCollinear);
    const CorrelationMatrices m = ComputeCorrelationMatrices(*t, nullptr, false);
    ExpectMatrix(m.correlation, kCollinearCorrelation, 1e-13, "correlation");
    EXPECT_FALSE(m.partialAvailable);
}

TEST_F(CorrelationMatricesTest, CellTexts) {
    auto t = Table(kData);
    const CorrelationMatrices m = ComputeCorrelationMatrices(*t, nullptr, false);
    struct Case {
        int i, j;
        bool partial;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, false, "1.0000"},  {0, 1, false, "0.8667"}, {0, 4, false, "-0.0187"},
        {0, 1, true, "0.8822"},   {2, 0, true, "-0.3314"}, {4, 4, true, "1.0000"},
    };
    for (const Case& c : cases) EXPECT_EQ(CorrelationCellText(m, c.i, c.j, c.partial), c.text) << c.i << "," << c.j;
}

}  // namespace
