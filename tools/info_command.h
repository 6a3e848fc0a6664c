// `info` and `params`: what the module and its map declare.
#pragma once

#include <ostream>

#include <max.h>
#include "tools/plugin_module.h"

// Description, version, class name, class ID, super class and category.
void PrintInfo(const PluginModule& module, std::ostream& out);

// Every parameter of both blocks: block, ID, internal name, type, declared default, range,
// label, and the value the map holds now (its reset values unless options changed them).
void PrintParams(Texmap* map, TimeValue t, std::ostream& out);
