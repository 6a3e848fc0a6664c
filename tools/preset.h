// Presets: every setting of the map in a human-editable JSON file,
//   { "params": { "size": 10, "color1": [0, 0, 0], ... },
//     "Mapping": { "xyz_map": 2, ... },
//     "maps": { "distortMap": "scratches:size=2", "sizeMap": "/abs/path/image.png" },
//     "seed": 42 }
// "seed" is the tool's --seed (the pattern shift of render and bake), written when not 0; the
// map's own seed is the Mapping block's.
// Blocks are keyed by their internal names, parameters by theirs. Choice parameters are
// written as numbers (which stay valid whatever the texts of the lists become) and read as
// numbers or names ("xyz_map": "object").
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/map_setup.h"

// Applies the preset's values and maps to the map, and its seed to *seed (when given and the
// preset holds one). Relative image paths are taken from the
// preset's folder. Throws ToolError (unreadable file, bad JSON, unknown names, bad values).
void LoadPreset(const std::string& path, Texmap* map, ClassDesc* cd, TimeValue t,
                MapSources& sources, std::uint32_t* seed = nullptr);
// The same for a preset's text: messages call it `path` (when empty, as for settings that
// come from no file, they name only the parameter), and relative image paths are taken from
// `base`. A refused value throws ParamError.
void LoadPresetText(std::string_view text, const std::string& path,
                    const std::filesystem::path& base, Texmap* map, ClassDesc* cd, TimeValue t,
                    MapSources& sources, std::uint32_t* seed = nullptr);

// Writes every value parameter of both blocks and the filled map slots. The file appears
// only when complete. Throws ToolError.
// The preset file's text.
std::string PresetText(Texmap* map, const MapSources& sources, TimeValue t,
                       std::uint32_t seed = 0);
void SavePreset(const std::string& path, Texmap* map, const MapSources& sources, TimeValue t,
                std::uint32_t seed = 0);
