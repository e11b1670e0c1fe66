// The principal component tables: marks at their boundaries, the layout
// of the pages, and that each cell shows the analysis's own value (the
// values themselves are tested with the engine).
#include "stats/pca_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/settings/engine_context.h"
#include "core/text/number_format.h"
#include "support/four_variable_sample.h"
#include "support/model_builder.h"

namespace {

// Ten observations of four variables.
const Columns& kData = kFourVariableSample;

class PcaTablesTest : public ::testing::Test {
protected:
    PcaTablesTest() {
        Matrix raw(10, 4);
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 4; ++j) raw[i][j] = kData[j][i];
        pca_ = std::make_unique<PCA>(context_, std::move(raw), std::vector<std::string>{"a", "b", "c", "d"},
                                     NameInUse{});
    }
    EngineContext context_;
    std::unique_ptr<PCA> pca_;
};

TEST(PcaMarks, LoadingAndOutlierMarksAtTheirBoundaries) {
    struct Case {
        double value;
        const char* loadingMark;
        const char* outlierMark;
        const char* outlierText;
    };
    const Case cases[] = {
            {0.5, "* ", "", "0.50"},        {-0.5, "**", "", "-0.50"},      {0.4999, "", "", "0.50"},
            {-0.4999, "", "", "-0.50"},     {0.0, "", "", "0.00"},          {1.96, "* ", "* ", "1.96"},
            {-1.96, "**", "* ", "-1.96"},   {1.9599, "* ", "", "1.96"},      {2.5758, "* ", "**", "2.58"},
            {-2.5757, "**", "* ", "-2.58"}, {-12.345, "**", "**", "-12.35"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const ResultCell loading = LoadingCell(c.value);
        EXPECT_EQ(loading.mark, c.loadingMark);
        EXPECT_EQ(loading.text, FormatNumber(false, c.value));
        const ResultCell outlier = OutlierCell(c.value);
        EXPECT_EQ(outlier.mark, c.outlierMark);
        EXPECT_EQ(outlier.text, c.outlierText);
        EXPECT_EQ(outlier.value, c.value);
    }
}

TEST_F(PcaTablesTest, EigenPageHeadsWithTheEigenvaluesThenContributionsAndVectors) {
    const PCA& p = *pca_;
    const ResultTable e = PcaEigenTable(p);
    ASSERT_EQ(e.RowCount(), 2 + 4);
    EXPECT_EQ(e.Title(2), FormatNumber(false, p.GetEigenValue(1)));
    EXPECT_EQ(e.Cell(0, 1).text, "累積寄与率");
    EXPECT_EQ(e.Cell(4, 1).value, p.GetCumulativeContribution(3));
    EXPECT_EQ(e.Cell(2, 5).value, p.GetEigenVector(3, 1));
}

TEST_F(PcaTablesTest, RotatedPageNamesTheMethod) {
    EXPECT_EQ(PcaRotatedTable(*pca_).Title(0), "Varimax");
    pca_->SetMethod(PCA::kMethodMinres);
    pca_->Compute(2);
    const ResultTable m = PcaRotatedTable(*pca_);
    EXPECT_EQ(m.Title(0), "Minres");
    EXPECT_EQ(m.ColumnCount(), pca_->FactorCount() + 1);
}

TEST_F(PcaTablesTest, OutlierPageHasTheVariablesThenTheOutlierComponents) {
    const PCA& p = *pca_;
    const PcaObservationTable o(p, PcaObservationTable::Kind::Outliers);
    const int k = p.OutlierComponents();
    ASSERT_EQ(o.ColumnCount(), 4 + k + 1);
    ASSERT_EQ(o.RowCount(), 10);
    EXPECT_EQ(o.Title(4), "d");
    if (k > 0) {
        EXPECT_EQ(o.Title(5), p.GetScoreName(0));
    }
    EXPECT_EQ(o.Cell(0, 4).text, "5");
    for (int i = 0; i < 10; ++i) EXPECT_EQ(o.Cell(4 + k, i), OutlierCell(p.GetOutlierValue(i, 3 + k))) << i;
}

TEST_F(PcaTablesTest, EveryComponentRebuildsTheStandardizedVariable) {
    const PCA& p = *pca_;
    for (int j = 0; j < 4; ++j) {
        const std::vector<double> all = PcaReconstruction(p, j, 3);
        for (int i = 0; i < 10; ++i)
            EXPECT_NEAR(all[static_cast<std::size_t>(i)], p.GetStandardizedValue(i, j), 1e-12) << i << "," << j;
    }
}

}  // namespace
