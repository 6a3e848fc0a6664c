#include "tool/images/file_proxy.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tool/base/tool_error.h"

FileProxy::FileProxy(const std::string& path, Mode mode) : IOProxy(path, mode) {
    fd_ = mode == Write ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)
                        : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw ToolError(std::strerror(errno));
    struct stat status {};
    if (fstat(fd_, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw ToolError(std::strerror(EISDIR));
    }
}

FileProxy::~FileProxy() {
    if (fd_ >= 0) ::close(fd_);
}

void FileProxy::Fail(const char* fallback) {
    if (failure_.empty()) failure_ = errno != 0 ? std::strerror(errno) : fallback;
}

size_t FileProxy::read(void* buf, size_t size) {
    const size_t got = pread(buf, size, m_pos);
    m_pos += static_cast<int64_t>(got);
    return got;
}

size_t FileProxy::write(const void* buf, size_t size) {
    const size_t put = pwrite(buf, size, m_pos);
    m_pos += static_cast<int64_t>(put);
    return put;
}

size_t FileProxy::pread(void* buf, size_t size, int64_t offset) {
    size_t done = 0;
    while (done < size) {
        errno = 0;
        const ssize_t n = ::pread(fd_, static_cast<char*>(buf) + done, size - done,
                                  static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Fail("the read failed");
            break;
        }
        if (n == 0) {
            metEnd_ = true;
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t FileProxy::pwrite(const void* buf, size_t size, int64_t offset) {
    size_t done = 0;
    while (done < size) {
        errno = 0;
        const ssize_t n = ::pwrite(fd_, static_cast<const char*>(buf) + done, size - done,
                                   static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail("the write failed");
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t FileProxy::size() const {
    struct stat status {};
    return fstat(fd_, &status) == 0 ? static_cast<size_t>(status.st_size) : 0;
}

void FileProxy::Close() {
    errno = 0;
    // Closing may still fail to write what the system held back.
    if (fd_ >= 0 && ::close(fd_) != 0) Fail("the write failed");
    fd_ = -1;
    if (!failure_.empty()) throw ToolError(failure_);
}
