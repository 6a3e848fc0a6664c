// The eight-lane form of the layer lay-out: the same steps as the two-lane form, a whole stack
// of layers per instruction. Only the functions below are built for AVX2; the dispatcher calls
// in here only on a processor that has it.
#include "layer_lanes.h"
#include "layer_lanes_quad.h"

#ifdef QUORV_LAYER_LANES_QUAD

#include <immintrin.h>

#include "cellular_lattice.h"
#include "layer_rotations.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

using namespace cellular;

namespace {

// The low 32 bits of four 64-bit masks, in the low half.
__m128i narrowMask(__m256d m) {
    const __m256i lowHalves = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(m), lowHalves));
}

}  // namespace

void layLanesQuad(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l) {
    static_assert(layerLaneCount == 8, "one register of floats, two of doubles");
    const LayerRotationLanes& m = layerRotationLanes(type, firstSlot);
    const __m256 px = _mm256_set1_ps(p.x), py = _mm256_set1_ps(p.y), pz = _mm256_set1_ps(p.z);
    const int stretched = type == 0 ? 0 : 1;
    const __m256d density = _mm256_set1_pd(densityScale);
    const __m256d low = _mm256_set1_pd(-2147483648.0), high = _mm256_set1_pd(2147483648.0);
    const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
    int onLattice = 0xFF;
    __m256i cells[3];
    for (int c = 0; c < 3; ++c) {
        // ((x m0 + y m1) + z m2) + m3, as rotatePoint adds, then the stretch.
        __m256 r = _mm256_add_ps(
            _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(px, _mm256_loadu_ps(m.m[0][c])),
                                        _mm256_mul_ps(py, _mm256_loadu_ps(m.m[1][c]))),
                          _mm256_mul_ps(pz, _mm256_loadu_ps(m.m[2][c]))),
            _mm256_loadu_ps(m.m[3][c]));
        if (c == stretched) r = _mm256_mul_ps(r, _mm256_set1_ps(scale));
        __m256d at[2];
        __m128i cell[2];
        for (int half = 0; half < 2; ++half) {
            at[half] = _mm256_mul_pd(_mm256_cvtps_pd(half == 0 ? _mm256_castps256_ps128(r)
                                                               : _mm256_extractf128_ps(r, 1)),
                                     density);
            _mm256_store_pd(&l.cube.at[c][4 * half], at[half]);
            // latticeIndex without its branch: an off-lattice or NaN lane converts 0.
            const __m256d in = _mm256_and_pd(_mm256_cmp_pd(at[half], low, _CMP_GT_OQ),
                                             _mm256_cmp_pd(at[half], high, _CMP_LT_OQ));
            onLattice &= _mm256_movemask_pd(in) << 4 * half | ~(15 << 4 * half);
            const __m256d v = _mm256_and_pd(in, at[half]);
            cell[half] = _mm_add_epi32(_mm256_cvttpd_epi32(v),
                                       narrowMask(_mm256_cmp_pd(v, zero, _CMP_LT_OQ)));
        }
        cells[c] = _mm256_set_m128i(cell[1], cell[0]);
        _mm256_store_si256(reinterpret_cast<__m256i*>(l.cell[c]), cells[c]);
        __m256d own[2];
        for (int o = 0; o < 3; ++o) {
            // Wrapping 32-bit addition, as offsetIndex.
            const __m256i corner = _mm256_add_epi32(cells[c], _mm256_set1_epi32(o - 1));
            const __m256d lo = _mm256_cvtepi32_pd(_mm256_castsi256_si128(corner));
            const __m256d hi = _mm256_cvtepi32_pd(_mm256_extracti128_si256(corner, 1));
            _mm256_store_pd(&l.cube.corner[c][o][0], lo);
            _mm256_store_pd(&l.cube.corner[c][o][4], hi);
            if (o == 1) own[0] = lo, own[1] = hi;
        }
        for (int half = 0; half < 2; ++half) {
            const __m256d f = _mm256_sub_pd(at[half], own[half]);
            const __m256d g = _mm256_sub_pd(one, f);
            _mm256_store_pd(&l.face[c][4 * half], _mm256_mul_pd(f, f));
            _mm256_store_pd(&l.face[c + 3][4 * half], _mm256_mul_pd(g, g));
        }
    }
    const __m256i hash = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(cells[0], _mm256_set1_epi32(static_cast<int>(hashX))),
                         _mm256_mullo_epi32(cells[1], _mm256_set1_epi32(static_cast<int>(hashY)))),
        _mm256_mullo_epi32(cells[2], _mm256_set1_epi32(static_cast<int>(hashZ))));
    _mm256_store_si256(reinterpret_cast<__m256i*>(l.cube.hash), hash);
    l.onLattice = static_cast<uint32_t>(onLattice);
}

void facesWithinQuad(const LayerLanes& l, double reach, uint32_t faces[layerLaneCount]) {
    const __m256d r = _mm256_set1_pd(reach);
    for (int half = 0; half < 2; ++half) {
        __m256d bits = _mm256_setzero_pd();
        for (int j = 0; j < 6; ++j) {
            const __m256d within =
                _mm256_cmp_pd(r, _mm256_load_pd(&l.face[j][4 * half]), _CMP_GT_OQ);
            bits = _mm256_or_pd(
                bits, _mm256_and_pd(within, _mm256_castsi256_pd(_mm256_set1_epi64x(1 << j))));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(&faces[4 * half]), narrowMask(bits));
    }
}

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif

#endif
