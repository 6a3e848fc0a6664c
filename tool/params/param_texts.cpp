#include "tool/params/param_texts.h"

#include <cstring>
#include <iterator>
#include <span>

#include "choice_lists.h"
#include "resource.h"
#include "tool/base/wide_text.h"

namespace {

struct ChoiceList {
    const char* block;
    const char* name;
    std::span<const int> texts;
};

constexpr ChoiceList kChoiceLists[] = {
    {"params", "type", kTypeTexts},          {"Mapping", "xyz_map", kMapTypeTexts},
    {"Mapping", "xyz_tile_x", kTilingTexts}, {"Mapping", "xyz_tile_y", kTilingTexts},
    {"Mapping", "xyz_tile_z", kTilingTexts},
};

// Short names for the long list texts. Scripts keep these, whatever the texts become.
constexpr struct {
    int text;
    const char* name;
} kShortNames[] = {
    {IDS_MAP_EXPLICIT_2D, "channel-2d"},
    {IDS_MAP_EXPLICIT_REAL_WORLD, "channel-real-world"},
    {IDS_MAP_OBJECT_XYZ, "object"},
    {IDS_MAP_WORLD_XYZ, "world"},
};

// The "Mapping" block's descriptor declares no labels.
constexpr struct {
    const char* name;
    int text;
} kMappingLabels[] = {
    {"xyz_map", IDS_MAPPING_TYPE},        {"xyz_offset_x", IDS_XYZ_OFFSET_X},
    {"xyz_offset_y", IDS_XYZ_OFFSET_Y},   {"xyz_offset_z", IDS_XYZ_OFFSET_Z},
    {"xyz_size_x", IDS_XYZ_SIZE_X},       {"xyz_size_y", IDS_XYZ_SIZE_Y},
    {"xyz_size_z", IDS_XYZ_SIZE_Z},       {"xyz_angle_x", IDS_XYZ_ANGLE_X},
    {"xyz_angle_y", IDS_XYZ_ANGLE_Y},     {"xyz_angle_z", IDS_XYZ_ANGLE_Z},
    {"xyz_tile_x", IDS_XYZ_TILE_X},       {"xyz_tile_y", IDS_XYZ_TILE_Y},
    {"xyz_tile_z", IDS_XYZ_TILE_Z},       {"xyz_offset_x2", IDS_XYZ_OFFSET_X2},
    {"xyz_offset_y2", IDS_XYZ_OFFSET_Y2}, {"xyz_offset_z2", IDS_XYZ_OFFSET_Z2},
    {"xyz_size_x2", IDS_XYZ_SIZE_X2},     {"xyz_size_y2", IDS_XYZ_SIZE_Y2},
    {"xyz_size_z2", IDS_XYZ_SIZE_Z2},     {"xyz_angle_x2", IDS_XYZ_ANGLE_X2},
    {"xyz_angle_y2", IDS_XYZ_ANGLE_Y2},   {"xyz_angle_z2", IDS_XYZ_ANGLE_Z2},
    {"xyz_lock", IDS_XYZ_LOCK},
};

std::string ModuleText(ParamBlockDesc2* desc, int id) {
    if (!desc->cd || id == 0) return {};
    return Utf8(desc->cd->GetRsrcString(id));  // copied at once: the buffer is shared
}

// Lower case without spaces, '-' and '_': "Object XYZ", "object-xyz" and "objectxyz" agree.
std::string Folded(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '-' || c == '_' || c == '\t') continue;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

std::string NameOf(int text, const std::string& label) {
    for (const auto& s : kShortNames) {
        if (s.text == text) return s.name;
    }
    std::string name;
    for (char c : label) {
        name += c == ' ' ? '-' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return name;
}

}  // namespace

std::vector<ParamChoice> ParamChoices(ParamBlockDesc2* desc, const ParamDef& def) {
    const std::string block = Utf8(desc->int_name), name = Utf8(def.int_name);
    for (const ChoiceList& list : kChoiceLists) {
        if (block != list.block || name != list.name) continue;
        std::vector<ParamChoice> choices;
        for (std::size_t i = 0; i < list.texts.size(); ++i) {
            std::string label = ModuleText(desc, list.texts[i]);
            choices.push_back({static_cast<int>(i), label, NameOf(list.texts[i], label)});
        }
        return choices;
    }
    return {};
}

std::string ParamLabel(ParamBlockDesc2* desc, const ParamDef& def) {
    if (def.local_name != 0) return ModuleText(desc, def.local_name);
    if (Utf8(desc->int_name) != "Mapping") return {};
    const std::string name = Utf8(def.int_name);
    for (const auto& l : kMappingLabels) {
        if (name == l.name) return ModuleText(desc, l.text);
    }
    return {};
}

bool NamesChoice(const std::string& text, const ParamChoice& choice) {
    const std::string folded = Folded(text);
    return !folded.empty() && (folded == Folded(choice.name) || folded == Folded(choice.label));
}
