// The bake outputs of the nearest scratch (the map's IQuorvScratches::EvalNearestScratch):
// random, layer, direction and angle, per sample and per pixel; bake.cpp samples them.
//
// Direction. A layer's scratches are thin across its stretched axis `across` (pattern space),
// so a mark runs where the surface keeps c = across . p constant, p the pattern point. With J
// the Jacobian of (u, v) -> p (the mapping with its variance, the distortion and the size, all
// that the map applies before the field; here by central differences of the map's own pattern
// point), the gradient of c in the bake plane is g = J^T across, and the mark runs along
// t = (-g.v, g.u) / |g|. For a plane-to-plane J this is J^-1 a for the needle axis a in the
// plane, perpendicular to across. A line has no sign: t is taken with its angle from +u toward
// +v in [0, 180) degrees. Where g vanishes (a layer lying flat in the plane, a single 3D
// level's dots) there is no direction: (0, 0), angle 0.
#pragma once

#include <max.h>

// The nearest scratch at one sample, as the bake uses it.
struct ScratchSample {
    bool found = false;  // false where the map draws nothing or has no feature point
    float field = 1.0f, distance = 0.0f;
    float random = 0.0f;
    int layer = 0;
    // Unit, in (u, v) with v up, angle from +u in [0, 180) degrees; (0, 0) where none.
    float x = 0.0f, y = 0.0f;
    float angle = 0.0f;  // that angle / 180 degrees, [0, 1)
};

// The direction in the plane of the scratch with axis `across`, for pattern-point derivatives
// pu and pv along the plane's two axes, as above; false (x = y = 0) where it has none.
bool ScratchDirection(const Point3& across, const Point3& pu, const Point3& pv, float& x, float& y);
// [0, 1): the angle of (x, y) from +x toward +y over 180 degrees, for a canonical (x, y).
float DirectionAngle(float x, float y);

// One pixel's samples. Random, layer and angle are not averaged (a mean of two scratches' values
// belongs to neither): the sample with the strongest scratch gives them, the smallest field,
// then the smallest distance among equal fields. The direction is the mean of the samples that
// lie on the strongest's layer (parallel but for the mapping's curvature), each turned to agree
// with the first of them, made unit again.
class ScratchPixel {
public:
    void Add(const ScratchSample& s);
    // The pixel's values; found false when no sample had a scratch.
    ScratchSample Result() const;

private:
    static constexpr int kLayers = 8;
    ScratchSample strongest_;
    float sum_[kLayers][2] = {};
};
