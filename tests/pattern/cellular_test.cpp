#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "cellular.h"
#include "lattice_index.h"
#include "permutation.h"
#include "poisson_count.h"

TEST(Tables, PoissonCountAndPermutation) {
    std::vector<int> histogram(6);
    for (unsigned char c : poissonCount) ++histogram.at(c);
    EXPECT_EQ(histogram, (std::vector<int>{6, 41, 92, 55, 35, 27}));  // sum 665
    EXPECT_EQ(std::accumulate(std::begin(poissonCount), std::end(poissonCount), 0), 665);

    std::vector<int> sorted(permutation, permutation + 256), all(256);
    std::sort(sorted.begin(), sorted.end());
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(sorted, all);
    EXPECT_TRUE(std::equal(permutation, permutation + 256, permutation + 256));
    EXPECT_EQ(permutation[0], 151);
}

TEST(LatticeIndex, NegativesGoOneCellDownAndInt32IsTheLimit) {
    const double values[] = {-1.0, -0.5, 0.0, -0.0, 2147483647.5, -2147483647.5};
    const int32_t cells[] = {-2, -1, 0, 0, INT32_MAX, INT32_MIN};
    int32_t i = 7;
    for (int k = 0; k < 6; ++k) {
        ASSERT_TRUE(latticeIndex(values[k], i)) << values[k];
        EXPECT_EQ(i, cells[k]) << values[k];
    }
    for (double v : {2147483648.0, -2147483648.0, HUGE_VAL, std::nan("")})
        EXPECT_FALSE(latticeIndex(v, i)) << v;
    EXPECT_FALSE(latticeIndex(-2147483648.0f, i));
}

TEST(Cellular, CombineCountsWeightsAboveSinglePrecisionTenThousandth) {
    const Point3 p(1.3f, -2.7f, 0.4f);
    const float one = cellularCombine(p, 1, 0, 0, 0, 1);
    EXPECT_EQ(cellularCombine(p, 1, 0.00005, 0, 0, 1), one);

    const double pd[3] = {p.x, p.y, p.z};
    double F[2];
    cellularDistances(pd, 2, F);
    for (double w2 : {0.0002, 0.0001}) {  // 0.0001 exceeds 0.0001f as a double
        const float sum =
            static_cast<float>(static_cast<float>(F[0]) + w2 * static_cast<float>(F[1]));
        EXPECT_EQ(cellularCombine(p, 1, w2, 0, 0, 1), static_cast<float>(sum * 2.0 - 1.0)) << w2;
    }
}

TEST(Cellular, OffTheLatticeFindsNothingAndInt32LimitsAreDefined) {
    const double unfound = std::sqrt(999999.9) * 2.5116162250408136;
    const double off[][3] = {{std::nan(""), 0, 0}, {0, HUGE_VAL, 0}, {0, -6e9, 1}};
    for (const auto& p : off) {
        double F[2];
        cellularDistances(p, 2, F);
        EXPECT_EQ(F[0], unfound);
        EXPECT_EQ(F[1], unfound);
    }
    // Home cubes at the ends of int32: the outer neighbours wrap instead of overflowing.
    for (double at : {2147483647.5, -2147483647.5}) {
        const double p[3] = {at / 0.39815, at / 0.39815, 0.5};
        double F[1];
        cellularDistances(p, 1, F);
        EXPECT_LT(F[0], 5.0);
    }
}
