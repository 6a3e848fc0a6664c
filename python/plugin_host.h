// The plug-in module as the Python module's host loads it: once per process, like a host.
#pragma once

#include <filesystem>
#include <optional>

#include "tool/module/plugin_module.h"

// The environment variable naming the plug-in folder when no folder is given.
inline constexpr const char* kPluginDirVariable = "QUORV_SCRATCHES_PLUGIN_DIR";

// Loads the module from `folder`, or, without one, from $QUORV_SCRATCHES_PLUGIN_DIR or the
// plugins folder where the build and the install put it beside this Python module. Loading
// again from the same folder does nothing; from another one it is a ToolError, as a process
// holds one copy of the module. Throws ToolError.
const PluginModule& LoadPlugin(const std::optional<std::filesystem::path>& folder);

// The loaded module, loading it from the default folders first if need be.
const PluginModule& Plugin();
