// The scratch pattern in its literal, unoptimised form: a layer's rotation built per call, the
// neighbour search exactly as written, every distance through sqrt. The product's fast path
// must return bit-identical values; the equivalence test and the benchmark hold it to that.
#pragma once

#include <cstdint>

#include "host_geom.h"
#include "scratch_inputs.h"

namespace oracle {

float scratchPattern(const Point3& p, const ScratchInputs& inputs);
float scratchPatternFiltered(const Point3& p, const Point3& dpdx, const Point3& dpdy,
                             const ScratchInputs& inputs);

float scratchLayers2D(const Point3& p, const ScratchInputs& inputs);
float scratchLayers3D(const Point3& p, const ScratchInputs& inputs);
float scratchLayers2D(const Point3& p, float w, const ScratchInputs& inputs);
float scratchLayers3D(const Point3& p, float w, const ScratchInputs& inputs);
float scratchLayer(const Point3& p, float theta, int type, const ScratchInputs& inputs);
float softThreshold(float v, float low, float high);

float erosionNoise(const Point3& q, int type);
float erosionNoise(const Point3& q, float w, int type);
float erodeLayerValue(float a, const Point3& p, int type, const ScratchInputs& inputs);
float erodeLayerValue(float a, const Point3& p, float w, int type, const ScratchInputs& inputs);

float simplexNoise2D(float x, float y);
float simplexNoise3D(float x, float y, float z);
float filteredSimplex2D(float x, float y, float w);
float filteredSimplex3D(float x, float y, float z, float w);

void cellularDistances(const double p[3], int n, double F[]);
void addCubeSamples(int32_t xi, int32_t yi, int32_t zi, const double at[3], int n, double F[]);
float cellularCombine(const Point3& p, double w1, double w2, double w3, double w4,
                      double normaliser);

// The lattice cell: truncated, minus one when negative; false off the int32 range or for NaN.
template <typename Real>
inline bool latticeIndex(Real v, int32_t& index) {
    if (!(v > Real(-2147483648.0) && v < Real(2147483648.0))) return false;
    index = static_cast<int32_t>(v);
    if (v < Real(0)) --index;
    return true;
}

inline float clampUnit(float v) {
    if (v < 0.0f) return 0.0f;
    if (v <= 1.0f) return v;
    return 1.0f;
}

}  // namespace oracle
