// Symmetric eigen-decomposition: values in decreasing order, eigenvectors
// as columns with their largest component positive. Expected values from
// mpmath (eigsy, 40 digits), ordered and signed by hand in the same way.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/numeric/matrix.h"
#include "core/numeric/symmetric_eigen.h"

namespace {

struct EigenCase {
    const char* name;
    int n;
    std::vector<double> a;                    // row-major
    std::vector<double> values;               // decreasing
    std::vector<std::vector<double>> vectors; // vectors[j] belongs to values[j]
    double tol;
};

std::vector<double> HilbertFive() {
    std::vector<double> h(25);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) h[i * 5 + j] = 1.0 / (i + j + 1);
    return h;
}

const double kRoot = 0.70710678118654752440;

class SymmetricEigenTest : public ::testing::TestWithParam<EigenCase> {};

TEST_P(SymmetricEigenTest, MatchesIndependentValues) {
    const EigenCase& c = GetParam();
    Matrix m(c.n, c.n);
    for (int i = 0; i < c.n * c.n; ++i) m.Data()[i] = c.a[i];
    Vector values;
    Matrix vectors;
    ASSERT_TRUE(m.Eigen(values, vectors));
    ASSERT_EQ(values.Count(), c.n);
    ASSERT_EQ(vectors.Rows(), c.n);
    for (int j = 0; j < c.n; ++j) {
        EXPECT_NEAR(values.At(j), c.values[j], c.tol * std::max(1.0, std::fabs(c.values[j]))) << "value " << j;
        for (int i = 0; i < c.n; ++i)
            EXPECT_NEAR(vectors[i][j], c.vectors[j][i], c.tol) << "vector " << j << " component " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SymmetricEigenTest,
    ::testing::Values(
        EigenCase{"one_by_one", 1, {-3.5}, {-3.5}, {{1.0}}, 0},
        EigenCase{"diagonal", 3, {2, 0, 0, 0, -1, 0, 0, 0, 5}, {5, 2, -1}, {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, 0},
        EigenCase{"two_by_two", 2, {2, 1, 1, 2}, {3, 1}, {{kRoot, kRoot}, {kRoot, -kRoot}}, 1e-15},
        EigenCase{"indefinite",
                  4,
                  {4, 1, -2, 2, 1, 2, 0, 1, -2, 0, 3, -2, 2, 1, -2, -1},
                  {6.8446211072349657881, 2.2685314064312420364, 1.0843644637732169887, -2.1975169774394248133},
                  {{0.71804595945067962673, 0.22115298815518064649, -0.55735137713750957917, 0.35335647489399291081},
                   {0.20171109662094268274, 0.78944991248743941715, 0.57963416931678781464, 0.010280998686330369177},
                   {0.64226000676603267251, -0.54418784819468696181, 0.52022185093861471214, -0.14398227457619128498},
                   {-0.17670517062447646557, -0.17810046990630067645, 0.28766803431970096988, 0.92428491674611291996}},
                  1e-14},
        // Already tridiagonal: every row is left as it is by the reduction.
        EigenCase{"tridiagonal",
                  4,
                  {4, 1, 0, 0, 1, 3, 2, 0, 0, 2, 1, -1, 0, 0, -1, 5},
                  {5.4557281019453112526, 4.7755068459386145568, 3.2004958602318674272, -0.43173080811579323656},
                  {{-0.27997571590929784288, -0.40756851751142183177, -0.36045087300584522184, 0.79093404920002149494},
                   {0.65348809418584026785, 0.50678449078049726767, 0.1231556193052236618, 0.54859409775831279894},
                   {0.6934224283041012197, -0.55439410203720002974, -0.40228807534976166287, -0.22355495964660396735},
                   {0.11718466274763992994, -0.51933088013737499818, 0.8325095591128400635, 0.15326782355799924725}},
                  1e-14},
        // A zero row and column: the zero eigenvalue sits between the positive
        // and the negative ones, its vector a unit vector with +1.
        EigenCase{"zero_row",
                  5,
                  {3, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2, 0.5, 0, 0, 0, 0.5, -1, 2, 0, 0, 0, 2, 1},
                  {3.6407197243721585001, 2.2785974354558067584, 1.3611354220978672116, 0.0, -2.28045258192583247},
                  {{0.83710619854408561817, 0.0, 0.53635045280139192635, 0.085789137086193100124,
                    0.064974057106033700611},
                   {-0.21613723617407628599, 0.0, 0.15592195646947260623, 0.51915338675544658287,
                    0.81206699209493372905},
                   {-0.50214711512369173092, 0.0, 0.82295111987196272844, -0.047214409414794440519,
                    -0.26147758721934177559},
                   {0.0, 1.0, 0.0, 0.0, 0.0},
                   {0.019651520833140674627, 0.0, -0.10376892392212696174, 0.84905287498598592184,
                    -0.51764374200314662601}},
                  1e-14},
        EigenCase{"hilbert_five",
                  5,
                  HilbertFive(),
                  {1.5670506910982307955, 0.20853421861101333591, 0.011407491623419806559,
                   0.00030589804015119172688, 3.2879287721718629571e-6},
                  {{0.76785473506580713502, 0.4457910604627094436, 0.32157829448022014656, 0.25343894324517510247,
                    0.20982263656363150797},
                   {0.60187147835397290477, -0.27591341743209836048, -0.42487662235152147407,
                    -0.44390303869977372901, -0.42901335368169317128},
                   {-0.21421362414062152742, 0.72410213148010504054, 0.12045327853601633917,
                    -0.30957396985339807881, -0.565193410522133959},
                   {0.047161806831169391279, -0.43266733469442080843, 0.66735044388342132408,
                    0.23302451528044796524, -0.55759994780465887967},
                   {-0.0061738634567225250337, 0.11669274684772953079, -0.50616365835259331418,
                    0.7671911930851368621, -0.37624554543392656323}},
                  1e-12}),
    [](const ::testing::TestParamInfo<EigenCase>& info) { return std::string(info.param.name); });

TEST(SymmetricEigenEdgeTest, SingularMatrixGivesAZeroEigenvalue) {
    // [[1,1],[1,1]]: values 2 and 0.
    Matrix m(2, 2, 1.0);
    Vector values;
    Matrix vectors;
    ASSERT_TRUE(m.Eigen(values, vectors));
    EXPECT_NEAR(values.At(0), 2.0, 1e-15);
    EXPECT_NEAR(values.At(1), 0.0, 1e-15);
}

TEST(SymmetricEigenEdgeTest, UsesTheLeadingSquareBlock) {
    Matrix wide(2, 3, 0.0);
    wide[0][0] = 1; wide[1][1] = 4; wide[0][2] = 99; wide[1][2] = 99;
    Vector values;
    Matrix vectors;
    ASSERT_TRUE(wide.Eigen(values, vectors));
    EXPECT_EQ(values.At(0), 4.0);
    EXPECT_EQ(values.At(1), 1.0);
    EXPECT_EQ(vectors[1][0], 1.0);
}

TEST(SymmetricEigenEdgeTest, EmptyAndNanInputEnd) {
    Vector values(3, 1.0);
    Matrix vectors(3, 3, 1.0);
    EXPECT_TRUE(Matrix().Eigen(values, vectors));
    EXPECT_EQ(values.Count(), 0);
    Matrix nan(3, 3, 1.0);
    nan[1][2] = nan[2][1] = std::numeric_limits<double>::quiet_NaN();
    static_cast<void>(nan.Eigen(values, vectors));  // any outcome, but it must return
    SUCCEED();
}

TEST(SymmetricEigenEdgeTest, LongDoubleAgreesWithDouble) {
    const std::vector<double> h = HilbertFive();
    std::vector<long double> hl(h.begin(), h.end()), values(5), vectors(25);
    ASSERT_TRUE(SymmetricEigen(hl.data(), 5, values.data(), vectors.data(), 5, 5));
    EXPECT_NEAR(static_cast<double>(values[4]), 3.2879287721718629571e-6, 1e-17);
}

}  // namespace
