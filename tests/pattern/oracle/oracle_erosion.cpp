#include "oracle.h"

#include <cmath>

#include "texutil.h"

namespace oracle {

namespace {

// Every octave has amplitude 2^-H = 1 (H = 0).
constexpr float octaveGain = 1.0f;
constexpr int octaves = 4;

// The ridged sum over the noise N(q, w); w is only carried along for the faded forms.
template <typename Noise>
float ridged(Point3 q, float w, Noise noise) {
    float amp = octaveGain;
    float ridge = 1.0f - std::fabs(noise(q, w));
    float signal = ridge * ridge;
    float sum = signal;
    for (int octave = 1; octave < octaves; ++octave) {
        q = q * 2.0f;
        w = w * 2.0f;
        const float weight = clampUnit(signal);
        ridge = 1.0f - std::fabs(noise(q, w));
        signal = ridge * ridge * weight;
        sum = sum + signal * amp;
        amp = amp * octaveGain;
    }
    return clampUnit(threshold(sum, 0.0f, 1.0f));
}

float erosionScale(int type, const ScratchInputs& in) {
    return type == 0 ? in.sizeOver20 * in.erosionDelta : (in.sizeOver20 / 10.0f) * in.erosionDelta;
}

float blend(float a, float e, const ScratchInputs& in) {
    const float r = e * in.erosion;
    return static_cast<float>((1.0 - r) * a + r);
}

}  // namespace

float erosionNoise(const Point3& q, int type) {
    if (type == 0)
        return ridged(q, 0.0f, [](const Point3& o, float) { return simplexNoise2D(o.x, o.y); });
    return ridged(q, 0.0f, [](const Point3& o, float) { return simplexNoise3D(o.x, o.y, o.z); });
}

float erosionNoise(const Point3& q, float w, int type) {
    if (type == 0)
        return ridged(q, w,
                      [](const Point3& o, float ow) { return filteredSimplex2D(o.x, o.y, ow); });
    return ridged(q, w,
                  [](const Point3& o, float ow) { return filteredSimplex3D(o.x, o.y, o.z, ow); });
}

// A scale of 0 (size 0) would put the noise at infinity; leave the layers uneroded instead.
float erodeLayerValue(float a, const Point3& p, int type, const ScratchInputs& inputs) {
    const float s = erosionScale(type, inputs);
    if (s == 0.0f) return a;
    return blend(a, erosionNoise(p / s, type), inputs);
}

float erodeLayerValue(float a, const Point3& p, float w, int type, const ScratchInputs& inputs) {
    const float s = erosionScale(type, inputs);
    if (s == 0.0f) return a;
    return blend(a, erosionNoise(p / s, w / s, type), inputs);
}

}  // namespace oracle
