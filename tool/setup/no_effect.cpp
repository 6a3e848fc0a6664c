#include "tool/setup/no_effect.h"

#include <algorithm>

#include "map/iquorv_scratches.h"
#include "tool/images/image_format.h"
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

ParamValue Value(const std::vector<ParamRef>& params, const std::string& name, TimeValue t) {
    const ParamRef* p = Find(params, name);
    return p ? GetParamValue(*p, t) : ParamValue{};
}

bool On(const std::vector<ParamRef>& params, const std::string& name, TimeValue t) {
    return Number(params, name, t) != 0.0;
}

// The switch of a sub-map slot.
const char* SwitchOf(const std::string& slot) {
    for (const auto& s : kSwitches) {
        if (slot == s.slot) return s.name;
    }
    return nullptr;
}

// Whether the slot is filled and its switch on: the map then uses what fills it.
bool Mapped(const std::vector<ParamRef>& params, const std::string& slot, TimeValue t) {
    const char* name = SwitchOf(slot);
    return name && Filled(params, slot, t) && On(params, name, t);
}

// Below this product of spread and the high threshold a layer's nearest feature is almost
// never near enough to draw: fewer than 1 pixel in 10000 of a bake is touched (at 0.3; 6 % at
// the new map's 0.8 x 1).
constexpr double kEmptyReach = 0.3;

// Settings that leave the map empty or flat, for a map's own parameters.
void EmptyOrFlat(const std::vector<ParamRef>& params, TimeValue t, bool flatBake,
                 std::vector<std::string>& warnings) {
    const double spread = Number(params, "spread", t);
    const double low = Number(params, "thresholdLow", t), high = Number(params, "thresholdHigh", t);
    const bool spreadMapped = Mapped(params, "spreadMap", t);
    // The map swaps thresholds given the wrong way round; equal ones mean no threshold.
    const double reachHigh = std::max(low, high) > std::min(low, high) ? std::max(low, high) : 1.0;
    if (!spreadMapped && spread * reachHigh < kEmptyReach) {
        warnings.push_back(
            reachHigh < 1.0
                ? "spread " + FormatFloat(static_cast<float>(spread)) + " with thresholdHigh " +
                      FormatFloat(static_cast<float>(reachHigh)) +
                      " draws almost no scratches (spread x thresholdHigh is below 0.3): "
                      "raise either"
                : "spread " + FormatFloat(static_cast<float>(spread)) +
                      " draws almost no scratches (below 0.3 hardly any show): raise it");
    }
    if (high < low) {
        warnings.push_back("thresholdHigh " + FormatFloat(static_cast<float>(high)) +
                           " is below thresholdLow " + FormatFloat(static_cast<float>(low)) +
                           ": the map swaps them");
    } else if (high == low) {
        warnings.push_back("thresholdLow and thresholdHigh are both " +
                           FormatFloat(static_cast<float>(low)) +
                           ": no threshold applies, the scratches keep their raw profile");
    }
    // Colours: the map clamps each to 0..1 before it draws.
    ParamValue colors[2];
    const char* const names[2] = {"color1", "color2"};
    bool mapped = false;
    for (int i = 0; i < 2; ++i) {
        colors[i] = Value(params, names[i], t);
        mapped = mapped || Mapped(params, std::string(names[i]) + "map", t);
        if (std::any_of(std::begin(colors[i].rgb), std::end(colors[i].rgb),
                        [](float c) { return c > 1.0f; })) {
            warnings.push_back(
                std::string(names[i]) + " = " + FormatValue(colors[i]) +
                ": the map draws each channel at most 1 (it clamps colours to 0..1)");
        }
    }
    const auto clamped = [](const ParamValue& v, int c) {
        return std::clamp(v.rgb[c], 0.0f, 1.0f);
    };
    if (!mapped && clamped(colors[0], 0) == clamped(colors[1], 0) &&
        clamped(colors[0], 1) == clamped(colors[1], 1) &&
        clamped(colors[0], 2) == clamped(colors[1], 2)) {
        warnings.push_back(
            "color1 and color2 are the same colour: the map's colour is flat and so is its bump "
            "(the mask, height and normal outputs still show the scratches)");
    }
    if (flatBake && Number(params, "type", t) == 1.0 && Number(params, "levels", t) == 1.0) {
        warnings.push_back(
            "type 3d with a single level: that level runs along Z, so the bake's flat square "
            "shows it as dots (use type 2d or more levels for scratches)");
    }
}

}  // namespace

std::vector<std::string> NoEffectWarnings(Texmap* map, TimeValue t,
                                          const NoEffectContext& context) {
    std::vector<std::string> warnings;
    const std::vector<ParamRef> params = MapParameters(map);
    const bool distorting = On(params, "useDistortion", t);
    if (distorting && !Filled(params, "distortMap", t)) {
        warnings.push_back(
            "useDistortion is on but distortMap is empty: nothing is distorted "
            "(fill it with --map distortMap=SOURCE)");
    } else if (!distorting && Filled(params, "distortMap", t)) {
        warnings.push_back(
            "distortMap is filled but useDistortion is off: nothing is distorted "
            "(--set useDistortion=on)");
    }
    for (const auto& s : kSwitches) {
        if (Named(context.sets, s.name) && On(params, s.name, t) && !Filled(params, s.slot, t)) {
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
        const ImageFormat format = ImageFormatOf(file);
        if (!context.compression.empty() && format != ImageFormat::Exr) {
            warnings.push_back("--compression " + context.compression + " has no effect on " +
                               file + ": it applies to EXR files only, " + FormatInfo(format).name +
                               " has its own");
        }
    }
    if (context.tileable) {
        for (const char* slot : {"sizeMap", "stretchMap"}) {
            if (Mapped(params, slot, t)) {
                warnings.push_back(std::string("--tileable will not tile exactly: ") + slot +
                                   " varies the pattern's scale, which then differs at opposite "
                                   "edges (set " +
                                   SwitchOf(slot) + "=off to tile)");
            }
        }
    }
    EmptyOrFlat(params, t, context.flatBake, warnings);
    // Nested scratches maps, by their slots.
    for (const ParamRef& p : params) {
        if (p.kind != ValueKind::Map) continue;
        Texmap* sub = p.block->GetTexmap(p.id, t);
        if (!GetQuorvScratchesInterface(sub)) continue;
        std::vector<std::string> nested;
        EmptyOrFlat(MapParameters(sub), t, false, nested);
        for (const std::string& w : nested) warnings.push_back(p.name + ": " + w);
    }
    return warnings;
}
