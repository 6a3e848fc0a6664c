// The nearest feature point with its identity, the search shared by the plain and the
// repeating nearest scratch. Internal to pattern/.
#pragma once

#include <cmath>
#include <cstdint>

#include "host_geom.h"
#include "scratch_inputs.h"

struct NearestScratch;

namespace scratchfeature {

// A feature point found: its squared distance in the scaled space, its cube, its index in the
// cube and the layer slot (layer_rotations.h) it belongs to.
struct Hit {
    double squared = HUGE_VAL;
    int32_t cube[3] = {0, 0, 0};
    int point = 0;
    int slot = 0;
};

// A point in one layer's lattice, placed exactly as the field places it.
struct LayerPlace {
    double at[3];
    int32_t cell[3];
    bool onLattice;
};
void placeInLayer(const Point3& p, int type, float scale, int slot, LayerPlace& out);

// Folds the points of cube (x, y, z) into best, nearer ones only (the first of equals stays).
void visitCube(int32_t x, int32_t y, int32_t z, const double at[3], int slot, Hit& best);
// Folds the 26 neighbours of the point's own cube, each skipped where the field's search
// skips it.
void searchNeighbours(const LayerPlace& l, int slot, Hit& best);

// The slots the settings search, first to last; false where the field has no feature point
// (a type other than 0 or 1, a spread that is not positive).
bool slotRange(const ScratchInputs& in, int& first, int& last);
// The hit's identity, random value and axis into out.
void describe(const Hit& hit, int type, NearestScratch& out);

}  // namespace scratchfeature
