#include "tool/params/param_json.h"

#include <charconv>
#include <string>

#include <nlohmann/json.hpp>

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
