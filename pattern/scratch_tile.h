// The scratch field made to repeat over a parallelogram of pattern space, for seamless bakes.
// A separate path from scratch.h: the plain field is untouched by it.
//
// The tile is the image in pattern space of a baked square. In each layer's lattice the
// feature points whose position lies in the tile's cell (the prism over the parallelogram
// along its normal) are kept, the others dropped, and the kept ones repeat by the two edges;
// the erosion noise is blended with its repeated copies across a band along the cell's lower
// edges. Where the plain field's nearest feature is a kept one (away from a band along the
// edges) and the erosion band is not reached, the tiled field equals the plain one exactly.
#pragma once

#include "host_geom.h"
#include "scratch_inputs.h"

namespace cellular {
struct TilePoints;
}

// The corner (u, v) = (0, 0) of the tile and the images of its two edges: the field at
// origin + u edgeU + v edgeV is periodic in u and in v with period 1.
struct ScratchTile {
    Point3 origin;
    Point3 edgeU;
    Point3 edgeV;
    // Optional: the layers' periodic points made for this tile once (makeTilePoints), which
    // answer most samples faster with the same result; null searches every sample.
    const cellular::TilePoints* points = nullptr;
};

// False when the tile cannot repeat: an edge that is not finite, or edges that span no area.
bool tileIsUsable(const ScratchTile& tile);

// As scratchPattern and scratchPatternFiltered, repeating over the tile. The lattice of a layer
// depends on inputs.stretch, so a stretch that varies from sample to sample (a stretch map)
// does not repeat exactly. An unusable tile gives the plain field.
float tiledScratchPattern(const Point3& p, const ScratchInputs& inputs, const ScratchTile& tile);
float tiledScratchPatternFiltered(const Point3& p, const Point3& dpdx, const Point3& dpdy,
                                  const ScratchInputs& inputs, const ScratchTile& tile);
