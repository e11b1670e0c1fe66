// The data set: construction, variable and observation edits, the sort and
// its inverse, cell access, moments and correlations, names and properties.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <bit>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/data/data_set.h"
#include "core/numeric/thread_pool.h"
#include "platform/errors.h"

namespace {

std::vector<double> Column(const Data& d, int j) {
    std::vector<double> out;
    d.GetVarValues(j, out);
    return out;
}

std::vector<std::uint16_t> Marks(const Data& d, int j) {
    std::vector<std::uint16_t> out;
    for (int i = 0; i < d.GetObsCount(); ++i) out.push_back(d.GetMark(i, j));
    return out;
}

// Fills a 4 x 3 data set with the rows below and clears modified.
void Fill(Data& d) {
    const double rows[4][3] = {{1.0, 2.0, 0.5}, {3.0, 1.0, 1.5}, {4.0, 7.0, -2.0}, {-2.0, 5.0, 0.0}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) d.SetValue(i, j, rows[i][j]);
    d.SetModified(false);
}

}  // namespace

TEST(DataSetTest, NewDataSet) {
    const Data d(3, 2, "name");
    EXPECT_EQ(d.GetObsCount(), 3);
    EXPECT_EQ(d.GetVarCount(), 2);
    EXPECT_EQ(d.GetVarName(0), "VAR0");
    EXPECT_EQ(d.GetVarName(1), "VAR1");
    EXPECT_EQ(d.GetVarInfo(0), "VAR0");
    EXPECT_EQ(d.GetVarInfo(1), "VAR1");
    EXPECT_EQ(d.GetName(), "name");
    EXPECT_EQ(d.GetInfo(), "name");
    EXPECT_EQ(Column(d, 1), (std::vector<double>{0.0, 0.0, 0.0}));
    EXPECT_FALSE(d.IsModified());
    EXPECT_FALSE(d.HasMarks());

    const Data e(0, 4, "x");
    EXPECT_EQ(e.GetObsCount(), 0);
    EXPECT_EQ(e.GetVarCount(), 0);
    EXPECT_EQ(e.GetName(), "");
}

TEST(DataSetTest, ConstantTerm) {
    Data d(4, 3, "sample");
    Fill(d);
    EXPECT_EQ(d.FindVar("定数項"), 3);
    EXPECT_EQ(d.GetVarName(3), "定数項");
    EXPECT_EQ(d.GetVarInfo(3), "定数項");
    EXPECT_EQ(d.GetVarType(3), 2);
    EXPECT_EQ(d.FindVar("nothing"), -1);
    EXPECT_EQ(d.FindVar("VAR2"), 2);
    EXPECT_EQ(d.FindVar("var2"), -1);
    d.DeleteVarByName("定数項");
    EXPECT_EQ(d.GetVarCount(), 3);
    EXPECT_FALSE(d.IsModified());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d.GetValue(i, 3), 1.0);
        EXPECT_EQ(d.GetValue(i, -1), 1.0);
    }
}

TEST(DataSetTest, GetValueOutsideTableRaises) {
    Data d(4, 3, "sample");
    Fill(d);
    EXPECT_EQ(d.GetValue(2, 1), 7.0);
    EXPECT_THROW(d.GetValue(4, 0), ERangeError);
    EXPECT_THROW(d.GetValue(-1, 0), ERangeError);
    // The constant term and invalid columns are 1.0 at any observation.
    EXPECT_EQ(d.GetValue(4, 3), 1.0);
    EXPECT_EQ(d.GetValue(-1, -1), 1.0);
    EXPECT_EQ(d.GetValue(100, 4), 1.0);
    EXPECT_THROW(d.GetVar(3), ERangeError);
    EXPECT_THROW(d.GetVarName(-1), ERangeError);
}

TEST(DataSetTest, MomentsAndCorrelationsAgainstNumpy) {
    Data d(4, 3, "sample");
    Fill(d);
    // numpy: means, deviation cross-products D'D and corrcoef of the rows.
    const double mean[3] = {1.5, 3.75, 0.0};
    const double s[3][3] = {{21.0, 0.5, -3.0}, {0.5, 22.75, -11.5}, {-3.0, -11.5, 6.5}};
    const double r[3][3] = {{1.0, 0.02287545054358387, -0.25677629550654774},
                            {0.02287545054358387, 1.0, -0.9456936252285786},
                            {-0.25677629550654774, -0.9456936252285786, 1.0}};
    const double sd[3] = {2.6457513110645907, 2.753785273643051, 1.4719601443879744};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(d.GetMoment(3, i), mean[i], 1e-15);
        EXPECT_NEAR(d.GetMoment(i, 3), -mean[i], 1e-15);
        EXPECT_NEAR(d.GetMean(i), mean[i], 1e-15);
        EXPECT_NEAR(d.GetStdDev(i), sd[i], 1e-14);
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(d.GetMoment(i, j), s[i][j], 1e-13);
            EXPECT_NEAR(d.GetCorrelation(i, j), r[i][j], 1e-14);
        }
    }
    EXPECT_DOUBLE_EQ(d.GetMoment(3, 3), 0.25);
    EXPECT_EQ(d.GetMax(1), 7.0);
    EXPECT_EQ(d.GetMin(0), -2.0);
}

TEST(DataSetTest, SetValueAndModifiedFlag) {
    Data d(4, 3, "sample");
    Fill(d);
    d.SetValue(1, 0, 3.0);  // already stored
    EXPECT_FALSE(d.IsModified());
    d.SetValue(1, 7, 9.0);  // no such variable
    EXPECT_FALSE(d.IsModified());
    d.SetValue(1, 0, 5.0);
    EXPECT_TRUE(d.IsModified());
    EXPECT_EQ(d.GetMean(0), 2.0);  // (1 + 5 + 4 - 2) / 4
    EXPECT_EQ(d.GetMax(0), 5.0);
    EXPECT_DOUBLE_EQ(d.GetMoment(3, 0), 2.0);
}

TEST(DataSetTest, ConstantVariableHasZeroCorrelation) {
    Data d(3, 2, "c");
    d.SetValue(0, 0, 1.0);
    d.SetValue(1, 0, 2.0);
    for (int i = 0; i < 3; ++i) d.SetValue(i, 1, 5.0);
    EXPECT_EQ(d.GetCorrelation(0, 1), 0.0);
    EXPECT_EQ(d.GetCorrelation(1, 1), 0.0);
    EXPECT_EQ(d.GetCorrelation(0, 0), 1.0);
}

TEST(DataSetTest, ObservationInsertAppendDelete) {
    Data d(4, 3, "sample");
    Fill(d);
    const double v[3] = {9.0, 8.0, 7.0};
    const std::uint16_t m[3] = {1, 2, 4};
    EXPECT_FALSE(d.InsertObservation(5, v));
    EXPECT_FALSE(d.InsertObservation(-1, v));
    EXPECT_EQ(d.GetObsCount(), 4);
    EXPECT_FALSE(d.IsModified());
    EXPECT_TRUE(d.InsertObservation(4, v, m));  // i = n appends
    EXPECT_EQ(d.GetObsCount(), 5);
    EXPECT_EQ(Column(d, 0), (std::vector<double>{1.0, 3.0, 4.0, -2.0, 9.0}));
    EXPECT_EQ(d.GetMark(4, 2), 4);
    EXPECT_TRUE(d.IsModified());
    EXPECT_EQ(d.GetMean(0), 3.0);

    EXPECT_TRUE(d.InsertObservation(0, v));
    EXPECT_EQ(Column(d, 1), (std::vector<double>{8.0, 2.0, 1.0, 7.0, 5.0, 8.0}));
    EXPECT_EQ(d.GetMark(0, 1), 0);

    DataString shortRow(2, 0, 1.0);
    EXPECT_FALSE(d.AppendObservationCells(shortRow));
    DataString row(3, 8, -1.0);
    EXPECT_TRUE(d.AppendObservationCells(row));
    EXPECT_TRUE(d.InsertObservationCells(1, row));
    EXPECT_EQ(d.GetObsCount(), 8);
    EXPECT_EQ(d.GetValue(1, 2), -1.0);
    EXPECT_EQ(d.GetMark(7, 0), 8);
    EXPECT_FALSE(d.AppendObservation(std::vector<double>{1.0, 2.0}));

    d.DeleteObservation(0);
    d.DeleteObservation(99);
    EXPECT_EQ(d.GetObsCount(), 7);
    EXPECT_EQ(Column(d, 0), (std::vector<double>{-1.0, 1.0, 3.0, 4.0, -2.0, 9.0, -1.0}));
    for (int j = 0; j < 3; ++j) EXPECT_EQ(d.GetVar(j).Marks().size(), 7u);
}

TEST(DataSetTest, VariableAddInsertDeleteSwap) {
    Data d(4, 3, "sample");
    Fill(d);
    Var shortVar("short", "s", 2, 6.0);
    d.AddVar(shortVar);
    EXPECT_EQ(shortVar.Count(), 4);  // the caller's variable is padded
    EXPECT_EQ(Column(d, 3), (std::vector<double>{6.0, 6.0, 0.0, 0.0}));
    EXPECT_EQ(d.GetVarCount(), 4);
    EXPECT_EQ(d.FindVar("定数項"), 4);
    EXPECT_EQ(d.Moments().Rows(), 5);
    EXPECT_EQ(d.Correlations().Rows(), 4);
    EXPECT_EQ(d.GetMean(3), 3.0);

    Var ins("ins", "", 4, 2.0);
    d.InsertVar(1, ins);
    EXPECT_EQ(d.GetVarName(1), "ins");
    EXPECT_EQ(d.GetVarName(2), "VAR1");
    Var tooLong("long", "", 9, 1.0);
    d.InsertVar(0, tooLong);
    EXPECT_EQ(d.GetVar(0).Count(), 4);
    EXPECT_EQ(tooLong.Count(), 9);  // only the copy is cut
    d.InsertVar(-1, tooLong);
    EXPECT_EQ(d.GetVarCount(), 6);
    d.InsertVar(50, ins);
    EXPECT_EQ(d.GetVarName(6), "ins");

    d.DeleteVar(0);
    d.DeleteVar(42);
    d.DeleteVarByName("short");
    EXPECT_EQ(d.GetVarCount(), 5);
    EXPECT_EQ(d.GetVarName(0), "VAR0");
    EXPECT_EQ(d.GetVarName(4), "ins");

    d.SetModified(false);
    d.SwapVars(0, 2);
    EXPECT_TRUE(d.IsModified());
    EXPECT_EQ(d.GetVarName(0), "VAR1");
    EXPECT_EQ(d.GetVarName(2), "VAR0");
    EXPECT_NEAR(d.GetMoment(5, 0), 3.75, 1e-15);
    EXPECT_NEAR(d.GetMoment(0, 0), 22.75, 1e-13);
}

TEST(DataSetTest, SwapObservations) {
    Data d(4, 3, "sample");
    Fill(d);
    d.SetMark(0, 1, 5);
    d.SwapObservations(0, 3);
    EXPECT_EQ(Column(d, 1), (std::vector<double>{5.0, 1.0, 7.0, 2.0}));
    EXPECT_EQ(d.GetMark(3, 1), 5);
    EXPECT_EQ(d.GetMark(0, 1), 0);
    EXPECT_TRUE(d.IsModified());
    d.SetModified(false);
    d.SwapObservations(2, 2);
    d.SwapObservations(1, 9);
    EXPECT_FALSE(d.IsModified());
}

TEST(DataSetTest, SortSmall) {
    Data d(3, 2, "s");
    const double x[3] = {3.0, 1.0, 2.0};
    for (int i = 0; i < 3; ++i) {
        d.SetValue(i, 0, x[i]);
        d.SetValue(i, 1, 10.0 * (i + 1));
        d.SetMark(i, 1, static_cast<std::uint16_t>(i + 1));
    }
    std::vector<int> order;
    d.SortObservations(0, true, &order);
    EXPECT_EQ(Column(d, 0), (std::vector<double>{1.0, 2.0, 3.0}));
    EXPECT_EQ(Column(d, 1), (std::vector<double>{20.0, 30.0, 10.0}));
    EXPECT_EQ(Marks(d, 1), (std::vector<std::uint16_t>{2, 3, 1}));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 0}));

    d.RestoreObservationOrder(order);
    EXPECT_EQ(Column(d, 0), (std::vector<double>{3.0, 1.0, 2.0}));
    EXPECT_EQ(Column(d, 1), (std::vector<double>{10.0, 20.0, 30.0}));
    EXPECT_EQ(Marks(d, 1), (std::vector<std::uint16_t>{1, 2, 3}));
}

TEST(DataSetTest, SortWithTiesBothDirections) {
    // Expected orders from an independent Python run of the diminishing-
    // increment exchange sort on these keys.
    const std::vector<double> keys = {5.0, 2.0, 9.0, 2.0, 7.0, 5.0, 1.0, 8.0, 2.0, 6.0};
    const struct {
        bool ascending;
        std::vector<double> sorted;
        std::vector<int> order;
    } cases[] = {
        {true, {1, 2, 2, 2, 5, 5, 6, 7, 8, 9}, {6, 1, 8, 3, 5, 0, 9, 4, 7, 2}},
        {false, {9, 8, 7, 6, 5, 5, 2, 2, 2, 1}, {2, 7, 4, 9, 0, 5, 3, 1, 8, 6}},
    };
    for (const auto& c : cases) {
        Data d(10, 2, "t");
        for (int i = 0; i < 10; ++i) {
            d.SetValue(i, 0, keys[static_cast<std::size_t>(i)]);
            d.SetValue(i, 1, i);
            d.SetMark(i, 0, static_cast<std::uint16_t>(100 + i));
        }
        const double sd = d.GetStdDev(0);
        std::vector<int> order;
        d.SortObservations(0, c.ascending, &order);
        EXPECT_EQ(Column(d, 0), c.sorted);
        EXPECT_EQ(order, c.order);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(d.GetValue(i, 1), c.order[static_cast<std::size_t>(i)]);
            EXPECT_EQ(d.GetMark(i, 0), 100 + c.order[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(d.GetStdDev(0), sd);
        d.RestoreObservationOrder(order);
        EXPECT_EQ(Column(d, 0), keys);
        EXPECT_EQ(d.GetValue(7, 1), 7.0);
        EXPECT_EQ(d.GetMark(9, 0), 109);
    }
}

TEST(DataSetTest, SortEdgeCases) {
    Data d(4, 1, "c");
    for (int i = 0; i < 4; ++i) d.SetValue(i, 0, 2.0);
    d.SetMark(2, 0, 9);
    d.SetModified(false);
    std::vector<int> order;
    d.SortObservations(0, false, &order);
    EXPECT_TRUE(d.IsModified());
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(d.GetMark(2, 0), 9);

    Data one(1, 1, "o");
    one.SetValue(0, 0, 4.0);
    one.SortObservations(0, true, &order);
    EXPECT_EQ(order, (std::vector<int>{0}));
    EXPECT_EQ(one.GetValue(0, 0), 4.0);

    // An order that is not a permutation is refused without change.
    EXPECT_THROW(d.RestoreObservationOrder({0, 0, 1, 2}), ERangeError);
    EXPECT_THROW(d.RestoreObservationOrder({0, 1, 2}), ERangeError);
    EXPECT_THROW(d.RestoreObservationOrder({0, 1, 2, 4}), ERangeError);
    EXPECT_EQ(d.GetMark(2, 0), 9);
}

TEST(DataSetTest, MarksAndGroups) {
    Data d(4, 3, "sample");
    Fill(d);
    EXPECT_FALSE(d.HasMarks());
    EXPECT_FALSE(d.HasGroup(1));
    d.SetMark(1, 1, 0x8000);
    EXPECT_TRUE(d.IsModified());
    EXPECT_TRUE(d.HasMarks());
    EXPECT_TRUE(d.HasGroup(16));
    EXPECT_FALSE(d.HasGroup(15));
    EXPECT_FALSE(d.HasGroup(0));
    EXPECT_FALSE(d.HasGroup(-1));
    EXPECT_EQ(d.GetMark(9, 0), 0);
    EXPECT_EQ(d.GetMark(0, 3), 0);
    d.SetModified(false);
    d.SetMark(1, 1, 0x8000);
    d.SetMark(4, 0, 1);
    d.SetMark(0, -1, 1);
    EXPECT_FALSE(d.IsModified());
}

TEST(DataSetTest, ColumnsAndRows) {
    Data d(4, 3, "sample");
    Fill(d);
    std::vector<double> row;
    d.GetObservation(2, row);
    EXPECT_EQ(row, (std::vector<double>{4.0, 7.0, -2.0}));
    EXPECT_THROW(d.GetObservation(4, row), ERangeError);
    d.SetVarValues(2, std::vector<double>{1.0, 2.0, 3.0, 6.0});
    EXPECT_EQ(d.GetMean(2), 3.0);
    EXPECT_TRUE(d.IsModified());
    EXPECT_THROW(d.SetVarValues(2, std::vector<double>{1.0}), ERangeError);
}

TEST(DataSetTest, NamesTypesAndProperties) {
    Data d(4, 3, "sample");
    Fill(d);
    d.SetVarName(0, "VAR0");
    d.SetVarType(0, 0);
    d.SetName("sample");
    EXPECT_FALSE(d.IsModified());
    d.SetVarName(0, "所得");
    d.SetVarInfo(0, "家計の所得");
    d.SetVarType(0, 1);
    EXPECT_TRUE(d.IsModified());
    EXPECT_EQ(d.FormatVarProperty(0), "所得/en/家計の所得");
    d.SetVarType(1, 3);
    EXPECT_EQ(d.FormatVarProperty(1), "VAR1/lg/VAR1");
    d.SetVarType(1, 9);
    EXPECT_EQ(d.FormatVarProperty(1), "VAR1/nd/VAR1");
    EXPECT_THROW(d.SetVarName(1, "\xF0\x9F\x98\x80"), EConvertError);
    EXPECT_EQ(d.GetVarName(1), "VAR1");
    EXPECT_THROW(d.SetInfo("\xF0\x9F\x98\x80"), EConvertError);

    d.SetModified(false);
    d.ApplyVarProperty("VAR2 / ex / third column");
    EXPECT_EQ(d.GetVarType(2), 2);
    EXPECT_EQ(d.GetVarInfo(2), "third column");
    d.ApplyVarProperty("missing/en/x");
    d.ParseProperty("@name=\"新しい名前\"");
    d.ParseProperty("@info=\"comment\"");
    d.ParseProperty("@other=\"ignored\"");
    EXPECT_EQ(d.GetName(), "新しい名前");
    EXPECT_EQ(d.GetInfo(), "comment");
    EXPECT_FALSE(d.IsModified());
    EXPECT_THROW(d.ParseProperty(""), ERangeError);
}

// --- derived values recomputed when read ------------------------------------

namespace {

// Bits of a double, so that NaNs compare too.
std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

// n x k values near 1e6 with noise, so every sum rounds.
void FillRandom(Data& d, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> noise(0.0, 3.0);
    std::vector<double> column(static_cast<std::size_t>(d.GetObsCount()));
    for (int j = 0; j < d.GetVarCount(); ++j) {
        for (double& x : column) x = 1e6 * (j + 1) + noise(rng);
        d.SetVarValues(j, column);
    }
}

// A data set built afresh with the values of src.
std::unique_ptr<Data> Fresh(const Data& src) {
    const int n = src.GetObsCount();
    const int k = src.GetVarCount();
    auto d = std::make_unique<Data>(std::max(n, 1), k, "fresh");
    if (n == 0) d->DeleteObservation(0);
    for (int j = 0; j < k; ++j) d->SetVarValues(j, Column(src, j));
    return d;
}

void ExpectSameDerived(const Data& a, const Data& b) {
    ASSERT_EQ(a.GetVarCount(), b.GetVarCount());
    const int k = a.GetVarCount();
    const Matrix& ma = a.Moments();
    const Matrix& mb = b.Moments();
    ASSERT_EQ(ma.Rows(), k + 1);
    ASSERT_EQ(mb.Rows(), k + 1);
    for (int i = 0; i <= k; ++i)
        for (int j = 0; j <= k; ++j) EXPECT_EQ(Bits(ma.At(i, j)), Bits(mb.At(i, j))) << "moment " << i << "," << j;
    ASSERT_EQ(a.Correlations().Rows(), k);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j)
            EXPECT_EQ(Bits(a.GetCorrelation(i, j)), Bits(b.GetCorrelation(i, j))) << "correlation " << i << "," << j;
    for (int j = 0; j <= k; ++j) {
        EXPECT_EQ(Bits(a.GetMean(j)), Bits(b.GetMean(j))) << "mean " << j;
        EXPECT_EQ(Bits(a.GetStdDev(j)), Bits(b.GetStdDev(j))) << "sd " << j;
        EXPECT_EQ(Bits(a.GetMax(j)), Bits(b.GetMax(j))) << "max " << j;
        EXPECT_EQ(Bits(a.GetMin(j)), Bits(b.GetMin(j))) << "min " << j;
    }
}

// Everything derived, read so that the caches are current.
void ReadAll(const Data& d) {
    (void)d.Moments();
    for (int j = 0; j < d.GetVarCount(); ++j) (void)d.GetStdDev(j);
}

}  // namespace

// Each edit after a full read: what is read next equals a fresh build.
TEST(DataSetDerivedTest, EachEditMatchesFreshBuild) {
    const std::vector<double> row = {1.5e6, 2.5e6, 3.5e6, 4.5e6};
    const struct {
        const char* what;
        std::function<void(Data&)> edit;
    } cases[] = {
        {"set value", [](Data& d) { d.SetValue(7, 2, -4.0); }},
        {"set column", [](Data& d) { d.SetVarValues(1, std::vector<double>(40, 0.1)); }},
        {"append", [&](Data& d) { EXPECT_TRUE(d.AppendObservation(row)); }},
        {"append cells", [](Data& d) { EXPECT_TRUE(d.AppendObservationCells(DataString(4, 1, 9.0))); }},
        {"insert", [&](Data& d) { EXPECT_TRUE(d.InsertObservation(3, row)); }},
        {"insert cells", [](Data& d) { EXPECT_TRUE(d.InsertObservationCells(0, DataString(4, 0, -9.0))); }},
        {"delete", [](Data& d) { d.DeleteObservation(5); }},
        {"delete last", [](Data& d) { d.DeleteObservation(39); }},
        {"swap observations", [](Data& d) { d.SwapObservations(0, 39); }},
        {"swap variables", [](Data& d) { d.SwapVars(0, 3); }},
        {"add variable", [](Data& d) { Var v("new", "", 40, 2.0); v.At(3) = 8.0; d.AddVar(v); }},
        {"insert variable", [](Data& d) { Var v("new", "", 40, -1.0); d.InsertVar(1, v); }},
        {"delete variable", [](Data& d) { d.DeleteVar(2); }},
        {"sort, then delete", [](Data& d) { d.SortObservations(1, false); d.DeleteObservation(0); }},
        {"written through the variable", [](Data& d) { d.GetVar(2).At(4) = 0.0; d.RecalcStatistics(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Data d(40, 4, "edit");
        FillRandom(d, 11);
        ReadAll(d);
        c.edit(d);
        ExpectSameDerived(d, *Fresh(d));
    }
}

// A long random run of edits with reads between some of them.
// Statistics and matrices formed on worker threads equal those of one
// thread bit for bit, also with a NaN first, infinities and a NaN last.
TEST(DataSetDerivedTest, WorkerThreadsGiveTheSameBits) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    ThreadPool pool(4);
    const int n = 3 * 4096 + 77;
    Data one(n, 9, "one"), four(n, 9, "four");
    four.SetPoolSource([&pool] { return &pool; });
    for (Data* d : {&one, &four}) {
        FillRandom(*d, 31);
        d->SetValue(0, 2, nan);
        d->SetValue(5000, 4, inf);
        d->SetValue(n - 1, 6, nan);
        d->SetValue(17, 8, -inf);
    }
    ExpectSameDerived(one, four);
    EXPECT_TRUE(std::isnan(four.GetMax(2)));
    EXPECT_EQ(four.GetMax(4), inf);
}

TEST(DataSetDerivedTest, ManyEditsMatchFreshBuild) {
    Data d(30, 5, "many");
    FillRandom(d, 5);
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> value(-1e3, 1e3);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    for (int step = 0; step < 3000; ++step) {
        const int n = d.GetObsCount();
        const int k = d.GetVarCount();
        switch (pick(8)) {
            case 0:
            case 1:
                if (n > 0) d.SetValue(pick(n), pick(k), value(rng));
                break;
            case 2: {
                std::vector<double> r(static_cast<std::size_t>(k));
                for (double& x : r) x = value(rng);
                ASSERT_TRUE(d.InsertObservation(pick(n + 1), r));
                break;
            }
            case 3:
                if (n > 1) d.DeleteObservation(pick(n));
                break;
            case 4:
                if (n > 1) d.SwapObservations(pick(n), pick(n));
                break;
            case 5:
                d.SwapVars(pick(k), pick(k));
                break;
            case 6: {
                std::vector<double> col(static_cast<std::size_t>(n));
                for (double& x : col) x = 1e5 + value(rng);
                d.SetVarValues(pick(k), col);
                break;
            }
            default:
                if (pick(2) == 0) (void)d.GetMoment(pick(k + 1), pick(k + 1));
                else (void)d.GetMean(pick(k));
                break;
        }
    }
    ExpectSameDerived(d, *Fresh(d));
}

// A variable's statistics alone and those taken from the matrix agree, so
// the order of reads does not change what is read.
TEST(DataSetDerivedTest, ReadOrderDoesNotMatter) {
    Data a(500, 6, "a");
    Data b(500, 6, "b");
    FillRandom(a, 3);
    FillRandom(b, 3);
    for (int j = 0; j < 6; ++j) (void)a.GetMean(j);  // each variable on its own
    (void)b.Moments();                                // all from the matrix
    ExpectSameDerived(a, b);
}

// A held reference to a matrix stays the matrix; a later read brings it up
// to date.
TEST(DataSetDerivedTest, HeldMatrixFollowsReads) {
    Data d(4, 3, "sample");
    Fill(d);
    const Matrix& m = d.Moments();
    const Matrix& r = d.Correlations();
    EXPECT_EQ(m.At(3, 0), 1.5);
    d.SetValue(1, 0, 5.0);  // column 0 becomes 1, 5, 4, -2
    EXPECT_EQ(&d.Moments(), &m);
    EXPECT_EQ(&d.Correlations(), &r);
    EXPECT_EQ(m.At(3, 0), 2.0);
    EXPECT_EQ(m.At(0, 0), 30.0);  // 1 + 9 + 4 + 16
}

// Sorting leaves what is read as it was before the sort, also when an edit
// just before it had not been read yet.
TEST(DataSetDerivedTest, SortLeavesDerivedValues) {
    Data read(60, 3, "r");
    Data unread(60, 3, "u");
    FillRandom(read, 8);
    FillRandom(unread, 8);
    read.SetValue(4, 1, 17.0);
    unread.SetValue(4, 1, 17.0);
    ReadAll(read);
    unread.SortObservations(1, true);
    ExpectSameDerived(unread, read);
    read.SortObservations(2, false);
    ExpectSameDerived(read, unread);
}

// Worked by hand: one observation, then none.
TEST(DataSetDerivedTest, OneObservationThenNone) {
    Data d(1, 2, "one");
    d.SetValue(0, 0, 3.5);
    d.SetValue(0, 1, -2.0);
    EXPECT_EQ(d.GetMean(0), 3.5);
    EXPECT_EQ(d.GetStdDev(0), 0.0);
    EXPECT_EQ(d.GetMax(1), -2.0);
    EXPECT_EQ(d.GetMin(1), -2.0);
    const double m1[3][3] = {{0.0, 0.0, -3.5}, {0.0, 0.0, 2.0}, {3.5, -2.0, 1.0}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(d.GetMoment(i, j), m1[i][j]) << i << "," << j;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_EQ(d.GetCorrelation(i, j), 0.0);

    d.DeleteObservation(0);
    EXPECT_EQ(d.GetObsCount(), 0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(d.GetMoment(i, j), 0.0) << i << "," << j;
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(d.GetMean(j), 0.0);
        EXPECT_EQ(d.GetStdDev(j), 0.0);
        EXPECT_EQ(d.GetMax(j), 0.0);
        EXPECT_EQ(d.GetMin(j), 0.0);
    }
    EXPECT_EQ(d.GetMean(2), 1.0);  // the constant
    const double v[2] = {6.0, 1.0};
    EXPECT_TRUE(d.AppendObservation(v));
    EXPECT_EQ(d.GetMean(0), 6.0);
    EXPECT_EQ(d.GetMoment(2, 2), 1.0);
}

TEST(DataSetDerivedTest, EmptyDataSet) {
    Data d;
    EXPECT_EQ(d.Moments().Rows(), 0);
    EXPECT_EQ(d.Correlations().Rows(), 0);
    EXPECT_THROW(d.GetMoment(0, 0), ERangeError);
    EXPECT_EQ(d.GetMean(0), 1.0);  // index 0 is the constant
    std::vector<int> order = {5};
    d.SortObservations(0, true, &order);
    EXPECT_TRUE(order.empty());
    d.RestoreObservationOrder({});
    EXPECT_FALSE(d.AppendObservation(std::vector<double>{}) && d.GetObsCount() != 1);
}

// A new data set's matrices are zero until the first edit, as before.
TEST(DataSetDerivedTest, NewDataSetMatricesAreZero) {
    const Data d(3, 2, "z");
    EXPECT_EQ(d.Moments().Rows(), 3);
    EXPECT_EQ(d.GetMoment(2, 2), 0.0);
    EXPECT_EQ(d.GetMean(1), 0.0);
}

// Deleting every variable keeps the matrices of the variables that were
// there, up to date with the last edit.
TEST(DataSetDerivedTest, DeleteAllVarsKeepsLastMatrices) {
    Data d(4, 3, "sample");
    Fill(d);
    d.SetValue(0, 2, 4.5);
    d.DeleteAllVars();
    EXPECT_EQ(d.GetVarCount(), 0);
    EXPECT_EQ(d.Moments().Rows(), 4);
    EXPECT_EQ(d.GetMoment(3, 2), 1.0);  // (4.5 + 1.5 - 2 + 0) / 4
}

// --- sorting against the row-exchange sort ------------------------------------

namespace {

// Rows exchanged in place exactly as the sort is specified, with the
// original index and mark riding along.
struct RefRow {
    double key;
    double other;
    std::uint16_t mark;
    int from;
};

// Rows whose key is no number go last as they stood; the others are sorted
// by exchanging rows.
void ReferenceSort(std::vector<RefRow>& rows, bool ascending) {
    std::stable_partition(rows.begin(), rows.end(), [](const RefRow& r) { return !std::isnan(r.key); });
    const long long n = static_cast<long long>(
        std::count_if(rows.begin(), rows.end(), [](const RefRow& r) { return !std::isnan(r.key); }));
    long long p = 1;
    while (p <= n) p *= 2;
    for (long long h = (p - 1) / 2; h > 0; h = (h - 1) / 2)
        for (long long i = 0; i + h < n; ++i)
            for (long long m = i; m >= 0; m -= h) {
                const double a = rows[static_cast<std::size_t>(m + h)].key;
                const double b = rows[static_cast<std::size_t>(m)].key;
                if (ascending ? a >= b : a <= b) break;
                std::swap(rows[static_cast<std::size_t>(m)], rows[static_cast<std::size_t>(m + h)]);
            }
}

}  // namespace

TEST(DataSetSortTest, MatchesRowExchangeWithTiesAndNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const int n : {2, 3, 17, 200, 1000}) {
        for (const std::uint64_t seed : {1u, 2u, 3u}) {
            for (const bool ascending : {true, false}) {
                SCOPED_TRACE(testing::Message() << "n " << n << " seed " << seed << " asc " << ascending);
                std::mt19937_64 rng(seed * 1000 + static_cast<std::uint64_t>(n));
                Data d(n, 3, "s");
                std::vector<RefRow> rows(static_cast<std::size_t>(n));
                std::vector<double> cols[3];
                for (int i = 0; i < n; ++i) {
                    // NaNs, zeros of both signs and few distinct keys.
                    const int r = static_cast<int>(rng() % 12);
                    const double key = r == 0 ? nan : (r == 1 ? -0.0 : (r == 2 ? 0.0 : static_cast<double>(r % 5)));
                    RefRow& row = rows[static_cast<std::size_t>(i)];
                    row = {key, 100.0 + i, static_cast<std::uint16_t>(rng() & 0xFFFF), i};
                    cols[0].push_back(i);
                    cols[1].push_back(key);
                    cols[2].push_back(row.other);
                    d.SetMark(i, 1, row.mark);
                    d.SetMark(i, 2, static_cast<std::uint16_t>(i));
                }
                for (int j = 0; j < 3; ++j) d.SetVarValues(j, cols[j]);
                std::vector<double> before[3];
                for (int j = 0; j < 3; ++j) before[j] = Column(d, j);
                std::vector<std::uint16_t> marksBefore = Marks(d, 1);

                std::vector<int> order;
                d.SortObservations(1, ascending, &order);
                ReferenceSort(rows, ascending);
                for (int i = 0; i < n; ++i) {
                    const RefRow& row = rows[static_cast<std::size_t>(i)];
                    ASSERT_EQ(order[static_cast<std::size_t>(i)], row.from) << i;
                    EXPECT_EQ(Bits(d.GetValue(i, 1)), Bits(row.key)) << i;
                    EXPECT_EQ(d.GetValue(i, 0), row.from) << i;
                    EXPECT_EQ(d.GetValue(i, 2), row.other) << i;
                    EXPECT_EQ(d.GetMark(i, 1), row.mark) << i;
                    EXPECT_EQ(d.GetMark(i, 2), row.from) << i;
                }

                d.RestoreObservationOrder(order);
                for (int j = 0; j < 3; ++j) {
                    const std::vector<double> now = Column(d, j);
                    for (int i = 0; i < n; ++i)
                        EXPECT_EQ(Bits(now[static_cast<std::size_t>(i)]), Bits(before[j][static_cast<std::size_t>(i)]));
                }
                EXPECT_EQ(Marks(d, 1), marksBefore);
            }
        }
    }
}

// Keys with NaNs and ties; orders from an independent Python run of the
// exchange sort over the keys that are numbers, the NaN rows last.
TEST(DataSetSortTest, NaNKeysAgainstPython) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> keys = {3.0, nan, 1.0, 2.0, nan, 1.0, 5.0, 2.0};
    const struct {
        bool ascending;
        std::vector<int> order;
    } cases[] = {
        {true, {5, 2, 3, 7, 0, 6, 1, 4}},
        {false, {6, 0, 3, 7, 5, 2, 1, 4}},
    };
    for (const auto& c : cases) {
        Data d(8, 2, "n");
        for (int i = 0; i < 8; ++i) {
            d.SetValue(i, 0, keys[static_cast<std::size_t>(i)]);
            d.SetValue(i, 1, i);
            d.SetMark(i, 0, static_cast<std::uint16_t>(1u << i));
        }
        std::vector<int> order;
        d.SortObservations(0, c.ascending, &order);
        EXPECT_EQ(order, c.order);
        for (int i = 0; i < 8; ++i) {
            const int from = c.order[static_cast<std::size_t>(i)];
            EXPECT_EQ(d.GetValue(i, 1), from);
            EXPECT_EQ(d.GetMark(i, 0), 1u << from);
        }
    }
}

// Distinct keys, and the same keys with one tie (a repeated value far down
// the column, or zeros of both signs near its start), on one thread and on
// four: order, values and marks are the row-exchange sort's.
TEST(DataSetSortTest, DistinctKeysAndSingleTiesMatchRowExchange) {
    ThreadPool pool(4);
    for (const int tie : {0, 1, 2})
        for (const int threads : {1, 4})
            for (const bool ascending : {true, false}) {
                SCOPED_TRACE(testing::Message() << "tie " << tie << " threads " << threads << " asc " << ascending);
                constexpr int n = 6000;
                std::mt19937_64 rng(77 + tie);
                std::uniform_real_distribution<double> uniform(-1e3, 1e3);
                Data d(n, 2, "s");
                if (threads > 1) d.SetPoolSource([&pool] { return &pool; });
                std::vector<RefRow> rows(n);
                std::vector<double> cols[2];
                for (int i = 0; i < n; ++i) {
                    double key = i % 101 == 5 ? std::numeric_limits<double>::quiet_NaN() : uniform(rng);
                    if (tie == 1 && i == 5000) key = rows[4500].key;
                    if (tie == 2 && (i == 40 || i == 2500)) key = i == 40 ? 0.0 : -0.0;
                    rows[i] = {key, 0.5 * i, static_cast<std::uint16_t>(rng() & 0xFFFF), i};
                    cols[0].push_back(key);
                    cols[1].push_back(0.5 * i);
                    d.SetMark(i, 1, rows[i].mark);
                }
                for (int j = 0; j < 2; ++j) d.SetVarValues(j, cols[j]);
                std::vector<int> order;
                d.SortObservations(0, ascending, &order);
                ReferenceSort(rows, ascending);
                for (int i = 0; i < n; ++i) {
                    ASSERT_EQ(order[i], rows[i].from) << i;
                    EXPECT_EQ(Bits(d.GetValue(i, 0)), Bits(rows[i].key)) << i;
                    EXPECT_EQ(d.GetValue(i, 1), rows[i].other) << i;
                    EXPECT_EQ(d.GetMark(i, 1), rows[i].mark) << i;
                }
            }
}

// A long column of keys that are no numbers sorts at once: those rows go last
// as they stood (compared as they are, each would travel to the start).
TEST(DataSetSortTest, ManyNaNKeysGoLastInTheirOrder) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const int n = 200000;
    Data d(n, 2, "nan");
    std::vector<double> key(static_cast<std::size_t>(n)), id(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        key[static_cast<std::size_t>(i)] = i % 50 == 0 ? static_cast<double>(n - i) : nan;
        id[static_cast<std::size_t>(i)] = i;
    }
    d.SetVarValues(0, key);
    d.SetVarValues(1, id);
    std::vector<int> order;
    d.SortObservations(0, true, &order);
    const int numbers = n / 50;
    for (int i = 0; i < numbers; ++i) EXPECT_EQ(d.GetValue(i, 1), n - 50 - 50.0 * i) << i;
    for (int i = numbers; i < n; i += 997) EXPECT_TRUE(std::isnan(d.GetValue(i, 0))) << i;
    // The NaN rows keep their order: 1, 2, ..., 49, 51, ...
    EXPECT_EQ(d.GetValue(numbers, 1), 1.0);
    EXPECT_EQ(d.GetValue(numbers + 49, 1), 51.0);
    EXPECT_EQ(d.GetValue(n - 1, 1), n - 1.0);
}
