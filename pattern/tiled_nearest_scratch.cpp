// The nearest scratch over a tile: each layer's nearest feature searched as the repeating field
// searches it (tiled_scratch.cpp), keeping the point's identity. A copy is the kept point
// itself seen from the query moved by whole periods, so all copies share one identity.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "cellular_lattice.h"
#include "lattice_index.h"
#include "layer_rotations.h"
#include "nearest_feature.h"
#include "nearest_scratch.h"
#include "poisson_count.h"
#include "tiled_cellular.h"
#include "tile_geometry.h"

namespace {

using cellular::tile::dot;
using cellular::tile::Extent;
using cellular::tile::extentOf;
using cellular::tile::outside;
using cellular::tile::toLattice;

using scratchfeature::Hit;

// The repeating field's reaches and slacks (tiled_scratch.cpp, tiled_cellular.cpp).
constexpr double firstReach = 0.8;
constexpr double secondReach = 3.0;
constexpr double insideMargin = 1.0 + 1e-9;
constexpr double boundSlack = 1.0 + 1e-9;
constexpr double maxCopies = 64.0;

// The kept points (those in the cell) near y, folded into best: the cubes within the best
// distance, y's own first, each skipped when its box is no nearer or misses the cell.
void keptNearest(const double y[3], const cellular::LatticeTile& t, const Extent& eu,
                 const Extent& ev, int slot, Hit& best) {
    int32_t cell[3];
    for (int k = 0; k < 3; ++k)
        if (!latticeIndex(y[k], cell[k])) return;
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
        if (box >= best.squared * boundSlack) return;
        const double rel[3] = {corner[0] - y[0], corner[1] - y[1], corner[2] - y[2]};
        const double cu = yu + dot(t.du, rel), cv = yv + dot(t.dv, rel);
        if (cu + eu.high < 0.0 || cu + eu.low >= 1.0) return;
        if (cv + ev.high < 0.0 || cv + ev.low >= 1.0) return;
        const uint32_t hash = cellular::cubeSeed(x, yy, z);
        const int count = poissonCount[hash >> 24];
        const uint32_t seed = cellular::lcgStep(hash);
        for (int j = 0; j < count; ++j) {
            const int k = 4 * j;
            const uint32_t s1 = cellular::lcgJump.mul[k + 1] * seed + cellular::lcgJump.add[k + 1];
            const uint32_t s2 = cellular::lcgJump.mul[k + 2] * seed + cellular::lcgJump.add[k + 2];
            const uint32_t s3 = cellular::lcgJump.mul[k + 3] * seed + cellular::lcgJump.add[k + 3];
            const double f[3] = {corner[0] + (s1 + 0.5) * cellular::twoToMinus32,
                                 corner[1] + (s2 + 0.5) * cellular::twoToMinus32,
                                 corner[2] + (s3 + 0.5) * cellular::twoToMinus32};
            const double dx = f[0] - y[0], dy = f[1] - y[1], dz = f[2] - y[2];
            const double sq = dx * dx + dy * dy + dz * dz;
            if (!(sq < best.squared)) continue;
            const double rf[3] = {f[0] - t.origin[0], f[1] - t.origin[1], f[2] - t.origin[2]};
            const double fu = dot(t.du, rf), fv = dot(t.dv, rf);
            if (fu >= 0.0 && fu < 1.0 && fv >= 0.0 && fv < 1.0) best = Hit{sq, {x, yy, z}, j, slot};
        }
    };
    visit(cell[0], cell[1], cell[2]);
    const double r = std::sqrt(best.squared * boundSlack);
    int32_t lo[3], hi[3];
    for (int k = 0; k < 3; ++k)
        if (!latticeIndex(y[k] - r, lo[k]) || !latticeIndex(y[k] + r, hi[k])) return;
    for (int64_t z = lo[2]; z <= hi[2]; ++z)
        for (int64_t yy = lo[1]; yy <= hi[1]; ++yy)
            for (int64_t x = lo[0]; x <= hi[0]; ++x)
                if (x != cell[0] || yy != cell[1] || z != cell[2])
                    visit(static_cast<int32_t>(x), static_cast<int32_t>(yy),
                          static_cast<int32_t>(z));
}

// The nearest point of the periodic set within reach, as cellular::tiledNearest finds it.
Hit periodicNearest(const double at[3], const cellular::LatticeTile& t, double reach, int slot) {
    Hit best;
    best.squared = reach * reach;
    const double rel[3] = {at[0] - t.origin[0], at[1] - t.origin[1], at[2] - t.origin[2]};
    const double u = dot(t.du, rel), v = dot(t.dv, rel);
    if (!(std::fabs(u) < 1e15 && std::fabs(v) < 1e15)) return Hit{};
    const double i0 = std::floor(u), j0 = std::floor(v);
    const Extent eu = extentOf(t.du), ev = extentOf(t.dv);
    auto search = [&](double i, double j) {
        double y[3];
        if (i == 0.0 && j == 0.0) {
            y[0] = at[0], y[1] = at[1], y[2] = at[2];
        } else {
            for (int k = 0; k < 3; ++k) y[k] = at[k] - i * t.a[k] - j * t.b[k];
        }
        keptNearest(y, t, eu, ev, slot, best);
    };
    search(i0, j0);
    const double d = std::sqrt(best.squared * boundSlack);
    const double reachU = std::min(d * t.duLength, maxCopies),
                 reachV = std::min(d * t.dvLength, maxCopies);
    for (double j = std::floor(v - reachV); j <= std::floor(v + reachV); ++j)
        for (double i = std::floor(u - reachU); i <= std::floor(u + reachU); ++i) {
            if (i == i0 && j == j0) continue;
            const double gap = std::max(outside(u - i) / t.duLength, outside(v - j) / t.dvLength);
            if (gap * gap >= best.squared * boundSlack) continue;
            search(i, j);
        }
    return best.squared < reach * reach ? best : Hit{};
}

}  // namespace

bool tiledNearestScratch(const Point3& p, const ScratchInputs& in, const ScratchTile& tile,
                         NearestScratch& out) {
    if (!tileIsUsable(tile)) return nearestScratch(p, in, out);
    int first, last;
    if (!scratchfeature::slotRange(in, first, last)) return false;
    const float scale = in.stretch + 50.0f;
    Hit best;
    for (int slot = first; slot <= last; ++slot) {
        scratchfeature::LayerPlace l;
        scratchfeature::placeInLayer(p, in.type, scale, slot, l);
        if (!l.onLattice) continue;
        // The layer's plain nearest; kept when the field keeps it (nearer than the cell's faces).
        Hit layer;
        scratchfeature::visitCube(l.cell[0], l.cell[1], l.cell[2], l.at, slot, layer);
        scratchfeature::searchNeighbours(l, slot, layer);
        const Matrix3& m = layerRotation(in.type, slot);
        double origin[3], a[3], b[3];
        toLattice(tile.origin, m, in.type, scale, origin);
        toLattice(tile.edgeU, m, in.type, scale, a);
        toLattice(tile.edgeV, m, in.type, scale, b);
        cellular::LatticeTile lattice;
        const double d = std::sqrt(layer.squared);
        if (cellular::makeLatticeTile(origin, a, b, lattice) &&
            !(d < 0.99 && d * insideMargin < cellular::insideCell(l.at, lattice))) {
            layer = periodicNearest(l.at, lattice, firstReach, slot);
            if (!(layer.squared < HUGE_VAL))
                layer = periodicNearest(l.at, lattice, secondReach, slot);
        }
        if (layer.squared < best.squared) best = layer;
    }
    if (!(best.squared < HUGE_VAL)) return false;
    scratchfeature::describe(best, in.type, out);
    return true;
}
