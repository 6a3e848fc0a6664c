#include "erosion.h"

#include <cmath>

#include "simplex.h"
#include "texutil.h"
#include "unit_clamp.h"

namespace {

// Every octave has amplitude 2^-H = 1 (H = 0).
constexpr float octaveGain = 1.0f;
constexpr int octaves = 4;

// The octaves' points: q doubled per octave, as the ridged sum steps through them.
struct Octaves {
    float x[octaves], y[octaves], z[octaves], w[octaves];
};
Octaves octavePoints(Point3 q, float w) {
    Octaves o;
    for (int octave = 0; octave < octaves; ++octave) {
        o.x[octave] = q.x, o.y[octave] = q.y, o.z[octave] = q.z, o.w[octave] = w;
        q = q * 2.0f;
        w = w * 2.0f;
    }
    return o;
}

// The ridged sum over the octaves' noise values n.
float ridged(const float n[octaves]) {
    float amp = octaveGain;
    float ridge = 1.0f - std::fabs(n[0]);
    float signal = ridge * ridge;
    float sum = signal;
    for (int octave = 1; octave < octaves; ++octave) {
        const float weight = clampUnit(signal);
        ridge = 1.0f - std::fabs(n[octave]);
        signal = ridge * ridge * weight;
        sum = sum + signal * amp;
        amp = amp * octaveGain;
    }
    return clampUnit(threshold(sum, 0.0f, 1.0f));
}

// The octaves' plain noise, all four in one go.
void octaveNoise(const Octaves& o, int type, float n[octaves]) {
    static_assert(octaves == 4, "one four-lane noise call");
    if (type == 0)
        simplexNoise2D4(o.x, o.y, n);
    else
        simplexNoise3D4(o.x, o.y, o.z, n);
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
    const Octaves o = octavePoints(q, 0.0f);
    float n[octaves];
    octaveNoise(o, type, n);
    return ridged(n);
}

float erosionNoise(const Point3& q, float w, int type) {
    const Octaves o = octavePoints(q, w);
    float n[octaves];
    octaveNoise(o, type, n);
    for (int octave = 0; octave < octaves; ++octave) n[octave] = fadeNoise(n[octave], o.w[octave]);
    return ridged(n);
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
