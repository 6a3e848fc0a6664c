// --seed: another scratch layout from the same settings. The map's own "seed" only varies the
// Mapping block's variance ranges (zero in a new map), so the tool moves the pattern instead:
// every sample it hands the map is translated by the same seed-derived vector before anything
// else. A translation keeps every property of the field, so a tileable bake stays tileable:
// its square is simply the translated square.
//
//   bake:   UVW (u, v, 0) -> (u, v, 0) + S / extent, P = UVW x extent (so P moves by S)
//   render: P -> P + S, UVW -> UVW + S / kSeedUVWScale
//
// S is in object units; seed 0 gives no shift, and the results are exactly the unseeded ones.
#pragma once

#include <cstdint>

#include <max.h>

// Object units per UVW unit for the shift of render's UVW (the bake's default extent).
inline constexpr float kSeedUVWScale = 50.0f;

// The seed's translation S: each component a multiple of 1/16 in [0, 1000), exact in single
// precision; (0, 0, 0) for seed 0. The same on every platform.
Point3 SeedShift(std::uint32_t seed);
