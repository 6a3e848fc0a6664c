// The tile's lattice geometry in double precision, shared by the repeating field's searches:
// period vectors placed in a layer's scaled space, and the reach of a unit cube in tile
// coordinates. Internal to pattern/.
#pragma once

#include "cellular_lattice.h"
#include "host_geom.h"

namespace cellular::tile {

inline double dot(const double x[3], const double y[3]) {
    return x[0] * y[0] + x[1] * y[1] + x[2] * y[2];
}

// How far a tile coordinate lies outside [0, 1).
inline double outside(double t) {
    return t < 0.0 ? -t : t > 1.0 ? t - 1.0 : 0.0;
}

// The tile coordinates of a unit cube [c, c + 1]^3 range over origin-relative
// du . c + [low, high] with low and high the sums of du's negative and positive parts.
struct Extent {
    double low, high;
};
inline Extent extentOf(const double d[3]) {
    Extent e{0.0, 0.0};
    for (int k = 0; k < 3; ++k) (d[k] < 0.0 ? e.low : e.high) += d[k];
    return e;
}

// A pattern-space vector taken into a layer's scaled space: rotated, stretched, scaled. In
// double precision: these are the lattice's period vectors, not a sample.
inline void toLattice(const Point3& v, const Matrix3& m, int type, float scale, double out[3]) {
    double r[3];
    for (int k = 0; k < 3; ++k)
        r[k] = static_cast<double>(v.x) * m[0][k] + static_cast<double>(v.y) * m[1][k] +
               static_cast<double>(v.z) * m[2][k];
    r[type == 0 ? 0 : 1] *= scale;
    for (int k = 0; k < 3; ++k) out[k] = r[k] * densityScale;
}

}  // namespace cellular::tile
