#include "tool/setup/param_info.h"

#include <nlohmann/json.hpp>

#include "tool/module/texmap_ptr.h"
#include "tool/params/param_json.h"

using json = nlohmann::ordered_json;

namespace {

// Parameters that do less than their names suggest.
constexpr struct {
    const char* name;
    const char* note;
} kNotes[] = {
    {"seed",
     "Seeds the Variance offsets, sizes and angles per object or material ID; with every "
     "variance 0 (as in a new map) it changes nothing. --seed moves the pattern itself."},
    {"randByObj", "Varies the Variance ranges per object; nothing while they are 0."},
    {"randByMat", "Varies the Variance ranges per material ID; nothing while they are 0."},
};

}  // namespace

std::vector<ParamInfo> DescribeParameters(ClassDesc* cd, Texmap* map, TimeValue t,
                                          const MapSources& sources) {
    const TexmapPtr fresh = CreateMap(cd);
    const std::vector<ParamRef> newParams = MapParameters(fresh.get());
    const std::vector<ParamRef> params = map ? MapParameters(map) : newParams;
    std::vector<ParamInfo> infos;
    for (std::size_t i = 0; i < params.size() && i < newParams.size(); ++i) {
        const ParamRef& p = params[i];
        if (p.kind == ValueKind::Other) continue;
        ParamInfo info;
        info.block = p.BlockName();
        info.blockId = p.block->ID();
        info.id = p.id;
        info.name = p.name;
        info.aliases = ParamAliases(p.name);
        info.label = ParamLabel(p.block->GetDesc(), *p.def);
        info.kind = p.kind;
        info.type = TypeName(p);
        info.newValue.kind = info.value.kind = p.kind;
        if (p.kind == ValueKind::Map) {
            info.filled = p.block->GetTexmap(p.id, t) != nullptr;
            for (const auto& [slot, source] : sources) {
                if (slot == p.name) info.source = source;
            }
        } else {
            info.newValue = GetParamValue(newParams[i], t);
            info.value = GetParamValue(p, t);
        }
        const ParamDef& def = *p.def;
        if (def.has_range && p.kind == ValueKind::Float) {
            info.range.emplace(def.range_low.f, def.range_high.f);
        } else if (def.has_range && p.kind == ValueKind::Int) {
            info.range.emplace(def.range_low.i, def.range_high.i);
        }
        info.choices = p.choices;
        for (const auto& n : kNotes) {
            if (p.name == n.name) info.note = n.note;
        }
        infos.push_back(std::move(info));
    }
    return infos;
}

std::string ParamsJson(const std::vector<ParamInfo>& params, int indent) {
    json out = json::array();
    for (const ParamInfo& p : params) {
        json j = {{"block", p.block}, {"blockId", p.blockId}, {"id", p.id},
                  {"name", p.name},   {"label", p.label},     {"type", p.type}};
        if (!p.aliases.empty()) j["aliases"] = p.aliases;
        if (p.kind == ValueKind::Map) {
            j["new"] = nullptr;
            j["value"] = p.filled ? json(p.source.empty() ? "(map)" : p.source) : json();
        } else {
            j["new"] = ParamValueJson(p.newValue);
            j["value"] = ParamValueJson(p.value);
        }
        if (p.range) {
            if (p.kind == ValueKind::Float) {
                j["range"] = {FloatJson(static_cast<float>(p.range->first)),
                              FloatJson(static_cast<float>(p.range->second))};
            } else {
                j["range"] = {static_cast<int>(p.range->first), static_cast<int>(p.range->second)};
            }
        }
        if (!p.choices.empty()) {
            json choices = json::array();
            for (const ParamChoice& c : p.choices) {
                choices.push_back({{"value", c.value}, {"name", c.name}, {"label", c.label}});
            }
            j["choices"] = choices;
        }
        if (!p.note.empty()) j["note"] = p.note;
        out.push_back(std::move(j));
    }
    return out.dump(indent);
}
