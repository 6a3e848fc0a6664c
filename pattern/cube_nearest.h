// The nearest feature point of one lattice cube, the innermost step of the cellular search.
// Internal to pattern/.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "cellular_lattice.h"
#include "poisson_count.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUORV_CUBE_NEAREST_SSE2 1
#endif

namespace cellular {

// The smallest squared distance from at to a feature point of cube (xi, yi, zi), infinity for
// an empty cube. With n = 1 only the nearest point of a cube can matter, and the square root
// is monotone, so its root is the distance the written insertion would keep.
inline double cubeNearestSquared(int32_t xi, int32_t yi, int32_t zi, const double at[3]) {
    const uint32_t hash = cubeSeed(xi, yi, zi);
    const int count = poissonCount[hash >> 24];
    const uint32_t seed = lcgStep(hash);
    const double cx = xi, cy = yi, cz = zi;
    double nearest = HUGE_VAL;
    for (int j = 0; j < count; ++j) {
        const int k = 4 * j;
        const uint32_t s1 = lcgJump.mul[k + 1] * seed + lcgJump.add[k + 1];
        const uint32_t s2 = lcgJump.mul[k + 2] * seed + lcgJump.add[k + 2];
        const uint32_t s3 = lcgJump.mul[k + 3] * seed + lcgJump.add[k + 3];
        const double dx = (cx + (s1 + 0.5) * twoToMinus32) - at[0];
        const double dy = (cy + (s2 + 0.5) * twoToMinus32) - at[1];
        const double dz = (cz + (s3 + 0.5) * twoToMinus32) - at[2];
        const double s = dx * dx + dy * dy + dz * dz;
        nearest = std::min(nearest, s);
    }
    return nearest;
}

// Up to eight query points laid out for the cube kernels, one lane each: their coordinates, the
// coordinates of the cubes next to their own (wrapping as offsetIndex does) and their own cube's
// hash. The hash of a neighbour is the home hash plus a constant per offset: the hash is linear
// in wrapping 32-bit arithmetic. Lane-major, so that all the queries of a sample are laid out
// together by the same few vector operations.
inline constexpr int maxCubeQueries = 8;
struct CubeQueries {
    alignas(32) double at[3][maxCubeQueries];
    alignas(32) double corner[3][3][maxCubeQueries];  // [axis][offset + 1][query]
    alignas(32) uint32_t hash[maxCubeQueries];
};

// Lays out query i: the point at (scaled space) in cube cell.
inline void setCubeQuery(CubeQueries& q, int i, const double at[3], const int32_t cell[3]) {
    for (int c = 0; c < 3; ++c) {
        q.at[c][i] = at[c];
        for (int o = 0; o < 3; ++o) q.corner[c][o][i] = offsetIndex(cell[c], o - 1);
    }
    q.hash[i] = cubeSeed(cell[0], cell[1], cell[2]);
}

// The same as cubeNearestSquared for query i and the cube at `offset` from its own, whose hash
// is the query's plus hashDelta, in plain scalar arithmetic.
inline double cubeNearestSquaredPortable(const CubeQueries& q, int i, const int8_t offset[3],
                                         uint32_t hashDelta) {
    const uint32_t hash = q.hash[i] + hashDelta;
    const int count = poissonCount[hash >> 24];
    const uint32_t seed = lcgStep(hash);
    const double cx = q.corner[0][offset[0] + 1][i], cy = q.corner[1][offset[1] + 1][i],
                 cz = q.corner[2][offset[2] + 1][i];
    double nearest = HUGE_VAL;
    for (int j = 0; j < count; ++j) {
        const int k = 4 * j;
        const uint32_t s1 = lcgJump.mul[k + 1] * seed + lcgJump.add[k + 1];
        const uint32_t s2 = lcgJump.mul[k + 2] * seed + lcgJump.add[k + 2];
        const uint32_t s3 = lcgJump.mul[k + 3] * seed + lcgJump.add[k + 3];
        const double dx = (cx + (s1 + 0.5) * twoToMinus32) - q.at[0][i];
        const double dy = (cy + (s2 + 0.5) * twoToMinus32) - q.at[1][i];
        const double dz = (cz + (s3 + 0.5) * twoToMinus32) - q.at[2][i];
        nearest = std::min(nearest, dx * dx + dy * dy + dz * dz);
    }
    return nearest;
}

#ifdef QUORV_CUBE_NEAREST_SSE2

// Two points at a time, one per double lane, with the scalar form's operations in its order:
// packed IEEE arithmetic rounds each lane exactly as the scalar instruction would. The jump
// multipliers and increments of each pair, per coordinate, sit in the low halves of 64-bit
// lanes, where the unsigned 32-bit multiply reads them.
struct PairJumps {
    alignas(16) uint64_t mul[3][3][2];
    alignas(16) uint64_t add[3][3][2];
};
constexpr PairJumps makePairJumps() {
    PairJumps p{};
    for (int pair = 0; pair < 3; ++pair)
        for (int c = 0; c < 3; ++c)
            for (int lane = 0; lane < 2; ++lane) {
                const int k = 4 * (2 * pair + lane) + 1 + c;
                p.mul[pair][c][lane] = lcgJump.mul[k];
                p.add[pair][c][lane] = lcgJump.add[k];
            }
    return p;
}
inline constexpr PairJumps pairJumps = makePairJumps();

// Lane penalties by pair and count: 0 for a point the cube has, infinity past its count.
struct PairPenalty {
    alignas(16) double lane[6][3][2];
};
constexpr PairPenalty makePairPenalty() {
    PairPenalty p{};
    for (int count = 0; count <= maxCubePoints; ++count)
        for (int pair = 0; pair < 3; ++pair)
            for (int lane = 0; lane < 2; ++lane)
                p.lane[count][pair][lane] = 2 * pair + lane < count ? 0.0 : HUGE_VAL;
    return p;
}
inline constexpr PairPenalty pairPenalty = makePairPenalty();

// The squared distances of one pair of points, each lane as the scalar form computes it.
inline __m128d pairSquared(int pair, __m128i seed, const __m128d corner[3],
                           const __m128d query[3]) {
    // With s as the low 32 bits of a mantissa under the exponent of 2^20, the double is
    // exactly 2^20 + s 2^-32; subtracting 2^20 - 2^-33 (53 bits, representable) is exact too
    // and leaves the scalar form's (s + 0.5) 2^-32.
    const __m128i low = _mm_set1_epi64x(0xFFFFFFFF), exponent = _mm_set1_epi64x(0x4130000000000000);
    const __m128d offset = _mm_set1_pd(1048576.0 - 0x1p-33);
    __m128d d[3];
    for (int c = 0; c < 3; ++c) {
        const __m128i mul =
            _mm_load_si128(reinterpret_cast<const __m128i*>(pairJumps.mul[pair][c]));
        const __m128i add =
            _mm_load_si128(reinterpret_cast<const __m128i*>(pairJumps.add[pair][c]));
        const __m128i s = _mm_add_epi32(_mm_mul_epu32(seed, mul), add);
        const __m128d frac =
            _mm_sub_pd(_mm_castsi128_pd(_mm_or_si128(_mm_and_si128(s, low), exponent)), offset);
        d[c] = _mm_sub_pd(_mm_add_pd(corner[c], frac), query[c]);
    }
    return _mm_add_pd(_mm_add_pd(_mm_mul_pd(d[0], d[0]), _mm_mul_pd(d[1], d[1])),
                      _mm_mul_pd(d[2], d[2]));
}

// The nearest squared distances from query i to the points of the cube at `offset` from its
// own, whose hash is the query's plus hashDelta, two lanes holding the smaller of each pair.
inline __m128d cubeNearestSquaredSse2(const CubeQueries& q, int i, const int8_t offset[3],
                                      uint32_t hashDelta) {
    const uint32_t hash = q.hash[i] + hashDelta;
    const int count = poissonCount[hash >> 24];
    const __m128i seed = _mm_set1_epi32(static_cast<int32_t>(lcgStep(hash)));
    const __m128d corner[3] = {_mm_load1_pd(&q.corner[0][offset[0] + 1][i]),
                               _mm_load1_pd(&q.corner[1][offset[1] + 1][i]),
                               _mm_load1_pd(&q.corner[2][offset[2] + 1][i])};
    const __m128d query[3] = {_mm_load1_pd(&q.at[0][i]), _mm_load1_pd(&q.at[1][i]),
                              _mm_load1_pd(&q.at[2][i])};
    const auto& penalty = pairPenalty.lane[count];
    // Four points are always worked out, unneeded lanes masked: cheaper than a branch on the
    // count, which the predictor cannot learn. Only a fifth point, in one cube of ten, costs a
    // branch.
    __m128d nearest =
        _mm_min_pd(_mm_add_pd(pairSquared(0, seed, corner, query), _mm_load_pd(penalty[0])),
                   _mm_add_pd(pairSquared(1, seed, corner, query), _mm_load_pd(penalty[1])));
    if (count > 4)
        nearest = _mm_min_pd(
            nearest, _mm_add_pd(pairSquared(2, seed, corner, query), _mm_load_pd(penalty[2])));
    return nearest;
}

#endif  // QUORV_CUBE_NEAREST_SSE2

}  // namespace cellular
