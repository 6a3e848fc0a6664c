// tool/base: what every part of the tool layer shares. Its one error (here), progress on a
// terminal, interruption by signals, files that appear only when complete, numbers and wide
// text as the tool writes them, suggestions for mistyped names. Uses nothing of the project.
//
// The one failure the tool reports: a single line for standard error, then a non-zero exit.
#pragma once

#include <stdexcept>
#include <string>

class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& what) : std::runtime_error(what) {}
};
