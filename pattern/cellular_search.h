// The cellular search's inner pieces, shared by cellularDistances and the scratch field's
// fast path. Internal to pattern/.
//
// The neighbour rule compares the current n-th distance F (a plain distance) with a squared
// face distance. Besides that rule, a neighbour is also skipped when none of its points can
// come nearer than F: any computed distance to a point of the cube is at least about
// sqrt(bound), so once F*F is clearly at most the bound the cube cannot change F. Skipping such
// a cube leaves F, and so every later decision, as the written rule has it.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "cube_nearest.h"

namespace cellular {

// Margins of the "cannot come nearer" test: a relative one far above the few roundings between
// a bound and a point's computed distance, and an absolute one for the face fractions that
// subtraction rounds near zero (at most a few 2^-54).
inline constexpr double reachRelative = 1.0 + 1e-9;
inline constexpr double reachAbsolute = 1e-14;

// Neighbours whose bound is below this are searched: the written rule's F and the geometric
// F * F, whichever is smaller.
inline double searchReach(double F) {
    const double geometric = F * F * reachRelative + reachAbsolute;
    return geometric < F ? geometric : F;
}

// Squared distances to the six faces of the home cube as the written rule computes them: x2,
// y2, z2 (lower faces), mx2, my2, mz2 (upper faces), and a zero that pads a neighbour's bound
// to three terms (adding +0 to a non-negative double changes nothing).
struct FaceDistances {
    double sq[7];
};

inline void faceDistances(const double at[3], int32_t xi, int32_t yi, int32_t zi,
                          FaceDistances& f) {
    const double fx = at[0] - xi, fy = at[1] - yi, fz = at[2] - zi;
    f.sq[0] = fx * fx, f.sq[1] = fy * fy, f.sq[2] = fz * fz;
    f.sq[3] = (1.0 - fx) * (1.0 - fx), f.sq[4] = (1.0 - fy) * (1.0 - fy);
    f.sq[5] = (1.0 - fz) * (1.0 - fz), f.sq[6] = 0.0;
}

// The 26 neighbours in the order the written rule visits them, each as the faces whose squared
// distances it adds up, in the rule's order of addition (6 is the zero pad).
struct Neighbour {
    int8_t term[3];
    int8_t offset[3];
};

inline constexpr Neighbour neighbours[26] = {
    {{0, 6, 6}, {-1, 0, 0}},   {{1, 6, 6}, {0, -1, 0}},  {{2, 6, 6}, {0, 0, -1}},
    {{3, 6, 6}, {1, 0, 0}},    {{4, 6, 6}, {0, 1, 0}},   {{5, 6, 6}, {0, 0, 1}},
    {{0, 1, 6}, {-1, -1, 0}},  {{0, 2, 6}, {-1, 0, -1}}, {{1, 2, 6}, {0, -1, -1}},
    {{3, 4, 6}, {1, 1, 0}},    {{3, 5, 6}, {1, 0, 1}},   {{4, 5, 6}, {0, 1, 1}},
    {{0, 4, 6}, {-1, 1, 0}},   {{0, 5, 6}, {-1, 0, 1}},  {{1, 5, 6}, {0, -1, 1}},
    {{3, 1, 6}, {1, -1, 0}},   {{3, 2, 6}, {1, 0, -1}},  {{4, 2, 6}, {0, 1, -1}},
    {{0, 1, 2}, {-1, -1, -1}}, {{0, 1, 5}, {-1, -1, 1}}, {{0, 4, 2}, {-1, 1, -1}},
    {{0, 4, 5}, {-1, 1, 1}},   {{3, 1, 2}, {1, -1, -1}}, {{3, 1, 5}, {1, -1, 1}},
    {{3, 4, 2}, {1, 1, -1}},   {{3, 4, 5}, {1, 1, 1}}};

// A neighbour's bound, (a + b) + c over its face terms, exactly as the rule's sums round.
inline double neighbourBound(const FaceDistances& f, int k) {
    const Neighbour& n = neighbours[k];
    return (f.sq[n.term[0]] + f.sq[n.term[1]]) + f.sq[n.term[2]];
}

// For each set of faces within reach (bit i for face i), the neighbours whose every face is
// among them. A sum of non-negative terms rounds to no less than any one term, so a neighbour
// with a face out of reach is out of reach itself.
struct ReachableTable {
    uint32_t mask[64];
};
constexpr ReachableTable makeReachableTable() {
    ReachableTable r{};
    for (uint32_t faces = 0; faces < 64; ++faces)
        for (int k = 0; k < 26; ++k) {
            bool all = true;
            for (int8_t term : neighbours[k].term)
                if (term < 6 && !(faces & (1u << term))) all = false;
            if (all) r.mask[faces] |= 1u << k;
        }
    return r;
}
inline constexpr ReachableTable reachable = makeReachableTable();

// Bit i set when face i is within reach.
inline uint32_t facesWithin(const FaceDistances& f, double reach) {
    uint32_t faces = 0;
    for (int i = 0; i < 6; ++i) faces |= static_cast<uint32_t>(reach > f.sq[i]) << i;
    return faces;
}

// The neighbours that may be visited while the reach stays at or below `reach`, as bits in
// visiting order.
inline uint32_t neighboursWithin(const FaceDistances& f, double reach) {
    return reachable.mask[facesWithin(f, reach)];
}

// The same sets as lists, for gathering the candidates of several searches into one.
struct NeighbourList {
    uint8_t count;
    uint8_t k[26];
};
struct NeighbourLists {
    NeighbourList of[64];
};
constexpr NeighbourLists makeNeighbourLists() {
    NeighbourLists l{};
    for (int faces = 0; faces < 64; ++faces)
        for (int k = 0; k < 26; ++k)
            if (reachable.mask[faces] & (1u << k)) {
                NeighbourList& list = l.of[faces];
                list.k[list.count++] = static_cast<uint8_t>(k);
            }
    return l;
}
inline constexpr NeighbourLists neighbourLists = makeNeighbourLists();

// The running nearest distance F of an n = 1 search with the square that settles most
// comparisons without a root: sqrt(s) >= F for every s at or above `within`.
struct Nearest {
    double F, within, reach;

    explicit Nearest(double start) { set(start); }
    void set(double d) {
        F = d;
        within = d * d * reachRelative;
        reach = searchReach(d);
    }
    // Folds in a cube's nearest squared distance; true when F came down.
    bool fold(double s) {
        if (!(s < within)) return false;
        const double d = std::sqrt(s);
        if (!(d < F)) return false;
        set(d);
        return true;
    }
};

// The neighbours of an n = 1 search whose home cube is already folded into F.
inline double searchNeighbours(const double at[3], int32_t xi, int32_t yi, int32_t zi, double F) {
    Nearest best(F);
    FaceDistances f;
    faceDistances(at, xi, yi, zi, f);
    uint32_t candidates = neighboursWithin(f, best.reach);
    while (candidates != 0) {
        const int k = std::countr_zero(candidates);
        candidates &= candidates - 1;
        if (!(best.reach > neighbourBound(f, k))) continue;
        const Neighbour& n = neighbours[k];
        best.fold(cubeNearestSquared(offsetIndex(xi, n.offset[0]), offsetIndex(yi, n.offset[1]),
                                     offsetIndex(zi, n.offset[2]), at));
    }
    return best.F;
}

// The search for n = 1 from the start distance F (the written rule starts from
// initialDistance): min(F, distance to the nearest point found by the pruned search), as a
// plain distance in the scaled space. at must lie in cube (xi, yi, zi).
inline double nearestFeature(const double at[3], int32_t xi, int32_t yi, int32_t zi, double F) {
    Nearest best(F);
    best.fold(cubeNearestSquared(xi, yi, zi, at));
    return searchNeighbours(at, xi, yi, zi, best.F);
}

}  // namespace cellular
