// Nelder-Mead minimiser on functions with known minima, its start simplex
// and its stopping rules; the plotted series and their list.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/numeric/simplex.h"
#include "core/numeric/xy_data.h"
#include "platform/errors.h"

namespace {

double Rosenbrock(const double* p) {
    const double a = 1.0 - p[0], b = p[1] - p[0] * p[0];
    return a * a + 100.0 * b * b;
}

}  // namespace

TEST(Simplex, StartSimplexUsesFullAndScaledSteps) {
    Simplex s(2);
    const double start[] = {0, 0}, steps[] = {1, 1}, tol[] = {1e-6, 1e-6};
    s.Init(start, steps, tol);
    const double f = 0.2679491924311227;  // 1 / (sqrt 3 + 2) = 2 - sqrt 3
    EXPECT_EQ(s.Vertex(0), (std::vector<double>{0, 0}));
    EXPECT_DOUBLE_EQ(s.Vertex(1)[0], 1.0);
    EXPECT_DOUBLE_EQ(s.Vertex(1)[1], f);
    EXPECT_DOUBLE_EQ(s.Vertex(2)[0], f);
    EXPECT_DOUBLE_EQ(s.Vertex(2)[1], 1.0);
    EXPECT_THROW(Simplex(0), ERangeError);
}

TEST(Simplex, FindsKnownMinima) {
    struct Row {
        const char* name;
        Simplex::Objective f;
        std::vector<double> start, steps, minimum;
        double value, tol, accuracy;
    };
    const Row rows[] = {
        {"shifted bowl", [](const double* p) { return (p[0] - 3) * (p[0] - 3) + (p[1] + 1) * (p[1] + 1); },
         {0, 0}, {1, 1}, {3, -1}, 0.0, 1e-6, 1e-5},
        {"one variable", [](const double* p) { return 2 * (p[0] - 0.25) * (p[0] - 0.25) + 5; },
         {4}, {1}, {0.25}, 5.0, 1e-9, 1e-8},
        {"elongated bowl",
         [](const double* p) { return (p[0] - 1) * (p[0] - 1) + 10 * (p[1] - 2) * (p[1] - 2) + (p[2] + 3) * (p[2] + 3); },
         {0, 0, 0}, {1, 1, 1}, {1, 2, -3}, 0.0, 1e-8, 1e-6},
        {"Rosenbrock", Rosenbrock, {-1.2, 1}, {0.5, 0.5}, {1, 1}, 0.0, 1e-10, 1e-4},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const int n = static_cast<int>(r.start.size());
        Simplex s(n);
        std::vector<double> tol(n, r.tol), best(n, 0.0);
        s.Init(r.start.data(), r.steps.data(), tol.data());
        double value = -1;
        const int count = s.Minimize(best.data(), &value, r.f);
        EXPECT_GT(count, 1);
        EXPECT_LE(count, Simplex::kIterationLimit);
        for (int j = 0; j < n; ++j) EXPECT_NEAR(best[j], r.minimum[j], r.accuracy) << j;
        EXPECT_NEAR(value, r.value, r.accuracy);
    }
}

TEST(Simplex, FlatStartReturnsAtOnceWithVertexZero) {
    Simplex s(2);
    const double start[] = {5, 6}, steps[] = {1, 2}, tol[] = {1e-9, 1e-9};
    s.Init(start, steps, tol);
    double best[2] = {0, 0}, value = 0;
    EXPECT_EQ(s.Minimize(best, &value, [](const double*) { return 7.0; }), 1);
    EXPECT_EQ(best[0], 5.0);
    EXPECT_EQ(best[1], 6.0);
    EXPECT_EQ(value, 7.0);
}

TEST(Simplex, StartWithinToleranceReturnsAtOnce) {
    Simplex s(1);
    const double start[] = {0}, steps[] = {0.01}, tol[] = {0.1};
    s.Init(start, steps, tol);
    double best = 9, value = 9;
    EXPECT_EQ(s.Minimize(&best, &value, [](const double* p) { return p[0]; }), 1);
    EXPECT_EQ(best, 0.0);
    EXPECT_EQ(value, 0.0);
}

TEST(Simplex, IterationLimitGivesMinusOneAndStillWritesTheBest) {
    // Every new point is lower than all before it: neither rule can stop.
    int calls = 0;
    auto f = [&calls](const double*) { return -static_cast<double>(++calls); };
    Simplex s(2);
    const double start[] = {0, 0}, steps[] = {1e-3, 1e-3}, tol[] = {0, 0};
    s.Init(start, steps, tol);
    double best[2] = {0, 0}, value = 1;
    EXPECT_EQ(s.Minimize(best, &value, f), -1);
    EXPECT_LT(value, -999.0);
}

TEST(Simplex, ContractionThatNeverImprovesIsBounded) {
    // Finite on the start simplex, NaN everywhere else: the contraction
    // halves towards the best vertex a bounded number of times.
    int calls = 0;
    auto f = [&calls](const double* p) {
        ++calls;
        return calls <= 3 ? p[0] + p[1] : std::numeric_limits<double>::quiet_NaN();
    };
    Simplex s(2);
    const double start[] = {0, 0}, steps[] = {1, 1}, tol[] = {1e-12, 1e-12};
    s.Init(start, steps, tol);
    double best[2] = {9, 9}, value = 9;
    EXPECT_EQ(s.Minimize(best, &value, f), 2);
    EXPECT_EQ(calls, 3 + 1 + Simplex::kContractionLimit);
    EXPECT_EQ(best[0], 0.0);
    EXPECT_EQ(best[1], 0.0);
    EXPECT_EQ(value, 0.0);
}

TEST(Simplex, SecondCallContinuesFromTheFinalSimplex) {
    Simplex s(2);
    const double start[] = {0, 0}, steps[] = {1, 1}, tol[] = {1e-6, 1e-6};
    s.Init(start, steps, tol);
    auto bowl = [](const double* p) { return (p[0] - 3) * (p[0] - 3) + (p[1] + 1) * (p[1] + 1); };
    double best[2], value;
    ASSERT_GT(s.Minimize(best, &value, bowl), 1);
    double again[2], value2;
    EXPECT_EQ(s.Minimize(again, &value2, bowl), 1);
    EXPECT_EQ(again[0], best[0]);
    EXPECT_EQ(value2, value);
}

TEST(Simplex, ObjectiveErrorsPassThrough) {
    Simplex s(1);
    const double start[] = {0}, steps[] = {1}, tol[] = {1e-6};
    s.Init(start, steps, tol);
    double best, value;
    EXPECT_THROW(s.Minimize(&best, &value, [](const double*) -> double { throw EMathError("x"); }), EMathError);
}

// ---- plotted series ------------------------------------------------------------

TEST(XYData, ConstructionAndPoints) {
    XYData empty(0xFF, 1, true, 0);
    EXPECT_EQ(empty.Count(), 0);
    XYData s(0x00FF00, 2, false, 3);
    EXPECT_EQ(s.Count(), 3);
    EXPECT_EQ(s.Colour(), 0x00FF00u);
    EXPECT_EQ(s.PenStyle(), 2);
    EXPECT_FALSE(s.Removable());
    s.SetPoint(1, 4, 5);
    s.SetPoint(3, 9, 9);  // past the end: nothing
    s.SetPoint(-1, 9, 9);
    EXPECT_EQ(s.X(1), 4.0);
    EXPECT_EQ(s.Y(1), 5.0);
    EXPECT_EQ(s.Count(), 3);
    s.AddPoint(7, 8);
    EXPECT_EQ(s.Count(), 4);
    EXPECT_EQ(s.X(3), 7.0);
    EXPECT_EQ(s.Y(1), 5.0);
    XYData copy(s);
    copy.SetPoint(0, -1, -1);
    EXPECT_EQ(s.X(0), 0.0);
    EXPECT_EQ(copy.Count(), 4);
}

TEST(XYData, SetDataShorterKeepsTailLongerReplaces) {
    const double x5[] = {1, 2, 3, 4, 5}, y5[] = {10, 20, 30, 40, 50};
    const double x7[] = {7, 6, 5, 4, 3, 2, 1}, y7[] = {0, 1, 0, 1, 0, 1, 0};
    XYData s(0, 0, true, 0);
    s.SetData(x5, y5, 5);
    s.SetData(x7, y7, 3);
    EXPECT_EQ(s.Count(), 5);
    const double expectX[] = {7, 6, 5, 4, 5}, expectY[] = {0, 1, 0, 40, 50};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(s.X(i), expectX[i]) << i;
        EXPECT_EQ(s.Y(i), expectY[i]) << i;
    }
    s.SetData(x7, y7, 7);
    EXPECT_EQ(s.Count(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(s.X(i), x7[i]);
    s.SetData(x5, y5, 0);
    EXPECT_EQ(s.X(0), 7.0);
}

TEST(XYDataList, DeleteRules) {
    struct Row {
        const char* name;
        std::vector<bool> removable;
        int index;
        std::vector<double> remaining;  // first x of each series left
    };
    const Row rows[] = {
        {"two fixed, last removable", {false, false}, -1, {0, 1}},
        {"one fixed", {false}, -1, {0}},
        {"one fixed, explicit index", {false}, 0, {0}},
        {"one removable", {true}, -1, {}},
        {"one removable, index past the end", {true}, 3, {0}},
        {"last removable is the middle one", {true, true, false}, -1, {0, 2}},
        {"explicit index removes any series", {false, false, false}, 1, {0, 2}},
        {"index past the end", {true, true}, 2, {0, 1}},
        {"empty list", {}, -1, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        XYDataList list;
        for (size_t i = 0; i < r.removable.size(); ++i) {
            XYData s(0, 0, r.removable[i], 1);
            s.SetPoint(0, static_cast<double>(i), 0);
            list.Add(s);
        }
        list.Delete(r.index);
        ASSERT_EQ(list.Count(), static_cast<int>(r.remaining.size()));
        for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.GetItem(i)->X(0), r.remaining[i]);
    }
}

TEST(XYDataList, AddCopiesAndClearEmpties) {
    XYDataList list;
    XYData s(1, 0, true, 2);
    list.Add(s);
    s.SetPoint(0, 5, 5);
    EXPECT_EQ(list.GetItem(0)->X(0), 0.0);
    EXPECT_THROW(list.GetItem(1), ERangeError);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}
