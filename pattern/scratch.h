// The scratch field: stretched, rotated cellular layers combined by their minimum.
#pragma once

#include "host_geom.h"
#include "scratch_inputs.h"

// [0, 1]: 0 on a scratch, 1 in the clean background, thresholded by thresholdLow/High.
// p is in pattern units. A type other than 0 (2D) or 1 (3D) gives 0.
float scratchPattern(const Point3& p, const ScratchInputs& inputs);
// [0, 1]: as above with the filter width max(|dpdx|, |dpdy|) fading the erosion noise and
// the soft threshold in place of the linear one.
float scratchPatternFiltered(const Point3& p, const Point3& dpdx, const Point3& dpdy,
                             const ScratchInputs& inputs);

// The raw field (a + 1) / 2 of the layer minimum a, eroded when useErosion is set; before any
// threshold, so not clamped: [0, inf) for a positive spread. The filtered forms take the
// width w for the erosion.
float scratchLayers2D(const Point3& p, const ScratchInputs& inputs);
float scratchLayers3D(const Point3& p, const ScratchInputs& inputs);
float scratchLayers2D(const Point3& p, float w, const ScratchInputs& inputs);
float scratchLayers3D(const Point3& p, float w, const ScratchInputs& inputs);

// One layer at angle theta (radians), F1 / spread * 2 - 1: [-1, inf). Type 0 rotates about Z
// and stretches x; any other type rotates about Z, X, Y and stretches y. A spread that is
// not positive (a spread map reading 0) gives 1, the clean background.
float scratchLayer(const Point3& p, float theta, int type, const ScratchInputs& inputs);

// The ramp (v - low) / (high - low) with smoothstep shoulders 0.4 wide around each end, for
// low < high: 0 below low - 0.4, 1 above high + 0.4, dipping slightly outside [0, 1] inside
// the shoulders; the caller clamps.
float softThreshold(float v, float low, float high);
