// Rank correlations do not depend on the order of the observations, ties
// included: every permutation of the rows gives the same rho and tau.
// Expected values by hand and by counting every pair in a separate script.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "core/numeric/statistics.h"

TEST(RankCorrelationOrder, EveryPermutationGivesTheSameValues) {
    struct Case {
        const char* what;
        std::vector<double> x, y;
        double rho, tau;
    } cases[] = {
        // The tied pair is not concordant: Q = 5, tau = 4 * 5 / 12 - 1.
        {"a tie in x", {1, 1, 2, 3}, {1, 2, 3, 4}, 0.95, 2.0 / 3.0},
        {"ties in both", {1, 1, 2, 3, 3, 3, 5, 6, 6, 8}, {2, 1, 2, 4, 3, 4, 4, 7, 5, 7}, 0.9575757575757575, 0.6},
        {"no ties", {0.3, -1.2, 2.5, 0.7, -0.4}, {1.1, 0.2, 0.9, 3.0, -2.0}, 0.6, 0.4},
    };
    std::mt19937 gen(99);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int n = static_cast<int>(c.x.size());
        std::vector<int> order(static_cast<std::size_t>(n));
        std::iota(order.begin(), order.end(), 0);
        double firstR = 0.0;
        for (int round = 0; round < 40; ++round) {
            if (round > 0) std::shuffle(order.begin(), order.end(), gen);
            std::vector<double> x, y;
            for (int i : order) {
                x.push_back(c.x[static_cast<std::size_t>(i)]);
                y.push_back(c.y[static_cast<std::size_t>(i)]);
            }
            double rho = 0, tau = 0;
            const double r = ComputeCorrelations(x.data(), y.data(), n, &rho, &tau);
            if (round == 0) firstR = r;
            EXPECT_NEAR(rho, c.rho, 1e-15) << round;
            EXPECT_NEAR(tau, c.tau, 1e-15) << round;
            // Pearson's r sums in another order: the last bits may move.
            EXPECT_NEAR(r, firstR, 1e-14) << round;
        }
    }
}
