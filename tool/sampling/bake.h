// tool/sampling: the map sampled as the tool's host: the shading sample, the preview scene,
// the eval, render and bake (here) engines with their antialiasing and tiling, and the files a
// bake writes. Uses tool/images and tool/base.
//
// `bake`: the map over a square of its own coordinates, into images. Pixel (x, y) covers
// (u, v) in [x/w, (x+1)/w] x [1 - (y+1)/h, 1 - y/h] (v up, so row 0 is v near 1); a sample at
// (u, v) has UVW (u, v, 0) in every channel and P = (u, v, 0) x extent.
#pragma once

#include <max.h>

#include <vector>

#include "tool/base/progress.h"
#include "tool/images/image_writer.h"

// What a bake writes. Colour is RGBA; mono, mask and height one channel; bump the raw vector
// (x, y, z); normal a tangent-space normal encoded as 0.5 + 0.5 n. The nearest scratch's
// (scratch_outputs.h): random, layer and angle one channel, direction 0.5 + 0.5 (x, y) and 0.
enum class BakeOutput { Color, Mono, Mask, Height, Bump, Normal, Random, Layer, Direction, Angle };
// Every output, in the order the tool lists them.
inline constexpr BakeOutput kBakeOutputs[] = {
    BakeOutput::Color,     BakeOutput::Mono,   BakeOutput::Mask,   BakeOutput::Height,
    BakeOutput::Bump,      BakeOutput::Normal, BakeOutput::Random, BakeOutput::Layer,
    BakeOutput::Direction, BakeOutput::Angle};

// Which way the green channel of a normal or direction map points: +v (OpenGL) or -v (DirectX).
enum class NormalY { Up, Down };

// Antialiasing by default: 3 x 3 samples a pixel, nine times the work of one.
inline constexpr int kDefaultBakeSamples = 3;
// The accepted samples a pixel side, extents, depths and bump normal strengths.
inline constexpr int kMaxBakeSamples = 16;
inline constexpr float kMinBakeExtent = 1e-6f, kMaxBakeExtent = 1e9f;
inline constexpr float kMaxBakeDepth = 1e9f;
inline constexpr float kMaxBumpNormalStrength = 1e6f;

struct BakeOptions {
    int width = 1024;
    int height = 1024;
    float extent = 50.0f;  // object units across the square
    // One pass evaluates each sample once for all of these (no output twice).
    std::vector<BakeOutput> outputs{BakeOutput::Color};
    int samples = kDefaultBakeSamples;  // N x N stratified samples a pixel, box-filtered
    bool filtered = true;               // filter each sample by its footprint
    // Normals from the height: the depth of a scratch's bottom below the clean surface, in
    // object units, and the green channel's convention.
    float depth = 0.2f;
    NormalY normalY = NormalY::Up;
    // When above 0, normals come from the map's bump vector tilted by this factor instead
    // (the host's bump, which also depends on the colours).
    float bumpNormalStrength = 0.0f;
    TimeValue time = 0;
    // Added to every sample's (u, v, 0) before anything else (the --seed shift, in square
    // widths): the baked square is [0, 1]^2 + shift, UVW and P follow.
    Point3 shift = Point3(0.0f, 0.0f, 0.0f);
    // The image repeats without a seam (BakeTiling).
    bool tileable = false;
};

class ToolShadeContext;

// Places a sample at the square's point (u, v), as the bake places every sample, with the
// footprint given: with (u', v', w') = (u, v, 0) + shift, P = (u', v', w') x extent,
// UVW (u', v', w'), screen (u', v').
void SetBakePoint(ToolShadeContext& sc, const BakeOptions& options, float u, float v,
                  const Point3& dpdx, const Point3& dpdy, const Point3& duvw);

// While alive, the map repeats over the bake square (its IQuorvScratches tiling) when
// options.tileable asks for it; nothing otherwise. Made after the map's Update, before the
// bake. A ToolError when the map cannot tile.
class BakeTiling {
public:
    BakeTiling(Texmap* map, const BakeOptions& options);
    ~BakeTiling();
    BakeTiling(const BakeTiling&) = delete;
    BakeTiling& operator=(const BakeTiling&) = delete;

private:
    Texmap* map_ = nullptr;
};

// Channels of one output.
int BakeChannels(BakeOutput output);
// Channels of all outputs together, in their order.
int BakeChannels(const std::vector<BakeOutput>& outputs);
// The output's name as the tool spells it ("color", "mask", ...).
const char* BakeOutputName(BakeOutput output);

// A ToolError for options that cannot be baked (no output, one named twice, a number out of
// its range above, the size), before any work.
void CheckBakeOptions(const BakeOptions& options);

// Bakes bands of rows in parallel and hands them to `out` top to bottom, each as soon as the
// bands above it are written; only a few bands are held at once. Each pixel holds every
// output's channels in turn, in the order of options.outputs, as linear values. The map must
// have been updated for options.time. The rows do not depend on the number of threads.
// A ToolError for options it cannot bake; throws what `out` throws.
void BakeMap(Texmap* map, const BakeOptions& options, Progress& progress, ImageWriter& out);
