// The four-lane kernel. Only the functions below are built for AVX2; the shared inline helpers
// come from the headers before the target switch, so no copy of them needs AVX2, and the
// dispatcher calls in here only on a processor that has it.
#include "cube_list.h"
#include "cube_list_quad.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include <algorithm>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace cellular {

namespace {

// Four points at a time, as the two-lane kernel does two: the same operations in the same
// order, each lane rounded exactly as the scalar form rounds it.
struct QuadJumps {
    alignas(32) uint64_t mul[2][3][4];
    alignas(32) uint64_t add[2][3][4];
};
constexpr QuadJumps makeQuadJumps() {
    QuadJumps q{};
    for (int quad = 0; quad < 2; ++quad)
        for (int c = 0; c < 3; ++c)
            for (int lane = 0; lane < 4; ++lane) {
                const int k = 4 * (4 * quad + lane) + 1 + c;
                q.mul[quad][c][lane] = lcgJump.mul[k];
                q.add[quad][c][lane] = lcgJump.add[k];
            }
    return q;
}
constexpr QuadJumps quadJumps = makeQuadJumps();

struct QuadPenalty {
    alignas(32) double lane[maxCubePoints + 1][2][4];
};
constexpr QuadPenalty makeQuadPenalty() {
    QuadPenalty p{};
    for (int count = 0; count <= maxCubePoints; ++count)
        for (int quad = 0; quad < 2; ++quad)
            for (int lane = 0; lane < 4; ++lane)
                p.lane[count][quad][lane] = 4 * quad + lane < count ? 0.0 : HUGE_VAL;
    return p;
}
constexpr QuadPenalty quadPenalty = makeQuadPenalty();

__m256d quadSquared(int quad, __m256i seed, const __m256d corner[3], const __m256d query[3]) {
    // (s + 0.5) 2^-32 exactly, through the mantissa of 2^20 as in the two-lane kernel.
    const __m256i exponent = _mm256_set1_epi64x(0x4130000000000000);
    const __m256d offset = _mm256_set1_pd(1048576.0 - 0x1p-33);
    __m256d d[3];
    for (int c = 0; c < 3; ++c) {
        const __m256i mul =
            _mm256_load_si256(reinterpret_cast<const __m256i*>(quadJumps.mul[quad][c]));
        const __m256i add =
            _mm256_load_si256(reinterpret_cast<const __m256i*>(quadJumps.add[quad][c]));
        const __m256i s = _mm256_add_epi32(_mm256_mul_epu32(seed, mul), add);
        // The high halves replaced by the exponent's: one blend for the mask and the or.
        const __m256d frac =
            _mm256_sub_pd(_mm256_castsi256_pd(_mm256_blend_epi32(s, exponent, 0xAA)), offset);
        d[c] = _mm256_sub_pd(_mm256_add_pd(corner[c], frac), query[c]);
    }
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(d[0], d[0]), _mm256_mul_pd(d[1], d[1])),
                         _mm256_mul_pd(d[2], d[2]));
}

// A coded cube laid out for quadSquared: its point seed, its corner and its query, each
// broadcast to the four lanes, and its point count.
struct CubeLanes {
    __m256i seed;
    __m256d corner[3], query[3];
    int count;
};

CubeLanes cubeLanes(const CubeQueries& q, const CubeCode& code) {
    const char* base = reinterpret_cast<const char*>(&q);
    const auto at = [&](size_t offset) {
        return _mm256_broadcast_sd(reinterpret_cast<const double*>(base + offset));
    };
    const uint32_t hash = *reinterpret_cast<const uint32_t*>(base + code.hash) + code.hashDelta;
    constexpr size_t row = sizeof(double) * maxCubeQueries;
    const size_t first = code.at;
    return {_mm256_set1_epi32(static_cast<int32_t>(lcgStep(hash))),
            {at(code.corner[0]), at(code.corner[1]), at(code.corner[2])},
            {at(first), at(first + row), at(first + 2 * row)},
            poissonCount[hash >> 24]};
}

// The squared distances of a cube's points 4 quad .. 4 quad + 3, infinity past its count.
__m256d cubeQuad(const CubeLanes& c, int quad) {
    return _mm256_add_pd(quadSquared(quad, c.seed, c.corner, c.query),
                         _mm256_load_pd(quadPenalty.lane[c.count][quad]));
}

}  // namespace

// Called only once the processor is known to have AVX2.
double nearestSquaredOverCubesQuad(const CubeQueries& queries, const uint8_t cubes[], int count) {
    // The minimum is kept lane by lane and folded once at the end: min is exact, so the order
    // of folding changes nothing. The first four points of every cube come first; the cubes
    // with a fifth (one in ten) are noted without a branch and get it afterwards: a branch per
    // cube on the count would be mispredicted.
    static_assert(maxCubePoints <= 8, "two quads hold a cube's points");
    __m256d nearest = _mm256_set1_pd(HUGE_VAL);
    // Any count, a chunk of the list at a time (a sample's list is one chunk).
    constexpr int chunk = 256;
    uint8_t fifth[chunk];
    for (int start = 0; start < count; start += chunk) {
        const int end = std::min(count, start + chunk);
        int fifths = 0;
        for (int i = start; i < end; ++i) {
            const CubeLanes c = cubeLanes(queries, cubeCodes.code[cubes[i]]);
            nearest = _mm256_min_pd(nearest, cubeQuad(c, 0));
            fifth[fifths] = cubes[i];
            fifths += c.count > 4;
        }
        for (int i = 0; i < fifths; ++i)
            nearest =
                _mm256_min_pd(nearest, cubeQuad(cubeLanes(queries, cubeCodes.code[fifth[i]]), 1));
    }
    const __m128d half =
        _mm_min_pd(_mm256_castpd256_pd128(nearest), _mm256_extractf128_pd(nearest, 1));
    return _mm_cvtsd_f64(_mm_min_sd(half, _mm_unpackhi_pd(half, half)));
}

}  // namespace cellular

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif

#endif
