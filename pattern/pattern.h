// The scratch pattern: pure functions of a point and its settings, free of any host object.
// scratchPattern / scratchPatternFiltered are the entries; the rest is exposed for tests.
#pragma once

#include "scratch_inputs.h"
#include "scratch.h"
#include "erosion.h"
#include "cellular.h"
#include "simplex.h"
