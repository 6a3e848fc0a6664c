// Parameter values as JSON, shared by presets and the parameter description.
#pragma once

#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "tool/params/parameters.h"

// The float as the shortest decimal that reads back as it, so files show 0.8, not
// 0.800000011920929, and still round-trip exactly.
nlohmann::json FloatJson(float v);

// A number, boolean or [r, g, b]; null for a value of no JSON form.
nlohmann::json ParamValueJson(const ParamValue& value);

// Parses JSON text as presets and the page's requests are read: a key given twice in one
// object is a ToolError naming it (the library would keep the last in silence); bad syntax
// throws the library's exception.
nlohmann::ordered_json ParseJsonText(std::string_view text);
