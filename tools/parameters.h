// The map's parameters as the user addresses them: by internal name, across both blocks,
// read and written through the host's parameter-block interface with the descriptor's
// declared types and ranges.
#pragma once

#include <string>
#include <vector>

#include <max.h>

enum class ValueKind { Float, Int, Bool, Color, Point, Map, Other };

struct ParamRef {
    IParamBlock2* block = nullptr;
    ParamID id = -1;
    const ParamDef* def = nullptr;
    std::string name;  // internal name
    ValueKind kind = ValueKind::Other;

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

// The value parameter (not a map slot) with that internal name; a ToolError naming the
// nearest known names otherwise.
ParamRef FindParameter(Texmap* map, const std::string& name);
// The map slot (a TYPE_TEXMAP parameter) with that internal name; a ToolError naming the
// nearest slot names otherwise.
ParamRef FindMapSlot(Texmap* map, const std::string& name);

// Parses text for the parameter ("1.5", "3", "1"/"true"/"on", "r,g,b") and checks it
// against the declared range. Throws ToolError naming the parameter and what it accepts.
ParamValue ParseParamValue(const ParamRef& param, const std::string& text);
// Checks a value (from text or a preset) against the parameter's kind and declared range.
void CheckParamValue(const ParamRef& param, const ParamValue& value);

void SetParamValue(const ParamRef& param, const ParamValue& value, TimeValue t);
ParamValue GetParamValue(const ParamRef& param, TimeValue t);

// Text forms for listings and messages.
std::string FormatFloat(float v);  // the shortest text that reads back as the same float
std::string FormatValue(const ParamValue& value);
std::string FormatDefault(const ParamRef& param);
std::string FormatRange(const ParamRef& param);  // "" when none is declared
std::string TypeName(const ParamRef& param);
std::string AcceptedText(const ParamRef& param);  // "a number from 0 to 1", ...
