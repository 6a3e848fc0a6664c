#include "simplex.h"

#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUORV_SIMPLEX_SSE2 1
#endif

#include "lattice_index.h"
#include "permutation.h"

namespace {

// Skew and unskew factors in single precision: (sqrt(3) - 1) / 2, (3 - sqrt(3)) / 6, 1/3, 1/6.
constexpr float F2 = 0.3660254f, G2 = 0.21132487f, twoG2 = 0.42264974f;
constexpr float F3 = 0.33333334f, G3 = 0.16666667f, twoG3 = 0.33333334f, threeG3 = 0.5f;

// Fade edges of the filtered forms, applied to the width divided by the first edge.
constexpr float fadeStart = 1.2f, fadeEnd = 2.2f, fadeCutoff = 0.9999f;

// The low 8 bits of the cell index, as two's complement.
inline int wrap256(int32_t i) {
    return static_cast<int>(static_cast<uint32_t>(i) & 255u);
}

// Cell index sums in 64 bits: two or three int32 values may not fit in one.
inline float indexSum(int64_t s) {
    return static_cast<float>(s);
}

}  // namespace

float simplexNoise2D(float x, float y) {
    // Skew to find the cell.
    const float s = (x + y) * F2;
    int32_t i, j;
    if (!latticeIndex(x + s, i) || !latticeIndex(y + s, j)) return 0.0f;  // off the lattice
    const float t = indexSum(int64_t{i} + j) * G2;
    const float x0 = x - (static_cast<float>(i) - t);
    const float y0 = y - (static_cast<float>(j) - t);

    // Which triangle of the cell holds the point.
    const int i1 = x0 > y0 ? 1 : 0;
    const int j1 = x0 > y0 ? 0 : 1;

    const float x1 = x0 - static_cast<float>(i1) + G2, y1 = y0 - static_cast<float>(j1) + G2;
    const float x2 = x0 - 1.0f + twoG2, y2 = y0 - 1.0f + twoG2;

    const int ii = wrap256(i), jj = wrap256(j);
    const int h0 = permutation[ii + permutation[jj]];
    const int h1 = permutation[ii + i1 + permutation[jj + j1]];
    const int h2 = permutation[ii + 1 + permutation[jj + 1]];

    // A corner beyond the kernel radius contributes +0; selected, not branched on.
    auto corner = [](int h, float cx, float cy) {
        const float r = 0.5f - cx * cx - cy * cy;
        const float r2 = r * r;
        return selectFloat(r < 0.0f, 0.0f, r2 * r2 * simplexGradient2(h, cx, cy));
    };
    const float n0 = corner(h0, x0, y0), n1 = corner(h1, x1, y1), n2 = corner(h2, x2, y2);
    return 40.0f * (n0 + n1 + n2);
}

float simplexNoise3D(float x, float y, float z) {
    // Skew to find the cell.
    const float s = (x + y + z) * F3;
    int32_t i, j, k;
    if (!latticeIndex(x + s, i) || !latticeIndex(y + s, j) || !latticeIndex(z + s, k))
        return 0.0f;  // off the lattice
    const float t = indexSum(int64_t{i} + j + k) * G3;
    const float x0 = x - (static_cast<float>(i) - t);
    const float y0 = y - (static_cast<float>(j) - t);
    const float z0 = z - (static_cast<float>(k) - t);

    // Which of the six tetrahedra of the cell holds the point: the table of the nested
    // comparisons, as boolean formulas rather than branches.
    const bool a = x0 >= y0, b = y0 >= z0, c = x0 >= z0;
    const bool notA = !a, notB = !b, notC = !c;
    const int i1 = a & (b | c), j1 = notA & b, k1 = notB & (notA | notC);
    const int i2 = a | (b & c), j2 = b | notA, k2 = notB | (notA & notC);

    const float x1 = x0 - static_cast<float>(i1) + G3, y1 = y0 - static_cast<float>(j1) + G3,
                z1 = z0 - static_cast<float>(k1) + G3;
    const float x2 = x0 - static_cast<float>(i2) + twoG3, y2 = y0 - static_cast<float>(j2) + twoG3,
                z2 = z0 - static_cast<float>(k2) + twoG3;
    const float x3 = x0 - 1.0f + threeG3, y3 = y0 - 1.0f + threeG3, z3 = z0 - 1.0f + threeG3;

    const int ii = wrap256(i), jj = wrap256(j), kk = wrap256(k);
    auto hash = [&](int a, int b, int c) {
        return static_cast<int>(permutation[ii + a + permutation[jj + b + permutation[kk + c]]]);
    };

    auto corner = [](int h, float cx, float cy, float cz) {
        const float r = 0.6f - cx * cx - cy * cy - cz * cz;
        const float r2 = r * r;
        return selectFloat(r < 0.0f, 0.0f, r2 * r2 * simplexGradient3(h, cx, cy, cz));
    };
    const float n0 = corner(hash(0, 0, 0), x0, y0, z0);
    const float n1 = corner(hash(i1, j1, k1), x1, y1, z1);
    const float n2 = corner(hash(i2, j2, k2), x2, y2, z2);
    const float n3 = corner(hash(1, 1, 1), x3, y3, z3);
    return 32.0f * (n0 + n1 + n2 + n3);
}

#ifdef QUORV_SIMPLEX_SSE2

namespace {

__m128 selectLanes(__m128 mask, __m128 a, __m128 b) {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

// latticeIndex lane by lane; `in` is all ones where the index is valid, and an invalid lane
// converts a stand-in 0.
__m128i latticeLanes(__m128 v, __m128& in) {
    in = _mm_and_ps(_mm_cmpgt_ps(v, _mm_set1_ps(-2147483648.0f)),
                    _mm_cmplt_ps(v, _mm_set1_ps(2147483648.0f)));
    const __m128 w = _mm_and_ps(in, v);
    return _mm_add_epi32(_mm_cvttps_epi32(w), _mm_castps_si128(_mm_cmplt_ps(w, _mm_setzero_ps())));
}

// float(int64(i) + j + k), through doubles: the sum of three int32 values is exact there, and
// both conversions to float round the same integer to nearest.
__m128 indexSumLanes(__m128i i, __m128i j, __m128i k) {
    const auto half = [](__m128i a, __m128i b, __m128i c) {
        return _mm_add_pd(_mm_add_pd(_mm_cvtepi32_pd(a), _mm_cvtepi32_pd(b)), _mm_cvtepi32_pd(c));
    };
    const __m128 lo = _mm_cvtpd_ps(half(i, j, k));
    const __m128 hi = _mm_cvtpd_ps(
        half(_mm_unpackhi_epi64(i, i), _mm_unpackhi_epi64(j, j), _mm_unpackhi_epi64(k, k)));
    return _mm_movelh_ps(lo, hi);
}

__m128 negateLanes(__m128i bit0, __m128 v) {
    return _mm_xor_ps(v, _mm_castsi128_ps(_mm_slli_epi32(bit0, 31)));
}

// simplexGradient3 lane by lane.
__m128 gradientLanes(__m128i h, __m128 x, __m128 y, __m128 z) {
    h = _mm_and_si128(h, _mm_set1_epi32(15));
    const __m128 below8 = _mm_castsi128_ps(_mm_cmplt_epi32(h, _mm_set1_epi32(8)));
    const __m128 below4 = _mm_castsi128_ps(_mm_cmplt_epi32(h, _mm_set1_epi32(4)));
    const __m128 twelveOr14 = _mm_castsi128_ps(_mm_or_si128(
        _mm_cmpeq_epi32(h, _mm_set1_epi32(12)), _mm_cmpeq_epi32(h, _mm_set1_epi32(14))));
    const __m128 u = selectLanes(below8, x, y);
    const __m128 v = selectLanes(below4, y, selectLanes(twelveOr14, x, z));
    return _mm_add_ps(negateLanes(h, u), negateLanes(_mm_srli_epi32(h, 1), v));
}

__m128 cornerLanes(__m128i h, __m128 x, __m128 y, __m128 z) {
    const __m128 r =
        _mm_sub_ps(_mm_sub_ps(_mm_sub_ps(_mm_set1_ps(0.6f), _mm_mul_ps(x, x)), _mm_mul_ps(y, y)),
                   _mm_mul_ps(z, z));
    const __m128 r2 = _mm_mul_ps(r, r);
    const __m128 n = _mm_mul_ps(_mm_mul_ps(r2, r2), gradientLanes(h, x, y, z));
    return _mm_andnot_ps(_mm_cmplt_ps(r, _mm_setzero_ps()), n);
}

__m128 corner2Lanes(__m128i h, __m128 x, __m128 y) {
    h = _mm_and_si128(h, _mm_set1_epi32(7));
    const __m128 below4 = _mm_castsi128_ps(_mm_cmplt_epi32(h, _mm_set1_epi32(4)));
    const __m128 u = selectLanes(below4, x, y), v = selectLanes(below4, y, x);
    const __m128 gradient = _mm_add_ps(
        negateLanes(h, u), negateLanes(_mm_srli_epi32(h, 1), _mm_mul_ps(_mm_set1_ps(2.0f), v)));
    const __m128 r = _mm_sub_ps(_mm_sub_ps(_mm_set1_ps(0.5f), _mm_mul_ps(x, x)), _mm_mul_ps(y, y));
    const __m128 r2 = _mm_mul_ps(r, r);
    return _mm_andnot_ps(_mm_cmplt_ps(r, _mm_setzero_ps()),
                         _mm_mul_ps(_mm_mul_ps(r2, r2), gradient));
}

}  // namespace

void simplexNoise2D4(const float x[4], const float y[4], float n[4]) {
    const __m128 px = _mm_loadu_ps(x), py = _mm_loadu_ps(y);
    const __m128 s = _mm_mul_ps(_mm_add_ps(px, py), _mm_set1_ps(F2));
    __m128 inI, inJ;
    const __m128i i = latticeLanes(_mm_add_ps(px, s), inI);
    const __m128i j = latticeLanes(_mm_add_ps(py, s), inJ);
    // float(int64(i) + j) through doubles, as indexSumLanes.
    const __m128 sum =
        _mm_movelh_ps(_mm_cvtpd_ps(_mm_add_pd(_mm_cvtepi32_pd(i), _mm_cvtepi32_pd(j))),
                      _mm_cvtpd_ps(_mm_add_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(i, i)),
                                              _mm_cvtepi32_pd(_mm_unpackhi_epi64(j, j)))));
    const __m128 t = _mm_mul_ps(sum, _mm_set1_ps(G2));
    const __m128 x0 = _mm_sub_ps(px, _mm_sub_ps(_mm_cvtepi32_ps(i), t));
    const __m128 y0 = _mm_sub_ps(py, _mm_sub_ps(_mm_cvtepi32_ps(j), t));

    // The triangle: i1 = x0 > y0, j1 its complement, as masks.
    const __m128 upper = _mm_cmpgt_ps(x0, y0);
    const __m128 one = _mm_set1_ps(1.0f), g2 = _mm_set1_ps(G2), g2x2 = _mm_set1_ps(twoG2);
    const __m128 x1 = _mm_add_ps(_mm_sub_ps(x0, _mm_and_ps(upper, one)), g2);
    const __m128 y1 = _mm_add_ps(_mm_sub_ps(y0, _mm_andnot_ps(upper, one)), g2);
    const __m128 x2 = _mm_add_ps(_mm_sub_ps(x0, one), g2x2);
    const __m128 y2 = _mm_add_ps(_mm_sub_ps(y0, one), g2x2);

    alignas(16) int32_t ci[4], cj[4], i1[4], h[3][4];
    const __m128i low = _mm_set1_epi32(255);
    _mm_store_si128(reinterpret_cast<__m128i*>(ci), _mm_and_si128(i, low));
    _mm_store_si128(reinterpret_cast<__m128i*>(cj), _mm_and_si128(j, low));
    _mm_store_si128(reinterpret_cast<__m128i*>(i1),
                    _mm_and_si128(_mm_castps_si128(upper), _mm_set1_epi32(1)));
    for (int lane = 0; lane < 4; ++lane) {
        const int ii = ci[lane], jj = cj[lane], a = i1[lane];
        h[0][lane] = permutation[ii + permutation[jj]];
        h[1][lane] = permutation[ii + a + permutation[jj + 1 - a]];
        h[2][lane] = permutation[ii + 1 + permutation[jj + 1]];
    }
    const auto hashes = [&](int corner) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(h[corner]));
    };
    const __m128 total =
        _mm_add_ps(_mm_add_ps(corner2Lanes(hashes(0), x0, y0), corner2Lanes(hashes(1), x1, y1)),
                   corner2Lanes(hashes(2), x2, y2));
    // Off the lattice: 0.
    _mm_storeu_ps(n, _mm_and_ps(_mm_and_ps(inI, inJ), _mm_mul_ps(_mm_set1_ps(40.0f), total)));
}

void simplexNoise3D4(const float x[4], const float y[4], const float z[4], float n[4]) {
    const __m128 px = _mm_loadu_ps(x), py = _mm_loadu_ps(y), pz = _mm_loadu_ps(z);
    const __m128 s = _mm_mul_ps(_mm_add_ps(_mm_add_ps(px, py), pz), _mm_set1_ps(F3));
    __m128 inI, inJ, inK;
    const __m128i i = latticeLanes(_mm_add_ps(px, s), inI);
    const __m128i j = latticeLanes(_mm_add_ps(py, s), inJ);
    const __m128i k = latticeLanes(_mm_add_ps(pz, s), inK);
    const __m128 t = _mm_mul_ps(indexSumLanes(i, j, k), _mm_set1_ps(G3));
    const __m128 x0 = _mm_sub_ps(px, _mm_sub_ps(_mm_cvtepi32_ps(i), t));
    const __m128 y0 = _mm_sub_ps(py, _mm_sub_ps(_mm_cvtepi32_ps(j), t));
    const __m128 z0 = _mm_sub_ps(pz, _mm_sub_ps(_mm_cvtepi32_ps(k), t));

    // The tetrahedron, as the scalar form's boolean formulas; each offset is 0 or all ones.
    const __m128i a = _mm_castps_si128(_mm_cmpge_ps(x0, y0));
    const __m128i b = _mm_castps_si128(_mm_cmpge_ps(y0, z0));
    const __m128i c = _mm_castps_si128(_mm_cmpge_ps(x0, z0));
    const __m128i ones = _mm_set1_epi32(-1);
    const __m128i notA = _mm_xor_si128(a, ones), notB = _mm_xor_si128(b, ones),
                  notC = _mm_xor_si128(c, ones);
    const __m128i i1 = _mm_and_si128(a, _mm_or_si128(b, c)), j1 = _mm_and_si128(notA, b),
                  k1 = _mm_and_si128(notB, _mm_or_si128(notA, notC));
    const __m128i i2 = _mm_or_si128(a, _mm_and_si128(b, c)), j2 = _mm_or_si128(b, notA),
                  k2 = _mm_or_si128(notB, _mm_and_si128(notA, notC));
    const __m128 one = _mm_set1_ps(1.0f);
    const auto offset = [&](__m128i mask) { return _mm_and_ps(_mm_castsi128_ps(mask), one); };
    const __m128 g3 = _mm_set1_ps(G3), g3x2 = _mm_set1_ps(twoG3), g3x3 = _mm_set1_ps(threeG3);
    const __m128 x1 = _mm_add_ps(_mm_sub_ps(x0, offset(i1)), g3),
                 y1 = _mm_add_ps(_mm_sub_ps(y0, offset(j1)), g3),
                 z1 = _mm_add_ps(_mm_sub_ps(z0, offset(k1)), g3);
    const __m128 x2 = _mm_add_ps(_mm_sub_ps(x0, offset(i2)), g3x2),
                 y2 = _mm_add_ps(_mm_sub_ps(y0, offset(j2)), g3x2),
                 z2 = _mm_add_ps(_mm_sub_ps(z0, offset(k2)), g3x2);
    const __m128 x3 = _mm_add_ps(_mm_sub_ps(x0, one), g3x3),
                 y3 = _mm_add_ps(_mm_sub_ps(y0, one), g3x3),
                 z3 = _mm_add_ps(_mm_sub_ps(z0, one), g3x3);

    // The permutation lookups, lane by lane.
    alignas(16) int32_t ci[4], cj[4], ck[4], o1[3][4], o2[3][4], h[4][4];
    const __m128i low = _mm_set1_epi32(255), bit = _mm_set1_epi32(1);
    _mm_store_si128(reinterpret_cast<__m128i*>(ci), _mm_and_si128(i, low));
    _mm_store_si128(reinterpret_cast<__m128i*>(cj), _mm_and_si128(j, low));
    _mm_store_si128(reinterpret_cast<__m128i*>(ck), _mm_and_si128(k, low));
    const __m128i firsts[3] = {i1, j1, k1}, seconds[3] = {i2, j2, k2};
    for (int d = 0; d < 3; ++d) {
        _mm_store_si128(reinterpret_cast<__m128i*>(o1[d]), _mm_and_si128(firsts[d], bit));
        _mm_store_si128(reinterpret_cast<__m128i*>(o2[d]), _mm_and_si128(seconds[d], bit));
    }
    for (int lane = 0; lane < 4; ++lane) {
        const int ii = ci[lane], jj = cj[lane], kk = ck[lane];
        auto hash = [&](int a, int b, int c) {
            return static_cast<int32_t>(
                permutation[ii + a + permutation[jj + b + permutation[kk + c]]]);
        };
        h[0][lane] = hash(0, 0, 0);
        h[1][lane] = hash(o1[0][lane], o1[1][lane], o1[2][lane]);
        h[2][lane] = hash(o2[0][lane], o2[1][lane], o2[2][lane]);
        h[3][lane] = hash(1, 1, 1);
    }
    const auto hashes = [&](int corner) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(h[corner]));
    };
    const __m128 n0 = cornerLanes(hashes(0), x0, y0, z0);
    const __m128 n1 = cornerLanes(hashes(1), x1, y1, z1);
    const __m128 n2 = cornerLanes(hashes(2), x2, y2, z2);
    const __m128 n3 = cornerLanes(hashes(3), x3, y3, z3);
    const __m128 sum = _mm_add_ps(_mm_add_ps(_mm_add_ps(n0, n1), n2), n3);
    // Off the lattice: 0.
    const __m128 in = _mm_and_ps(_mm_and_ps(inI, inJ), inK);
    _mm_storeu_ps(n, _mm_and_ps(in, _mm_mul_ps(_mm_set1_ps(32.0f), sum)));
}

#else

void simplexNoise2D4(const float x[4], const float y[4], float n[4]) {
    for (int lane = 0; lane < 4; ++lane) n[lane] = simplexNoise2D(x[lane], y[lane]);
}

void simplexNoise3D4(const float x[4], const float y[4], const float z[4], float n[4]) {
    for (int lane = 0; lane < 4; ++lane) n[lane] = simplexNoise3D(x[lane], y[lane], z[lane]);
}

#endif

float filteredSimplex2D(float x, float y, float w) {
    const float fade = quinticStep(w / fadeStart, fadeStart, fadeEnd);
    if (fade >= fadeCutoff) return 0.0f;
    const float n = simplexNoise2D(x, y);
    return (0.0f - n) * fade + n;
}

float filteredSimplex3D(float x, float y, float z, float w) {
    const float fade = quinticStep(w / fadeStart, fadeStart, fadeEnd);
    if (fade >= fadeCutoff) return 0.0f;
    const float n = simplexNoise3D(x, y, z);
    return (0.0f - n) * fade + n;
}

float fadeNoise(float n, float w) {
    const float fade = quinticStep(w / fadeStart, fadeStart, fadeEnd);
    if (fade >= fadeCutoff) return 0.0f;
    return (0.0f - n) * fade + n;
}
