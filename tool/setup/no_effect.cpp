#include "tool/setup/no_effect.h"

#include "tool/images/image_file.h"
#include "tool/params/parameters.h"

namespace {

constexpr struct {
    const char* name;
    const char* slot;
} kSwitches[] = {
    {"sizeMapEnabled", "sizeMap"},       {"spreasdMapEnabled", "spreadMap"},
    {"stretchMapEnabled", "stretchMap"}, {"col1mapEnabled", "color1map"},
    {"col2mapEnabled", "color2map"},     {"dStrMapEnabled", "distortStrMap"},
};

const ParamRef* Find(const std::vector<ParamRef>& params, const std::string& name) {
    for (const ParamRef& p : params) {
        if (p.name == name) return &p;
    }
    return nullptr;
}

double Number(const std::vector<ParamRef>& params, const std::string& name, TimeValue t) {
    const ParamRef* p = Find(params, name);
    return p ? GetParamValue(*p, t).number : 0.0;
}

bool Filled(const std::vector<ParamRef>& params, const std::string& slot, TimeValue t) {
    const ParamRef* p = Find(params, slot);
    return p && p->block->GetTexmap(p->id, t) != nullptr;
}

// Whether the assignments name the parameter (by internal name or alias).
bool Named(const std::vector<std::string>& sets, const std::string& name) {
    std::vector<std::string> names = ParamAliases(name);
    names.push_back(name);
    for (const std::string& s : sets) {
        for (const std::string& n : names) {
            if (s.rfind(n + "=", 0) == 0) return true;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> NoEffectWarnings(Texmap* map, TimeValue t,
                                          const NoEffectContext& context) {
    std::vector<std::string> warnings;
    const std::vector<ParamRef> params = MapParameters(map);
    if (Number(params, "useDistortion", t) != 0.0 && !Filled(params, "distortMap", t)) {
        warnings.push_back(
            "useDistortion is on but distortMap is empty: nothing is distorted "
            "(fill it with --map distortMap=SOURCE)");
    }
    for (const auto& s : kSwitches) {
        if (Named(context.sets, s.name) && Number(params, s.name, t) != 0.0 &&
            !Filled(params, s.slot, t)) {
            warnings.push_back(std::string(s.name) + " is on but " + s.slot +
                               " is empty: the switch changes nothing");
        }
    }
    const int mapType = static_cast<int>(Number(params, "xyz_map", t));
    if (mapType != 0) {
        for (const char* tile : {"xyz_tile_x", "xyz_tile_y", "xyz_tile_z"}) {
            if (Number(params, tile, t) != 0.0) {
                warnings.push_back(std::string(tile) +
                                   " has no effect: only the channel-2d mapping type tiles");
            }
        }
    }
    // The bake's extent scales P; the map-channel types read UVW and screen reads screen UV.
    if (context.extentGiven && mapType != 2 && mapType != 3) {
        warnings.push_back(
            "--extent has no effect: the mapping type reads UVW or the screen, "
            "not P (it matters for xyz_map=object or world)");
    }
    if (context.timeGiven) {
        bool animated = false;
        for (const ParamRef& p : params) {
            if (p.kind != ValueKind::Map && p.kind != ValueKind::Other)
                animated = animated || p.block->NumKeys(p.id) > 0;
        }
        if (!animated) warnings.push_back("--time has no effect: nothing in the map is animated");
    }
    for (const std::string& file : context.files) {
        if (!context.compression.empty() && ImageFormatOf(file) == ImageFormat::Png) {
            warnings.push_back("--compression " + context.compression + " has no effect on " +
                               file + ": it applies to EXR files only, PNG has its own");
        }
    }
    if (context.tileable) {
        for (const char* slot : {"sizeMap", "stretchMap"}) {
            const std::string enabled = std::string(slot) + "Enabled";
            if (Filled(params, slot, t) && Number(params, enabled, t) != 0.0) {
                warnings.push_back(std::string("--tileable will not tile exactly: ") + slot +
                                   " varies the pattern's scale, which then differs at opposite "
                                   "edges (set " +
                                   enabled + "=off to tile)");
            }
        }
    }
    return warnings;
}
