// The eight-lane layer lay-out's entries, built for AVX2 on x86-64 only. Internal to
// layer_lanes.
#pragma once

#include <cstdint>

#include "cube_nearest.h"
#include "host_geom.h"

// Defined in layer_lanes.h, whose source includes this header.
struct LayerLanes;

#if defined(__x86_64__) || defined(_M_X64)
#define QUORV_LAYER_LANES_QUAD 1

// As layLanes and facesWithin; call them only on a processor with AVX2.
void layLanesQuad(const Point3& p, int type, float scale, int firstSlot, LayerLanes& l);
void facesWithinQuad(const LayerLanes& l, double reach, uint32_t faces[cellular::maxCubeQueries]);

#endif
