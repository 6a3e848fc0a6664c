#include "simplex.h"

#include <cstdint>

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
