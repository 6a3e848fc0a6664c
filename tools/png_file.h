// PNG reading and writing through libpng.
#pragma once

#include <memory>
#include <string>

#include "tools/image.h"
#include "tools/image_writer.h"

// Writes 8- or 16-bit grey, RGB or RGBA by the channel count, row by row; values are clamped to
// [0, 1] and NaN is written as 0. Throws ToolError with the reason only (the caller names the
// file).
std::unique_ptr<ImageWriter> OpenPngWriter(const std::string& path, int width, int height,
                                           int channels, int bits);
void WritePng(const std::string& path, const Image& image, int bits);

// Reads any PNG as floats in [0, 1]: palettes and low bit depths expanded, grey kept as one
// channel, grey+alpha widened to RGBA. Throws ToolError.
Image ReadPng(const std::string& path);
