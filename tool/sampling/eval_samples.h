// The map evaluated at given samples, as `eval` and the Python module's eval do: each sample
// a position and its screen derivatives, each result the colour, the mono value or the bump
// vector.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include <max.h>

// Colour, mono and bump as the host asks; the nearest scratch's random, layer, direction and
// angle as bake writes them, the direction in the samples' (x, y) plane (+y up).
enum class EvalOutput { Color, Mono, Bump, Random, Layer, Direction, Angle };

// The outputs by the names users give them.
inline constexpr std::pair<const char*, EvalOutput> kEvalOutputNames[] = {
    {"color", EvalOutput::Color}, {"mono", EvalOutput::Mono},
    {"bump", EvalOutput::Bump},   {"random", EvalOutput::Random},
    {"layer", EvalOutput::Layer}, {"direction", EvalOutput::Direction},
    {"angle", EvalOutput::Angle}};

// Material IDs as the host numbers sub-materials: 16 bits.
inline constexpr int kMaxMtlId = 65535;

struct EvalOptions {
    bool filtered = false;
    EvalOutput output = EvalOutput::Color;
    int mtl = 0;
    std::optional<std::uint32_t> node;  // the sample's scene node; none without it
    TimeValue time = 0;
};

// One sample: a position and its screen derivatives a = dP/dx, b = dP/dy.
struct EvalSample {
    Point3 p, a, b;
};

// The values of one sample: r g b a, v, or x y z (count 4, 1 or 3; the direction 3).
struct EvalResult {
    float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
int ResultCount(EvalOutput output);

// Evaluates every sample (in parallel; each result depends only on its own sample). The map
// must have been updated for options.time. A ToolError, before any work, when the nearest
// scratch is asked of a map that has none.
std::vector<EvalResult> EvaluateSamples(Texmap* map, const std::vector<EvalSample>& samples,
                                        const EvalOptions& options);
