#include "tests/windows/map_access.h"

#include <cstdio>
#include <cstdlib>

#include <paramtypes.h>

namespace {

constexpr BlockID kBlocks[] = {0, 1};

bool ParseFloat(const std::string& text, float& v) {
    char* end = nullptr;
    v = std::strtof(text.c_str(), &end);
    return !text.empty() && end && *end == '\0';
}

}  // namespace

bool SetParameter(Texmap* map, const std::string& name, const std::string& value) {
    const std::wstring wname(name.begin(), name.end());
    for (BlockID b : kBlocks) {
        IParamBlock2* pb = map->GetParamBlockByID(b);
        ParamBlockDesc2* desc = pb ? pb->GetDesc() : nullptr;
        const int i = desc ? desc->NameToIndex(wname.c_str()) : -1;
        if (i < 0) continue;
        const ParamDef& def = desc->GetParamDefByIndex(i);
        float v = 0.0f;
        switch (KindOf(def.type)) {
            case ValueKind::Float:
                return ParseFloat(value, v) && pb->SetValue(def.ID, 0, v);
            case ValueKind::Int:
                return ParseFloat(value, v) && pb->SetValue(def.ID, 0, static_cast<int>(v));
            case ValueKind::Color: {
                float c[3] = {};
                size_t start = 0;
                for (int k = 0; k < 3; ++k) {
                    const size_t comma = value.find(',', start);
                    if ((comma == std::string::npos) != (k == 2)) return false;
                    if (!ParseFloat(value.substr(start, comma - start), c[k])) return false;
                    start = comma + 1;
                }
                return pb->SetValue(def.ID, 0, Color(c[0], c[1], c[2]));
            }
            default:
                return false;
        }
    }
    return false;
}

std::vector<std::wstring> ParameterSnapshot(Texmap* map) {
    std::vector<std::wstring> values;
    for (BlockID b : kBlocks) {
        IParamBlock2* pb = map->GetParamBlockByID(b);
        if (!pb) continue;
        ParamBlockDesc2* desc = pb->GetDesc();
        for (int i = 0; i < desc->Count(); ++i) {
            const ParamDef& def = desc->GetParamDefByIndex(i);
            Interval iv = FOREVER;
            wchar_t text[160] = L"";
            float f = 0.0f;
            int n = 0;
            Color c;
            Texmap* t = nullptr;
            switch (KindOf(def.type)) {
                case ValueKind::Float:
                    pb->GetValue(def.ID, 0, f, iv);
                    std::swprintf(text, 160, L"%ls=%.9g", def.int_name, static_cast<double>(f));
                    break;
                case ValueKind::Int:
                    pb->GetValue(def.ID, 0, n, iv);
                    std::swprintf(text, 160, L"%ls=%d", def.int_name, n);
                    break;
                case ValueKind::Color:
                    pb->GetValue(def.ID, 0, c, iv);
                    std::swprintf(text, 160, L"%ls=%.9g,%.9g,%.9g", def.int_name,
                                  static_cast<double>(c.r), static_cast<double>(c.g),
                                  static_cast<double>(c.b));
                    break;
                case ValueKind::Ref:
                    pb->GetValue(def.ID, 0, t, iv);
                    std::swprintf(text, 160, L"%ls=%p", def.int_name, static_cast<void*>(t));
                    break;
                default:
                    std::swprintf(text, 160, L"%ls", def.int_name);
                    break;
            }
            values.emplace_back(text);
        }
    }
    return values;
}

int IntParameter(Texmap* map, BlockID block, ParamID id) {
    IParamBlock2* pb = map->GetParamBlockByID(block);
    int v = -1;
    Interval iv = FOREVER;
    if (pb) pb->GetValue(id, 0, v, iv);
    return v;
}

void UpdateMap(Texmap* map) {
    Interval valid = FOREVER;
    map->Update(0, valid);
}
