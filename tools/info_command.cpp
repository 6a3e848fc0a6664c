#include "tools/info_command.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/parameters.h"
#include "tools/wide_text.h"

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
                {"version", Hex(module.Version())},
                {"classes", std::to_string(module.NumClasses())},
                {"class name", Utf8(cd->ClassName())},
                {"class ID", "(" + Hex(id.PartA()) + ", " + Hex(id.PartB()) + ")"},
                {"super class", SuperClassName(cd->SuperClassID())},
                {"category", Utf8(cd->Category())}},
               out);
}

void PrintParams(Texmap* map, TimeValue t, std::ostream& out) {
    std::vector<std::vector<std::string>> rows = {
        {"block", "ID", "name", "type", "default", "range", "label", "value"}};
    for (const ParamRef& p : MapParameters(map)) {
        const std::string range = FormatRange(p);
        const std::string label = Utf8(p.block->GetLocalName(p.id));
        std::string value = "-";
        if (p.kind == ValueKind::Map) {
            Texmap* sub = p.block->GetTexmap(p.id, t);
            value = sub ? "(map)" : "none";
        } else if (p.kind != ValueKind::Other) {
            value = FormatValue(GetParamValue(p, t));
        }
        rows.push_back({p.BlockName() + " (" + std::to_string(p.block->ID()) + ")",
                        std::to_string(p.id), p.name, TypeName(p),
                        p.kind == ValueKind::Other ? "-" : FormatDefault(p),
                        range.empty() ? "-" : range, label.empty() ? "-" : label, value});
    }
    PrintTable(rows, out);
}
