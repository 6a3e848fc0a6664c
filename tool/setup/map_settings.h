// The map's settings as the user names them: one NAME=VALUE, one SLOT=SOURCE, what differs
// from a new map, and the sources of the sub-map slots.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <max.h>
#include "tool/images/image.h"
#include "tool/module/texmap_ptr.h"

// The start of a sub-map source that is another scratches map, "scratches:NAME=VALUE,...".
inline constexpr const char* kScratchesPrefix = "scratches:";

// Filled sub-map slots and what fills them ("scratches:..." or an absolute image path), in
// the order they were filled.
using MapSources = std::vector<std::pair<std::string, std::string>>;

// Applies one NAME=VALUE to the map. Throws ToolError.
void ApplySetting(Texmap* map, const std::string& assignment, TimeValue t);

// Fills a slot from SOURCE: an image file (relative paths against `base`) or
// "scratches:NAME=VALUE,..." (another map of the class `cd`). Records it in `sources`.
void ApplyMapSource(Texmap* map, ClassDesc* cd, const std::string& slot, const std::string& source,
                    const std::filesystem::path& base, TimeValue t, MapSources& sources);

// The same for "SLOT=SOURCE" as --map gives it.
void ApplyMapAssignment(Texmap* map, ClassDesc* cd, const std::string& assignment,
                        const std::filesystem::path& base, TimeValue t, MapSources& sources);

// Empties a sub-map slot and forgets its source. Throws ToolError for an unknown slot.
void ClearMapSlot(Texmap* map, const std::string& slot, TimeValue t, MapSources& sources);

// The value parameters in which `map` differs from a new map of the class `cd`, in the order
// of MapParameters, as NAME and the value's text (which reads back as the same value).
std::vector<std::pair<std::string, std::string>> ChangedSettings(Texmap* map, ClassDesc* cd,
                                                                 TimeValue t);
// The same as a "scratches:NAME=VALUE,..." source, which ApplyMapSource turns back into a map
// like `map`. A ToolError when a slot of `map` is filled: a source holds values only.
std::string ScratchesSource(Texmap* map, ClassDesc* cd, TimeValue t);

// Fills a slot with an image already in memory, recorded in `sources` as `recorded`.
void ApplyMapImage(Texmap* map, const std::string& slot, const Image& image,
                   const std::string& recorded, TimeValue t, MapSources& sources);

struct ConfiguredMap {
    TexmapPtr map;
    MapSources sources;
    std::uint32_t seed = 0;  // the pattern shift of render and bake (seed_shift.h); 0: none
};
