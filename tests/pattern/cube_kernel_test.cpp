// The vector forms of the search (cube kernels, layer lay-out) must agree bit for bit with the
// plain ones, whichever the processor gets.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "cube_list.h"
#include "layer_lanes.h"
#include "lattice_index.h"

TEST(CubeKernels, AllKernelsGiveTheSameBits) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> cube(0, 26), small(-50, 50);
    const double scales[] = {1.0, 1e3, 1e6, 4e7};
    cellular::CubeQueries queries;
    uint8_t list[320];
    for (int round = 0; round < 20000; ++round) {
        for (int q = 0; q < 4; ++q) {
            double at[3];
            int32_t cell[3];
            for (int c = 0; c < 3; ++c) {
                at[c] = (small(rng) + unit(rng)) * scales[(round + q + c) % 4];
                ASSERT_TRUE(latticeIndex(at[c], cell[c]));
            }
            cellular::setCubeQuery(queries, q, at, cell);
        }
        // Now and then a list longer than any sample makes, past the kernels' chunk size.
        const int count = round % 40 + (round % 500 == 7 ? 280 : 0);
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

// The vector lay-outs of a sample's layers against the lane-by-lane form that processors
// without them run: the same bits everywhere, off the lattice and at NaN included.
TEST(CubeKernels, LayerLanesVectorFormsMatchLaneByLane) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const float scales[] = {1.0f, 300.0f, 3e7f, 6e8f};
    using Form = void (*)(const Point3&, int, float, int, LayerLanes&);
    using Faces = void (*)(const LayerLanes&, double, uint32_t*);
    const Form forms[] = {layLanesSse2, layLanesAvx2};
    const Faces faceForms[] = {facesWithinSse2, facesWithinAvx2};
    for (int round = 0; round < 20000; ++round) {
        const float s = scales[round % 4];
        Point3 p(unit(rng) * s, unit(rng) * s, unit(rng) * s);
        if (round % 97 == 0) p.y = NAN;
        const int type = round % 3 == 0 ? 0 : 1, firstSlot = round % 5 == 0 ? 0 : 1;
        const float stretch = 50.0f + 100.0f * std::fabs(unit(rng));
        const double reach = std::fabs(unit(rng));
        LayerLanes plain;
        layLanesPortable(p, type, stretch, firstSlot, plain);
        uint32_t plainFaces[layerLaneCount];
        facesWithinPortable(plain, reach, plainFaces);
        for (int f = 0; f < 2; ++f) {
            LayerLanes vector;
            forms[f](p, type, stretch, firstSlot, vector);
            ASSERT_EQ(vector.onLattice, plain.onLattice) << round << " form " << f;
            ASSERT_EQ(0, std::memcmp(&vector.cube.at, &plain.cube.at, sizeof plain.cube.at));
            ASSERT_EQ(
                0, std::memcmp(&vector.cube.corner, &plain.cube.corner, sizeof plain.cube.corner));
            ASSERT_EQ(0, std::memcmp(&vector.cube.hash, &plain.cube.hash, sizeof plain.cube.hash));
            ASSERT_EQ(0, std::memcmp(&vector.cell, &plain.cell, sizeof plain.cell));
            ASSERT_EQ(0, std::memcmp(&vector.face, &plain.face, sizeof plain.face));
            uint32_t faces[layerLaneCount];
            faceForms[f](vector, reach, faces);
            ASSERT_EQ(0, std::memcmp(faces, plainFaces, sizeof faces)) << round << " form " << f;
        }
    }
}
