#include "tiled_cellular.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "cellular_lattice.h"
#include "lattice_index.h"
#include "poisson_count.h"

namespace cellular {

namespace {

double dot(const double x[3], const double y[3]) {
    return x[0] * y[0] + x[1] * y[1] + x[2] * y[2];
}

void cross(const double x[3], const double y[3], double out[3]) {
    out[0] = x[1] * y[2] - x[2] * y[1];
    out[1] = x[2] * y[0] - x[0] * y[2];
    out[2] = x[0] * y[1] - x[1] * y[0];
}

// Copies are searched ring by ring around the query's own; a ring this far out ends the
// search whatever is left (only a tile far smaller than the feature spacing gets there).
constexpr int maxRing = 64;

// Slack on the pruning bounds, far above the roundings between a bound and a computed distance.
constexpr double boundSlack = 1.0 + 1e-9;

// How far a tile coordinate lies outside [0, 1).
double outside(double t) {
    return t < 0.0 ? -t : t > 1.0 ? t - 1.0 : 0.0;
}

// The tile coordinates of a unit cube [c, c + 1]^3 range over origin-relative
// du . c + [low, high] with low and high the sums of du's negative and positive parts.
struct Extent {
    double low, high;
};
Extent extentOf(const double d[3]) {
    Extent e{0.0, 0.0};
    for (int k = 0; k < 3; ++k) (d[k] < 0.0 ? e.low : e.high) += d[k];
    return e;
}

// The search among the cell's own points (the kept ones) near y, which need not lie in the
// cell. Cubes are visited in shells of growing Chebyshev distance around y's cube; a cube is
// skipped when its box is no nearer than the best distance so far or misses the cell. Returns
// the smaller of bestSquared and the nearest kept point's squared distance.
double keptNearestSquared(const double y[3], const LatticeTile& t, const Extent& eu,
                          const Extent& ev, double bestSquared) {
    int32_t cell[3];
    if (!latticeIndex(y[0], cell[0]) || !latticeIndex(y[1], cell[1]) ||
        !latticeIndex(y[2], cell[2]))
        return bestSquared;
    const double yu = dot(t.du, y) - dot(t.du, t.origin);
    const double yv = dot(t.dv, y) - dot(t.dv, t.origin);
    for (int s = 0;; ++s) {
        // Every cube of shell s lies at least s - 1 away along one axis.
        const double shellNear = s >= 2 ? static_cast<double>(s - 1) : 0.0;
        if (shellNear * shellNear >= bestSquared * boundSlack) break;
        for (int dz = -s; dz <= s; ++dz)
            for (int dy = -s; dy <= s; ++dy) {
                const bool face = std::abs(dz) == s || std::abs(dy) == s;
                // Inside the shell only its two x faces are new.
                const int step = face || s == 0 ? 1 : 2 * s;
                for (int dx = -s; dx <= s; dx += step) {
                    const int32_t c[3] = {offsetIndex(cell[0], dx), offsetIndex(cell[1], dy),
                                          offsetIndex(cell[2], dz)};
                    const double lo[3] = {static_cast<double>(c[0]), static_cast<double>(c[1]),
                                          static_cast<double>(c[2])};
                    double box = 0.0;
                    for (int k = 0; k < 3; ++k) {
                        const double gap = std::max({0.0, lo[k] - y[k], y[k] - (lo[k] + 1.0)});
                        box += gap * gap;
                    }
                    if (box >= bestSquared * boundSlack) continue;
                    // Relative to y, so the two dot products need no origin term.
                    const double rel[3] = {lo[0] - y[0], lo[1] - y[1], lo[2] - y[2]};
                    const double cu = yu + dot(t.du, rel), cv = yv + dot(t.dv, rel);
                    if (cu + eu.high < 0.0 || cu + eu.low >= 1.0) continue;
                    if (cv + ev.high < 0.0 || cv + ev.low >= 1.0) continue;

                    const uint32_t hash = cubeSeed(c[0], c[1], c[2]);
                    const int count = poissonCount[hash >> 24];
                    const uint32_t seed = lcgStep(hash);
                    for (int j = 0; j < count; ++j) {
                        const int k = 4 * j;
                        const uint32_t s1 = lcgJump.mul[k + 1] * seed + lcgJump.add[k + 1];
                        const uint32_t s2 = lcgJump.mul[k + 2] * seed + lcgJump.add[k + 2];
                        const uint32_t s3 = lcgJump.mul[k + 3] * seed + lcgJump.add[k + 3];
                        // The point and its distance as the unrepeated search has them.
                        const double f[3] = {lo[0] + (s1 + 0.5) * twoToMinus32,
                                             lo[1] + (s2 + 0.5) * twoToMinus32,
                                             lo[2] + (s3 + 0.5) * twoToMinus32};
                        const double dx0 = f[0] - y[0], dy0 = f[1] - y[1], dz0 = f[2] - y[2];
                        const double sq = dx0 * dx0 + dy0 * dy0 + dz0 * dz0;
                        if (!(sq < bestSquared)) continue;
                        // Kept when it lies in the cell; the test depends on the point alone,
                        // so every copy of the cell agrees on it.
                        const double rf[3] = {f[0] - t.origin[0], f[1] - t.origin[1],
                                              f[2] - t.origin[2]};
                        const double fu = dot(t.du, rf), fv = dot(t.dv, rf);
                        if (fu >= 0.0 && fu < 1.0 && fv >= 0.0 && fv < 1.0) bestSquared = sq;
                    }
                }
            }
    }
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
    // The copy of the cell that holds the query, then rings of copies around it.
    const double i0 = std::floor(u), j0 = std::floor(v);
    const Extent eu = extentOf(t.du), ev = extentOf(t.dv);
    double bestSquared = reach * reach;
    const double spacing = std::max(t.duLength, t.dvLength);
    for (int r = 0; r <= maxRing; ++r) {
        // Every copy of ring r lies at least (r - 1) / spacing away.
        const double ringNear = r >= 2 ? (r - 1) / spacing : 0.0;
        if (ringNear * ringNear >= bestSquared * boundSlack) break;
        for (int dj = -r; dj <= r; ++dj) {
            const int step = std::abs(dj) == r || r == 0 ? 1 : 2 * r;
            for (int di = -r; di <= r; di += step) {
                const double i = i0 + di, j = j0 + dj;
                // The query seen from the cell: y = at - i a - j b.
                const double near =
                    std::max(outside(u - i) / t.duLength, outside(v - j) / t.dvLength);
                if (near * near >= bestSquared * boundSlack) continue;
                double y[3];
                if (i == 0.0 && j == 0.0) {
                    y[0] = at[0], y[1] = at[1], y[2] = at[2];
                } else {
                    for (int k = 0; k < 3; ++k) y[k] = at[k] - i * t.a[k] - j * t.b[k];
                }
                bestSquared = keptNearestSquared(y, t, eu, ev, bestSquared);
            }
        }
    }
    return bestSquared < reach * reach ? std::sqrt(bestSquared) : initialDistance;
}

}  // namespace cellular
