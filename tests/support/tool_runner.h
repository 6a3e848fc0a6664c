// Runs the built quorv-scratches as a user would: arguments, standard input, and what it
// printed and returned.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The whole content of a file, as bytes; empty when it cannot be read.
std::string ReadAll(const std::filesystem::path& path);

ToolRun RunTool(const std::vector<std::string>& args, const std::string& input = "");

// The `eval` input that samples what a w x h bake samples: pixel centres row by row from the
// top, with the pixel's footprint as the screen derivatives.
// `shift` (in square widths) moves the square as the bake's --seed does.
std::string BakeSamples(int w, int h, float extent, const float shift[3] = nullptr);

// A fresh, empty folder for one test's files, removed with the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& Path() const { return path_; }
    // Names of the files in the folder, sorted.
    std::vector<std::string> Files() const;

private:
    std::filesystem::path path_;
};
