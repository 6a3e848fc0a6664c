#include "scratch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "cellular.h"
#include "cellular_search.h"
#include "cube_list.h"
#include "erosion.h"
#include "lattice_index.h"
#include "layer_lanes.h"
#include "layer_nearest.h"
#include "layer_rotations.h"
#include "texutil.h"
#include "unit_clamp.h"

namespace {

constexpr int maxLevels = 8;
constexpr float softMargin = 0.4f;

// One layer's value F1 / spread * 2 - 1 from its scaled-space distance d, rounded as
// cellularCombine rounds it. Every step is monotone, so a larger d never gives a smaller value.
float layerValue(double d, double spread) {
    const float f1 = static_cast<float>(std::sqrt(d) * cellular::inverseDensity);
    return static_cast<float>(f1 / spread * 2.0 - 1.0);
}

// cellular::neighbourLists padded to 32 entries, so that a list is copied by two vector moves.
struct WideLists {
    alignas(32) uint8_t k[64][32];
    uint8_t count[64];
};
constexpr WideLists makeWideLists() {
    WideLists w{};
    for (int faces = 0; faces < 64; ++faces) {
        const cellular::NeighbourList& list = cellular::neighbourLists.of[faces];
        for (int j = 0; j < list.count; ++j) w.k[faces][j] = list.k[j];
        w.count[faces] = list.count;
    }
    return w;
}
constexpr WideLists wideLists = makeWideLists();

}  // namespace

// The layer value is monotone in the distance, so the minimum of the layer values is the value
// of the minimum distance: the stack needs only the nearest distance over all layers.
//
// The home cubes of all layers come first; the nearest of them, h, is no nearer than that
// minimum. For h below 1 the minimum is the nearest point of all the layers' 27-cube
// neighbourhoods, or h if that is nearer, whatever the order of the search: with F below 1 the
// written rule only skips a neighbour whose points lie at about sqrt(F) or more, beyond F, and
// where the rule skips a nearer point (only possible once F exceeds 1) that point lies beyond 1,
// beyond h. So the neighbours of all layers go into one list, searched from h with the pruning
// that no point can come nearer. Very small or large h (nearer than the rounding margins
// allow, or 1 and above) take each layer's written search from its initial distance instead.
double nearestOverLayers(const Point3& p, int type, float scale, int firstSlot, int lastSlot) {
    LayerLanes l;
    layLanes(p, type, scale, firstSlot, l);
    const int lanes = lastSlot - firstSlot + 1;
    // The layers on the lattice, as lane numbers, and their home cubes as cube codes
    // (query * 32 + cube, cube_list.h); the list has room for a whole padded list past its
    // last entry.
    int layer[maxLevels];
    uint8_t list[maxLevels * 26 + 32];
    int layers = 0;
    for (int i = 0; i < lanes; ++i) {
        layer[layers] = i;
        list[layers] = static_cast<uint8_t>(32 * i + cellular::homeCube);
        layers += (l.onLattice >> i) & 1;
    }
    // Squares until the end: the square root is monotone and correctly rounded, so the root of
    // the smallest square is the smallest distance, and the bounds below hold for the square
    // as for its root to far within their margins.
    const double hs = cellular::nearestSquaredOverCubes(l.cube, list, layers);
    if (!(hs >= 1e-20 && hs <= 0.9801)) {
        double nearest = std::min(std::sqrt(hs), cellular::initialDistance);
        for (int k = 0; k < layers; ++k) {
            const int i = layer[k];
            const double at[3] = {l.cube.at[0][i], l.cube.at[1][i], l.cube.at[2][i]};
            nearest = std::min(
                nearest, cellular::nearestFeature(at, l.cell[0][i], l.cell[1][i], l.cell[2][i],
                                                  cellular::initialDistance));
        }
        return nearest;
    }

    // Every neighbour within reach of h: searchReach(h), the geometric reach for h below 1,
    // from h squared, without waiting for the root. Each layer's list is copied whole and the
    // count advanced: no branch per entry.
    uint32_t faces[maxLevels];
    facesWithin(l, hs * cellular::reachRelative + cellular::reachAbsolute, faces);
    int count = 0;
    for (int k = 0; k < layers; ++k) {
        const int i = layer[k];
        const uint8_t* within = wideLists.k[faces[i]];
        for (int j = 0; j < 32; ++j) list[count + j] = static_cast<uint8_t>(within[j] + 32 * i);
        count += wideLists.count[faces[i]];
    }
    return std::sqrt(std::min(hs, cellular::nearestSquaredOverCubes(l.cube, list, count)));
}

namespace {

// The minimum over the layers of F1 / spread * 2 - 1.
float layerMinimum(const Point3& p, int type, const ScratchInputs& in) {
    // F1 / spread has no finite value for a spread of 0: read it as clean background.
    if (!(in.spread > 0.0f)) return 1.0f;
    const float scale = in.stretch + 50.0f;
    // One layer in slot 0, or slot 1 and as many of the angle table as levels reaches.
    const double nearest =
        in.levels <= 1 ? nearestOverLayers(p, type, scale, 0, 0)
                       : nearestOverLayers(p, type, scale, 1, std::min(in.levels, maxLevels));
    return layerValue(nearest, in.spread);
}

// The minimum over the layers, eroded, rescaled to the raw field.
template <typename Erode>
float layerStack(const Point3& p, int type, const ScratchInputs& in, Erode erode) {
    float a = layerMinimum(p, type, in);
    if (in.useErosion != 0) a = erode(a);
    return (a + 1.0f) * 0.5f;
}

}  // namespace

float scratchLayer(const Point3& p, float theta, int type, const ScratchInputs& inputs) {
    // F1 / spread has no finite value for a spread of 0: read it as clean background.
    if (!(inputs.spread > 0.0f)) return 1.0f;

    Point3 q = p * buildLayerRotation(theta, type);
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
