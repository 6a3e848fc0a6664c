// The one failure the tool reports: a single line for standard error, then a non-zero exit.
#pragma once

#include <stdexcept>
#include <string>

class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& what) : std::runtime_error(what) {}
};
