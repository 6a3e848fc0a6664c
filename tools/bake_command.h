// `bake`: the map over a square of its own coordinates, into an image. Pixel centre (u, v)
// in [0, 1]^2 (v up, so row 0 is v near 1) is sampled with UVW (u, v, 0) in every channel and
// P = (u, v, 0) x extent.
#pragma once

#include <max.h>
#include "tools/image.h"
#include "tools/image_writer.h"
#include "tools/progress.h"

enum class BakeOutput { Color, Mono, Bump, Normal };

struct BakeOptions {
    int width = 1024;
    int height = 1024;
    float extent = 50.0f;  // object units across the square
    BakeOutput output = BakeOutput::Color;
    bool filtered = true;          // filter by the pixel footprint
    float normalStrength = 0.02f;  // bump vector to normal tilt, for the normal output
    TimeValue time = 0;
    // Bump vectors stored as 0.5 + 0.5 v, for files that hold only [0, 1] (PNG).
    bool encodeBump = false;
};

// Channels per output: RGBA colour, one mono value, the bump vector (x, y, z), or the
// tangent-space normal encoded as 0.5 + 0.5 n.
int BakeChannels(BakeOutput output);

// Bakes bands of rows in parallel and hands them to `out` top to bottom, each as soon as the
// bands above it are written; only a few bands are held at once. The map must have been
// updated for options.time. The rows do not depend on the number of threads. Throws what
// `out` throws.
void BakeMap(Texmap* map, const BakeOptions& options, Progress& progress, ImageWriter& out);
