// The scratch nearest to a point: the layer and feature point that decide the field there,
// for outputs that vary scratch by scratch. A separate path from scratch.h: the field itself
// is untouched by it.
//
// The layers combine by their minimum distance, and the erosion ((1 - r) a + r with r <= 1)
// and both thresholds are monotone in it, so the nearest scratch is the feature point at the
// smallest distance over all layers, whatever the erosion, thresholds or filtering: the one
// that decides the field there, scratch or clean surface alike.
#pragma once

#include <cstdint>

#include "host_geom.h"
#include "scratch_inputs.h"
#include "scratch_tile.h"

struct NearestScratch {
    // The layer, 0 .. levels - 1 (0 for a single level), and the feature point: its cube in
    // that layer's lattice and its index among the cube's points.
    int layer = 0;
    int32_t cube[3] = {0, 0, 0};
    int point = 0;
    // [0, 1): scratchRandom of the above.
    float random = 0.0f;
    // F1 to that point, as the field measures it (the field rises with it).
    float f1 = 0.0f;
    // Unit, in pattern space: the layer's stretched axis, across which its scratches are thin.
    // A mark runs where the surface keeps its coordinate along this axis constant.
    Point3 across{0.0f, 0.0f, 0.0f};
};

// False, out untouched, where the field has no feature point: a type other than 0 or 1, a
// spread that is not positive, a point off the lattice. Exact (the feature point whose
// distance the field uses) wherever that distance is below 1 in the lattice's scaled space,
// which covers every value the field can draw short of its clean background; beyond, the
// nearest point of the 27 cubes around the point. Allocates nothing.
bool nearestScratch(const Point3& p, const ScratchInputs& inputs, NearestScratch& out);
// The same over the repeating tile (scratch_tile.h): a point and its copies have the same
// identity, so every copy of a scratch answers the same. An unusable tile gives the plain one.
bool tiledNearestScratch(const Point3& p, const ScratchInputs& inputs, const ScratchTile& tile,
                         NearestScratch& out);

// [0, 1), in steps of 2^-24: a fixed hash of a feature point's cube, its index in the cube
// and its layer.
float scratchRandom(const int32_t cube[3], int point, int layer);
