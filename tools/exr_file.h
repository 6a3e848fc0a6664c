// OpenEXR reading and writing (32-bit float channels).
#pragma once

#include <memory>
#include <string>

#include "tools/image.h"
#include "tools/image_writer.h"

// Writes channel Y for a grey image, R G B (and A) otherwise, as 32-bit floats, by scanlines.
// Throws ToolError with the reason only (the caller names the file).
std::unique_ptr<ImageWriter> OpenExrWriter(const std::string& path, int width, int height,
                                           int channels);
void WriteExr(const std::string& path, const Image& image);

// Reads Y, or R G B (and A) when present, converted to floats. Throws ToolError.
Image ReadExr(const std::string& path);
