// The Tobit window's tables. The numbers come from the estimator, whose own
// test checks them against an independent maximum-likelihood fit; here a
// result is set by hand so that every cell can be worked out on paper:
// the standard errors and t values, "-" where a variance is not positive,
// the censored residuals, the latent-index prediction and the series the
// displays plot.
#include "estimators/tobit_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "support/expect_exception.h"

namespace {

// x, 1.0, y: two censored observations of four.
std::shared_ptr<TobitProblem> Problem() {
    auto p = std::make_shared<TobitProblem>();
    const double rows[4][3] = {{1.0, 1.0, 0.0}, {2.0, 1.0, 2.0}, {3.0, 1.0, -0.5}, {4.0, 1.0, 4.0}};
    p->data.Resize(4, 3, false);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) p->data[i][j] = rows[i][j];
    p->names = {"x", "定数項"};
    p->depName = "y";
    return p;
}

// coef (1.25, -1), sigma 2; var b0 = 0.25, var b1 not positive, var
// sigma^2 = 0.64.
std::shared_ptr<TobitResult> Result(const TobitProblem& p) {
    auto r = std::make_shared<TobitResult>();
    r->coef = {1.25, -1.0};
    r->sigma = 2.0;
    r->variance = {0.25, -1e-3, 0.64};
    for (int i = 0; i < p.data.Rows(); ++i) r->index.push_back(1.25 * p.data[i][0] - 1.0);
    return r;
}

}  // namespace

TEST(TobitTables, EstimatesAndSigma) {
    auto p = Problem();
    auto r = Result(*p);
    const ResultTable t = TobitEstimateTable(*p, *r);
    ASSERT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.Title(0), "y");
    EXPECT_EQ(t.Cell(0, 1).text, "定数項");
    EXPECT_EQ(t.Cell(1, 0).value, 1.25);
    EXPECT_EQ(t.Cell(2, 0).value, 0.5);   // sqrt 0.25
    EXPECT_EQ(t.Cell(3, 0).value, 2.5);   // 1.25 / 0.5
    EXPECT_EQ(t.Cell(2, 1).Shown(), "-");  // variance not positive
    EXPECT_EQ(t.Cell(3, 1).Shown(), "-");
    EXPECT_EQ(TobitSigmaCell(*r).value, 2.0);
    // sqrt(0.64) / (2 * 2) = 0.2
    EXPECT_NEAR(TobitSigmaStdErrorCell(*r).value, 0.2, 1e-15);
    r->variance[2] = 0.0;
    EXPECT_EQ(TobitSigmaStdErrorCell(*r).Shown(), "-");
}

TEST(TobitTables, ResidualsLeaveTheCensoredOut) {
    auto p = Problem();
    const TobitResidualTable t(p, Result(*p));
    ASSERT_EQ(t.RowCount(), 4);
    const double kNone = std::nan("");
    struct Row {
        int row;
        double index;
        double residual;  // NaN: "-"
        const char* rate;
    } const rows[] = {
        {0, 0.25, kNone, "-"},  // y = 0
        {1, 1.5, 0.5, "+25.00"},
        {2, 2.75, kNone, "-"},  // y < 0
        {3, 4.0, 0.0, "+0.00"},
    };
    for (const Row& c : rows) {
        EXPECT_EQ(t.Cell(2, c.row).value, c.index) << c.row;
        if (std::isnan(c.residual)) {
            EXPECT_EQ(t.Cell(3, c.row).Shown(), "-") << c.row;
        } else {
            EXPECT_EQ(t.Cell(3, c.row).value, c.residual) << c.row;
        }
        EXPECT_EQ(t.Cell(4, c.row).Shown(), c.rate) << c.row;
    }
}

TEST(TobitTables, PredictionIsTheLatentIndex) {
    auto p = Problem();
    auto r = Result(*p);
    EXPECT_EQ(TobitPrediction(*r, {0.4}), -0.5);  // 1.25 * 0.4 - 1
    ExpectExceptionMessage([&] { (void)TobitPrediction(*r, {1.0, 2.0}); }, "説明変数の数が合いません", "count");
}

TEST(TobitTables, DisplaysUseThePositiveObservationsOrAll) {
    auto p = Problem();
    auto r = Result(*p);
    const TobitDisplaySeries left = TobitDisplay(*p, *r, false);
    EXPECT_EQ(left.index, (std::vector<double>{1.5, 4.0}));
    EXPECT_EQ(left.observed, (std::vector<double>{2.0, 4.0}));
    EXPECT_EQ(left.standardized, (std::vector<double>{0.25, 0.0}));
    const TobitDisplaySeries all = TobitDisplay(*p, *r, true);
    EXPECT_EQ(all.standardized, (std::vector<double>{-0.125, 0.25, -1.625, 0.0}));
}
