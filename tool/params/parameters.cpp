#include "tool/params/parameters.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "tool/base/nearest_names.h"
#include "tool/base/tool_error.h"
#include "tool/base/wide_text.h"

namespace {

ValueKind KindOf(int type) {
    switch (type) {
        case TYPE_FLOAT:
        case TYPE_ANGLE:
        case TYPE_PCNT_FRAC:
        case TYPE_WORLD:
        case TYPE_COLOR_CHANNEL:
            return ValueKind::Float;
        case TYPE_INT:
        case TYPE_RADIOBTN_INDEX:
        case TYPE_TIMEVALUE:
            return ValueKind::Int;
        case TYPE_BOOL:
            return ValueKind::Bool;
        case TYPE_RGBA:
        case TYPE_HSV:
            return ValueKind::Color;
        case TYPE_POINT3:
            return ValueKind::Point;
        case TYPE_TEXMAP:
            return ValueKind::Map;
        default:
            return ValueKind::Other;
    }
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The whole text as a finite float ("+" allowed); false otherwise.
bool ParseFloat(const std::string& raw, float& out) {
    std::string text = Trim(raw);
    if (!text.empty() && text[0] == '+') text.erase(0, 1);
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end && std::isfinite(out);
}

bool ParseInt(const std::string& raw, int& out) {
    std::string text = Trim(raw);
    if (!text.empty() && text[0] == '+') text.erase(0, 1);
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

// The words without regard to case, as choice names are matched: "On", "TRUE".
bool ParseBool(const std::string& raw, int& out) {
    std::string text = Trim(raw);
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    for (const char* on : {"1", "true", "on", "yes"}) {
        if (text == on) return out = 1, true;
    }
    for (const char* off : {"0", "false", "off", "no"}) {
        if (text == off) return out = 0, true;
    }
    return false;
}

// Names a parameter is also known by, for scripts that spell it another way. The internal
// names stay as they are: saved scenes and scripts key on them.
constexpr struct {
    const char* alias;
    const char* name;
} kAliases[] = {{"spreadMapEnabled", "spreasdMapEnabled"}};

std::vector<std::string> NamesOf(const std::vector<ParamRef>& params, bool maps) {
    std::vector<std::string> names;
    for (const ParamRef& p : params) {
        if ((p.kind == ValueKind::Map) == maps && p.kind != ValueKind::Other)
            names.push_back(p.name);
    }
    return names;
}

}  // namespace

std::string ParamRef::BlockName() const {
    ParamBlockDesc2* desc = block ? block->GetDesc() : nullptr;
    return desc ? Utf8(desc->int_name) : std::string();
}

std::vector<ParamRef> MapParameters(Texmap* map) {
    std::vector<ParamRef> params;
    for (int b = 0; b < map->NumParamBlocks(); ++b) {
        IParamBlock2* block = map->GetParamBlock(b);
        ParamBlockDesc2* desc = block ? block->GetDesc() : nullptr;
        if (!desc) continue;
        for (int i = 0; i < desc->Count(); ++i) {
            const ParamDef& def = desc->GetParamDefByIndex(i);
            params.push_back({block, def.ID, &def, Utf8(def.int_name), KindOf(def.type),
                              ParamChoices(desc, def)});
        }
    }
    return params;
}

std::vector<std::string> ParamAliases(const std::string& name) {
    std::vector<std::string> aliases;
    for (const auto& a : kAliases) {
        if (name == a.name) aliases.push_back(a.alias);
    }
    return aliases;
}

ParamRef FindParameter(Texmap* map, const std::string& given) {
    std::string name = given;
    for (const auto& a : kAliases) {
        if (given == a.alias) name = a.name;
    }
    const std::vector<ParamRef> params = MapParameters(map);
    for (const ParamRef& p : params) {
        if (p.name != name) continue;
        if (p.kind == ValueKind::Map) {
            throw ToolError("'" + name + "' is a map slot: fill it with --map " + name + "=SOURCE");
        }
        if (p.kind == ValueKind::Other) {
            throw ToolError("'" + name + "' cannot be set from the command line");
        }
        return p;
    }
    throw ToolError("unknown parameter '" + name + "': nearest known names are " +
                    JoinAlternatives(NearestNames(name, NamesOf(params, false))) +
                    " ('quorv-scratches params' lists them all)");
}

ParamRef FindMapSlot(Texmap* map, const std::string& name) {
    const std::vector<ParamRef> params = MapParameters(map);
    for (const ParamRef& p : params) {
        if (p.name == name && p.kind == ValueKind::Map) return p;
    }
    throw ToolError("unknown map slot '" + name + "': nearest slot names are " +
                    JoinAlternatives(NearestNames(name, NamesOf(params, true))));
}

ParamValue ParseParamValue(const ParamRef& param, const std::string& text) {
    ParamValue value;
    value.kind = param.kind;
    bool ok = false;
    switch (param.kind) {
        case ValueKind::Float: {
            float f = 0.0f;
            ok = ParseFloat(text, f);
            value.number = f;
            break;
        }
        case ValueKind::Int: {
            int i = 0;
            ok = ParseInt(text, i);
            for (const ParamChoice& c : param.choices) {
                if (!ok && NamesChoice(text, c)) ok = true, i = c.value;
            }
            value.number = i;
            break;
        }
        case ValueKind::Bool: {
            int i = 0;
            ok = ParseBool(text, i);
            value.number = i;
            break;
        }
        case ValueKind::Color:
        case ValueKind::Point: {
            std::vector<std::string> parts(1);
            for (char c : text) {
                if (c == ',') {
                    parts.emplace_back();
                } else {
                    parts.back() += c;
                }
            }
            ok = parts.size() == 3;
            for (std::size_t n = 0; ok && n < 3; ++n) ok = ParseFloat(parts[n], value.rgb[n]);
            break;
        }
        default:
            break;
    }
    if (!ok) {
        throw ParamError(
            param.name + "=" + text + ": " + param.name + " takes " + AcceptedText(param),
            param.BlockName(), param.name, AcceptedText(param));
    }
    CheckParamValue(param, value);
    return value;
}

float NarrowToFloat(double d) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (d > kMax) return std::numeric_limits<float>::infinity();
    if (d < -kMax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(d);
}

void CheckParamValue(const ParamRef& param, const ParamValue& value) {
    const ParamDef& def = *param.def;
    bool ok = value.kind == param.kind;
    if (ok && param.kind == ValueKind::Float) {
        const float f = NarrowToFloat(value.number);
        ok = std::isfinite(value.number) && static_cast<double>(f) == value.number &&
             (!def.has_range || (f >= def.range_low.f && f <= def.range_high.f));
    } else if (ok && param.kind == ValueKind::Int) {
        ok = value.number == std::trunc(value.number) &&
             value.number >= std::numeric_limits<int>::min() &&
             value.number <= std::numeric_limits<int>::max();
        const int i = ok ? static_cast<int>(value.number) : 0;
        ok = ok && (!def.has_range || (i >= def.range_low.i && i <= def.range_high.i));
        if (ok && !param.choices.empty()) {
            ok = std::any_of(param.choices.begin(), param.choices.end(),
                             [i](const ParamChoice& c) { return c.value == i; });
        }
    } else if (ok && param.kind == ValueKind::Bool) {
        ok = value.number == 0.0 || value.number == 1.0;
    } else if (ok && (param.kind == ValueKind::Color || param.kind == ValueKind::Point)) {
        for (float c : value.rgb) ok = ok && std::isfinite(c);
    }
    if (!ok) {
        throw ParamError(param.name + "=" + FormatValue(value) + " is not accepted: " + param.name +
                             " takes " + AcceptedText(param),
                         param.BlockName(), param.name, AcceptedText(param));
    }
}

void SetParamValue(const ParamRef& param, const ParamValue& value, TimeValue t) {
    switch (param.kind) {
        case ValueKind::Float:
            param.block->SetValue(param.id, t, static_cast<float>(value.number));
            break;
        case ValueKind::Int:
        case ValueKind::Bool:
            param.block->SetValue(param.id, t, static_cast<int>(value.number));
            break;
        case ValueKind::Color:
            param.block->SetValue(param.id, t, Color(value.rgb[0], value.rgb[1], value.rgb[2]));
            break;
        case ValueKind::Point:
            param.block->SetValue(param.id, t, Point3(value.rgb[0], value.rgb[1], value.rgb[2]));
            break;
        default:
            break;
    }
}

ParamValue GetParamValue(const ParamRef& param, TimeValue t) {
    ParamValue value;
    value.kind = param.kind;
    Interval valid = FOREVER;
    switch (param.kind) {
        case ValueKind::Float: {
            float f = 0.0f;
            param.block->GetValue(param.id, t, f, valid);
            value.number = f;
            break;
        }
        case ValueKind::Int:
        case ValueKind::Bool: {
            int i = 0;
            param.block->GetValue(param.id, t, i, valid);
            value.number = i;
            break;
        }
        case ValueKind::Color: {
            Color c;
            param.block->GetValue(param.id, t, c, valid);
            value.rgb[0] = c.r;
            value.rgb[1] = c.g;
            value.rgb[2] = c.b;
            break;
        }
        case ValueKind::Point: {
            Point3 p;
            param.block->GetValue(param.id, t, p, valid);
            value.rgb[0] = p.x;
            value.rgb[1] = p.y;
            value.rgb[2] = p.z;
            break;
        }
        default:
            break;
    }
    return value;
}

std::string FormatValue(const ParamValue& value) {
    switch (value.kind) {
        case ValueKind::Float:
            // A preset's number beyond the floats' range is shown as it was read.
            if (std::isfinite(value.number) &&
                std::fabs(value.number) > std::numeric_limits<float>::max()) {
                char text[32];
                std::snprintf(text, sizeof text, "%.17g", value.number);
                return text;
            }
            return FormatFloat(static_cast<float>(value.number));
        case ValueKind::Int:
        case ValueKind::Bool: {
            // A preset can hold any JSON number here: only whole numbers that fit print as
            // integers (converting the others would be undefined), the rest as they were read.
            const double n = value.number;
            if (n == std::trunc(n) && std::fabs(n) < 9007199254740992.0)
                return std::to_string(static_cast<long long>(n));
            char text[32];
            std::snprintf(text, sizeof text, "%.17g", n);
            return text;
        }
        case ValueKind::Color:
        case ValueKind::Point:
            return FormatFloat(value.rgb[0]) + "," + FormatFloat(value.rgb[1]) + "," +
                   FormatFloat(value.rgb[2]);
        default:
            return "-";
    }
}

std::string FormatDefault(const ParamRef& param) {
    const ParamDef& def = *param.def;
    if (!def.has_default && param.kind == ValueKind::Map) return "none";
    ParamValue value;
    value.kind = param.kind;
    switch (param.kind) {
        case ValueKind::Float:
            value.number = def.def.f;
            break;
        case ValueKind::Int:
        case ValueKind::Bool:
            value.number = def.def.i;
            break;
        case ValueKind::Color:
        case ValueKind::Point:
            value.rgb[0] = def.def.p.x;
            value.rgb[1] = def.def.p.y;
            value.rgb[2] = def.def.p.z;
            break;
        default:
            return "none";
    }
    return FormatValue(value);
}

std::string FormatRange(const ParamRef& param) {
    const ParamDef& def = *param.def;
    if (!def.has_range) return {};
    if (param.kind == ValueKind::Float) {
        return FormatFloat(def.range_low.f) + " to " + FormatFloat(def.range_high.f);
    }
    if (param.kind == ValueKind::Int) {
        return std::to_string(def.range_low.i) + " to " + std::to_string(def.range_high.i);
    }
    return {};
}

std::string FormatChoices(const ParamRef& param) {
    std::string text;
    for (const ParamChoice& c : param.choices) {
        if (!text.empty()) text += ", ";
        text += std::to_string(c.value) + " " + c.name;
    }
    return text;
}

std::string FormatValueNamed(const ParamRef& param, const ParamValue& value) {
    for (const ParamChoice& c : param.choices) {
        if (value.number == c.value) return c.name + " (" + std::to_string(c.value) + ")";
    }
    return FormatValue(value);
}

std::string TypeName(const ParamRef& param) {
    switch (param.kind) {
        case ValueKind::Float:
            return "float";
        case ValueKind::Int:
            return param.choices.empty() ? "int" : "choice";
        case ValueKind::Bool:
            return "bool";
        case ValueKind::Color:
            return "color";
        case ValueKind::Point:
            return "point";
        case ValueKind::Map:
            return "map";
        default:
            return "reference";
    }
}

std::string AcceptedText(const ParamRef& param) {
    const std::string range = FormatRange(param);
    switch (param.kind) {
        case ValueKind::Float:
            return range.empty() ? "a number" : "a number from " + range;
        case ValueKind::Int:
            if (!param.choices.empty())
                return "one of " + FormatChoices(param) + " (number or name)";
            return range.empty() ? "an integer" : "an integer from " + range;
        case ValueKind::Bool:
            return "0 or 1 (also false/true, off/on, no/yes)";
        case ValueKind::Color:
            return "a colour r,g,b of three numbers";
        case ValueKind::Point:
            return "a point x,y,z of three numbers";
        case ValueKind::Map:
            return "a map (--map " + param.name + "=SOURCE)";
        default:
            return "nothing settable";
    }
}
