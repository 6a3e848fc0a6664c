#include "tool/setup/configure_map.h"

#include <filesystem>

#include "tool/setup/preset.h"

ConfiguredMap ConfigureMap(ClassDesc* cd, const MapOptions& options, TimeValue t) {
    ConfiguredMap result{CreateMap(cd), {}};
    Texmap* map = result.map.get();
    if (!options.preset.empty())
        LoadPreset(options.preset, map, cd, t, result.sources, &result.seed);
    if (options.seed) result.seed = *options.seed;
    for (const std::string& assignment : options.sets) ApplySetting(map, assignment, t);
    for (const std::string& assignment : options.maps)
        ApplyMapAssignment(map, cd, assignment, std::filesystem::current_path(), t, result.sources);
    return result;
}
