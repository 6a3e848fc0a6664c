#include "tool/setup/preset.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include <nlohmann/json.hpp>

#include "tool/base/install_prefix.h"
#include "tool/base/nearest_names.h"
#include "tool/base/output_file.h"
#include "tool/base/tool_error.h"
#include "tool/params/param_json.h"
#include "tool/params/parameters.h"

// Keys keep the order they were written in: the blocks and their parameters read as declared.
using json = nlohmann::ordered_json;

namespace {

constexpr const char* kMapsKey = "maps";
constexpr const char* kSeedKey = "seed";
constexpr const char* kAboutKey = "about";

// A JSON value as the parameter's value; false when its JSON type does not fit.
bool JsonValue(const ParamRef& param, const json& j, ParamValue& value) {
    value.kind = param.kind;
    switch (param.kind) {
        case ValueKind::Float:
        case ValueKind::Int:
            if (j.is_string()) {  // a choice by name
                for (const ParamChoice& c : param.choices) {
                    if (NamesChoice(j.get<std::string>(), c)) {
                        value.number = c.value;
                        return true;
                    }
                }
                return false;
            }
            if (!j.is_number()) return false;
            value.number = j.get<double>();
            // A preset holds decimals; the parameter is single precision. A number beyond the
            // floats stays as read, for the range check to refuse.
            if (param.kind == ValueKind::Float &&
                std::fabs(value.number) <= std::numeric_limits<float>::max()) {
                value.number = static_cast<float>(value.number);
            }
            return true;
        case ValueKind::Bool:
            if (j.is_boolean()) {
                value.number = j.get<bool>() ? 1.0 : 0.0;
                return true;
            }
            if (!j.is_number()) return false;
            value.number = j.get<double>();
            return true;
        case ValueKind::Color:
        case ValueKind::Point:
            if (!j.is_array() || j.size() != 3) return false;
            for (std::size_t i = 0; i < 3; ++i) {
                if (!j[i].is_number()) return false;
                value.rgb[i] = NarrowToFloat(j[i].get<double>());
            }
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string ReadPresetFile(const std::string& path) {
    const auto fail = [&](const std::string& reason) {
        return ToolError("cannot read preset '" + path + "': " + reason);
    };
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               std::fclose);
    if (!file) throw fail(std::strerror(errno));
    std::string text;
    char buffer[1 << 16];
    while (true) {
        errno = 0;
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        text.append(buffer, got);
        // Nothing stops a device from answering forever (/dev/zero).
        if (text.size() > kMaxPresetBytes) {
            throw fail("larger than " + std::to_string(kMaxPresetBytes >> 20) +
                       " MiB, which no preset is");
        }
        if (got == sizeof buffer) continue;
        if (std::ferror(file.get())) throw fail(errno != 0 ? std::strerror(errno) : "read error");
        return text;
    }
}

void LoadPreset(const std::string& given, Texmap* map, ClassDesc* cd, TimeValue t,
                MapSources& sources, std::uint32_t* seed) {
    const std::string path = ResolvePreset(given);
    LoadPresetText(ReadPresetFile(path), path, std::filesystem::absolute(path).parent_path(), map,
                   cd, t, sources, seed);
}

namespace {

// What a message says first: the preset, when the settings come from one.
std::string From(const std::string& path) {
    return path.empty() ? std::string() : "preset '" + path + "': ";
}

}  // namespace

void LoadPresetText(std::string_view text, const std::string& path,
                    const std::filesystem::path& base, Texmap* map, ClassDesc* cd, TimeValue t,
                    MapSources& sources, std::uint32_t* seed) {
    json root;
    try {
        root = ParseJsonText(text);
    } catch (const json::exception& e) {
        throw ToolError((path.empty() ? std::string("cannot read the settings: ")
                                      : "cannot read preset '" + path + "': ") +
                        e.what());
    } catch (const ToolError& e) {
        throw ToolError(From(path) + e.what());
    }
    if (!root.is_object()) {
        throw ToolError(From(path) + "expected a JSON object of blocks");
    }
    const std::vector<ParamRef> params = MapParameters(map);
    std::vector<std::string> blockNames;
    for (const ParamRef& p : params) {
        if (blockNames.empty() || blockNames.back() != p.BlockName())
            blockNames.push_back(p.BlockName());
    }
    std::vector<std::string> sections = blockNames;
    sections.push_back(kMapsKey);
    sections.push_back(kSeedKey);
    sections.push_back(kAboutKey);

    for (const auto& [section, entries] : root.items()) {
        const bool known = std::find(sections.begin(), sections.end(), section) != sections.end();
        if (!known) {
            throw ToolError(From(path) + "unknown section '" + section +
                            "': nearest known names are " +
                            JoinAlternatives(NearestNames(section, sections)));
        }
        if (section == kAboutKey) {
            if (!entries.is_string()) {
                throw ToolError(From(path) + "'about' must be a text: what the preset is for");
            }
            continue;
        }
        if (section == kSeedKey) {
            // A whole number that a 32-bit seed holds; 1.0 is one, 1.5 and 2^32 are not.
            const bool whole = entries.is_number_unsigned() ||
                               (entries.is_number_float() && entries.get<double>() >= 0.0 &&
                                entries.get<double>() == std::trunc(entries.get<double>()));
            if (!whole || entries.get<double>() > 4294967295.0) {
                throw ToolError(From(path) + "seed = " + entries.dump() +
                                ": seed takes a whole number from 0 to 4294967295");
            }
            if (seed) *seed = static_cast<std::uint32_t>(entries.get<double>());
            continue;
        }
        if (!entries.is_object()) {
            throw ToolError(From(path) + "'" + section + "' must be a JSON object");
        }
        if (section == kMapsKey) continue;  // after the values, as on the command line
        for (const auto& [name, j] : entries.items()) {
            ParamRef param;
            try {
                param = FindParameter(map, name);
            } catch (const ToolError& e) {
                throw ToolError(From(path) + e.what());
            }
            if (param.BlockName() != section) {
                throw ToolError(From(path) + "'" + name + "' belongs to block '" +
                                param.BlockName() + "', not '" + section + "'");
            }
            ParamValue value;
            if (!JsonValue(param, j, value)) {
                throw ParamError(From(path) + section + "." + name + " = " + j.dump() + ": " +
                                     name + " takes " + AcceptedText(param),
                                 section, param.name, AcceptedText(param));
            }
            try {
                CheckParamValue(param, value);
            } catch (const ToolError& e) {
                RethrowAs(e, From(path) + e.what());
            }
            SetParamValue(param, value, t);
        }
    }
    if (root.contains(kMapsKey)) {
        for (const auto& [slot, j] : root[kMapsKey].items()) {
            if (!j.is_string()) {
                throw ToolError(From(path) + "maps." + slot +
                                " must be a string: an image file or scratches:NAME=VALUE,...");
            }
            try {
                ApplyMapSource(map, cd, slot, j.get<std::string>(), base, t, sources);
            } catch (const ToolError& e) {
                RethrowAs(e, From(path) + e.what(), slot);
            }
        }
    }
}

std::string PresetText(Texmap* map, const MapSources& sources, TimeValue t, std::uint32_t seed) {
    json root = json::object();
    for (const ParamRef& p : MapParameters(map)) {
        if (p.kind == ValueKind::Map || p.kind == ValueKind::Other) continue;
        root[p.BlockName()][p.name] = ParamValueJson(GetParamValue(p, t));
    }
    json maps = json::object();
    for (const auto& [slot, source] : sources) maps[slot] = source;
    root[kMapsKey] = maps;
    if (seed != 0) root[kSeedKey] = seed;
    return root.dump(2) + "\n";
}

void SavePreset(const std::string& path, Texmap* map, const MapSources& sources, TimeValue t,
                std::uint32_t seed) {
    if (path.empty() || path == "-") {
        WriteText(path, PresetText(map, sources, t, seed));
        return;
    }
    // Images beside or below the preset are written relative to it, so the preset and its
    // images can move together; loading takes relative paths from the preset's folder.
    std::error_code ec;
    const std::filesystem::path folder =
        std::filesystem::weakly_canonical(std::filesystem::absolute(path).parent_path(), ec);
    MapSources written = sources;
    if (!ec) {
        for (auto& [slot, source] : written) {
            if (source.rfind(kScratchesPrefix, 0) == 0) continue;
            const std::filesystem::path relative =
                std::filesystem::path(source).lexically_relative(folder);
            if (!relative.empty() && *relative.begin() != "..") source = relative.generic_string();
        }
    }
    WriteText(path, PresetText(map, written, t, seed));
}

std::filesystem::path BundledPresetFolder() {
    return InstallPrefix() / "share" / "quorv-scratches" / "presets";
}

std::vector<BundledPreset> BundledPresets(const std::filesystem::path& folder) {
    std::vector<BundledPreset> presets;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::filesystem::path& p = entry.path();
        if (p.extension() == ".json" && entry.is_regular_file(ec))
            presets.push_back({p.stem().string(), p});
    }
    std::sort(presets.begin(), presets.end(),
              [](const BundledPreset& a, const BundledPreset& b) { return a.name < b.name; });
    return presets;
}

std::string ResolvePreset(const std::string& arg) {
    std::error_code ec;
    const bool plainName = !arg.empty() && arg.find('/') == std::string::npos &&
                           std::filesystem::path(arg).extension() != ".json";
    if (!plainName || std::filesystem::exists(arg, ec)) return arg;
    const std::vector<BundledPreset> bundled = BundledPresets();
    std::vector<std::string> names;
    for (const BundledPreset& b : bundled) {
        if (b.name == arg) return b.path.string();
        names.push_back(b.name);
    }
    if (names.empty()) {
        throw ToolError("cannot read preset '" + arg +
                        "': no such file, and no bundled presets in " +
                        BundledPresetFolder().string());
    }
    std::string list;
    for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
    throw ToolError("cannot read preset '" + arg + "': no such file, nor a bundled preset; " +
                    "nearest bundled ones are " + JoinAlternatives(NearestNames(arg, names)) +
                    " (all: " + list + ")");
}

std::string PresetAbout(std::string_view text) {
    try {
        const json root = json::parse(text);
        const auto it = root.find(kAboutKey);
        return it != root.end() && it->is_string() ? it->get<std::string>() : std::string();
    } catch (const json::exception&) {
        return {};
    }
}
