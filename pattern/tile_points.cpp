#include "tile_points.h"

#include <algorithm>
#include <cmath>

#include "cellular_lattice.h"
#include "layer_rotations.h"
#include "poisson_count.h"
#include "tile_geometry.h"

namespace cellular {

namespace {

using cellular::tile::dot;
using cellular::tile::toLattice;

// As tiled_scratch.cpp's periodic search: nothing beyond this reach counts.
constexpr double reach = 3.0;
// Slack on every bound below, far above the roundings between a bound and a computed distance
// (and between a copy's computed tile coordinates and its bucket).
constexpr double relativeSlack = 1.0 + 1e-9;
constexpr double absoluteSlack = 1e-9;
// The samples of a bake lie on the tile's plane, u and v within [0, 1] or a little beyond
// (the normals' differences); those further off search as before.
constexpr double queryMargin = 0.05;
constexpr double queryW = 0.5;
// Buckets of a lattice cube's size; past these counts the layer searches instead.
constexpr double bucketSize = 1.0;
// At most a few megabytes a layer, made in a small part of a second: a larger tile (a bake
// of a large extent) has most of its samples settled by the plain search anyway.
constexpr double maxBuckets = 1e6;
constexpr double maxCubes = 1e6;
constexpr double maxCopies = 4e5;
// Feature points per unit of volume, with room for the roundings of the estimate.
constexpr double copiesPerVolume = 2.6 * 1.25;
// Coordinates where the unrepeated search's lattice indices and tile coordinates stay exact
// enough for the slack above.
constexpr double maxCoordinate = 1e7;

// A lattice point's coordinates along the frame, origin-relative.
void frameCoordinates(const double at[3], const TiledLayerPoints& t, double out[3]) {
    const double* o = t.lattice.origin;
    const double rel[3] = {at[0] - o[0], at[1] - o[1], at[2] - o[2]};
    for (int k = 0; k < 3; ++k) out[k] = dot(t.axis[k], rel);
}

std::unique_ptr<TiledLayerPoints> makeLayer(const ScratchTile& tile, int type, float scale,
                                            int slot) {
    const Matrix3& m = layerRotation(type, slot);
    double origin[3], a[3], b[3];
    toLattice(tile.origin, m, type, scale, origin);
    toLattice(tile.edgeU, m, type, scale, a);
    toLattice(tile.edgeV, m, type, scale, b);
    auto t = std::make_unique<TiledLayerPoints>();
    LatticeTile& l = t->lattice;
    if (!makeLatticeTile(origin, a, b, l)) return nullptr;
    // The periodic search looks at most 64 copies away; a tile so small that its reach gets
    // there is left to it.
    const double r = reach * relativeSlack + absoluteSlack;
    if (!(r * l.duLength < 32.0 && r * l.dvLength < 32.0)) return nullptr;
    for (int k = 0; k < 3; ++k)
        if (!(std::fabs(origin[k]) + std::fabs(a[k]) + std::fabs(b[k]) < maxCoordinate))
            return nullptr;
    double* e0 = t->axis[0];
    double* e1 = t->axis[1];
    double* e2 = t->axis[2];
    // Along the longer edge: the parallelogram's box in the frame is then about its own size,
    // where along a short edge a long sheared one would sweep a box of its length squared.
    const double* longer = dot(a, a) >= dot(b, b) ? a : b;
    const double al = std::sqrt(dot(longer, longer));
    for (int k = 0; k < 3; ++k) e0[k] = longer[k] / al;
    const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                         a[0] * b[1] - a[1] * b[0]};
    const double nl = std::sqrt(dot(n, n));
    for (int k = 0; k < 3; ++k) e2[k] = n[k] / nl;
    e1[0] = e2[1] * e0[2] - e2[2] * e0[1];
    e1[1] = e2[2] * e0[0] - e2[0] * e0[2];
    e1[2] = e2[0] * e0[1] - e2[1] * e0[0];

    t->queryLow = -queryMargin, t->queryHigh = 1.0 + queryMargin, t->queryW = queryW;
    t->size = bucketSize;
    // The query region's box in the frame, widened by the reach: every copy within reach of a
    // query lies in it.
    const double sa[3] = {dot(e0, a), dot(e1, a), dot(e2, a)};
    const double sb[3] = {dot(e0, b), dot(e1, b), dot(e2, b)};
    double boxLow[3] = {0.0, 0.0, -queryW}, boxHigh[3] = {0.0, 0.0, queryW};
    for (int c = 0; c < 4; ++c) {
        const double cu = c & 1 ? t->queryHigh : t->queryLow;
        const double cv = c & 2 ? t->queryHigh : t->queryLow;
        for (int k = 0; k < 2; ++k) {
            const double x = cu * sa[k] + cv * sb[k];
            if (c == 0 || x < boxLow[k]) boxLow[k] = x;
            if (c == 0 || x > boxHigh[k]) boxHigh[k] = x;
        }
    }
    double buckets = 1.0;
    for (int k = 0; k < 3; ++k) {
        boxLow[k] -= r, boxHigh[k] += r;
        t->low[k] = boxLow[k];
        const double c = std::ceil((boxHigh[k] - boxLow[k]) / bucketSize) + 1.0;
        if (!(c < maxBuckets)) return nullptr;
        t->count[k] = static_cast<int>(c);
        buckets *= c;
    }
    if (!(buckets < maxBuckets)) return nullptr;
    double volume = copiesPerVolume;
    for (int k = 0; k < 3; ++k) volume *= boxHigh[k] - boxLow[k];
    if (!(volume < maxCopies)) return nullptr;
    // The box's range of tile coordinates, for the copies that can land in it.
    double uLow = 0.0, uHigh = 0.0, vLow = 0.0, vHigh = 0.0;
    for (int c = 0; c < 8; ++c) {
        double x[3];
        for (int k = 0; k < 3; ++k) {
            const double q0 = c & 1 ? boxHigh[0] : boxLow[0], q1 = c & 2 ? boxHigh[1] : boxLow[1],
                         q2 = c & 4 ? boxHigh[2] : boxLow[2];
            x[k] = q0 * e0[k] + q1 * e1[k] + q2 * e2[k];
        }
        const double u = dot(l.du, x), v = dot(l.dv, x);
        if (c == 0 || u < uLow) uLow = u;
        if (c == 0 || u > uHigh) uHigh = u;
        if (c == 0 || v < vLow) vLow = v;
        if (c == 0 || v > vHigh) vHigh = v;
    }

    // The kept points: those of the cell (0 <= u, v < 1, as the periodic search tests them)
    // within the box's distance from the plane, from every lattice cube that part touches.
    const double wLow = boxLow[2] - 1e-6, wHigh = boxHigh[2] + 1e-6;
    double cubeLow[3], cubeHigh[3];
    for (int c = 0; c < 8; ++c) {
        const double cu = c & 1, cv = (c >> 1) & 1, cw = c & 4 ? wHigh : wLow;
        for (int k = 0; k < 3; ++k) {
            const double x = origin[k] + cu * a[k] + cv * b[k] + cw * e2[k];
            if (c == 0 || x < cubeLow[k]) cubeLow[k] = x;
            if (c == 0 || x > cubeHigh[k]) cubeHigh[k] = x;
        }
    }
    // Columns of cubes along the axis the plane's normal leans on most, each only over the
    // cubes that can reach the slab: the box around a tilted slab is mostly empty.
    int ca = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(e2[k]) > std::fabs(e2[ca])) ca = k;
    const int pa = (ca + 1) % 3, qa = (ca + 2) % 3;
    double columns = 1.0;
    for (const int k : {pa, qa}) columns *= std::floor(cubeHigh[k]) - std::floor(cubeLow[k]) + 1.0;
    if (!(columns < maxCubes)) return nullptr;
    int lo[3], hi[3];
    for (int k = 0; k < 3; ++k) {
        lo[k] = static_cast<int>(std::floor(cubeLow[k]));
        hi[k] = static_cast<int>(std::floor(cubeHigh[k]));
    }
    // A cube with lower corner x spans e2 . x - e2 . origin plus [negative, positive] parts of
    // e2 in w, and likewise in u and v.
    auto parts = [](const double* d, double& neg, double& pos) {
        neg = pos = 0.0;
        for (int k = 0; k < 3; ++k) (d[k] < 0.0 ? neg : pos) += d[k];
    };
    double wNeg, wPos, uNeg, uPos, vNeg, vPos;
    parts(e2, wNeg, wPos);
    parts(l.du, uNeg, uPos);
    parts(l.dv, vNeg, vPos);
    const double wo = dot(e2, origin), uo = dot(l.du, origin), vo = dot(l.dv, origin);
    const double margin = 1e-6;
    std::vector<PointCopy> copies;
    std::vector<uint32_t> bucketOf;
    for (int yq = lo[qa]; yq <= hi[qa]; ++yq)
        for (int xp = lo[pa]; xp <= hi[pa]; ++xp) {
            // The column's cubes whose w range meets the slab.
            const double rest = e2[pa] * xp + e2[qa] * yq - wo;
            double z0 = (wLow - margin - wPos - rest) / e2[ca];
            double z1 = (wHigh + margin - wNeg - rest) / e2[ca];
            if (z0 > z1) std::swap(z0, z1);
            const int from = std::max(lo[ca], static_cast<int>(std::floor(z0)) - 1);
            const int to = std::min(hi[ca], static_cast<int>(std::ceil(z1)) + 1);
            for (int zc = from; zc <= to; ++zc) {
                int cube[3];
                cube[pa] = xp, cube[qa] = yq, cube[ca] = zc;
                const int x = cube[0], y = cube[1], z = cube[2];
                const double xd[3] = {static_cast<double>(x), static_cast<double>(y),
                                      static_cast<double>(z)};
                // Cubes that miss the cell hold no kept point.
                const double cu = dot(l.du, xd) - uo, cv = dot(l.dv, xd) - vo;
                if (cu + uPos < -margin || cu + uNeg >= 1.0 + margin) continue;
                if (cv + vPos < -margin || cv + vNeg >= 1.0 + margin) continue;

                const uint32_t hash = cubeSeed(x, y, z);
                const int count = poissonCount[hash >> 24];
                const uint32_t seed = lcgStep(hash);
                for (int n = 0; n < count; ++n) {
                    const int k = 4 * n;
                    const uint32_t s1 = lcgJump.mul[k + 1] * seed + lcgJump.add[k + 1];
                    const uint32_t s2 = lcgJump.mul[k + 2] * seed + lcgJump.add[k + 2];
                    const uint32_t s3 = lcgJump.mul[k + 3] * seed + lcgJump.add[k + 3];
                    PointCopy pc;
                    pc.f[0] = xd[0] + (s1 + 0.5) * twoToMinus32;
                    pc.f[1] = xd[1] + (s2 + 0.5) * twoToMinus32;
                    pc.f[2] = xd[2] + (s3 + 0.5) * twoToMinus32;
                    // Kept exactly as the periodic search keeps it.
                    const double rf[3] = {pc.f[0] - l.origin[0], pc.f[1] - l.origin[1],
                                          pc.f[2] - l.origin[2]};
                    const double fu = dot(l.du, rf), fv = dot(l.dv, rf);
                    if (!(fu >= 0.0 && fu < 1.0 && fv >= 0.0 && fv < 1.0)) continue;
                    double fc[3];
                    for (int q = 0; q < 3; ++q) fc[q] = dot(t->axis[q], rf);
                    if (!(fc[2] >= wLow && fc[2] <= wHigh)) continue;
                    for (double j = std::floor(vLow - fv) - 1.0; fv + j <= vHigh + 1.0; ++j)
                        for (double i = std::floor(uLow - fu) - 1.0; fu + i <= uHigh + 1.0; ++i) {
                            int bucket = 0;
                            bool inside = true;
                            for (int q = 2; q >= 0 && inside; --q) {
                                const double c = fc[q] + i * sa[q] + j * sb[q];
                                const double at = std::floor((c - t->low[q]) / bucketSize);
                                inside = at >= 0.0 && at < t->count[q];
                                if (inside) bucket = bucket * t->count[q] + static_cast<int>(at);
                            }
                            if (!inside) continue;
                            pc.i = i, pc.j = j;
                            copies.push_back(pc);
                            bucketOf.push_back(static_cast<uint32_t>(bucket));
                            if (!(copies.size() < maxCopies)) return nullptr;
                        }
                }
            }
        }
    // Counting sort into the buckets.
    t->start.assign(static_cast<std::size_t>(buckets) + 1, 0);
    for (const uint32_t bk : bucketOf) ++t->start[bk + 1];
    for (std::size_t bk = 1; bk < t->start.size(); ++bk) t->start[bk] += t->start[bk - 1];
    t->copies.resize(copies.size());
    std::vector<uint32_t> next(t->start.begin(), t->start.end() - 1);
    for (std::size_t c = 0; c < copies.size(); ++c) t->copies[next[bucketOf[c]]++] = copies[c];
    return t;
}

// The squared distance from x to the interval [lo, lo + size], or 0 inside it.
double gapSquared(double x, double lo, double size) {
    const double g = x < lo ? lo - x : x > lo + size ? x - (lo + size) : 0.0;
    return g * g;
}

// The smallest squared distance below `best` over the candidates of one bucket.
double bucketNearestSquared(const double at[3], const TiledLayerPoints& t, int bucket,
                            double best) {
    const LatticeTile& l = t.lattice;
    for (uint32_t c = t.start[bucket]; c < t.start[bucket + 1]; ++c) {
        const PointCopy& p = t.copies[c];
        // The query seen from the copy's cell, as the periodic search has it.
        double y3[3];
        if (p.i == 0.0 && p.j == 0.0) {
            y3[0] = at[0], y3[1] = at[1], y3[2] = at[2];
        } else {
            for (int k = 0; k < 3; ++k) y3[k] = at[k] - p.i * l.a[k] - p.j * l.b[k];
        }
        const double dx = p.f[0] - y3[0], dy = p.f[1] - y3[1], dz = p.f[2] - y3[2];
        const double sq = dx * dx + dy * dy + dz * dz;
        if (sq < best) best = sq;
    }
    return best;
}

// The smallest squared distance below `best` over the buckets within r of the query (frame
// coordinates fc) but `skip`, each skipped when its box lies no nearer than the best distance so
// far (the frame is orthonormal, so a box's distance bounds its points').
double bucketsNearest(const double at[3], const double fc[3], const TiledLayerPoints& t, double r,
                      double best, int skip) {
    int from[3], to[3];
    for (int k = 0; k < 3; ++k) {
        const double a = std::floor((fc[k] - r - absoluteSlack - t.low[k]) / t.size);
        const double b = std::floor((fc[k] + r + absoluteSlack - t.low[k]) / t.size);
        from[k] = static_cast<int>(std::max(a, 0.0));
        to[k] = static_cast<int>(std::min(b, static_cast<double>(t.count[k] - 1)));
    }
    auto bound = [&] { return best * relativeSlack + absoluteSlack; };
    for (int z = from[2]; z <= to[2]; ++z) {
        const double gz = gapSquared(fc[2], t.low[2] + z * t.size, t.size);
        if (gz >= bound()) continue;
        for (int y = from[1]; y <= to[1]; ++y) {
            const double gy = gz + gapSquared(fc[1], t.low[1] + y * t.size, t.size);
            if (gy >= bound()) continue;
            for (int x = from[0]; x <= to[0]; ++x) {
                const double gx = gy + gapSquared(fc[0], t.low[0] + x * t.size, t.size);
                const int bucket = (z * t.count[1] + y) * t.count[0] + x;
                if (gx >= bound() || bucket == skip) continue;
                best = bucketNearestSquared(at, t, bucket, best);
            }
        }
    }
    return best;
}

}  // namespace

bool makeTileFrame(const ScratchTile& tile, LatticeTile& frame) {
    const double o[3] = {tile.origin.x, tile.origin.y, tile.origin.z};
    const double a[3] = {tile.edgeU.x, tile.edgeU.y, tile.edgeU.z};
    const double b[3] = {tile.edgeV.x, tile.edgeV.y, tile.edgeV.z};
    return makeLatticeTile(o, a, b, frame);
}

std::unique_ptr<const TilePoints> makeTilePoints(const ScratchTile& tile, int type, float scale,
                                                 int firstSlot, int lastSlot) {
    if (type != 0 && type != 1) return nullptr;
    if (firstSlot < 0 || lastSlot > 8 || firstSlot > lastSlot) return nullptr;
    auto points = std::make_unique<TilePoints>();
    points->type = type, points->scale = scale;
    points->firstSlot = firstSlot, points->lastSlot = lastSlot;
    bool any = false;
    for (int slot = firstSlot; slot <= lastSlot; ++slot) {
        points->layer[slot] = makeLayer(tile, type, scale, slot);
        any = any || points->layer[slot] != nullptr;
    }
    if (!any) return nullptr;
    points->hasFrame = makeTileFrame(tile, points->frame);
    return points;
}

bool bucketNearest(const double at[3], const TiledLayerPoints& t, double& nearest) {
    const LatticeTile& l = t.lattice;
    const double rel[3] = {at[0] - l.origin[0], at[1] - l.origin[1], at[2] - l.origin[2]};
    const double u = dot(l.du, rel), v = dot(l.dv, rel);
    if (!(u >= t.queryLow && u <= t.queryHigh && v >= t.queryLow && v <= t.queryHigh)) return false;
    double fc[3];
    frameCoordinates(at, t, fc);
    if (!(std::fabs(fc[2]) <= t.queryW)) return false;
    int home = 0;
    for (int k = 2; k >= 0; --k)
        home = home * t.count[k] + static_cast<int>(std::floor((fc[k] - t.low[k]) / t.size));
    // The query's own bucket first, for a near bound, then every bucket within the periodic
    // search's first reach, then, if nothing lay within that, its whole reach.
    const double firstReach = 0.8;
    double best = bucketNearestSquared(at, t, home, firstReach * firstReach);
    best = bucketsNearest(at, fc, t, std::sqrt(best) * relativeSlack + absoluteSlack, best, home);
    if (!(best < firstReach * firstReach))
        best = bucketsNearest(at, fc, t, reach * relativeSlack + absoluteSlack, reach * reach, -1);
    nearest = best < reach * reach ? std::sqrt(best) : initialDistance;
    return true;
}

}  // namespace cellular
