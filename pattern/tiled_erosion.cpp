#include "tiled_erosion.h"

#include <algorithm>
#include <cmath>

#include "erosion.h"
#include "simplex.h"
#include "texutil.h"
#include "unit_clamp.h"

namespace {

// Width of the blend band in the noise's own units (its first octave's lattice spacing): wide
// enough that the blend shows no crease, narrow enough to leave most of the tile alone. A tile
// narrower than two bands is blended over half its width.
constexpr double blendWidth = 1.0;
constexpr double maxBlend = 0.5;
constexpr int octaves = 4;

float smoothStep(double t) {
    const float s = static_cast<float>(std::clamp(t, 0.0, 1.0));
    return s * s * (3.0f - 2.0f * s);
}

// Four copies of the noise point and their blend weights.
struct Blend {
    Point3 q[4];
    float weight[4];
};

// The ridged sum of erosion.cpp (offset 1, gain 1, H 0, lacunarity 2, four octaves) over the
// blended noise.
template <typename Noise>
float blendedRidged(Blend b, float w, Noise noise) {
    auto blended = [&] {
        float n = 0.0f;
        for (int c = 0; c < 4; ++c)
            if (b.weight[c] != 0.0f) n += b.weight[c] * noise(b.q[c], w);
        return n;
    };
    float ridge = 1.0f - std::fabs(blended());
    float signal = ridge * ridge;
    float sum = signal;
    for (int octave = 1; octave < octaves; ++octave) {
        for (Point3& q : b.q) q = q * 2.0f;
        w = w * 2.0f;
        const float weight = clampUnit(signal);
        ridge = 1.0f - std::fabs(blended());
        signal = ridge * ridge * weight;
        sum = sum + signal;
    }
    return clampUnit(threshold(sum, 0.0f, 1.0f));
}

float erosionScale(int type, const ScratchInputs& in) {
    return type == 0 ? in.sizeOver20 * in.erosionDelta : (in.sizeOver20 / 10.0f) * in.erosionDelta;
}

// The blend at p, or false where the plain erosion applies: inside the cell, outside the band.
bool blendAt(const Point3& p, float s, const ScratchTile& tile, const cellular::LatticeTile& f,
             Blend& b) {
    const double rel[3] = {p.x - f.origin[0], p.y - f.origin[1], p.z - f.origin[2]};
    const double u = f.du[0] * rel[0] + f.du[1] * rel[1] + f.du[2] * rel[2];
    const double v = f.dv[0] * rel[0] + f.dv[1] * rel[1] + f.dv[2] * rel[2];
    if (!(std::fabs(u) < 1e7 && std::fabs(v) < 1e7)) return false;
    const double i = std::floor(u), j = std::floor(v);
    const double bandU = std::min(maxBlend, blendWidth * s * f.duLength);
    const double bandV = std::min(maxBlend, blendWidth * s * f.dvLength);
    if (i == 0.0 && j == 0.0 && u >= bandU && v >= bandV) return false;

    // The point moved into the cell, and its copies one period on in u, v and both.
    const Point3 home =
        (p - tile.edgeU * static_cast<float>(i) - tile.edgeV * static_cast<float>(j)) / s;
    const Point3 du = tile.edgeU / s, dv = tile.edgeV / s;
    b.q[0] = home, b.q[1] = home + du, b.q[2] = home + dv, b.q[3] = home + du + dv;
    const float tu = bandU > 0.0 ? smoothStep((u - i) / bandU) : 1.0f;
    const float tv = bandV > 0.0 ? smoothStep((v - j) / bandV) : 1.0f;
    const float w[4] = {tu * tv, (1.0f - tu) * tv, tu * (1.0f - tv), (1.0f - tu) * (1.0f - tv)};
    const float norm = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2] + w[3] * w[3]);
    for (int c = 0; c < 4; ++c) b.weight[c] = w[c] / norm;
    return true;
}

float erode(float a, float e, const ScratchInputs& in) {
    const float r = e * in.erosion;
    return static_cast<float>((1.0 - r) * a + r);
}

}  // namespace

float tiledErodeLayerValue(float a, const Point3& p, int type, const ScratchInputs& inputs,
                           const ScratchTile& tile, const cellular::LatticeTile& frame) {
    const float s = erosionScale(type, inputs);
    Blend b;
    if (s == 0.0f || !blendAt(p, s, tile, frame, b)) return erodeLayerValue(a, p, type, inputs);
    const float e =
        type == 0 ? blendedRidged(b, 0.0f,
                                  [](const Point3& o, float) { return simplexNoise2D(o.x, o.y); })
                  : blendedRidged(b, 0.0f, [](const Point3& o, float) {
                        return simplexNoise3D(o.x, o.y, o.z);
                    });
    return erode(a, e, inputs);
}

float tiledErodeLayerValue(float a, const Point3& p, float w, int type, const ScratchInputs& inputs,
                           const ScratchTile& tile, const cellular::LatticeTile& frame) {
    const float s = erosionScale(type, inputs);
    Blend b;
    if (s == 0.0f || !blendAt(p, s, tile, frame, b)) return erodeLayerValue(a, p, w, type, inputs);
    const float e = type == 0 ? blendedRidged(b, w / s,
                                              [](const Point3& o, float ow) {
                                                  return filteredSimplex2D(o.x, o.y, ow);
                                              })
                              : blendedRidged(b, w / s, [](const Point3& o, float ow) {
                                    return filteredSimplex3D(o.x, o.y, o.z, ow);
                                });
    return erode(a, e, inputs);
}
