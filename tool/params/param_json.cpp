#include "tool/params/param_json.h"

#include <charconv>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tool/base/tool_error.h"

using json = nlohmann::json;

json FloatJson(float v) {
    const std::string text = FormatFloat(v);
    double d = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), d);
    return json(d);
}

json ParamValueJson(const ParamValue& value) {
    switch (value.kind) {
        case ValueKind::Float:
            return FloatJson(static_cast<float>(value.number));
        case ValueKind::Int:
            return json(static_cast<int>(value.number));
        case ValueKind::Bool:
            return json(value.number != 0.0);
        case ValueKind::Color:
        case ValueKind::Point:
            return json::array(
                {FloatJson(value.rgb[0]), FloatJson(value.rgb[1]), FloatJson(value.rgb[2])});
        default:
            return json();
    }
}

nlohmann::ordered_json ParseJsonText(std::string_view text) {
    using ordered = nlohmann::ordered_json;
    std::vector<std::set<std::string>> keys;  // of each object being read, innermost last
    const ordered::parser_callback_t track = [&](int, ordered::parse_event_t event,
                                                 ordered& parsed) {
        if (event == ordered::parse_event_t::object_start) {
            keys.emplace_back();
        } else if (event == ordered::parse_event_t::object_end) {
            keys.pop_back();
        } else if (event == ordered::parse_event_t::key &&
                   !keys.back().insert(parsed.get<std::string>()).second) {
            throw ToolError("'" + parsed.get<std::string>() +
                            "' is given twice in one object: give each key once");
        }
        return true;
    };
    return ordered::parse(text, track);
}
