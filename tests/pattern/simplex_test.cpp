#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include <gtest/gtest.h>

#include "simplex.h"

TEST(Simplex, ZeroAtLatticePoints) {
    EXPECT_EQ(simplexNoise2D(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(simplexNoise3D(0.0f, 0.0f, 0.0f), 0.0f);
    // Unskewed lattice points; rounding of the skew leaves a tiny residue.
    for (int i = -3; i <= 3; ++i)
        for (int j = -3; j <= 3; ++j) {
            const float t2 = (i + j) * 0.21132487f, t3 = (2 * i - j) * 0.16666667f;
            EXPECT_NEAR(simplexNoise2D(i - t2, j - t2), 0.0f, 1e-4f) << i << " " << j;
            EXPECT_NEAR(simplexNoise3D(i - t3, j - t3, i - 2 * j - t3), 0.0f, 1e-4f) << i << j;
        }
}

TEST(Simplex, OffTheLatticeGivesZero) {
    for (float v : {std::nanf(""), HUGE_VALF, 3e9f, -2147483648.0f}) {
        EXPECT_EQ(simplexNoise2D(v, 0.25f), 0.0f) << v;
        EXPECT_EQ(simplexNoise3D(0.25f, 0.5f, v), 0.0f) << v;
    }
    // Still on the lattice, with index sums beyond int32.
    EXPECT_TRUE(std::isfinite(simplexNoise2D(1.5e9f, 1.5e9f)));
    EXPECT_TRUE(std::isfinite(simplexNoise3D(-1e9f, -1e9f, -1e9f)));
}

TEST(Simplex, QuinticStepAndWidthFades) {
    EXPECT_EQ(quinticStep(0.5f, 0.0f, 1.0f), 0.5f);
    EXPECT_EQ(quinticStep(-0.1f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(quinticStep(1.1f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(quinticStep(std::nanf(""), 0.0f, 1.0f), 0.0f);

    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-20.0f, 20.0f);
    for (int k = 0; k < 200; ++k) {
        const float x = u(rng), y = u(rng), z = u(rng);
        const float n2 = simplexNoise2D(x, y), n3 = simplexNoise3D(x, y, z);
        EXPECT_EQ(filteredSimplex2D(x, y, 1.44f), n2);
        EXPECT_NEAR(filteredSimplex2D(x, y, 2.0f), n2 * 0.5623f, 1e-4f);
        EXPECT_NEAR(filteredSimplex3D(x, y, z, 2.0f), n3 * 0.5623f, 1e-4f);
        EXPECT_EQ(filteredSimplex2D(x, y, 2.64f), 0.0f);
        EXPECT_EQ(filteredSimplex3D(x, y, z, 2.64f), 0.0f);
    }
}

// The four-lane forms against the plain ones, lane by lane: every simplex, cell sums that
// overflow int32, the lattice limits and NaN.
TEST(Simplex, FourLanesMatchThePlainForm) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const float scales[] = {2.0f, 200.0f, 1e9f, 2.5e9f};
    for (int round = 0; round < 50000; ++round) {
        float x[4], y[4], z[4], n[4];
        for (int lane = 0; lane < 4; ++lane) {
            const float s = scales[(round + lane) % 4];
            x[lane] = unit(rng) * s, y[lane] = unit(rng) * s, z[lane] = unit(rng) * s;
            if (round % 5 == 0) x[lane] = std::round(x[lane]);  // on cell faces
        }
        if (round % 101 == 0) z[round % 4] = NAN;
        simplexNoise3D4(x, y, z, n);
        for (int lane = 0; lane < 4; ++lane)
            ASSERT_EQ(std::bit_cast<uint32_t>(n[lane]),
                      std::bit_cast<uint32_t>(simplexNoise3D(x[lane], y[lane], z[lane])))
                << round << " lane " << lane;
        simplexNoise2D4(x, z, n);
        for (int lane = 0; lane < 4; ++lane)
            ASSERT_EQ(std::bit_cast<uint32_t>(n[lane]),
                      std::bit_cast<uint32_t>(simplexNoise2D(x[lane], z[lane])))
                << round << " lane " << lane << " (2D)";
    }
}
