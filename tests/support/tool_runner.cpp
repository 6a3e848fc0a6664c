#include "tests/support/tool_runner.h"

#include <cstdio>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Quote(const std::string& s) {
    std::string out(1, '\'');
    for (char c : s) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    out += '\'';
    return out;
}

}  // namespace

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ToolRun RunTool(const std::vector<std::string>& args, const std::string& input) {
    ScratchFolder io;
    std::ofstream(io / "stdin", std::ios::binary) << input;
    std::string command = Quote(QUORV_TOOL_PATH);
    for (const std::string& a : args) {
        command += ' ';
        command += Quote(a);
    }
    // Redirections: standard input from a file, both outputs to files.
    const std::pair<const char*, const char*> streams[] = {
        {" <", "stdin"}, {" >", "stdout"}, {" 2>", "stderr"}};
    for (const auto& [redirect, name] : streams) {
        command += redirect;
        command += Quote((io / name).string());
    }
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(io / "stdout");
    run.err = ReadAll(io / "stderr");
    return run;
}

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorv-tools-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> ScratchFolder::Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string BakeSamples(int w, int h, float extent, const float shift[3]) {
    const float none[3] = {0.0f, 0.0f, 0.0f};
    if (!shift) shift = none;
    std::string input;
    char line[200];
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(w) + shift[0];
            const float v =
                1.0f - (static_cast<float>(y) + 0.5f) / static_cast<float>(h) + shift[1];
            std::snprintf(line, sizeof line, "%.9g %.9g %.9g %.9g 0 0 0 %.9g 0\n", u * extent,
                          v * extent, shift[2] * extent, extent / static_cast<float>(w),
                          -extent / static_cast<float>(h));
            input += line;
        }
    }
    return input;
}
