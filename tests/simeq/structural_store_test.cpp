#include "simeq/structural_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace fs = std::filesystem;

namespace {

// A three-equation system, n = 15: endogenous y1, y2, y3, exogenous x1, x2,
// x3 and the lagged x4. The expected figures come from an exact
// rational-arithmetic two-stage least-squares script.
const Columns& kColumns = SystemColumns();
const std::vector<int> kTypes = SystemTypes();
const std::vector<std::string> kNames = SystemNames();

// Fitted values of y1, y2, y3 on x1 .. x4 and the constant.
const Columns kFirstStage = {
    {8.752643411644907, 12.027974394109176, 9.58450768989816, 12.76796920066879, 7.075642093822132,
     11.115279828848784, 10.047855796045168, 9.609366129564489, 10.418601173042278, 11.813515295775767,
     6.504117351395553, 6.814183873035813, 9.318821000755, 10.975510627782555, 9.674012133611429},
    {6.4722407126609465, 12.363537823948485, 3.5661091492412713, 9.874209044552755, 4.583998670635557,
     4.9926532530926835, 8.688335844365136, 4.336891212300154, 5.398146098175779, 7.38415674624883,
     2.612170103283644, 3.5112281376752175, 4.479737785603907, 9.612178480502443, 4.324406937713188},
    {0.21512517137886544, 0.8165978810292399, 3.4425494705906483, 3.8893841895675134, 4.49066424456175,
     2.6526028110471254, 3.0533257775706253, 0.974320459107638, 2.331312839229921, 0.8269518789272895,
     3.734622069673724, 3.6574592391781473, 1.1383709724766504, 5.457603744644422, 3.119109251016439}};

struct Expected {
    const char* dependent;
    std::vector<std::string> regressors;
    std::vector<double> coef;  // regressors, then the constant
    Rows cov;
    double s2, varY, r2;
    std::vector<double> leverage, fitted;
    double liml;  // smallest root of det(W0 - l W)
};

const std::vector<Expected> kEquations = {
    {"y1", {"y2", "y3", "x1"},
     {0.3385612198532302, 0.15528250726203036, 0.651621491247564, 2.9816138936829364},
     {{0.0026712391708341417, -0.00025032207913989205, -0.0012167749886198742, -0.007740537595033106},
      {-0.00025032207913989205, 0.009505285907503764, 0.002883069793374204, -0.04267186526715487},
      {-0.0012167749886198742, 0.002883069793374204, 0.005446811016977811, -0.036046963486863245},
      {-0.007740537595033106, -0.04267186526715487, -0.036046963486863245, 0.4160736891216167}},
     0.26764754042734584, 3.796666666666667, 0.9295045986582935,
     {0.36466475307526625, 0.5227832756451749, 0.21299427260528592, 0.32652222688308286, 0.29458263449083205,
      0.3098308770364218, 0.16377070642904198, 0.19275685134743184, 0.09234617720336609, 0.21717552266709853,
      0.33199583514315784, 0.2147054239576837, 0.16811748253145908, 0.4373798981938842, 0.150374062790813},
     {9.103471771972465, 12.191160210029345, 10.096671091124172, 12.404941990493702, 7.814520561671697,
      11.401682597464653, 10.424620256364438, 9.07359736684671, 10.49148539722606, 11.47933454522854,
      5.761266023795905, 6.575038735842631, 9.14463012676049, 10.563604091803022, 9.973975233376168},
     1.2200192568260522},
    {"y2", {"y1", "x2"},
     {0.5802327182176195, 0.6634782125237769, -1.7539828634221326},
     {{0.028762615260644987, -0.008129361973209955, -0.25354602373582585},
      {-0.008129361973209955, 0.010179868677196146, 0.045124544058456874},
      {-0.25354602373582585, 0.045124544058456874, 2.398606143870145}},
     1.1133891557057607, 8.91552380952381, 0.875117920215029,
     {0.09718259354090047, 0.34818237947293373, 0.15640178790853965, 0.265716010273793, 0.2678569151523249,
      0.26003140236273287, 0.16238861608992575, 0.1358572704777118, 0.09820401314110187, 0.18013359185652794,
      0.2860110881801348, 0.24422749589541548, 0.11942621443698526, 0.25473199580668043, 0.12364862540429206},
     {6.088726252909088, 11.346107508130512, 3.940622324541154, 10.566085603578115, 5.11065518136975,
      4.653550685263529, 8.792089251202793, 4.264036881372427, 5.690390751202273, 7.215893491621864,
      2.7889785859216274, 2.963048401386913, 3.7584765338378, 10.0940720279585, 4.927266519703656},
     1.254057213303945},
    {"y3", {"x3", "x4"},
     {0.37455852619095914, -0.3594898863636289, 2.3522360593636695},
     {{0.006106439085477543, 0.00026791495987608444, -0.03698227336140066},
      {0.00026791495987608444, 0.007080265247326113, -0.038614439293884646},
      {-0.03698227336140066, -0.038614439293884646, 0.4669006748844929}},
     0.7400259469110311, 2.9055238095238094, 0.7453037746635037,
     {0.2946727571393786, 0.29040715153610863, 0.1563931641058935, 0.24001037018277485, 0.1303388186657346,
      0.30172225604352365, 0.07944862783451796, 0.11859473527025971, 0.16731670801885887, 0.1543261076190605,
      0.15458244069047555, 0.2659788971459132, 0.14921411463265646, 0.32854245010408845, 0.16845140101075554},
     {-0.03223635554891601, 0.2433006416801231, 3.783524272701438, 4.052818067050316, 4.057554405947744,
      2.929789729325127, 2.6432731903184976, 1.3684830842357336, 2.8783406069629747, 1.2410468865511157,
      3.771253613890345, 3.145483661143304, 1.3131606107730711, 5.126982881142233, 3.2772247038268922},
     1.2944082017633451}};

// Covariances between the coefficients of two equations: s_AB P_A Q P_B with
// the observed regressors in Q and s_AB = e_A'e_B / (n - 1); beside it the
// textbook form (first-stage regressors in Q, divisor n), which differs.
struct Cross {
    const char* a;
    const char* b;
    Rows stored;
    Rows textbook;
};
const std::vector<Cross> kCross = {
    {"y1", "y2",
     {{-0.00021788842117825057, -0.0024046055528139866, 0.010223548941314668},
      {-0.0016919506106458078, -6.159080827135154e-05, 0.01673207335182094},
      {-0.006278138311675445, 0.002764299959108367, 0.052010007648365345},
      {0.04718060079532479, -0.0032637926547504892, -0.46967443200430603}},
     {{-5.849354216086548e-05, -0.0022852437638506908, 0.008264940933401778},
      {-0.0005960414425673061, -0.00033534811907012406, 0.006950343423276773},
      {-0.005634515040666858, 0.0025163972920935677, 0.04655855934713131},
      {0.03905370933461975, -0.001638248152854658, -0.3944501030384054}}},
    {"y2", "y3",
     {{-0.0005641808059601981, 0.00030421654959579455, 0.0016952268865100943},
      {-0.0005870536631870938, -0.0010252755824393237, 0.008786174892269261},
      {0.00748657987094115, 0.00048057949316013005, -0.03098176873444348}},
     {{-0.0005265687522295183, 0.00028393544628940807, 0.001582211760742758},
      {-0.0005479167523079542, -0.0009569238769433689, 0.008200429899451309},
      {0.006987474546211741, 0.00044854086028278987, -0.028916317485480614}}}};

class StructuralStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("merlox_rf_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        ctx_.Work().workFolder = dir_.string() + "/";
    }
    void TearDown() override { fs::remove_all(dir_); }

    int FilesInFolder() const {
        return static_cast<int>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    // The model with the given columns, and both tables of the system.
    void Build(const Columns& cols = kColumns, const Columns& firstStage = kFirstStage) {
        model_ = MakeModel(cols, kTypes, kNames, &ctx_);
        const int n = static_cast<int>(cols.front().size());
        const int v = static_cast<int>(cols.size());
        observed_ = std::make_unique<TFileMatrix>(ctx_, n, v, 0.0);
        first_ = std::make_unique<TFileMatrix>(ctx_, n, v, 0.0);
        for (int t = 0; t < n; ++t)
            for (int j = 0; j < v; ++j) {
                observed_->SetValue(t, j, cols[j][t]);
                first_->SetValue(t, j, j < static_cast<int>(firstStage.size()) ? firstStage[j][t] : cols[j][t]);
            }
    }
    int AddEquation(const std::string& left, std::vector<std::string> regressors) {
        regressors.push_back("定数項");
        std::vector<double> ones(regressors.size(), 1.0);
        return model_->AddExpres(Expres(left, static_cast<int>(regressors.size()), false, ones, regressors));
    }
    std::unique_ptr<RegFile> Store(const std::string& left, const std::vector<std::string>& regressors) {
        AddEquation(left, regressors);
        return std::make_unique<RegFile>(*model_, model_->Expressions().IndexOf(left), *first_, *observed_, kNames);
    }

    fs::path dir_;
    EngineContext ctx_;
    std::unique_ptr<Reg> model_;
    std::unique_ptr<TFileMatrix> observed_, first_;
};

TEST_F(StructuralStoreTest, EstimatesMatchTwoStageLeastSquares) {
    Build();
    for (const Expected& e : kEquations) {
        SCOPED_TRACE(e.dependent);
        auto rf = Store(e.dependent, e.regressors);
        const int k = rf->K();
        ASSERT_EQ(k, static_cast<int>(e.coef.size()));
        EXPECT_EQ(rf->N(), 15);
        EXPECT_EQ(rf->Df(), 15 - k);
        std::vector<int> listed;
        for (int i = 0; i < k - 1; ++i) listed.push_back(i);
        listed.push_back(k);
        for (int r = 0; r < k; ++r) {
            ExpectRel(rf->GetCoef(listed[r]), e.coef[r], 1e-11, "coef", r);
            for (int c = 0; c < k; ++c)
                EXPECT_NEAR(rf->GetCov(listed[r], listed[c]), e.cov[r][c], 1e-11 * std::fabs(e.cov[r][r])) << r << c;
        }
        EXPECT_EQ(rf->GetCoef(k - 1), 0.0);
        ExpectRel(rf->S2(), e.s2, 1e-11, "s2", 0);
        ExpectRel(rf->VarY(), e.varY, 1e-12, "varY", 0);
        ExpectRel(rf->R2(), e.r2, 1e-11, "R2", 0);
        std::vector<double> record;
        for (int t = 0; t < 15; ++t) {
            rf->ReadRecord(t, record);
            ExpectRel(record[k], e.fitted[t], 1e-11, "fitted", t);
            ExpectRel(record[k + 2], e.leverage[t], 1e-10, "leverage", t);
            EXPECT_NEAR(rf->GetResidual(t), kColumns[rf->GetColumn(k - 1)][t] - e.fitted[t], 1e-10) << t;
        }
    }
}

TEST_F(StructuralStoreTest, RowFileHoldsOneRecordOfKPlusThreeDoublesPerObservation) {
    Build();
    auto rf = Store("y1", {"y2", "y3", "x1"});
    const int k = 4, width = k + 3;
    std::ifstream in(rf->RowFileName(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(15 * width * 8));
    auto element = [&](int t, int c) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + (width * t + c) * 8;
        std::uint64_t bits = 0;
        for (int b = 7; b >= 0; --b) bits = (bits << 8) | p[b];  // little-endian
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    };
    for (int t = 0; t < 15; ++t) {
        EXPECT_EQ(element(t, 0), kFirstStage[1][t]);  // y2: first-stage values
        EXPECT_EQ(element(t, 1), kFirstStage[2][t]);  // y3
        EXPECT_EQ(element(t, 2), kColumns[3][t]);     // x1: predetermined, observed
        EXPECT_EQ(element(t, 3), kColumns[0][t]);     // y1: observed dependent
        EXPECT_EQ(element(t, 4), kColumns[0][t] - element(t, 5));
        EXPECT_EQ(element(t, 5), rf->GetResidual(t));
        EXPECT_EQ(element(t, 4) + element(t, 5), element(t, 3));
    }
    const std::string name = rf->RowFileName();
    EXPECT_NE(name.find("DUDOR_"), std::string::npos);
    rf.reset();
    EXPECT_FALSE(fs::exists(name));
}

TEST_F(StructuralStoreTest, AccessorsFollowTheIndexing) {
    Build();
    auto rf = Store("y2", {"y1", "x2"});
    EXPECT_EQ(rf->GetName(0), "y1");
    EXPECT_EQ(rf->GetName(1), "x2");
    EXPECT_EQ(rf->GetName(2), "y2");
    EXPECT_EQ(rf->GetName(3), "定数項");
    EXPECT_EQ(rf->IndexOf("x2"), 1);
    EXPECT_EQ(rf->IndexOf("y2"), 2);
    EXPECT_EQ(rf->IndexOf("定数項"), -1);
    EXPECT_EQ(rf->GetColumn(0), 0);
    EXPECT_EQ(rf->GetColumn(1), 4);
    EXPECT_EQ(rf->GetX(3, 0), kColumns[0][3]);  // observed, not the first stage
    EXPECT_EQ(rf->GetX(3, 1), kColumns[4][3]);
    EXPECT_EQ(rf->GetX(3, 2), 1.0);
    EXPECT_THROW(rf->GetName(4), ERangeError);
    EXPECT_THROW(rf->GetColumn(3), ERangeError);
    EXPECT_THROW(rf->GetResidual(15), ERangeError);
}

TEST_F(StructuralStoreTest, LimlRatioMatchesTheSmallestRoot) {
    Build();
    for (const Expected& e : kEquations) {
        SCOPED_TRACE(e.dependent);
        auto rf = Store(e.dependent, e.regressors);
        const LimlRatio r = rf->ComputeLimlRoot();
        ASSERT_TRUE(r.formed) << r.message;
        EXPECT_NEAR(r.value, e.liml, 1e-10);
    }
}

TEST_F(StructuralStoreTest, CrossCovarianceFollowsTheStoredFormulaNotTheTextbookOne) {
    Build();
    std::vector<std::unique_ptr<RegFile>> stores;
    for (const Expected& e : kEquations) stores.push_back(Store(e.dependent, e.regressors));
    auto find = [&](const std::string& dep) {
        for (auto& s : stores)
            if (s->GetName(s->DependentIndex()) == dep) return s.get();
        return static_cast<RegFile*>(nullptr);
    };
    for (const Cross& c : kCross) {
        SCOPED_TRACE(std::string(c.a) + c.b);
        Matrix out(1, 1);
        find(c.a)->CrossCovariance(*find(c.b), out);
        ASSERT_EQ(out.Rows(), static_cast<int>(c.stored.size()));
        ASSERT_EQ(out.Cols(), static_cast<int>(c.stored[0].size()));
        double largestGap = 0.0;
        for (int i = 0; i < out.Rows(); ++i)
            for (int j = 0; j < out.Cols(); ++j) {
                EXPECT_NEAR(out[i][j], c.stored[i][j], 1e-11 + 1e-10 * std::fabs(c.stored[i][j])) << i << j;
                largestGap = std::max(largestGap, std::fabs(out[i][j] - c.textbook[i][j]));
            }
        EXPECT_GT(largestGap, 1e-3);
    }
    // With itself: s2 times the inverse cross-products, the constant last.
    RegFile& y2 = *find("y2");
    Matrix own;
    y2.CrossCovariance(y2, own);
    ASSERT_EQ(own.Rows(), 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(own[i][j], kEquations[1].cov[i][j], 1e-11 * std::fabs(kEquations[1].cov[i][i]));
}

TEST_F(StructuralStoreTest, ConstantOnlyEquationGivesTheMean) {
    Build();
    auto rf = Store("y3", {});
    EXPECT_EQ(rf->K(), 1);
    std::vector<double> record;
    for (int t = 0; t < 15; ++t) {
        rf->ReadRecord(t, record);
        EXPECT_NEAR(record[1], 2.6533333333333333, 1e-13);
        EXPECT_NEAR(record[3], 1.0 / 15.0, 1e-15);
    }
    EXPECT_NEAR(rf->GetCoef(1), 2.6533333333333333, 1e-13);
    EXPECT_NEAR(rf->S2(), 2.9055238095238094, 1e-13);
    EXPECT_NEAR(rf->R2(), 0.0, 1e-14);
}

// Refusals: the equation is not estimated and the data set stays usable.
TEST_F(StructuralStoreTest, CollinearRegressorIsRefused) {
    Columns cols = kColumns;
    for (int t = 0; t < 15; ++t) cols[6][t] = cols[3][t] + 2.0 * cols[5][t];  // x4 = x1 + 2 x3
    Build(cols);
    try {
        Store("y3", {"x1", "x3", "x4"});
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("掃き出し演算"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(FilesInFolder(), 2);  // the two tables only: no row file left
    auto ok = Store("y2", {"y1", "x2"});
    ExpectRel(ok->GetCoef(0), kEquations[1].coef[0], 1e-11, "coef", 0);
}

TEST_F(StructuralStoreTest, ConstantRegressorIsRefused) {
    Columns cols = kColumns;
    cols[6].assign(15, 4.0);
    Build(cols);
    EXPECT_THROW(Store("y3", {"x3", "x4"}), Exception);
}

TEST_F(StructuralStoreTest, NoResidualDegreeOfFreedomIsRefused) {
    Columns cols;
    for (const auto& c : kColumns) cols.emplace_back(c.begin(), c.begin() + 3);
    Columns first;
    for (const auto& c : kFirstStage) first.emplace_back(c.begin(), c.begin() + 3);
    Build(cols, first);
    try {
        Store("y3", {"x3", "x4"});  // n = k = 3
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("自由度不足"), std::string::npos) << e.Message();
    }
}

TEST_F(StructuralStoreTest, ValueThatIsNoNumberIsRefused) {
    Columns cols = kColumns;
    cols[2][6] = std::numeric_limits<double>::infinity();
    Build(cols);
    try {
        Store("y3", {"x3", "x4"});
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("y3"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(FilesInFolder(), 2);
}

// Covariance between equations of different lengths: refused, out kept.
TEST_F(StructuralStoreTest, CrossCovarianceOfDifferentLengthsIsRefusedAndKeepsOut) {
    Build();
    auto full = Store("y2", {"y1", "x2"});
    auto fullModel = std::move(model_);
    auto fullObserved = std::move(observed_);
    auto fullFirst = std::move(first_);
    Columns cols, first;
    for (const auto& c : kColumns) cols.emplace_back(c.begin(), c.begin() + 10);
    for (const auto& c : kFirstStage) first.emplace_back(c.begin(), c.begin() + 10);
    Build(cols, first);
    auto shorter = Store("y3", {"x3"});
    Matrix out(2, 2, 7.0);
    EXPECT_THROW(full->CrossCovariance(*shorter, out), ERangeError);
    ASSERT_EQ(out.Rows(), 2);
    EXPECT_EQ(out[1][1], 7.0);
}

TEST_F(StructuralStoreTest, VariableOutsideTheSystemIsRefused) {
    Build();
    AddEquation("y3", {"x3"});
    std::vector<std::string> names = kNames;
    names[5] = "other";
    EXPECT_THROW(RegFile(*model_, model_->Expressions().IndexOf("y3"), *first_, *observed_, names), Exception);
}

TEST_F(StructuralStoreTest, RowFileWriteErrorIsReportedAndLeavesNoFile) {
    Columns cols(7);
    Columns first(3);
    for (int t = 0; t < 3000; ++t)
        for (int j = 0; j < 7; ++j) {
            cols[j].push_back(kColumns[j][t % 15] + 0.001 * t);
            if (j < 3) first[j].push_back(kFirstStage[j][t % 15] + 0.001 * t);
        }
    Build(cols, first);
    AddEquation("y2", {"y1", "x2"});
    const int index = model_->Expressions().IndexOf("y2");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        RegFile rf(*model_, index, *first_, *observed_, kNames);
    } catch (const EStreamError&) {
        threw = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(FilesInFolder(), 2);
    RegFile again(*model_, index, *first_, *observed_, kNames);
    EXPECT_EQ(again.N(), 3000);
}

// W = 0: y3 is an exact combination of the predetermined variables.
TEST_F(StructuralStoreTest, LimlRatioThatCannotBeFormedReadsImpossible) {
    Columns cols = kColumns;
    for (int t = 0; t < 15; ++t) cols[2][t] = 1.0 + cols[5][t] - cols[6][t];
    Build(cols);
    auto rf = Store("y3", {"x3"});
    const LimlRatio r = rf->ComputeLimlRoot();
    EXPECT_FALSE(r.formed);
    EXPECT_EQ(r.Text(), "不能");
    EXPECT_NE(r.message.find("正定値"), std::string::npos);
}

// Every predetermined variable of the data set included (x4 is not one
// here): W0 = W, a double root at 1 whose discriminant rounds to either side
// of zero.
TEST_F(StructuralStoreTest, DoubleRootIsFormedNotLost) {
    Build();
    model_->SetVarType(6, 0);
    auto rf = Store("y2", {"y1", "x1", "x2", "x3"});
    const LimlRatio r = rf->ComputeLimlRoot();
    ASSERT_TRUE(r.formed) << r.message;
    EXPECT_NEAR(r.value, 1.0, 1e-7);
}

// Data in small units make det W tiny in absolute terms; the ratio does not
// depend on the units.
TEST_F(StructuralStoreTest, LimlRatioDoesNotDependOnTheUnits) {
    Columns cols = kColumns, first = kFirstStage;
    for (auto& c : cols)
        for (double& x : c) x *= 1e-3;
    for (auto& c : first)
        for (double& x : c) x *= 1e-3;
    Build(cols, first);
    for (int e = 0; e < 3; ++e) {
        auto rf = Store(kEquations[e].dependent, kEquations[e].regressors);
        const LimlRatio r = rf->ComputeLimlRoot();
        ASSERT_TRUE(r.formed) << r.message;
        EXPECT_NEAR(r.value, kEquations[e].liml, 1e-8) << e;
    }
}

}  // namespace
