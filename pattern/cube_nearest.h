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
inline double cubeNearestSquaredScalar(int32_t xi, int32_t yi, int32_t zi, const double at[3]) {
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
    // s as a signed int32 is s - 2^31, converted exactly; adding 2^31 + 0.5 is exact too and
    // gives the scalar form's s + 0.5.
    const __m128i flip = _mm_set1_epi32(INT32_MIN);
    const __m128d unflip = _mm_set1_pd(2147483648.5), scale = _mm_set1_pd(twoToMinus32);
    __m128d d[3];
    for (int c = 0; c < 3; ++c) {
        const __m128i mul =
            _mm_load_si128(reinterpret_cast<const __m128i*>(pairJumps.mul[pair][c]));
        const __m128i add =
            _mm_load_si128(reinterpret_cast<const __m128i*>(pairJumps.add[pair][c]));
        __m128i s = _mm_add_epi32(_mm_mul_epu32(seed, mul), add);
        s = _mm_shuffle_epi32(_mm_xor_si128(s, flip), _MM_SHUFFLE(3, 1, 2, 0));
        const __m128d frac = _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(s), unflip), scale);
        d[c] = _mm_sub_pd(_mm_add_pd(corner[c], frac), query[c]);
    }
    return _mm_add_pd(_mm_add_pd(_mm_mul_pd(d[0], d[0]), _mm_mul_pd(d[1], d[1])),
                      _mm_mul_pd(d[2], d[2]));
}

inline double cubeNearestSquared(int32_t xi, int32_t yi, int32_t zi, const double at[3]) {
    const uint32_t hash = cubeSeed(xi, yi, zi);
    const int count = poissonCount[hash >> 24];
    const __m128i seed = _mm_set1_epi32(static_cast<int32_t>(lcgStep(hash)));
    const __m128d corner[3] = {_mm_set1_pd(xi), _mm_set1_pd(yi), _mm_set1_pd(zi)};
    const __m128d query[3] = {_mm_set1_pd(at[0]), _mm_set1_pd(at[1]), _mm_set1_pd(at[2])};
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
    return _mm_cvtsd_f64(_mm_min_sd(nearest, _mm_unpackhi_pd(nearest, nearest)));
}

#else

inline double cubeNearestSquared(int32_t xi, int32_t yi, int32_t zi, const double at[3]) {
    return cubeNearestSquaredScalar(xi, yi, zi, at);
}

#endif

}  // namespace cellular
