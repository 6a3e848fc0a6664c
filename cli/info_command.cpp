#include "cli/info_command.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tool/base/tool_error.h"
#include "tool/base/wide_text.h"
#include "tool/params/parameters.h"
#include "tool/setup/preset.h"

namespace {

std::string Hex(ULONG v) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%08lX", v);
    return text;
}

std::string SuperClassName(SClass_ID id) {
    switch (id) {
        case TEXMAP_CLASS_ID:
            return Hex(id) + " (TEXMAP_CLASS_ID)";
        case MATERIAL_CLASS_ID:
            return Hex(id) + " (MATERIAL_CLASS_ID)";
        default:
            return Hex(id);
    }
}

// Columns padded to their widest cell, separated by two spaces.
void PrintTable(const std::vector<std::vector<std::string>>& rows, std::ostream& out) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
        }
        out << line << '\n';
    }
}

}  // namespace

void PrintInfo(const PluginModule& module, std::ostream& out) {
    ClassDesc2* cd = module.ScratchesClass();
    const Class_ID id = cd->ClassID();
    PrintTable({{"module", module.Path().string()},
                {"description", module.Description()},
                {"version", module.ModuleVersion()},
                {"SDK API", Hex(module.Version())},
                {"classes", std::to_string(module.NumClasses())},
                {"class name", Utf8(cd->ClassName())},
                {"class ID", "(" + Hex(id.PartA()) + ", " + Hex(id.PartB()) + ")"},
                {"super class", SuperClassName(cd->SuperClassID())},
                {"category", Utf8(cd->Category())}},
               out);
    // The bundled presets, which --preset takes by name.
    const std::vector<BundledPreset> presets = BundledPresets();
    out << "\npresets (" << BundledPresetFolder().string()
        << "):" << (presets.empty() ? " none\n" : "\n");
    std::vector<std::vector<std::string>> rows;
    for (const BundledPreset& p : presets) {
        std::string about;  // none for a file that cannot be read: the listing goes on
        try {
            about = PresetAbout(ReadPresetFile(p.path.string()));
        } catch (const ToolError&) {
        }
        rows.push_back({"  " + p.name, about});
    }
    PrintTable(rows, out);
}

void PrintParams(const std::vector<ParamInfo>& params, std::ostream& out) {
    std::vector<std::vector<std::string>> rows = {
        {"block", "ID", "name", "type", "new map", "range or choices", "label", "value"}};
    std::vector<std::string> notes;
    for (const ParamInfo& p : params) {
        std::string newValue, value, range;
        ParamRef ref;  // for the formatting helpers, which read kind and choices
        ref.kind = p.kind;
        ref.choices = p.choices;
        if (p.kind == ValueKind::Map) {
            newValue = "none";
            value = !p.filled ? "none" : p.source.empty() ? "(map)" : p.source;
        } else {
            newValue = FormatValueNamed(ref, p.newValue);
            value = FormatValueNamed(ref, p.value);
        }
        if (!p.choices.empty()) {
            for (const ParamChoice& c : p.choices) range += (range.empty() ? "" : " ") + c.name;
        } else if (p.range) {
            ParamValue low, high;
            low.kind = high.kind = p.kind;
            low.number = p.range->first;
            high.number = p.range->second;
            range = FormatValue(low) + " to " + FormatValue(high);
        }
        std::string name = p.name;
        for (const std::string& alias : p.aliases) name += " (" + alias + ")";
        rows.push_back({p.block + " (" + std::to_string(p.blockId) + ")", std::to_string(p.id),
                        name, p.type, newValue, range.empty() ? "-" : range,
                        p.label.empty() ? "-" : p.label, value});
        if (!p.note.empty()) notes.push_back(p.name + ": " + p.note);
    }
    PrintTable(rows, out);
    if (!notes.empty()) out << '\n';
    for (const std::string& note : notes) out << note << '\n';
}
