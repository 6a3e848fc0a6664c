// The scratch field over a tile: scratch.cpp's layer stack with each layer's nearest feature
// searched in its periodic lattice and the erosion blended across the seams.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "cellular_lattice.h"
#include "cellular_search.h"
#include "lattice_index.h"
#include "layer_nearest.h"
#include "layer_rotations.h"
#include "scratch.h"
#include "scratch_tile.h"
#include "texutil.h"
#include "tiled_cellular.h"
#include "tiled_erosion.h"
#include "tile_points.h"
#include "unit_clamp.h"
#include "tile_geometry.h"

namespace {

using cellular::tile::toLattice;

constexpr int maxLevels = 8;

// The search reaches this far in the scaled space first (a point lies nearer in all but one
// query of 250), then, if it found none, to the second distance (about three feature spacings,
// where an empty ball has no measurable chance); beyond that a layer has no feature point.
// The short first reach keeps the copies searched few for tiles smaller than the spacing.
constexpr double firstReach = 0.8;
constexpr double searchReach = 3.0;
// Slack on "nearer than the cell's faces", far above the roundings of either side.
constexpr double insideMargin = 1.0 + 1e-9;

double periodicNearest(const double at[3], const cellular::LatticeTile& lattice) {
    const double d = cellular::tiledNearest(at, lattice, firstReach);
    return d < firstReach ? d : cellular::tiledNearest(at, lattice, searchReach);
}

// One layer's value F1 / spread * 2 - 1 from its scaled-space distance, rounded as the plain
// field rounds it.
float layerValue(double d, double spread) {
    const float f1 = static_cast<float>(std::sqrt(d) * cellular::inverseDensity);
    return static_cast<float>(f1 / spread * 2.0 - 1.0);
}

// The query point of one layer exactly as the plain field places it, and its lattice cell;
// false off the lattice (the layer is skipped, as the plain field skips it).
bool layerQuery(const Point3& p, int type, float scale, int slot, double at[3], int32_t cell[3]) {
    Point3 r = rotatePoint(p, layerRotation(type, slot));
    if (type == 0)
        r.x = r.x * scale;
    else
        r.y = r.y * scale;
    at[0] = r.x * cellular::densityScale;
    at[1] = r.y * cellular::densityScale;
    at[2] = r.z * cellular::densityScale;
    return latticeIndex(at[0], cell[0]) && latticeIndex(at[1], cell[1]) &&
           latticeIndex(at[2], cell[2]);
}

// Every slot's query point and lattice cell, made once a sample.
struct LayerQueries {
    double at[maxLevels + 1][3];
    int32_t cell[maxLevels + 1][3];
    bool onLattice[maxLevels + 1];
};

// The plain field's nearest distance over all the layers where it settles the repeating one,
// else -1. Nearer than every layer's cell faces, the nearest plain point is kept in its layer's
// tile, no copy in any layer lies that near, and no point a tile leaves out either (it would be
// a nearer plain point): the periodic result is that very point. The plain field's search of
// all the layers at once is far faster than the buckets, so it goes first wherever the faces
// are far enough off for it to settle the sample often.
double settledByPlainSearch(const Point3& p, int type, float scale, int firstSlot, int lastSlot,
                            const LayerQueries& q, const cellular::TilePoints& points) {
    // Nearest distances are mostly above this; nearer faces rarely let the plain search settle.
    constexpr double faceFloor = 0.2;
    double inside = 1.0;
    for (int slot = firstSlot; slot <= lastSlot; ++slot) {
        const cellular::TiledLayerPoints* made = points.layer[slot].get();
        if (!made || !q.onLattice[slot]) return -1.0;
        inside = std::min(inside, cellular::insideCell(q.at[slot], made->lattice));
        if (!(inside > faceFloor)) return -1.0;
    }
    const double d = nearestOverLayers(p, type, scale, firstSlot, lastSlot);
    return d < 0.99 && d * insideMargin < inside ? d : -1.0;
}

// The nearest distance over the layers' periodic lattices.
double tiledNearestOverLayers(const Point3& p, int type, float scale, int firstSlot, int lastSlot,
                              const ScratchTile& tile) {
    // Points made for these very layers (their type, stretch and slots) only.
    const cellular::TilePoints* points = tile.points;
    if (points && !(points->type == type && points->scale == scale &&
                    points->firstSlot == firstSlot && points->lastSlot == lastSlot))
        points = nullptr;
    LayerQueries q;
    for (int slot = firstSlot; slot <= lastSlot; ++slot)
        q.onLattice[slot] = layerQuery(p, type, scale, slot, q.at[slot], q.cell[slot]);
    if (points) {
        const double settled =
            settledByPlainSearch(p, type, scale, firstSlot, lastSlot, q, *points);
        if (settled >= 0.0) return settled;
    }
    double nearest = cellular::initialDistance;
    for (int slot = firstSlot; slot <= lastSlot; ++slot) {
        if (!q.onLattice[slot]) continue;
        const Matrix3& m = layerRotation(type, slot);
        const double* at = q.at[slot];
        const int32_t* cell = q.cell[slot];
        // The layer's points made for the tile, where they answer: the periodic search's result,
        // which is also the plain search's wherever that one settles the sample (below).
        const cellular::TiledLayerPoints* made = points ? points->layer[slot].get() : nullptr;
        double d;
        if (made && cellular::bucketNearest(at, *made, d)) {
            nearest = std::min(nearest, d);
            continue;
        }
        // A stretch that flattens the tile: nothing repeats; the plain search.
        d = cellular::nearestFeature(at, cell[0], cell[1], cell[2], cellular::initialDistance);
        const cellular::LatticeTile* lattice = made ? &made->lattice : nullptr;
        cellular::LatticeTile computed;
        if (!lattice) {
            double origin[3], a[3], b[3];
            toLattice(tile.origin, m, type, scale, origin);
            toLattice(tile.edgeU, m, type, scale, a);
            toLattice(tile.edgeV, m, type, scale, b);
            if (cellular::makeLatticeTile(origin, a, b, computed)) lattice = &computed;
        }
        // The plain search is exact below 1. When its nearest point lies nearer than the cell's
        // faces, every point within that distance is kept and every copy lies beyond it: the
        // periodic search would find the same point. Most of the tile is settled so.
        if (lattice && !(d < 0.99 && d * insideMargin < cellular::insideCell(at, *lattice)))
            d = periodicNearest(at, *lattice);
        nearest = std::min(nearest, d);
    }
    return nearest;
}

bool patternFrame(const ScratchTile& tile, cellular::LatticeTile& frame) {
    // Made once with the tile's points, where there are some.
    if (tile.points && tile.points->hasFrame) {
        frame = tile.points->frame;
        return true;
    }
    return cellular::makeTileFrame(tile, frame);
}

// The raw field (a + 1) / 2 over the tile; erodeWidth < 0 selects the unfaded erosion.
float tiledLayers(const Point3& p, int type, float erodeWidth, const ScratchInputs& in,
                  const ScratchTile& tile, const cellular::LatticeTile& frame) {
    float a;
    if (!(in.spread > 0.0f)) {
        a = 1.0f;  // as the plain field: no finite F1 / spread
    } else {
        const float scale = in.stretch + 50.0f;
        const double nearest =
            in.levels <= 1
                ? tiledNearestOverLayers(p, type, scale, 0, 0, tile)
                : tiledNearestOverLayers(p, type, scale, 1, std::min(in.levels, maxLevels), tile);
        a = layerValue(nearest, in.spread);
    }
    if (in.useErosion != 0)
        a = erodeWidth < 0.0f ? tiledErodeLayerValue(a, p, type, in, tile, frame)
                              : tiledErodeLayerValue(a, p, erodeWidth, type, in, tile, frame);
    return (a + 1.0f) * 0.5f;
}

}  // namespace

bool tileIsUsable(const ScratchTile& tile) {
    cellular::LatticeTile frame;
    return patternFrame(tile, frame);
}

float tiledScratchPattern(const Point3& p, const ScratchInputs& inputs, const ScratchTile& tile) {
    cellular::LatticeTile frame;
    if (!patternFrame(tile, frame)) return scratchPattern(p, inputs);
    if (inputs.type != 0 && inputs.type != 1) return 0.0f;  // whatever the thresholds
    float v = tiledLayers(p, inputs.type, -1.0f, inputs, tile, frame);
    if (inputs.thresholdHigh > inputs.thresholdLow)
        v = threshold(v, inputs.thresholdLow, inputs.thresholdHigh);
    return clampUnit(v);
}

float tiledScratchPatternFiltered(const Point3& p, const Point3& dpdx, const Point3& dpdy,
                                  const ScratchInputs& inputs, const ScratchTile& tile) {
    cellular::LatticeTile frame;
    if (!patternFrame(tile, frame)) return scratchPatternFiltered(p, dpdx, dpdy, inputs);
    if (inputs.type != 0 && inputs.type != 1) return 0.0f;
    const float w = std::max(dpdx.Length(), dpdy.Length());
    float v = tiledLayers(p, inputs.type, w, inputs, tile, frame);
    if (inputs.thresholdHigh > inputs.thresholdLow)
        v = softThreshold(v, inputs.thresholdLow, inputs.thresholdHigh);
    return clampUnit(v);
}
