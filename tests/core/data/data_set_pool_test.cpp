// A data set whose columns are formed, copied and summed on worker threads
// reads as one thread's: zeros where nothing was set, never unwritten memory.
#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "core/data/data_set.h"
#include "core/numeric/thread_pool.h"
#include "platform/errors.h"

// Columns j with j mod 4 != 2 set to ((i (j + 3)) mod 11) 0.1 + j, the others
// left as created or refused for too few values. Statistics against
// rational arithmetic (Python fractions); the same bits as one thread.
TEST(DataSetPoolTest, PartlySetColumnsReadAsZerosAndExactStatistics) {
    const int n = (1 << 18) + 7, k = 41;
    ThreadPool pool(3);
    Data alone(n, k, "fill"), spread(n, k, "fill", &pool);
    spread.SetPoolSource([&pool] { return &pool; });
    for (Data* d : {&alone, &spread}) {
        for (int j = 0; j < k; ++j) {
            std::vector<double> x(n);
            for (int i = 0; i < n; ++i) x[i] = ((i * (j + 3)) % 11) * 0.1 + j;
            if (j % 4 != 2) d->SetVarValues(j, x);
        }
        EXPECT_THROW(d->SetVarValues(2, std::vector<double>(n - 1, 9.0)), ERangeError);
        d->SetVarValues(1, std::span<const double>(d->GetVar(1).Data(), n));  // onto itself
    }
    for (int j = 2; j < k; j += 4) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(spread.GetValue(i, j) == 0.0 && spread.GetMark(i, j) == 0) << j;
        EXPECT_EQ(spread.GetMax(j) - spread.GetMin(j) + spread.GetMoment(j, j) + spread.GetMoment(0, j), 0.0) << j;
    }
    const double want[][4] = {{0, 0.4999988556213785, 26215.109999656688, 0.3162284294711428},
                              {1, 1.499999237080919, 26215.159999847416, 0.3162287310429129},
                              {5, 5.500000762919081, 26215.159999847423, 0.31622873104291294}};
    for (const auto& w : want) {
        const int j = static_cast<int>(w[0]);
        EXPECT_DOUBLE_EQ(spread.GetMean(j), w[1]);
        EXPECT_DOUBLE_EQ(spread.GetMoment(j, j), w[2]);
        EXPECT_NEAR(spread.GetStdDev(j) / w[3], 1.0, 1e-14);
        EXPECT_EQ(spread.GetMax(j) - spread.GetMin(j), 1.0);
    }
    EXPECT_DOUBLE_EQ(spread.GetMoment(0, 1), -0.06000022887162323);
    for (int i = 0; i <= k; ++i)
        for (int j = 0; j <= k; ++j) ASSERT_EQ(spread.PreciseMoments()[i][j], alone.PreciseMoments()[i][j]) << i << j;
}
