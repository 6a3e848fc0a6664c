// The nearest feature point over a list of cubes, each relative to a prepared query: the bulk of
// the scratch field's work, with a kernel picked once for the processor. Internal to pattern/.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cellular_search.h"
#include "cube_nearest.h"

namespace cellular {

// Cube codes: query index * 32 + cube, where cubes 0..25 are the neighbours in the written
// visiting order and 26 is the query's own cube.
inline constexpr int homeCube = 26;

// Each cube's offset from the query's own and its hash relative to it.
struct CubeSteps {
    int8_t offset[27][3];
    uint32_t hashDelta[27];
};
constexpr CubeSteps makeCubeSteps() {
    CubeSteps s{};
    for (int k = 0; k < 27; ++k) {
        for (int c = 0; c < 3; ++c) s.offset[k][c] = k < 26 ? neighbours[k].offset[c] : 0;
        s.hashDelta[k] = hashX * static_cast<uint32_t>(s.offset[k][0]) +
                         hashY * static_cast<uint32_t>(s.offset[k][1]) +
                         hashZ * static_cast<uint32_t>(s.offset[k][2]);
    }
    return s;
}
inline constexpr CubeSteps cubeSteps = makeCubeSteps();

// Every cube code resolved up front: the hash step and where its query's hash, coordinates and
// cube corners lie in CubeQueries, as byte offsets. One table read replaces the decoding of
// the code and the index arithmetic of each coordinate.
struct CubeCode {
    uint32_t hashDelta;
    uint16_t hash, at, corner[3];
};
struct CubeCodes {
    CubeCode code[256];
};
constexpr CubeCodes makeCubeCodes() {
    constexpr uint16_t doubleBytes = sizeof(double), queryRow = doubleBytes * maxCubeQueries;
    CubeCodes t{};
    for (int query = 0; query < maxCubeQueries; ++query)
        for (int k = 0; k < 27; ++k) {
            CubeCode& e = t.code[32 * query + k];
            e.hashDelta = cubeSteps.hashDelta[k];
            e.hash = static_cast<uint16_t>(offsetof(CubeQueries, hash) + sizeof(uint32_t) * query);
            e.at = static_cast<uint16_t>(offsetof(CubeQueries, at) + doubleBytes * query);
            for (int c = 0; c < 3; ++c)
                e.corner[c] = static_cast<uint16_t>(
                    offsetof(CubeQueries, corner) +
                    queryRow * (3 * c + cubeSteps.offset[k][c] + 1) + doubleBytes * query);
        }
    return t;
}
inline constexpr CubeCodes cubeCodes = makeCubeCodes();

// The smallest squared distance from a listed cube's query to a point of that cube; infinity
// for an empty list. Every kernel gives the same bits.
double nearestSquaredOverCubes(const CubeQueries& queries, const uint8_t cubes[], int count);

// The kernels themselves, for tests: plain scalar, two lanes (SSE2) and four (AVX2). A kernel
// the build or the processor lacks falls back to the plain one.
double nearestSquaredOverCubesPortable(const CubeQueries& queries, const uint8_t cubes[],
                                       int count);
double nearestSquaredOverCubesSse2(const CubeQueries& queries, const uint8_t cubes[], int count);
double nearestSquaredOverCubesAvx2(const CubeQueries& queries, const uint8_t cubes[], int count);
// Whether the processor has AVX2: a plain read, so that a dispatch costs no call.
extern const bool avx2Processor;
inline bool processorHasAvx2() {
    return avx2Processor;
}

}  // namespace cellular
