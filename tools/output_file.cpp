#include "tools/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tools/tool_error.h"

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    namespace fs = std::filesystem;
    const fs::path target(path_);
    std::error_code ec;
    if (fs::is_directory(target, ec))
        throw ToolError("cannot write '" + path_ + "': it is a folder");
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // A hidden name beside the destination: ".name.XXXXXX".
    std::string hidden(1, '.');
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    const std::string pattern = (folder / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        throw ToolError("cannot write '" + path_ + "': " + std::strerror(errno) +
                        " (the output's folder must exist and be writable)");
    }
    // mkstemp makes the file private; give it the permissions of a plainly created file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    tempPath_.assign(name.data());
}

OutputFile::~OutputFile() {
    if (!committed_ && !tempPath_.empty()) std::remove(tempPath_.c_str());
}

void OutputFile::Commit() {
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        throw ToolError("cannot write '" + path_ + "': " + std::strerror(errno));
    }
    committed_ = true;
}
