// The erosion of erosion.h made to repeat over a tile. Internal to pattern/.
#pragma once

#include "host_geom.h"
#include "scratch_inputs.h"
#include "scratch_tile.h"
#include "tiled_cellular.h"

// erodeLayerValue repeating over the tile, whose pattern-space frame is `frame` (the tile's
// origin and edges with their duals). The noise is smooth, so it is not rebuilt on a periodic
// lattice: across a band along the cell's lower u and v edges it is blended with its copies
// one period on, so that at u = 0 it continues what u = 1 shows. The blend weights are
// normalised by their root sum of squares, which keeps the noise's variance (a plain
// cross-fade of two independent noises would halve it in the middle of the band). Outside the
// band, within the cell, the result is erodeLayerValue's exactly.
float tiledErodeLayerValue(float a, const Point3& p, int type, const ScratchInputs& inputs,
                           const ScratchTile& tile, const cellular::LatticeTile& frame);
// As above with the width-faded noise of the filtered entry.
float tiledErodeLayerValue(float a, const Point3& p, float w, int type, const ScratchInputs& inputs,
                           const ScratchTile& tile, const cellular::LatticeTile& frame);
