// Shared by the fuzz targets: the plug-in attached in-process, and the checks every map that
// comes out of fuzzed input must pass.
#pragma once

#include "map/quorv_scratches.h"

// Attaches the linked plug-in objects (module handle and string table) and lists the map's
// class, so that scenes naming it load. Call once, from LLVMFuzzerInitialize.
void AttachPlugin();

// A finding: libFuzzer reports the abort with the input that caused it.
void Require(bool ok, const char* what);

// Updates the map and evaluates it at ordinary, far and undefined points, filtered and not:
// every colour, mono value and bump vector must be finite.
void RequireFiniteEvaluation(Texmap* map);
