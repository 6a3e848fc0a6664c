// Settings that change nothing, or less than they ask, found before the work so that the user
// hears of them: a warning each, not a refusal.
#pragma once

#include <string>
#include <vector>

#include <max.h>

struct NoEffectContext {
    std::vector<std::string> sets;   // the --set assignments, NAME=VALUE
    bool extentGiven = false;        // bake --extent
    bool timeGiven = false;          // --time
    bool tileable = false;           // bake --tileable
    std::string compression;         // bake --compression NAME, when given
    std::vector<std::string> files;  // bake -o FILE...
    bool flatBake = false;           // the map is baked over its flat square
};

// One sentence per setting without effect on this map: distortion on without a distortion
// map, a sub-map switch set on with its slot empty, tiling modes outside the 2D map-channel
// type, --extent with a type that ignores P, --time with nothing animated, --compression for
// PNG files, and --tileable with a size or stretch map, whose scale then differs at opposite
// edges. And settings that leave the map (or a nested scratches map, named by its slot) empty
// or flat: a spread too small for the high threshold to draw anything, thresholds swapped or
// equal, colours above 1 (clamped) or equal to each other, a single 3D level on a flat bake.
std::vector<std::string> NoEffectWarnings(Texmap* map, TimeValue t, const NoEffectContext& context);
