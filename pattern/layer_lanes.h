// The layers of one sample side by side, one lane each, laid out for the cube kernels: all the
// per-layer set-up of the scratch field's search done by a few vector operations instead of
// once per layer. Internal to pattern/.
#pragma once

#include <cstdint>

#include "cube_nearest.h"
#include "host_geom.h"

inline constexpr int layerLaneCount = cellular::maxCubeQueries;

struct LayerLanes {
    // p rotated, stretched and scaled into the lattice; its cube, the cubes around it and the
    // cube's hash.
    cellular::CubeQueries cube;
    // The squared distances to the cube's faces as the written rule computes them: x2, y2, z2,
    // mx2, my2, mz2 (cellular::FaceDistances, lane by lane).
    alignas(32) double face[6][layerLaneCount];
    alignas(32) int32_t cell[3][layerLaneCount];
    // Bit i set where lane i's cube is on the 32-bit lattice. A lane off it (or at a NaN) has a
    // stand-in cell of 0 and must be left out, as the written search there keeps its initial
    // distance.
    uint32_t onLattice;
};

// Lays out the layers of slots firstSlot (0 or 1) onwards at pattern point p for the type
// (0 = 2D: the stretch scales x, otherwise y) and stretch factor scale. Lanes past the last slot
// repeat it. Every lane rounds exactly as the single layer's scalar steps do: rotatePoint, the
// stretch, the density scale, latticeIndex, offsetIndex, cubeSeed and faceDistances.
void layLanes(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l);

// Bit j of faces[i] set where face j of lane i lies within reach, as cellular::facesWithin.
void facesWithin(const LayerLanes& l, double reach, uint32_t faces[layerLaneCount]);

// The forms themselves, for tests: lane by lane, two lanes at a time (SSE2) and four (AVX2). A
// form the build or the processor lacks falls back to the next simpler one.
void layLanesPortable(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l);
void layLanesSse2(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l);
void layLanesAvx2(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l);
void facesWithinPortable(const LayerLanes& l, double reach, uint32_t faces[layerLaneCount]);
void facesWithinSse2(const LayerLanes& l, double reach, uint32_t faces[layerLaneCount]);
void facesWithinAvx2(const LayerLanes& l, double reach, uint32_t faces[layerLaneCount]);
