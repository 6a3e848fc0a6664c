// An output file that appears only when complete: the data goes to a temporary file in the
// same folder (so the final rename cannot cross file systems), which Commit renames into place.
// An interruption (interrupt.h) removes the temporary file too.
#pragma once

#include <string>

class OutputFile {
public:
    // Creates the temporary file at once, so an unwritable destination is refused before any
    // work starts. Throws ToolError.
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& Path() const { return path_; }
    const std::string& TempPath() const { return tempPath_; }
    // Moves the finished temporary file to Path(). Throws ToolError.
    void Commit();

private:
    std::string path_;
    std::string tempPath_;
    bool committed_ = false;
    int pendingSlot_ = -1;
};

// Writes a text file that appears only when complete; "-" writes it to standard output (and
// flushes it). Throws ToolError.
void WriteText(const std::string& path, const std::string& text);
