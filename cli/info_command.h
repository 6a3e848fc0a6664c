// `info` and `params`: what the module and its map declare.
#pragma once

#include <ostream>
#include <vector>

#include <max.h>
#include "tool/module/plugin_module.h"
#include "tool/setup/param_info.h"

// Description, version, class name, class ID, super class and category.
void PrintInfo(const PluginModule& module, std::ostream& out);

// Every parameter of both blocks, one row each: block, ID, internal name, type, the value a
// new map holds, range or choices, label, and the value the map holds now; then the notes.
void PrintParams(const std::vector<ParamInfo>& params, std::ostream& out);
