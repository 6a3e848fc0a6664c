// Worley's cellular basis: distances to the nearest feature points of a jittered lattice.
#pragma once

#include <cstdint>

#include "host_geom.h"

// Fills F[0..n-1] with F1 <= ... <= Fn for the double point p[3]. Each Fi is
// sqrt(d) * 2.5116162250408136 for the scaled-space distance d, so >= 0 and below 2512.
// A point whose cube index leaves the 32-bit range (or is NaN) finds no feature point:
// every Fi is the search's initial distance, about 2511.6. n < 1 fills nothing.
void cellularDistances(const double p[3], int n, double F[]);

// Inserts into the ascending F[0..n-1] every feature point of cube (xi, yi, zi) nearer to
// the scaled point at[3] than F[n-1], as a plain (unsquared) distance.
void addCubeSamples(int32_t xi, int32_t yi, int32_t zi, const double at[3], int n, double F[]);

// (w1 F1 + w2 F2 + w3 F3 + w4 F4) / normaliser * 2 - 1 at the float point p; only as many
// distances as the non-negligible weights need are searched. Range: [-1, inf) for
// non-negative weights and a positive normaliser.
float cellularCombine(const Point3& p, double w1, double w2, double w3, double w4,
                      double normaliser);
