// One file as OpenImageIO's readers and writers see it, keeping the system's reason for a
// failed read or write ("No space left on device") and whether a read met the file's end: the
// library's own texts say only that an error happened. It is the library's own stdio proxy,
// which some of its formats reach into for the FILE itself.
#pragma once

#include <cstdio>
#include <string>

#include <OpenImageIO/filesystem.h>

class FileProxy final : public OIIO::Filesystem::IOFile {
public:
    // Opens `path` to read, or to write (created or emptied). Throws ToolError with the
    // reason only; a folder is refused as EISDIR.
    FileProxy(const std::string& path, Mode mode);
    ~FileProxy() override;
    FileProxy(const FileProxy&) = delete;
    FileProxy& operator=(const FileProxy&) = delete;

    void close() override {}  // the library's close: the file stays open until Close()
    size_t read(void* buf, size_t size) override;
    size_t write(const void* buf, size_t size) override;
    size_t pread(void* buf, size_t size, int64_t offset) override;
    size_t pwrite(const void* buf, size_t size, int64_t offset) override;

    // Why a read or write failed, "" when none did.
    const std::string& Failure() const { return failure_; }
    // A read asked for bytes past the end of the file.
    const bool& MetEnd() const { return metEnd_; }
    // Closes the file; a ToolError with the reason when a write failed or the system could
    // not keep the data.
    void Close();

private:
    size_t Note(size_t done, size_t asked, bool reading);

    std::FILE* file_;
    std::string failure_;
    bool metEnd_ = false;
};
