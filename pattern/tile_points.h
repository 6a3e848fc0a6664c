// The feature points of a tile's periodic lattices, generated once for a bake and then only
// read: each layer's kept points and their copies near the tile, bucketed along the tile's own
// axes, so that a sample finds its nearest periodic point without searching the copies of the
// cell one by one. Internal to pattern/.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host_geom.h"
#include "scratch_tile.h"
#include "tiled_cellular.h"

namespace cellular {

// A kept feature point f of the cell seen from copy (i, j): the copy lies at f + i a + j b.
struct PointCopy {
    double f[3];
    double i, j;
};

// One layer's lattice tile and the copies of its kept points that lie in a slab around the
// tile, in cubic buckets along an orthonormal frame of the tile's plane: axis[0] along the
// longer edge, axis[2] along a x b (a sheared frame would make long, crowded buckets).
struct TiledLayerPoints {
    LatticeTile lattice;
    double axis[3][3];
    // Queries with tile coordinates u, v in [queryLow, queryHigh] and at most queryW from the
    // tile's plane are answered from the buckets.
    double queryLow, queryHigh, queryW;
    // The buckets' lower corner in the frame, their size and counts.
    double low[3], size;
    int count[3];
    std::vector<uint32_t> start;  // bucket b holds copies[start[b] .. start[b + 1])
    std::vector<PointCopy> copies;
};

// Every layer of one type and stretch over one tile: slots firstSlot to lastSlot.
struct TilePoints {
    int type;
    float scale;
    int firstSlot, lastSlot;
    // The tile's own frame in pattern space, as every sample would make it.
    bool hasFrame;
    LatticeTile frame;
    // Indexed by slot; null where the layer takes the searching path (a tile it flattens, or
    // one too small or too large for buckets).
    std::unique_ptr<TiledLayerPoints> layer[9];
};

// The tile itself as a lattice tile in pattern space (no layer's rotation or stretch).
bool makeTileFrame(const ScratchTile& tile, LatticeTile& frame);

// The points for the tile's layers of slots firstSlot..lastSlot (0..0, or 1..levels) at
// stretch factor scale, as tiledScratchPattern places them. Null when no layer can use them.
std::unique_ptr<const TilePoints> makeTilePoints(const ScratchTile& tile, int type, float scale,
                                                 int firstSlot, int lastSlot);

// The squared distance from `at` to the nearest periodic point (as tiledNearest computes it for
// the same point, reach 3): true with it in `nearest` when `at` lies where the buckets answer,
// false (nearest untouched) elsewhere. Allocates nothing.
bool bucketNearest(const double at[3], const TiledLayerPoints& points, double& nearest);

}  // namespace cellular
