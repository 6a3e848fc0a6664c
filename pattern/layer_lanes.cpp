#include "layer_lanes.h"

#include "cellular_lattice.h"
#include "cube_list.h"
#include "layer_lanes_quad.h"
#include "layer_rotations.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUORV_LAYER_LANES_SSE2 1
#endif

using namespace cellular;

void layLanesPortable(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l) {
    const LayerRotationLanes& m = layerRotationLanes(type, firstSlot);
    l.onLattice = 0;
    for (int i = 0; i < layerLaneCount; ++i) {
        float r[3];
        for (int c = 0; c < 3; ++c)
            r[c] = p.x * m.m[0][c][i] + p.y * m.m[1][c][i] + p.z * m.m[2][c][i] + m.m[3][c][i];
        r[type == 0 ? 0 : 1] = r[type == 0 ? 0 : 1] * scale;
        bool in = true;
        for (int c = 0; c < 3; ++c) {
            const double at = r[c] * densityScale;
            l.cube.at[c][i] = at;
            const bool inside = at > -2147483648.0 && at < 2147483648.0;
            const double v = inside ? at : 0.0;
            l.cell[c][i] = static_cast<int32_t>(v) - static_cast<int32_t>(v < 0.0);
            in = in && inside;
        }
        l.onLattice |= static_cast<uint32_t>(in) << i;
        for (int c = 0; c < 3; ++c) {
            for (int o = 0; o < 3; ++o) l.cube.corner[c][o][i] = offsetIndex(l.cell[c][i], o - 1);
            const double f = l.cube.at[c][i] - l.cell[c][i];
            l.face[c][i] = f * f;
            l.face[c + 3][i] = (1.0 - f) * (1.0 - f);
        }
        l.cube.hash[i] = cubeSeed(l.cell[0][i], l.cell[1][i], l.cell[2][i]);
    }
}

void facesWithinPortable(const LayerLanes& l, double reach, uint32_t faces[layerLaneCount]) {
    for (int i = 0; i < layerLaneCount; ++i) {
        uint32_t bits = 0;
        for (int j = 0; j < 6; ++j) bits |= static_cast<uint32_t>(reach > l.face[j][i]) << j;
        faces[i] = bits;
    }
}

#ifdef QUORV_LAYER_LANES_SSE2

namespace {

// The low 32 bits of a * b in each lane: SSE2 multiplies only the even lanes, so the odd ones
// go through a shifted copy.
__m128i multiplyLow(__m128i a, uint32_t b) {
    const __m128i m = _mm_set1_epi32(static_cast<int32_t>(b));
    const __m128i even = _mm_mul_epu32(a, m);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), m);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// Lanes 0, 1 of a double pair's 64-bit masks as two 32-bit masks in the low half.
__m128i narrowMask(__m128d m) {
    return _mm_shuffle_epi32(_mm_castpd_si128(m), _MM_SHUFFLE(3, 3, 2, 0));
}

}  // namespace

void layLanesSse2(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l) {
    const LayerRotationLanes& m = layerRotationLanes(type, firstSlot);
    const __m128 px = _mm_set1_ps(p.x), py = _mm_set1_ps(p.y), pz = _mm_set1_ps(p.z);
    const int stretched = type == 0 ? 0 : 1;
    const __m128d density = _mm_set1_pd(densityScale);
    const __m128d low = _mm_set1_pd(-2147483648.0), high = _mm_set1_pd(2147483648.0);
    const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0);
    int onLattice = 0xFF;
    __m128i cells[3][2];
    for (int c = 0; c < 3; ++c)
        for (int q = 0; q < 2; ++q) {
            // ((x m0 + y m1) + z m2) + m3, as rotatePoint adds, then the stretch.
            __m128 r =
                _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(px, _mm_loadu_ps(&m.m[0][c][4 * q])),
                                                 _mm_mul_ps(py, _mm_loadu_ps(&m.m[1][c][4 * q]))),
                                      _mm_mul_ps(pz, _mm_loadu_ps(&m.m[2][c][4 * q]))),
                           _mm_loadu_ps(&m.m[3][c][4 * q]));
            if (c == stretched) r = _mm_mul_ps(r, _mm_set1_ps(scale));
            __m128i cell[2];
            for (int half = 0; half < 2; ++half) {
                const int lane = 4 * q + 2 * half;
                const __m128d at =
                    _mm_mul_pd(_mm_cvtps_pd(half == 0 ? r : _mm_movehl_ps(r, r)), density);
                _mm_store_pd(&l.cube.at[c][lane], at);
                // latticeIndex without its branch: an off-lattice or NaN lane converts 0.
                const __m128d in = _mm_and_pd(_mm_cmpgt_pd(at, low), _mm_cmplt_pd(at, high));
                onLattice &= _mm_movemask_pd(in) << lane | ~(3 << lane);
                const __m128d v = _mm_and_pd(in, at);
                cell[half] = _mm_add_epi32(_mm_cvttpd_epi32(v), narrowMask(_mm_cmplt_pd(v, zero)));
            }
            cells[c][q] = _mm_unpacklo_epi64(cell[0], cell[1]);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&l.cell[c][4 * q]), cells[c][q]);
            for (int o = 0; o < 3; ++o) {
                // Wrapping 32-bit addition, as offsetIndex.
                const __m128i corner = _mm_add_epi32(cells[c][q], _mm_set1_epi32(o - 1));
                _mm_store_pd(&l.cube.corner[c][o][4 * q], _mm_cvtepi32_pd(corner));
                _mm_store_pd(&l.cube.corner[c][o][4 * q + 2],
                             _mm_cvtepi32_pd(_mm_unpackhi_epi64(corner, corner)));
            }
            for (int half = 0; half < 2; ++half) {
                const int lane = 4 * q + 2 * half;
                const __m128d f = _mm_sub_pd(_mm_load_pd(&l.cube.at[c][lane]),
                                             _mm_load_pd(&l.cube.corner[c][1][lane]));
                const __m128d g = _mm_sub_pd(one, f);
                _mm_store_pd(&l.face[c][lane], _mm_mul_pd(f, f));
                _mm_store_pd(&l.face[c + 3][lane], _mm_mul_pd(g, g));
            }
        }
    for (int q = 0; q < 2; ++q) {
        const __m128i hash = _mm_add_epi32(
            _mm_add_epi32(multiplyLow(cells[0][q], hashX), multiplyLow(cells[1][q], hashY)),
            multiplyLow(cells[2][q], hashZ));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(&l.cube.hash[4 * q]), hash);
    }
    l.onLattice = static_cast<uint32_t>(onLattice);
}

void facesWithinSse2(const LayerLanes& l, double reach, uint32_t faces[layerLaneCount]) {
    const __m128d r = _mm_set1_pd(reach);
    for (int q = 0; q < layerLaneCount / 4; ++q) {
        __m128i bits = _mm_setzero_si128();
        for (int j = 0; j < 6; ++j) {
            const __m128i within =
                _mm_unpacklo_epi64(narrowMask(_mm_cmpgt_pd(r, _mm_load_pd(&l.face[j][4 * q]))),
                                   narrowMask(_mm_cmpgt_pd(r, _mm_load_pd(&l.face[j][4 * q + 2]))));
            bits = _mm_or_si128(bits, _mm_and_si128(within, _mm_set1_epi32(1 << j)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(&faces[4 * q]), bits);
    }
}

#else

void layLanesSse2(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l) {
    layLanesPortable(p, type, scale, firstSlot, l);
}

void facesWithinSse2(const LayerLanes& l, double reach, uint32_t faces[layerLaneCount]) {
    facesWithinPortable(l, reach, faces);
}

#endif

void layLanesAvx2(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l) {
#ifdef QUORV_LAYER_LANES_QUAD
    if (processorHasAvx2()) return layLanesQuad(p, type, scale, firstSlot, l);
#endif
    layLanesSse2(p, type, scale, firstSlot, l);
}

void facesWithinAvx2(const LayerLanes& l, double reach, uint32_t faces[layerLaneCount]) {
#ifdef QUORV_LAYER_LANES_QUAD
    if (processorHasAvx2()) return facesWithinQuad(l, reach, faces);
#endif
    facesWithinSse2(l, reach, faces);
}

void layLanes(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l) {
    layLanesAvx2(p, type, scale, firstSlot, l);
}

void facesWithin(const LayerLanes& l, double reach, uint32_t faces[layerLaneCount]) {
    facesWithinAvx2(l, reach, faces);
}
