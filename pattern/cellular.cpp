#include "cellular.h"

#include <bit>
#include <cmath>

#include "lattice_index.h"
#include "cellular_search.h"

using namespace cellular;

void addCubeSamples(int32_t xi, int32_t yi, int32_t zi, const double at[3], int n, double F[]) {
    uint32_t seed = cubeSeed(xi, yi, zi);
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
        if (n == 1) {
            F[0] = nearestFeature(at, xi, yi, zi, initialDistance);
        } else {
            addCubeSamples(xi, yi, zi, at, n, F);
            // The written neighbour order, each cube searched only while its bound is below
            // F[n - 1] and it could still hold a nearer point (see cellular_search.h).
            FaceDistances f;
            faceDistances(at, xi, yi, zi, f);
            uint32_t candidates = neighboursWithin(f, searchReach(F[n - 1]));
            while (candidates != 0) {
                const int k = std::countr_zero(candidates);
                candidates &= candidates - 1;
                if (!(searchReach(F[n - 1]) > neighbourBound(f, k))) continue;
                const Neighbour& nb = neighbours[k];
                addCubeSamples(offsetIndex(xi, nb.offset[0]), offsetIndex(yi, nb.offset[1]),
                               offsetIndex(zi, nb.offset[2]), at, n, F);
            }
        }
    }

    // The search kept plain distances; the field is tuned to their square roots.
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
