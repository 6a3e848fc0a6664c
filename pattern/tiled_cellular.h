// The nearest feature point of a periodic lattice: the points of one cell of a tiling,
// repeated by its two period vectors. Internal to pattern/.
#pragma once

#include <cstdint>

namespace cellular {

// A tile in the scaled space of the cellular basis. A point y has tile coordinates
// u = du . (y - origin) and v = dv . (y - origin); the cell is 0 <= u < 1, 0 <= v < 1, any
// distance along a x b. du and dv are orthogonal to a x b, du . a = dv . b = 1,
// du . b = dv . a = 0.
struct LatticeTile {
    double origin[3];
    double a[3], b[3];
    double du[3], dv[3];
    // The gradients' lengths: a point at tile coordinate u lies at least |u - 1| / duLength
    // (for u > 1) from the cell.
    double duLength, dvLength;
};

// The tile spanned by a and b from origin; false when they span no area or are not finite.
bool makeLatticeTile(const double origin[3], const double a[3], const double b[3],
                     LatticeTile& tile);

// How far `at` lies inside the cell (the prism): the distance to its nearest face, or a
// negative number outside it.
double insideCell(const double at[3], const LatticeTile& tile);

// The distance from `at` to the nearest point of the periodic set (the cell's own points and
// their copies), as a plain distance in the scaled space, computed as the unrepeated search
// computes it for the same point. When no point lies nearer than `reach`, initialDistance.
// Allocates nothing.
double tiledNearest(const double at[3], const LatticeTile& tile, double reach);

}  // namespace cellular
