// The nearest feature distance over a layer stack, shared by the plain and the repeating field.
// Internal to pattern/.
#pragma once

#include "host_geom.h"

// The smallest distance from p, rotated and stretched into each layer of slots
// firstSlot..lastSlot, to a feature point of that layer's lattice (scaled space): exact below 1,
// as each layer's own search.
double nearestOverLayers(const Point3& p, int type, float scale, int firstSlot, int lastSlot);
