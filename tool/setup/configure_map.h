// tool/setup: a map configured as the user asks (here): NAME=VALUE settings, sub-map sources
// (images and scratches: maps), presets, the --seed shift, the parameter description and
// warnings for settings that change nothing. Uses tool/params, tool/images, tool/module.
//
// The map as the user configures it: created from the module's class (which resets it),
// then the preset, the --set values and the --map sub-maps applied in that order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <max.h>
#include "tool/setup/map_settings.h"

struct MapOptions {
    std::vector<std::string> sets;      // NAME=VALUE
    std::vector<std::string> maps;      // SLOT=SOURCE
    std::string preset;                 // --preset FILE.json
    std::string savePreset;             // --save-preset FILE.json
    std::optional<std::uint32_t> seed;  // --seed N, over the preset's
};

// A map configured from the options (--save-preset aside). Everything they name is read and
// checked here, so that a bad option fails before any evaluation starts. Throws ToolError.
ConfiguredMap ConfigureMap(ClassDesc* cd, const MapOptions& options, TimeValue t);
