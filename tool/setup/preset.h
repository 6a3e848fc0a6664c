// Presets: every setting of the map in a human-editable JSON file,
//   { "params": { "size": 10, "color1": [0, 0, 0], ... },
//     "Mapping": { "xyz_map": 2, ... },
//     "maps": { "distortMap": "scratches:size=2", "sizeMap": "/abs/path/image.png" },
//     "seed": 42 }
// "seed" is the tool's --seed (the pattern shift of render and bake), written when not 0; the
// map's own seed is the Mapping block's.
// "about" may hold a sentence on what the preset is for (the bundled ones say it); it is not
// a setting and is not written back.
// Blocks are keyed by their internal names, parameters by theirs. Choice parameters are
// written as numbers (which stay valid whatever the texts of the lists become) and read as
// numbers or names ("xyz_map": "object").
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tool/setup/map_settings.h"

// The most a preset file may hold; one of every setting is a few kilobytes.
inline constexpr std::size_t kMaxPresetBytes = std::size_t{16} << 20;

// The text of a preset file. Throws ToolError naming the file and the system's reason.
std::string ReadPresetFile(const std::string& path);

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
std::string PresetText(Texmap* map, const MapSources& sources, TimeValue t, std::uint32_t seed = 0);
void SavePreset(const std::string& path, Texmap* map, const MapSources& sources, TimeValue t,
                std::uint32_t seed = 0);

// The presets that come with the tool: NAME.json in <the tool's folder>/../share/quorv-scratches/
// presets, where the build puts them and `cmake --install` installs them.
std::filesystem::path BundledPresetFolder();
struct BundledPreset {
    std::string name;  // the file's name without .json
    std::filesystem::path path;
};
// Sorted by name; none when the folder is missing.
std::vector<BundledPreset> BundledPresets(
    const std::filesystem::path& folder = BundledPresetFolder());
// The file --preset ARG names: ARG when it is a file (or names a folder or a .json), else the
// bundled preset of that name. A ToolError naming the bundled ones when there is neither.
std::string ResolvePreset(const std::string& arg);
// A preset's "about" sentence, "" when it has none or is not readable.
std::string PresetAbout(std::string_view text);
