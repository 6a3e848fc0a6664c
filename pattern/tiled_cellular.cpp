#include "tiled_cellular.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "cellular_lattice.h"
#include "lattice_index.h"
#include "poisson_count.h"
#include "tile_geometry.h"

namespace cellular {

namespace {

using cellular::tile::dot;
using cellular::tile::Extent;
using cellular::tile::extentOf;
using cellular::tile::outside;

void cross(const double x[3], const double y[3], double out[3]) {
    out[0] = x[1] * y[2] - x[2] * y[1];
    out[1] = x[2] * y[0] - x[0] * y[2];
    out[2] = x[0] * y[1] - x[1] * y[0];
}

// Copies are searched at most this many cells away along each edge (only a tile far smaller
// than the feature spacing gets there).
constexpr double maxCopies = 64.0;

// Slack on the pruning bounds, far above the roundings between a bound and a computed distance.
constexpr double boundSlack = 1.0 + 1e-9;

// The search among the cell's own points (the kept ones) near y, which need not lie in the
// cell: the cubes within the best distance so far, y's own first, each skipped when its box is
// no nearer than the best distance or misses the cell. Returns the smaller of bestSquared and
// the nearest kept point's squared distance.
double keptNearestSquared(const double y[3], const LatticeTile& t, const Extent& eu,
                          const Extent& ev, double bestSquared) {
    int32_t cell[3];
    for (int k = 0; k < 3; ++k)
        if (!latticeIndex(y[k], cell[k])) return bestSquared;
    const double yu = dot(t.du, y) - dot(t.du, t.origin);
    const double yv = dot(t.dv, y) - dot(t.dv, t.origin);
    auto visit = [&](int32_t x, int32_t yy, int32_t z) {
        const double corner[3] = {static_cast<double>(x), static_cast<double>(yy),
                                  static_cast<double>(z)};
        double box = 0.0;
        for (int k = 0; k < 3; ++k) {
            const double gap = std::max({0.0, corner[k] - y[k], y[k] - (corner[k] + 1.0)});
            box += gap * gap;
        }
        if (box >= bestSquared * boundSlack) return;
        // Relative to y, so the two dot products need no origin term.
        const double rel[3] = {corner[0] - y[0], corner[1] - y[1], corner[2] - y[2]};
        const double cu = yu + dot(t.du, rel), cv = yv + dot(t.dv, rel);
        if (cu + eu.high < 0.0 || cu + eu.low >= 1.0) return;
        if (cv + ev.high < 0.0 || cv + ev.low >= 1.0) return;

        const uint32_t hash = cubeSeed(x, yy, z);
        const int count = poissonCount[hash >> 24];
        const uint32_t seed = lcgStep(hash);
        for (int j = 0; j < count; ++j) {
            const int k = 4 * j;
            const uint32_t s1 = lcgJump.mul[k + 1] * seed + lcgJump.add[k + 1];
            const uint32_t s2 = lcgJump.mul[k + 2] * seed + lcgJump.add[k + 2];
            const uint32_t s3 = lcgJump.mul[k + 3] * seed + lcgJump.add[k + 3];
            // The point and its distance as the unrepeated search has them.
            const double f[3] = {corner[0] + (s1 + 0.5) * twoToMinus32,
                                 corner[1] + (s2 + 0.5) * twoToMinus32,
                                 corner[2] + (s3 + 0.5) * twoToMinus32};
            const double dx = f[0] - y[0], dy = f[1] - y[1], dz = f[2] - y[2];
            const double sq = dx * dx + dy * dy + dz * dz;
            if (!(sq < bestSquared)) continue;
            // Kept when it lies in the cell; the test depends on the point alone, so every
            // copy of the cell agrees on it.
            const double rf[3] = {f[0] - t.origin[0], f[1] - t.origin[1], f[2] - t.origin[2]};
            const double fu = dot(t.du, rf), fv = dot(t.dv, rf);
            if (fu >= 0.0 && fu < 1.0 && fv >= 0.0 && fv < 1.0) bestSquared = sq;
        }
    };
    visit(cell[0], cell[1], cell[2]);
    // Then the cubes within the distance that left, a few along each axis; 64-bit counters
    // cannot overflow at the lattice's ends.
    const double r = std::sqrt(bestSquared * boundSlack);
    int32_t lo[3], hi[3];
    for (int k = 0; k < 3; ++k)
        if (!latticeIndex(y[k] - r, lo[k]) || !latticeIndex(y[k] + r, hi[k])) return bestSquared;
    for (int64_t z = lo[2]; z <= hi[2]; ++z)
        for (int64_t yy = lo[1]; yy <= hi[1]; ++yy)
            for (int64_t x = lo[0]; x <= hi[0]; ++x)
                if (x != cell[0] || yy != cell[1] || z != cell[2])
                    visit(static_cast<int32_t>(x), static_cast<int32_t>(yy),
                          static_cast<int32_t>(z));
    return bestSquared;
}

}  // namespace

bool makeLatticeTile(const double origin[3], const double a[3], const double b[3], LatticeTile& t) {
    double n[3], bn[3], na[3];
    cross(a, b, n);
    const double det = dot(n, n);  // a . (b x n) = |a x b|^2
    // Edges at a tiny angle span no usable cell: their duals would be huge or not finite.
    if (!(det > 1e-12 * dot(a, a) * dot(b, b)) || !std::isfinite(det)) return false;
    cross(b, n, bn);
    cross(n, a, na);
    for (int k = 0; k < 3; ++k) {
        t.origin[k] = origin[k];
        t.a[k] = a[k];
        t.b[k] = b[k];
        t.du[k] = bn[k] / det;
        t.dv[k] = na[k] / det;
    }
    t.duLength = std::sqrt(dot(t.du, t.du));
    t.dvLength = std::sqrt(dot(t.dv, t.dv));
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(t.origin[k]) || !std::isfinite(t.du[k]) || !std::isfinite(t.dv[k]))
            return false;
    return t.duLength > 0.0 && t.dvLength > 0.0;
}

double insideCell(const double at[3], const LatticeTile& t) {
    const double rel[3] = {at[0] - t.origin[0], at[1] - t.origin[1], at[2] - t.origin[2]};
    const double u = dot(t.du, rel), v = dot(t.dv, rel);
    if (!(u >= 0.0 && u < 1.0 && v >= 0.0 && v < 1.0)) return -1.0;
    return std::min(std::min(u, 1.0 - u) / t.duLength, std::min(v, 1.0 - v) / t.dvLength);
}

double tiledNearest(const double at[3], const LatticeTile& t, double reach) {
    const double rel[3] = {at[0] - t.origin[0], at[1] - t.origin[1], at[2] - t.origin[2]};
    const double u = dot(t.du, rel), v = dot(t.dv, rel);
    if (!(std::fabs(u) < 1e15 && std::fabs(v) < 1e15)) return initialDistance;
    // The copy of the cell that holds the query first, then every other copy that can hold a
    // point nearer than the best distance it left: those whose tile coordinates lie within
    // that distance times the gradient's length.
    const double i0 = std::floor(u), j0 = std::floor(v);
    const Extent eu = extentOf(t.du), ev = extentOf(t.dv);
    auto search = [&](double i, double j, double bestSquared) {
        // The query seen from the cell: y = at - i a - j b.
        double y[3];
        if (i == 0.0 && j == 0.0) {
            y[0] = at[0], y[1] = at[1], y[2] = at[2];
        } else {
            for (int k = 0; k < 3; ++k) y[k] = at[k] - i * t.a[k] - j * t.b[k];
        }
        return keptNearestSquared(y, t, eu, ev, bestSquared);
    };
    double bestSquared = search(i0, j0, reach * reach);
    const double best = std::sqrt(bestSquared * boundSlack);
    const double reachU = std::min(best * t.duLength, maxCopies),
                 reachV = std::min(best * t.dvLength, maxCopies);
    const double iLo = std::floor(u - reachU), iHi = std::floor(u + reachU);
    const double jLo = std::floor(v - reachV), jHi = std::floor(v + reachV);
    for (double j = jLo; j <= jHi; ++j)
        for (double i = iLo; i <= iHi; ++i) {
            if (i == i0 && j == j0) continue;
            const double gap = std::max(outside(u - i) / t.duLength, outside(v - j) / t.dvLength);
            if (gap * gap >= bestSquared * boundSlack) continue;
            bestSquared = search(i, j, bestSquared);
        }
    return bestSquared < reach * reach ? std::sqrt(bestSquared) : initialDistance;
}

}  // namespace cellular
