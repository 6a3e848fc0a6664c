// A description of every parameter of the map, for listings, scripts and user interfaces:
// `params` and `params --json` print it, and other front ends build on the same data.
//
//   std::vector<ParamInfo> params = DescribeParameters(module.ScratchesClass());
//   std::string json = ParamsJson(params);  // the array `params --json` prints
//
// Values are set by name and text through ApplySetting (tool/setup/map_settings.h), which takes
// choice names as well as numbers and refuses what the listing does not allow.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <max.h>
#include "tool/params/parameters.h"
#include "tool/setup/map_settings.h"

struct ParamInfo {
    std::string block;                 // the block's internal name: "params" or "Mapping"
    int blockId = 0;                   // the block's ID
    int id = 0;                        // the parameter's ID within its block
    std::string name;                  // internal name, the one --set and presets use
    std::vector<std::string> aliases;  // other names accepted for it
    std::string label;                 // the editor's label, from the string table
    ValueKind kind = ValueKind::Other;
    std::string type;  // "float", "int", "bool", "choice", "color", "point" or "map"
    // What a new map holds (its reset values, not the descriptor's defaults), and what the
    // described map holds now. Map slots: kind Map, nothing in them.
    ParamValue newValue, value;
    // Map slots: what fills the slot ("scratches:..." or an image path); empty when nothing
    // or when the tool did not record it.
    std::string source;
    bool filled = false;
    std::optional<std::pair<double, double>> range;  // the declared range of a number
    std::vector<ParamChoice> choices;                // a choice parameter's values
    std::string note;  // what a user may not expect of it; usually empty
};

// Every parameter of both blocks ("params" first, then "Mapping"; declaration order), the
// map's output reference aside. `map` (a map of class cd) supplies the current values;
// without it they are a new map's. Throws ToolError.
std::vector<ParamInfo> DescribeParameters(ClassDesc* cd, Texmap* map = nullptr, TimeValue t = 0,
                                          const MapSources& sources = {});

// The description as a JSON array of objects, one per parameter:
//   {"block": "params", "blockId": 1, "id": 19, "name": "type", "label": "Type",
//    "type": "choice", "new": 1, "value": 1,
//    "choices": [{"value": 0, "name": "2d", "label": "2D"}, ...]}
// Numbers carry "range": [low, high] when declared; colours and points are [x, y, z];
// booleans true/false; map slots have "new": null and "value": null or their source;
// "aliases" and "note" appear when there are any.
std::string ParamsJson(const std::vector<ParamInfo>& params, int indent = 2);
