#include "oracle.h"

#include <algorithm>

#include "host_geom.h"
#include "texutil.h"

namespace oracle {

namespace {

// Layer angles in radians, single precision: one layer at 90 degrees; with more, the first
// at -10 (2D) or 22.5 (3D) degrees and then these, in degrees, as far as levels reaches.
constexpr float singleLayerAngle = 1.5707964f;
constexpr float firstLayerAngle2D = -0.17453292f;
constexpr float firstLayerAngle3D = 0.39269909f;
constexpr float layerAngles[7] = {35.0f, 55.0f, 75.0f, -15.0f, -35.0f, -55.0f, -75.0f};
constexpr float degToRad = 0.017453292f;
constexpr int maxLevels = 8;

constexpr float softMargin = 0.4f;

// The minimum over the layers, eroded, rescaled to the raw field.
template <typename Erode>
float layerStack(const Point3& p, int type, const ScratchInputs& in, Erode erode) {
    float a;
    if (in.levels <= 1) {
        a = scratchLayer(p, singleLayerAngle, type, in);
    } else {
        a = scratchLayer(p, type == 0 ? firstLayerAngle2D : firstLayerAngle3D, type, in);
        // The angle table ends at eight layers.
        const int extra = std::min(in.levels, maxLevels) - 1;
        for (int k = 0; k < extra; ++k) {
            const float b = scratchLayer(p, layerAngles[k] * degToRad, type, in);
            if (b < a) a = b;
        }
    }
    if (in.useErosion != 0) a = erode(a);
    return (a + 1.0f) * 0.5f;
}

}  // namespace

float scratchLayer(const Point3& p, float theta, int type, const ScratchInputs& inputs) {
    // F1 / spread has no finite value for a spread of 0: read it as clean background.
    if (!(inputs.spread > 0.0f)) return 1.0f;

    Matrix3 m;
    m.IdentityMatrix();
    m.NoRot();
    m.RotateZ(theta);
    if (type != 0) {
        m.RotateX(theta);
        m.RotateY(theta);
    }
    Point3 q = p * m;
    const float scale = inputs.stretch + 50.0f;
    if (type == 0)
        q.x = q.x * scale;
    else
        q.y = q.y * scale;
    return cellularCombine(q, 1.0, 0.0, 0.0, 0.0, inputs.spread);
}

float scratchLayers2D(const Point3& p, const ScratchInputs& inputs) {
    return layerStack(p, 0, inputs, [&](float a) { return erodeLayerValue(a, p, 0, inputs); });
}

float scratchLayers3D(const Point3& p, const ScratchInputs& inputs) {
    return layerStack(p, 1, inputs, [&](float a) { return erodeLayerValue(a, p, 1, inputs); });
}

float scratchLayers2D(const Point3& p, float w, const ScratchInputs& inputs) {
    return layerStack(p, 0, inputs, [&](float a) { return erodeLayerValue(a, p, w, 0, inputs); });
}

float scratchLayers3D(const Point3& p, float w, const ScratchInputs& inputs) {
    return layerStack(p, 1, inputs, [&](float a) { return erodeLayerValue(a, p, w, 1, inputs); });
}

float softThreshold(float v, float low, float high) {
    const float m = softMargin;
    if (v < low - m) return 0.0f;
    if (v > high + m) return 1.0f;
    const float lin = (v - low) / (high - low);
    if (v < low + m) {
        const float t = (v - (low - m)) / ((low + m) - (low - m));
        const float s = t * t * (3.0f - 2.0f * t);
        return s * lin;
    }
    if (v < high - m) return lin;
    const float t = (v - (high - m)) / ((high + m) - (high - m));
    const float s = t * t * (3.0f - 2.0f * t);
    return (1.0f - s) * lin + s;
}

float scratchPattern(const Point3& p, const ScratchInputs& inputs) {
    float v;
    if (inputs.type == 0)
        v = scratchLayers2D(p, inputs);
    else if (inputs.type == 1)
        v = scratchLayers3D(p, inputs);
    else
        return 0.0f;  // whatever the thresholds
    if (inputs.thresholdHigh > inputs.thresholdLow)
        v = threshold(v, inputs.thresholdLow, inputs.thresholdHigh);
    return clampUnit(v);
}

float scratchPatternFiltered(const Point3& p, const Point3& dpdx, const Point3& dpdy,
                             const ScratchInputs& inputs) {
    const float w = std::max(dpdx.Length(), dpdy.Length());
    float v;
    if (inputs.type == 0)
        v = scratchLayers2D(p, w, inputs);
    else if (inputs.type == 1)
        v = scratchLayers3D(p, w, inputs);
    else
        return 0.0f;  // whatever the thresholds
    if (inputs.thresholdHigh > inputs.thresholdLow)
        v = softThreshold(v, inputs.thresholdLow, inputs.thresholdHigh);
    return clampUnit(v);
}

}  // namespace oracle
