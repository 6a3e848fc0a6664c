#include "tool/image_library/file_proxy.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#include "tool/base/tool_error.h"

namespace {

// Opened first, so that the system's reason is known when it cannot be.
std::FILE* Open(const std::string& path, OIIO::Filesystem::IOProxy::Mode mode) {
    std::FILE* file =
        std::fopen(path.c_str(), mode == OIIO::Filesystem::IOProxy::Write ? "w+b" : "rb");
    if (!file) throw ToolError(std::strerror(errno));
    struct stat status {};
    if (fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(file);
        throw ToolError(std::strerror(EISDIR));
    }
    return file;
}

}  // namespace

FileProxy::FileProxy(const std::string& path, Mode mode)
    : IOFile(Open(path, mode), mode), file_(m_file) {}

FileProxy::~FileProxy() {
    if (file_) std::fclose(file_);
}

size_t FileProxy::Note(size_t done, size_t asked, bool reading) {
    if (done < asked) {
        if (std::ferror(file_) || !reading) {
            if (failure_.empty())
                failure_ = errno != 0 ? std::strerror(errno) : "the write or read failed";
        } else {
            metEnd_ = true;
        }
    }
    return done;
}

size_t FileProxy::read(void* buf, size_t size) {
    errno = 0;
    return Note(IOFile::read(buf, size), size, true);
}

size_t FileProxy::write(const void* buf, size_t size) {
    errno = 0;
    return Note(IOFile::write(buf, size), size, false);
}

size_t FileProxy::pread(void* buf, size_t size, int64_t offset) {
    errno = 0;
    return Note(IOFile::pread(buf, size, offset), size, true);
}

size_t FileProxy::pwrite(const void* buf, size_t size, int64_t offset) {
    errno = 0;
    return Note(IOFile::pwrite(buf, size, offset), size, false);
}

void FileProxy::Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    m_file = nullptr;
    errno = 0;
    // Formats that write through the FILE itself are seen to fail here.
    if ((std::fflush(file) != 0 || std::ferror(file)) && failure_.empty())
        failure_ = errno != 0 ? std::strerror(errno) : "the write failed";
    errno = 0;
    // Closing may still fail to write what the system held back.
    if (std::fclose(file) != 0 && failure_.empty()) failure_ = std::strerror(errno);
    if (!failure_.empty()) throw ToolError(failure_);
}
