#include "cube_list.h"

#include "cube_list_quad.h"

#if defined(_MSC_VER) && defined(_M_X64)
#include <intrin.h>
#endif

namespace cellular {

namespace {

bool detectAvx2() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    __builtin_cpu_init();  // this runs among the static constructors
    return __builtin_cpu_supports("avx2");
#elif defined(_MSC_VER) && defined(_M_X64)
    // AVX2 needs the processor's flag and the system saving the wide registers (XCR0 bits 1, 2).
    int info[4];
    __cpuid(info, 0);
    if (info[0] < 7) return false;
    __cpuid(info, 1);
    const bool osSaves =
        (info[2] & (1 << 27)) != 0 && (info[2] & (1 << 28)) != 0 && (_xgetbv(0) & 6) == 6;
    __cpuidex(info, 7, 0);
    return osSaves && (info[1] & (1 << 5)) != 0;
#else
    return false;
#endif
}

}  // namespace

// Settled during static initialisation and only read afterwards. Read before (by another
// file's static initialiser) it is false, and the two-lane forms give the same bits.
const bool avx2Processor = detectAvx2();

double nearestSquaredOverCubesPortable(const CubeQueries& queries, const uint8_t cubes[],
                                       int count) {
    double nearest = HUGE_VAL;
    for (int i = 0; i < count; ++i) {
        const int k = cubes[i] & 31;
        const double s = cubeNearestSquaredPortable(queries, cubes[i] >> 5, cubeSteps.offset[k],
                                                    cubeSteps.hashDelta[k]);
        nearest = s < nearest ? s : nearest;
    }
    return nearest;
}

double nearestSquaredOverCubesSse2(const CubeQueries& queries, const uint8_t cubes[], int count) {
#ifdef QUORV_CUBE_NEAREST_SSE2
    // The minimum is kept lane by lane and folded once at the end: min is exact, so the order
    // of folding changes nothing.
    __m128d nearest = _mm_set1_pd(HUGE_VAL);
    for (int i = 0; i < count; ++i) {
        const int k = cubes[i] & 31;
        nearest =
            _mm_min_pd(nearest, cubeNearestSquaredSse2(queries, cubes[i] >> 5, cubeSteps.offset[k],
                                                       cubeSteps.hashDelta[k]));
    }
    return _mm_cvtsd_f64(_mm_min_sd(nearest, _mm_unpackhi_pd(nearest, nearest)));
#else
    return nearestSquaredOverCubesPortable(queries, cubes, count);
#endif
}

double nearestSquaredOverCubesAvx2(const CubeQueries& queries, const uint8_t cubes[], int count) {
#ifdef QUORV_CUBE_LIST_QUAD
    if (avx2Processor) return nearestSquaredOverCubesQuad(queries, cubes, count);
#endif
    return nearestSquaredOverCubesSse2(queries, cubes, count);
}

double nearestSquaredOverCubes(const CubeQueries& queries, const uint8_t cubes[], int count) {
    return nearestSquaredOverCubesAvx2(queries, cubes, count);
}

}  // namespace cellular
