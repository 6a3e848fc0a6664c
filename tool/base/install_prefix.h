// Where the running program is installed: the folder above its own (<prefix>/bin/tool, or the
// build tree's <build>/tools/tool), under which the tool's other parts are found.
#pragma once

#include <filesystem>

// The prefix, or an empty path when the program cannot tell where it is (the parts are then
// looked for relative to the current folder).
std::filesystem::path InstallPrefix();
