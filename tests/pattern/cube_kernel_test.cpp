// The cube kernels (plain, two-lane, four-lane) must agree bit for bit, whichever one the
// processor gets.
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include <gtest/gtest.h>

#include "cube_list.h"
#include "lattice_index.h"

TEST(CubeKernels, AllKernelsGiveTheSameBits) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> cube(0, 26), small(-50, 50);
    const double scales[] = {1.0, 1e3, 1e6, 4e7};
    cellular::CubeQuery queries[4];
    uint8_t list[64];
    for (int round = 0; round < 20000; ++round) {
        for (int q = 0; q < 4; ++q) {
            double at[3];
            int32_t cell[3];
            for (int c = 0; c < 3; ++c) {
                at[c] = (small(rng) + unit(rng)) * scales[(round + q + c) % 4];
                ASSERT_TRUE(latticeIndex(at[c], cell[c]));
            }
            cellular::prepareCubeQuery(at, cell, queries[q]);
        }
        const int count = round % 40;
        for (int i = 0; i < count; ++i) list[i] = static_cast<uint8_t>(32 * (i % 4) + cube(rng));
        const double plain = cellular::nearestSquaredOverCubesPortable(queries, list, count);
        const double two = cellular::nearestSquaredOverCubesSse2(queries, list, count);
        const double four = cellular::nearestSquaredOverCubesAvx2(queries, list, count);
        ASSERT_EQ(std::bit_cast<uint64_t>(two), std::bit_cast<uint64_t>(plain)) << round;
        ASSERT_EQ(std::bit_cast<uint64_t>(four), std::bit_cast<uint64_t>(plain)) << round;
        if (count == 0) {
            EXPECT_EQ(plain, HUGE_VAL);
        }
    }
    if (!cellular::processorHasAvx2()) GTEST_LOG_(INFO) << "no AVX2 here: four-lane kernel not run";
}
