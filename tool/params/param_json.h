// Parameter values as JSON, shared by presets and the parameter description.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include "tool/params/parameters.h"

// The float as the shortest decimal that reads back as it, so files show 0.8, not
// 0.800000011920929, and still round-trip exactly.
nlohmann::json FloatJson(float v);

// A number, boolean or [r, g, b]; null for a value of no JSON form.
nlohmann::json ParamValueJson(const ParamValue& value);
