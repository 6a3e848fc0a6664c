// OpenEXR reading and writing (32-bit float channels).
#pragma once

#include <memory>
#include <string>

#include "tool/images/image.h"
#include "tool/images/image_writer.h"

#include <vector>

// OpenEXR's compressions; Zip is the library's and most tools' default.
enum class ExrCompression { None, Rle, Zips, Zip, Piz, Pxr24, B44, B44a, Dwaa, Dwab };

// One channel of a file: its name ("R", "mask.Y") and whether it is stored as half.
struct ExrChannel {
    std::string name;
    bool half = false;
};

// The usual names of a grey (Y) or colour (R G B, A) image's channels, after `layer` and a dot
// when a layer is named.
std::vector<ExrChannel> ExrImageChannels(int channels, bool half, const std::string& layer = "");

// Writes the channels, interleaved in the rows in their order, by scanlines. Throws ToolError
// with the reason only (the caller names the file).
std::unique_ptr<ImageWriter> OpenExrWriter(const std::string& path, int width, int height,
                                           const std::vector<ExrChannel>& channels,
                                           ExrCompression compression = ExrCompression::Zip);
// Channel Y for a grey image, R G B (and A) otherwise, as 32-bit floats.
std::unique_ptr<ImageWriter> OpenExrWriter(const std::string& path, int width, int height,
                                           int channels);
void WriteExr(const std::string& path, const Image& image);

// Reads Y, or R G B (and A) when present, converted to floats. Throws ToolError.
Image ReadExr(const std::string& path);
