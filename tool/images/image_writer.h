// An image file written as its rows arrive, top to bottom, so that no image needs to be held
// whole in memory.
#pragma once

class ImageWriter {
public:
    virtual ~ImageWriter() = default;
    // The next `count` rows, each width x channels interleaved floats, rows back to back.
    // Throws ToolError with the reason only (the caller names the file).
    virtual void WriteRows(const float* rows, int count) = 0;
    // Completes the file once every row is written; the data is then on its way to the disk
    // or an error has been thrown. Throws ToolError.
    virtual void Finish() = 0;
};
