#include "nearest_scratch.h"

#include <algorithm>
#include <cmath>

#include "cellular_lattice.h"
#include "cellular_search.h"
#include "lattice_index.h"
#include "layer_rotations.h"
#include "nearest_feature.h"
#include "poisson_count.h"

namespace {

constexpr int maxLevels = 8;

// One avalanche step (the finaliser of MurmurHash3): every input bit moves about half of the
// output bits, so neighbouring cubes and indices give unrelated values.
uint32_t mix(uint32_t h) {
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

}  // namespace

float scratchRandom(const int32_t cube[3], int point, int layer) {
    uint32_t h = mix(static_cast<uint32_t>(layer) + 0x9e3779b9u);
    h = mix(h ^ static_cast<uint32_t>(cube[0]));
    h = mix(h ^ static_cast<uint32_t>(cube[1]) * 0x27d4eb2fu);
    h = mix(h ^ static_cast<uint32_t>(cube[2]) * 0x165667b1u);
    h = mix(h ^ static_cast<uint32_t>(point));
    // The top 24 bits: exact in a float, and below 1.
    return static_cast<float>(h >> 8) * 0x1p-24f;
}

namespace scratchfeature {

void placeInLayer(const Point3& p, int type, float scale, int slot, LayerPlace& out) {
    // As the field places it: rotated, stretched and scaled in single precision, then widened.
    Point3 r = rotatePoint(p, layerRotation(type, slot));
    if (type == 0)
        r.x = r.x * scale;
    else
        r.y = r.y * scale;
    out.at[0] = r.x * cellular::densityScale;
    out.at[1] = r.y * cellular::densityScale;
    out.at[2] = r.z * cellular::densityScale;
    out.onLattice = latticeIndex(out.at[0], out.cell[0]) && latticeIndex(out.at[1], out.cell[1]) &&
                    latticeIndex(out.at[2], out.cell[2]);
}

void visitCube(int32_t x, int32_t y, int32_t z, const double at[3], int slot, Hit& best) {
    const uint32_t hash = cellular::cubeSeed(x, y, z);
    const int count = poissonCount[hash >> 24];
    const uint32_t seed = cellular::lcgStep(hash);
    const double cx = x, cy = y, cz = z;
    for (int j = 0; j < count; ++j) {
        // The point and its squared distance exactly as cubeNearestSquared has them.
        const int k = 4 * j;
        const uint32_t s1 = cellular::lcgJump.mul[k + 1] * seed + cellular::lcgJump.add[k + 1];
        const uint32_t s2 = cellular::lcgJump.mul[k + 2] * seed + cellular::lcgJump.add[k + 2];
        const uint32_t s3 = cellular::lcgJump.mul[k + 3] * seed + cellular::lcgJump.add[k + 3];
        const double dx = (cx + (s1 + 0.5) * cellular::twoToMinus32) - at[0];
        const double dy = (cy + (s2 + 0.5) * cellular::twoToMinus32) - at[1];
        const double dz = (cz + (s3 + 0.5) * cellular::twoToMinus32) - at[2];
        const double s = dx * dx + dy * dy + dz * dz;
        if (s < best.squared) best = Hit{s, {x, y, z}, j, slot};
    }
}

void searchNeighbours(const LayerPlace& l, int slot, Hit& best) {
    cellular::FaceDistances f;
    cellular::faceDistances(l.at, l.cell[0], l.cell[1], l.cell[2], f);
    for (int k = 0; k < 26; ++k) {
        // The field's own pruning: no point of a cube beyond this reach can come nearer.
        const double reach = best.squared * cellular::reachRelative + cellular::reachAbsolute;
        if (!(reach > cellular::neighbourBound(f, k))) continue;
        const cellular::Neighbour& n = cellular::neighbours[k];
        visitCube(cellular::offsetIndex(l.cell[0], n.offset[0]),
                  cellular::offsetIndex(l.cell[1], n.offset[1]),
                  cellular::offsetIndex(l.cell[2], n.offset[2]), l.at, slot, best);
    }
}

bool slotRange(const ScratchInputs& in, int& first, int& last) {
    if (in.type != 0 && in.type != 1) return false;
    if (!(in.spread > 0.0f)) return false;  // the field reads it as clean background
    first = in.levels <= 1 ? 0 : 1;
    last = in.levels <= 1 ? 0 : std::min(in.levels, maxLevels);
    return true;
}

void describe(const Hit& hit, int type, NearestScratch& out) {
    // Slot 0 is the single layer, slots 1.. the layers of a stack.
    out.layer = hit.slot == 0 ? 0 : hit.slot - 1;
    for (int c = 0; c < 3; ++c) out.cube[c] = hit.cube[c];
    out.point = hit.point;
    out.random = scratchRandom(hit.cube, hit.point, out.layer);
    out.f1 = static_cast<float>(std::sqrt(std::sqrt(hit.squared)) * cellular::inverseDensity);
    // q = p M for a row vector p, so the stretched coordinate is p . (column s of M).
    const Matrix3& m = layerRotation(type, hit.slot);
    const int s = type == 0 ? 0 : 1;
    out.across = Normalize(Point3(m[0][s], m[1][s], m[2][s]));
}

}  // namespace scratchfeature

using namespace scratchfeature;

bool nearestScratch(const Point3& p, const ScratchInputs& in, NearestScratch& out) {
    int first, last;
    if (!slotRange(in, first, last)) return false;
    const float scale = in.stretch + 50.0f;
    LayerPlace place[maxLevels];
    Hit best;
    // Every layer's own cube first, so that the neighbours of all are pruned by the nearest.
    for (int slot = first; slot <= last; ++slot) {
        LayerPlace& l = place[slot - first];
        placeInLayer(p, in.type, scale, slot, l);
        if (l.onLattice) visitCube(l.cell[0], l.cell[1], l.cell[2], l.at, slot, best);
    }
    for (int slot = first; slot <= last; ++slot) {
        const LayerPlace& l = place[slot - first];
        if (l.onLattice) searchNeighbours(l, slot, best);
    }
    if (!(best.squared < HUGE_VAL)) return false;
    describe(best, in.type, out);
    return true;
}
