#include "stats/score_kernels.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/numeric/thread_pool.h"

namespace {

// Rows of a tall matrix by a small one, against sums written out by hand.
TEST(MultiplyRowsZeroTiny, ProductsAndTinyValues) {
    Matrix z(3, 2), w(2, 3);
    const double zv[3][2] = {{1, 2}, {-3, 0.5}, {1e-8, 0}};
    const double wv[2][3] = {{2, -1, 0.5}, {4, 0.5, -0.25}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j) z[i][j] = zv[i][j];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) w[i][j] = wv[i][j];
    Matrix out;
    MultiplyRowsZeroTiny(nullptr, z, 3, 2, w, 3, out);
    // 1e-8 * 2 and 1e-8 * 0.5 fall below 2^-23 and print as 0.
    const double expected[3][3] = {{10, 0, 0}, {-4, 3.25, -1.625}, {0, 0, 0}};
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(out[i][c], expected[i][c]) << i << "," << c;
    // Fewer columns of w than it has.
    MultiplyRowsZeroTiny(nullptr, z, 3, 2, w, 1, out);
    ASSERT_EQ(out.Cols(), 1);
    EXPECT_EQ(out[1][0], -4.0);
}

TEST(MultiplyRowsZeroTiny, SameBitsOnAnyThreadCount) {
    // Enough rows for many blocks and enough columns for the wide path.
    const int n = 20000, p = 11, cols = 19;
    Matrix z(n, p), w(p, cols);
    unsigned long long s = 12345;
    auto next = [&] {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) / 9007199254740992.0 - 0.5;
    };
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < p; ++j) z[i][j] = next();
    for (int j = 0; j < p; ++j)
        for (int c = 0; c < cols; ++c) w[j][c] = next();
    Matrix one, many;
    MultiplyRowsZeroTiny(nullptr, z, n, p, w, cols, one);
    ThreadPool pool(4);
    MultiplyRowsZeroTiny(&pool, z, n, p, w, cols, many);
    ASSERT_EQ(std::memcmp(one.Data(), many.Data(), sizeof(double) * n * cols), 0);
    // Each element is its products summed in variable order.
    for (int i = 0; i < n; i += 997)
        for (int c = 0; c < cols; ++c) {
            double sum = 0.0;
            for (int j = 0; j < p; ++j) sum += z[i][j] * w[j][c];
            EXPECT_EQ(one[i][c], sum);
        }
}

}  // namespace
