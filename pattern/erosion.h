// Erosion: Musgrave's ridged multifractal over simplex noise, wearing the scratches away.
#pragma once

#include "host_geom.h"
#include "scratch_inputs.h"

// [0, 1]: four octaves of ridged noise (offset 1, gain 1, H 0, lacunarity 2), capped at 1.
// Type 0 reads q.x and q.y (2D noise), any other type q.x, q.y and q.z (3D noise).
float erosionNoise(const Point3& q, int type);
// As above with each octave's noise faded by the filter width w (doubling per octave);
// a width of 2.64 or more fades everything and gives 1.
float erosionNoise(const Point3& q, float w, int type);

// (1 - r) a + r with r = erosion noise at p / s times inputs.erosion, s the erosion scale
// (ten times finer for the 3D type). a is the layer minimum, p the unrotated pattern point.
// In [a, 1] for a <= 1 and erosion in [0, 1]; an erosion scale of 0 leaves a unchanged.
float erodeLayerValue(float a, const Point3& p, int type, const ScratchInputs& inputs);
// As above with the width-faded noise, for the filtered entry; w is in pattern units.
float erodeLayerValue(float a, const Point3& p, float w, int type, const ScratchInputs& inputs);
