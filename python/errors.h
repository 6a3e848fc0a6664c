// The tool's errors as Python exceptions: the message is the tool's, the type is what Python
// code expects to catch.
#pragma once

#include <filesystem>
#include <string>

#include <pybind11/pybind11.h>

#include "tool/base/tool_error.h"

// A name that is not a parameter or slot of the map: KeyError.
class UnknownNameError : public ToolError {
public:
    using ToolError::ToolError;
};

// A file that does not exist: FileNotFoundError, with the path as its filename.
class MissingFileError : public ToolError {
public:
    MissingFileError(const std::string& what, std::filesystem::path path)
        : ToolError(what), path_(std::move(path)) {}
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A file that cannot be written: OSError.
class WriteError : public ToolError {
public:
    using ToolError::ToolError;
};

// Runs fn, which reads `path`: a ToolError it throws becomes a MissingFileError when there
// is no such file, as the tool's message alone cannot say.
template <typename Fn>
auto ReadingFile(const std::filesystem::path& path, Fn&& fn) -> decltype(fn()) {
    try {
        return fn();
    } catch (const MissingFileError&) {
        throw;
    } catch (const ToolError& e) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) throw MissingFileError(e.what(), path);
        throw;
    }
}

// Translates the errors above, and any other ToolError to ValueError.
void RegisterErrors(pybind11::module_& m);
