#include "oracle.h"

#include <cmath>

#include "poisson_count.h"

namespace oracle {

namespace {

// Worley's density: query coordinates are scaled by it, distances divided by it.
constexpr double densityScale = 0.39815;
constexpr double inverseDensity = 2.5116162250408136;
constexpr double initialDistance = 999999.9;
constexpr double twoToMinus32 = 1.0 / 4294967296.0;

// The cube hash and the point generator, all in wrapping 32-bit arithmetic.
constexpr uint32_t hashX = 702395077u, hashY = 915488749u, hashZ = 2120969693u;
constexpr uint32_t lcgMul = 1402024253u, lcgAdd = 586950981u;

inline uint32_t lcgStep(uint32_t s) {
    return lcgMul * s + lcgAdd;
}

// Neighbour index with 32-bit wrap, so the cubes next to the int32 limits stay defined.
inline int32_t offsetIndex(int32_t i, int d) {
    return static_cast<int32_t>(static_cast<uint32_t>(i) + static_cast<uint32_t>(d));
}

}  // namespace

void addCubeSamples(int32_t xi, int32_t yi, int32_t zi, const double at[3], int n, double F[]) {
    uint32_t seed = hashX * static_cast<uint32_t>(xi) + hashY * static_cast<uint32_t>(yi) +
                    hashZ * static_cast<uint32_t>(zi);
    const int count = poissonCount[seed >> 24];
    seed = lcgStep(seed);
    for (int j = 0; j < count; ++j) {
        const uint32_t s1 = lcgStep(seed), s2 = lcgStep(s1), s3 = lcgStep(s2);
        seed = lcgStep(s3);
        const double dx = (xi + (s1 + 0.5) * twoToMinus32) - at[0];
        const double dy = (yi + (s2 + 0.5) * twoToMinus32) - at[1];
        const double dz = (zi + (s3 + 0.5) * twoToMinus32) - at[2];
        const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (d < F[n - 1]) {
            // Equal distances keep their order: the new one goes after.
            int i = n - 1;
            while (i > 0 && d < F[i - 1]) {
                F[i] = F[i - 1];
                --i;
            }
            F[i] = d;
        }
    }
}

void cellularDistances(const double p[3], int n, double F[]) {
    if (n < 1) return;
    for (int i = 0; i < n; ++i) F[i] = initialDistance;

    const double at[3] = {p[0] * densityScale, p[1] * densityScale, p[2] * densityScale};
    int32_t xi, yi, zi;
    // Beyond the 32-bit lattice nothing can be hashed; the distances stay at their start.
    if (latticeIndex(at[0], xi) && latticeIndex(at[1], yi) && latticeIndex(at[2], zi)) {
        addCubeSamples(xi, yi, zi, at, n, F);

        // Squared distances to the six faces of the home cube.
        const double fx = at[0] - xi, fy = at[1] - yi, fz = at[2] - zi;
        const double x2 = fx * fx, y2 = fy * fy, z2 = fz * fz;
        const double mx2 = (1.0 - fx) * (1.0 - fx), my2 = (1.0 - fy) * (1.0 - fy),
                     mz2 = (1.0 - fz) * (1.0 - fz);
        // The bound is a squared distance, F holds plain distances: the field is tuned to that.
        auto visit = [&](int dx, int dy, int dz, double bound) {
            if (F[n - 1] > bound)
                addCubeSamples(offsetIndex(xi, dx), offsetIndex(yi, dy), offsetIndex(zi, dz), at, n,
                               F);
        };
        // Faces, then edges, then corners: nearer cubes first so the pruning bites early.
        visit(-1, 0, 0, x2);
        visit(0, -1, 0, y2);
        visit(0, 0, -1, z2);
        visit(1, 0, 0, mx2);
        visit(0, 1, 0, my2);
        visit(0, 0, 1, mz2);
        visit(-1, -1, 0, x2 + y2);
        visit(-1, 0, -1, x2 + z2);
        visit(0, -1, -1, y2 + z2);
        visit(1, 1, 0, mx2 + my2);
        visit(1, 0, 1, mx2 + mz2);
        visit(0, 1, 1, my2 + mz2);
        visit(-1, 1, 0, x2 + my2);
        visit(-1, 0, 1, x2 + mz2);
        visit(0, -1, 1, y2 + mz2);
        visit(1, -1, 0, mx2 + y2);
        visit(1, 0, -1, mx2 + z2);
        visit(0, 1, -1, my2 + z2);
        visit(-1, -1, -1, x2 + y2 + z2);
        visit(-1, -1, 1, x2 + y2 + mz2);
        visit(-1, 1, -1, x2 + my2 + z2);
        visit(-1, 1, 1, x2 + my2 + mz2);
        visit(1, -1, -1, mx2 + y2 + z2);
        visit(1, -1, 1, mx2 + y2 + mz2);
        visit(1, 1, -1, mx2 + my2 + z2);
        visit(1, 1, 1, mx2 + my2 + mz2);
    }

    for (int i = 0; i < n; ++i) F[i] = std::sqrt(F[i]) * inverseDensity;
}

float cellularCombine(const Point3& p, double w1, double w2, double w3, double w4,
                      double normaliser) {
    const double pd[3] = {p.x, p.y, p.z};
    // Weights count from the single-precision 0.0001 up; w1 is always used.
    const double negligible = 0.0001f;
    const int n = std::fabs(w4) > negligible   ? 4
                  : std::fabs(w3) > negligible ? 3
                  : std::fabs(w2) > negligible ? 2
                                               : 1;
    double F[4];
    cellularDistances(pd, n, F);

    const double w[4] = {w1, w2, w3, w4};
    double sum = 0.0;
    for (int i = 0; i < n; ++i) sum += w[i] * static_cast<float>(F[i]);
    const float sumf = static_cast<float>(sum);
    return static_cast<float>(sumf / normaliser * 2.0 - 1.0);
}

}  // namespace oracle
