#include "tool/base/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tool/base/interrupt.h"
#include "tool/base/tool_error.h"

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    namespace fs = std::filesystem;
    const fs::path target(path_);
    std::error_code ec;
    if (fs::is_directory(target, ec))
        throw ToolError("cannot write '" + path_ + "': it is a folder");
    // The finished file is renamed over the destination: over a device or a pipe (as root,
    // /dev/null itself) that would replace the special file instead of writing into it.
    const fs::file_status status = fs::status(target, ec);
    if (!ec && fs::exists(status) && !fs::is_regular_file(status)) {
        throw ToolError("cannot write '" + path_ +
                        "': it is not a regular file (a device, pipe or socket)");
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // A hidden name beside the destination: ".name.XXXXXX".
    std::string hidden(1, '.');
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    const std::string pattern = (folder / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // No interruption between creating the file and registering it for removal.
    sigset_t interrupts, previous;
    sigemptyset(&interrupts);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, sig);
    pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    const int fd = mkstemp(name.data());
    const int error = errno;
    if (fd >= 0) {
        tempPath_.assign(name.data());
        pendingSlot_ = AddPendingFile(tempPath_.c_str());
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        throw ToolError("cannot write '" + path_ + "': " + std::strerror(error) +
                        " (the output's folder must exist and be writable)");
    }
    // mkstemp makes the file private; give it the permissions of a plainly created file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
}

OutputFile::~OutputFile() {
    // Removed before it is withdrawn, so that an interruption in between cannot leave it.
    if (!committed_ && !tempPath_.empty()) std::remove(tempPath_.c_str());
    WithdrawPendingFile(pendingSlot_);
}

void OutputFile::Commit() {
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        throw ToolError("cannot write '" + path_ + "': " + std::strerror(errno));
    }
    committed_ = true;
    WithdrawPendingFile(pendingSlot_);
    pendingSlot_ = -1;
}

void WriteText(const std::string& path, const std::string& text) {
    if (path.empty() || path == "-") {
        errno = 0;
        std::cout << text << std::flush;
        if (!std::cout) {
            throw ToolError(std::string("cannot write to standard output") +
                            (errno != 0 ? std::string(": ") + std::strerror(errno) : ""));
        }
        return;
    }
    OutputFile out(path);
    // Through stdio, whose failures carry the system's reason ("No space left on device").
    std::FILE* file = std::fopen(out.TempPath().c_str(), "wb");
    if (!file) throw ToolError("cannot write '" + path + "': " + std::strerror(errno));
    errno = 0;
    const bool written =
        std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
    const int error = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        const int reason = !written ? error : errno;
        throw ToolError("cannot write '" + path +
                        "': " + (reason != 0 ? std::strerror(reason) : "the write failed"));
    }
    out.Commit();
}
