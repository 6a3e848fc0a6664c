// Gustavson's simplex noise in 2D and 3D, and forms that fade out with filter width.
// Single precision throughout; no seed and no initialisation.
#pragma once

#include <bit>
#include <cstdint>

// About [-1, 1]; 0 at every lattice point of the skewed grid. A point whose cell index
// leaves the 32-bit range (or is NaN) gives 0.
float simplexNoise2D(float x, float y);
float simplexNoise3D(float x, float y, float z);
// Four points at once, n[i] bit for bit simplexNoise2D(x[i], y[i]) or
// simplexNoise3D(x[i], y[i], z[i]).
void simplexNoise2D4(const float x[4], const float y[4], float n[4]);
void simplexNoise3D4(const float x[4], const float y[4], const float z[4], float n[4]);

// The plain noise times (1 - fade), the fade rising from 0 at w = 1.44 to 1 at w = 2.64;
// 0 once the fade reaches 0.9999. w is the filter width in the noise's own units.
float filteredSimplex2D(float x, float y, float w);
float filteredSimplex3D(float x, float y, float z, float w);
// The fade of the filtered forms applied to the plain noise n at width w:
// filteredSimplex3D(x, y, z, w) is fadeNoise(simplexNoise3D(x, y, z), w), and likewise in 2D.
float fadeNoise(float n, float w);

// [0, 1]: the quintic ramp 6t^5 - 15t^4 + 10t^3 of t = (x - e0) / (e1 - e0), flat outside.
// A NaN t reads as below the ramp (0).
inline float quinticStep(float x, float e0, float e1);

// Dot product of the corner offset with the gradient that the hash h selects (its low 3 bits
// in 2D, 4 bits in 3D): 2D +-u +-2v of (x, y) in some order, 3D +-u +-v of two of x, y, z.
inline float simplexGradient2(int h, float x, float y);
inline float simplexGradient3(int h, float x, float y, float z);

// ---- implementation ----

inline float quinticStep(float x, float e0, float e1) {
    const float t = (x - e0) / (e1 - e0);
    if (!(t >= 0.0f)) return 0.0f;
    if (t > 1.0f) return 1.0f;
    return t * t * t * (t * (6.0f * t - 15.0f) + 10.0f);
}

// Bitwise select and sign flip: exact, and without the branches on hash bits that no
// predictor can learn.
inline float selectFloat(bool pick, float a, float b) {
    const uint32_t mask = 0u - static_cast<uint32_t>(pick);
    return std::bit_cast<float>((std::bit_cast<uint32_t>(a) & mask) |
                                (std::bit_cast<uint32_t>(b) & ~mask));
}
inline float negateIf(bool flip, float v) {
    return std::bit_cast<float>(std::bit_cast<uint32_t>(v) ^ (static_cast<uint32_t>(flip) << 31));
}

inline float simplexGradient2(int h, float x, float y) {
    h &= 7;
    const float u = selectFloat(h < 4, x, y);
    const float v = selectFloat(h < 4, y, x);
    return negateIf(h & 1, u) + negateIf(h & 2, 2.0f * v);
}

inline float simplexGradient3(int h, float x, float y, float z) {
    h &= 15;
    const float u = selectFloat(h < 8, x, y);
    const float v = selectFloat(h < 4, y, selectFloat((h == 12) | (h == 14), x, z));
    return negateIf(h & 1, u) + negateIf(h & 2, v);
}
