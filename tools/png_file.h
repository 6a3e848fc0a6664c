// PNG reading and writing through libpng.
#pragma once

#include <string>

#include "tools/image.h"

// Writes 8- or 16-bit grey, RGB or RGBA by the image's channel count; values are clamped to
// [0, 1] and NaN is written as 0. Throws ToolError
// with the reason only (the caller names the file).
void WritePng(const std::string& path, const Image& image, int bits);

// Reads any PNG as floats in [0, 1]: palettes and low bit depths expanded, grey kept as one
// channel, grey+alpha widened to RGBA. Throws ToolError.
Image ReadPng(const std::string& path);
