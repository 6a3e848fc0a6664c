// The four-lane kernel's entry, built for AVX2 on x86-64 only. Internal to cube_list.
#pragma once

#include <cstdint>

#include "cube_nearest.h"

#if defined(__x86_64__) || defined(_M_X64)
#define QUORV_CUBE_LIST_QUAD 1

namespace cellular {

// As nearestSquaredOverCubes; call it only on a processor with AVX2.
double nearestSquaredOverCubesQuad(const CubeQueries& queries, const uint8_t cubes[], int count);

}  // namespace cellular

#endif
