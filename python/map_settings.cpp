// quorv_scratches.Map: parameters by name, sub-maps and presets, all through the tool's own
// code, so that a script and the command line accept and refuse the same things.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "python/errors.h"
#include "python/python_map.h"
#include "tool/base/wide_text.h"
#include "tool/module/texmap_ptr.h"
#include "tool/params/parameters.h"
#include "tool/setup/param_info.h"
#include "tool/setup/preset.h"

namespace py = pybind11;

namespace {

// The parameter or slot with that internal name or alias.
std::optional<ParamRef> FindAny(Texmap* map, const std::string& name) {
    for (const ParamRef& p : MapParameters(map)) {
        if (p.kind == ValueKind::Other) continue;
        const std::vector<std::string> aliases = ParamAliases(p.name);
        if (p.name == name || std::find(aliases.begin(), aliases.end(), name) != aliases.end())
            return p;
    }
    return std::nullopt;
}

// The value parameter `name`, with the tool's message (and its suggestions) otherwise.
ParamRef FindValue(Texmap* map, const std::string& name) {
    const std::optional<ParamRef> param = FindAny(map, name);
    if (param && param->kind == ValueKind::Map) {
        throw py::type_error("'" + name + "' is a sub-map slot: fill it with set_map('" + name +
                             "', source)");
    }
    try {
        return FindParameter(map, name);
    } catch (const ToolError& e) {
        std::string message = e.what();
        const std::string hint = "'quorv-scratches params'";
        if (const std::size_t at = message.find(hint); at != std::string::npos)
            message = message.substr(0, at) + "Map.params()" + message.substr(at + hint.size());
        throw UnknownNameError(message);
    }
}

ParamRef FindSlot(Texmap* map, const std::string& name) {
    try {
        return FindMapSlot(map, name);
    } catch (const ToolError& e) {
        throw UnknownNameError(e.what());
    }
}

// numbers.Integral, kept for the life of the process: never released after the interpreter.
const py::object& IntegralType() {
    static const py::object& integral =
        *new py::object(py::module_::import("numbers").attr("Integral"));
    return integral;
}

// A number as text that reads back as the same value.
std::string NumberText(const py::handle& v) {
    const py::object& integral = IntegralType();
    static const py::object& real = *new py::object(py::module_::import("numbers").attr("Real"));
    static const py::object& npBool = *new py::object(py::module_::import("numpy").attr("bool_"));
    if (py::isinstance<py::bool_>(v) || py::isinstance(v, npBool)) {
        return v.cast<bool>() ? "1" : "0";
    }
    if (py::isinstance(v, integral))
        return py::str(py::int_(py::reinterpret_borrow<py::object>(v)));
    if (py::isinstance(v, real)) {
        return py::repr(py::float_(py::reinterpret_borrow<py::object>(v)));
    }
    throw py::type_error("expected a number, got " +
                         py::str(py::type::of(v).attr("__name__")).cast<std::string>());
}

// A Python value as the text the tool's --set takes: numbers, True/False, choice names,
// and colours and points as three numbers. `several` tells a sequence from a single value.
std::string ValueText(const std::string& name, const py::handle& v, bool& several) {
    several = false;
    if (py::isinstance<py::str>(v)) return v.cast<std::string>();
    try {
        // Bytes are a sequence of small integers, never a colour.
        if (py::isinstance<py::bytes>(v) || py::isinstance<py::bytearray>(v)) {
            throw py::type_error("expected a number, got " +
                                 py::str(py::type::of(v).attr("__name__")).cast<std::string>());
        }
        if (py::isinstance<py::sequence>(v) || py::hasattr(v, "__len__")) {
            several = true;
            std::string text;
            for (const py::handle item : v) {
                if (!text.empty()) text += ',';
                text += NumberText(item);
            }
            return text;
        }
        return NumberText(v);
    } catch (const py::type_error& e) {
        throw py::type_error(name + ": " + e.what());
    }
}

py::object ValueObject(const ParamValue& value) {
    switch (value.kind) {
        case ValueKind::Float:
            return py::float_(value.number);
        case ValueKind::Int:
            return py::int_(static_cast<long long>(value.number));
        case ValueKind::Bool:
            return py::bool_(value.number != 0.0);
        case ValueKind::Color:
        case ValueKind::Point:
            return py::make_tuple(value.rgb[0], value.rgb[1], value.rgb[2]);
        default:
            return py::none();
    }
}

py::object SourceOf(PythonMap& self, const std::string& slot) {
    for (const auto& [name, source] : self.Sources()) {
        if (name == slot) return py::str(source);
    }
    return py::none();
}

void SetValue(PythonMap& self, const std::string& name, const py::handle& value) {
    bool several = false;
    const std::string text = ValueText(name, value, several);
    const auto lock = self.Lock();
    const ParamRef param = FindValue(self.Map(), name);
    // [4] is not the number 4: only colours and points take a sequence.
    if (several && param.kind != ValueKind::Color && param.kind != ValueKind::Point) {
        throw py::type_error(name + ": expected " + AcceptedText(param) + ", got a sequence");
    }
    SetParamValue(param, ParseParamValue(param, text), CurrentTime());
}

py::object GetValue(PythonMap& self, const std::string& name) {
    const auto lock = self.Lock();
    const std::optional<ParamRef> param = FindAny(self.Map(), name);
    if (param && param->kind == ValueKind::Map) return SourceOf(self, name);
    return ValueObject(GetParamValue(FindValue(self.Map(), name), CurrentTime()));
}

std::vector<std::string> Names(PythonMap& self) {
    const auto lock = self.Lock();
    std::vector<std::string> names;
    for (const ParamRef& p : MapParameters(self.Map())) {
        if (p.kind != ValueKind::Other) names.push_back(p.name);
    }
    return names;
}

py::dict Params(PythonMap& self) {
    std::string text;
    {
        const auto lock = self.Lock();
        text = ParamsJson(
            DescribeParameters(self.Class(), self.Map(), CurrentTime(), self.Sources()), -1);
    }
    py::dict params;
    for (const py::handle entry : py::module_::import("json").attr("loads")(text)) {
        params[entry["name"]] = entry;
    }
    return params;
}

void SetMap(PythonMap& self, const std::string& slot, const py::object& source) {
    std::string text;
    std::optional<std::filesystem::path> file;
    if (source.is_none()) {
        const auto lock = self.Lock();
        ClearMapSlot(self.Map(), FindSlot(self.Map(), slot).name, CurrentTime(), self.Sources());
        return;
    }
    if (py::isinstance<PythonMap>(source)) {
        PythonMap& sub = source.cast<PythonMap&>();
        if (&sub == &self) throw py::value_error("a map cannot be its own sub-map");
        const auto lock = sub.Lock();
        text = ScratchesSource(sub.Map(), sub.Class(), CurrentTime());
    } else if (py::isinstance<py::str>(source) &&
               source.cast<std::string>().rfind(kScratchesPrefix, 0) == 0) {
        text = source.cast<std::string>();
    } else {
        try {
            file = source.cast<std::filesystem::path>();
        } catch (const py::cast_error&) {
            throw py::type_error(
                "set_map takes a Map, an image file's path, 'scratches:NAME=VALUE,...' or "
                "None");
        }
        text = file->string();
    }
    const auto lock = self.Lock();
    FindSlot(self.Map(), slot);
    auto apply = [&] {
        ApplyMapSource(self.Map(), self.Class(), slot, text, std::filesystem::current_path(),
                       CurrentTime(), self.Sources());
    };
    if (file) {
        ReadingFile(std::filesystem::absolute(*file), apply);
    } else {
        apply();
    }
}

py::dict Maps(PythonMap& self) {
    const auto lock = self.Lock();
    py::dict maps;
    for (const auto& [slot, source] : self.Sources()) maps[py::str(slot)] = source;
    return maps;
}

void SavePresetFile(PythonMap& self, const std::filesystem::path& path) {
    const auto lock = self.Lock();
    try {
        SavePreset(path.string(), self.Map(), self.Sources(), CurrentTime(), self.Seed());
    } catch (const ToolError& e) {
        throw WriteError(e.what());
    }
}

std::unique_ptr<PythonMap> LoadPresetFile(const std::filesystem::path& path) {
    auto map = std::make_unique<PythonMap>();
    ReadingFile(path, [&] {
        LoadPreset(path.string(), map->Map(), map->Class(), CurrentTime(), map->Sources(),
                   &map->Seed());
    });
    return map;
}

std::string Repr(PythonMap& self) {
    const auto lock = self.Lock();
    std::string text = "quorv_scratches.Map(";
    bool first = true;
    for (const auto& [name, value] : ChangedSettings(self.Map(), self.Class(), CurrentTime())) {
        const bool triple = value.find(',') != std::string::npos;
        text += (first ? "" : ", ") + name + "=" + (triple ? "(" + value + ")" : value);
        first = false;
    }
    text += ")";
    if (self.Seed() != 0) text += " [pattern seed " + std::to_string(self.Seed()) + "]";
    for (const auto& [slot, source] : self.Sources()) text += " [" + slot + "=" + source + "]";
    return text;
}

}  // namespace

void BindMapSettings(py::class_<PythonMap>& cls) {
    cls.def(py::init([](const py::kwargs& params) {
                auto map = std::make_unique<PythonMap>();
                for (const auto& [name, value] : params) {
                    SetValue(*map, name.cast<std::string>(), value);
                }
                return map;
            }),
            R"(Map(**params)

A new map with its reset values, then the given parameters set by name, in order:
``Map(size=4, levels=8, useErosion=True, erosion=0.7)``. Any parameter of either block
(see params()) is accepted; colours and points are three numbers.)");
    cls.def("__getitem__", &GetValue, py::arg("name"),
            "The value of a parameter: float, int, bool or a tuple of three floats; for a "
            "sub-map slot, what fills it (see maps()) or None.");
    cls.def("__setitem__", &SetValue, py::arg("name"), py::arg("value"),
            "Sets a parameter as the command line's --set does: the value is checked against "
            "the parameter's type and range (ValueError), an unknown name raises "
            "UnknownParameterError with the nearest names.");
    cls.def(
        "__contains__",
        [](PythonMap& self, const std::string& name) {
            const auto lock = self.Lock();
            return FindAny(self.Map(), name).has_value();
        },
        py::arg("name"));
    cls.def("keys", &Names,
            "The names of every parameter and sub-map slot, as params() lists them.");
    cls.def("__iter__", [](PythonMap& self) { return py::iter(py::cast(Names(self))); });
    cls.def("__len__", [](PythonMap& self) { return Names(self).size(); });
    cls.def("params", &Params, R"(Every parameter and sub-map slot of both blocks, as plain data.

{name: {"block", "blockId", "id", "name", "label", "type", "new", "value", ...}}, each entry
the object `quorv-scratches params --json` prints: "new" is a new map's value, "value" this
map's; numbers carry "range": [low, high], choices "choices": [{"value", "name", "label"}];
a slot's "value" is what fills it or None.)");
    cls.def("set_map", &SetMap, py::arg("slot"), py::arg("source"),
            R"(Fills a sub-map slot (distortMap, sizeMap, ...), as the command line's --map does.

source is another Map (its settings are copied: later changes to it do not reach this map;
it may not hold sub-maps itself), an image file (.png, .exr, .tif, .jpg, ...; relative to the current
folder), a 'scratches:NAME=VALUE,...' text, or None to empty the slot.)");
    cls.def("maps", &Maps,
            "The filled sub-map slots: {slot: source}, a source as save_preset() writes it.");
    cls.def("save_preset", &SavePresetFile, py::arg("path"),
            "Writes every setting and sub-map to a JSON preset, as --save-preset does; the file "
            "appears only when complete.");
    cls.def_static("load_preset", &LoadPresetFile, py::arg("path"),
                   "A new map from a JSON preset, as --preset makes it.");
    cls.def_property(
        "seed",
        [](PythonMap& self) {
            const auto lock = self.Lock();
            return self.Seed();
        },
        [](PythonMap& self, const py::object& value) {
            // Any integer, however large, gets the range; other types a TypeError.
            if (py::isinstance<py::bool_>(value) || !py::isinstance(value, IntegralType())) {
                throw py::type_error(
                    "seed: expected a whole number from 0 to 4294967295, got " +
                    py::str(py::type::of(value).attr("__name__")).cast<std::string>());
            }
            const py::int_ seed(value);
            if (seed < py::int_(0) || seed > py::int_(4294967295LL)) {
                throw py::value_error("seed=" + py::repr(seed).cast<std::string>() +
                                      " is not accepted: give 0 to 4294967295");
            }
            const auto lock = self.Lock();
            self.Seed() = seed.cast<std::uint32_t>();
        },
        R"(The command line's --seed: another scratch layout from the same settings, for bake().
Every sample the bake places is moved by a seed-derived vector (0: not moved; a tileable bake
stays tileable). Presets keep it. Not the map's own parameter map["seed"], which only varies
the Mapping block's variances.)");
    cls.def("__repr__", &Repr);
}
