// tool/params: the map's parameters by internal name across both blocks (here), with their
// types, ranges, choice texts and values as JSON. Uses tool/base.
//
// The map's parameters as the user addresses them: by internal name, across both blocks,
// read and written through the host's parameter-block interface with the descriptor's
// declared types and ranges.
#pragma once

#include <string>
#include <vector>

#include <max.h>
#include "tool/base/number_text.h"
#include "tool/params/param_texts.h"

enum class ValueKind { Float, Int, Bool, Color, Point, Map, Other };

struct ParamRef {
    IParamBlock2* block = nullptr;
    ParamID id = -1;
    const ParamDef* def = nullptr;
    std::string name;  // internal name
    ValueKind kind = ValueKind::Other;
    // The values of a choice parameter (kind Int, a drop-down list in the editor), by
    // number; empty for every other parameter. Only these values are accepted.
    std::vector<ParamChoice> choices;

    std::string BlockName() const;
};

// A value of one parameter. Numbers of the Float, Int and Bool kinds are in `number` (exact
// for every float and 32-bit integer); colours and points in `rgb`.
struct ParamValue {
    ValueKind kind = ValueKind::Other;
    double number = 0.0;
    float rgb[3] = {0.0f, 0.0f, 0.0f};
};

// Every parameter of the map's blocks: main block first, in declaration order.
std::vector<ParamRef> MapParameters(Texmap* map);

// Other names a parameter is known by ("spreadMapEnabled" for the internal
// "spreasdMapEnabled"); FindParameter accepts them too.
std::vector<std::string> ParamAliases(const std::string& name);

// The value parameter (not a map slot) with that internal name or alias; a ToolError naming
// the nearest known names otherwise.
ParamRef FindParameter(Texmap* map, const std::string& name);
// The map slot (a TYPE_TEXMAP parameter) with that internal name; a ToolError naming the
// nearest slot names otherwise.
ParamRef FindMapSlot(Texmap* map, const std::string& name);

// Parses text for the parameter ("1.5", "3", "1"/"true"/"on", "r,g,b"; a choice by number
// or by name, "object", "Object XYZ") and checks it against the declared range or choices. Throws
// ToolError naming the parameter and what it accepts.
ParamValue ParseParamValue(const ParamRef& param, const std::string& text);
// Checks a value (from text or a preset) against the parameter's kind and declared range,
// and a choice parameter's value against its choices.
void CheckParamValue(const ParamRef& param, const ParamValue& value);

void SetParamValue(const ParamRef& param, const ParamValue& value, TimeValue t);
ParamValue GetParamValue(const ParamRef& param, TimeValue t);

// The float nearest `d`, or an infinity of its sign beyond the floats' range (where a plain
// conversion is undefined), so that range checks refuse it.
float NarrowToFloat(double d);

// Text forms for listings and messages.
std::string FormatValue(const ParamValue& value);
std::string FormatDefault(const ParamRef& param);
std::string FormatRange(const ParamRef& param);    // "" when none is declared
std::string FormatChoices(const ParamRef& param);  // "0 2d, 1 3d"; "" for others
// A value for people: a choice as its name, "object (2)"; others as FormatValue.
std::string FormatValueNamed(const ParamRef& param, const ParamValue& value);
std::string TypeName(const ParamRef& param);
std::string AcceptedText(const ParamRef& param);  // "a number from 0 to 1", ...
