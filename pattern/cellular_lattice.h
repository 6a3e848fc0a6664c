// The lattice of the cellular basis: its scale, the cube hash and the feature-point generator,
// all in wrapping 32-bit arithmetic. Internal to pattern/.
#pragma once

#include <cstdint>

namespace cellular {

// Worley's density: query coordinates are scaled by it, distances divided by it.
inline constexpr double densityScale = 0.39815;
inline constexpr double inverseDensity = 2.5116162250408136;
inline constexpr double initialDistance = 999999.9;
inline constexpr double twoToMinus32 = 1.0 / 4294967296.0;

// The cube hash and the point generator, all in wrapping 32-bit arithmetic.
inline constexpr uint32_t hashX = 702395077u, hashY = 915488749u, hashZ = 2120969693u;
inline constexpr uint32_t lcgMul = 1402024253u, lcgAdd = 586950981u;

inline uint32_t lcgStep(uint32_t s) {
    return lcgMul * s + lcgAdd;
}

inline uint32_t cubeSeed(int32_t xi, int32_t yi, int32_t zi) {
    return hashX * static_cast<uint32_t>(xi) + hashY * static_cast<uint32_t>(yi) +
           hashZ * static_cast<uint32_t>(zi);
}

// Neighbour index with 32-bit wrap, so the cubes next to the int32 limits stay defined.
inline int32_t offsetIndex(int32_t i, int d) {
    return static_cast<int32_t>(static_cast<uint32_t>(i) + static_cast<uint32_t>(d));
}

// The k-fold generator step as one affine map a s + c (mod 2^32): the coordinates of a cube's
// points come straight from its first seed instead of down one long chain of steps.
struct LcgJump {
    uint32_t mul[32], add[32];
};
constexpr LcgJump makeLcgJumps() {
    LcgJump j{};
    uint32_t m = 1u, a = 0u;
    for (int k = 0; k < 32; ++k) {
        j.mul[k] = m;
        j.add[k] = a;
        m = lcgMul * m;
        a = lcgMul * a + lcgAdd;
    }
    return j;
}
inline constexpr LcgJump lcgJump = makeLcgJumps();

// Most points per cube in the count table.
inline constexpr int maxCubePoints = 5;

}  // namespace cellular
