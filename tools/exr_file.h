// OpenEXR reading and writing (32-bit float channels).
#pragma once

#include <string>

#include "tools/image.h"

// Writes channel Y for a grey image, R G B (and A) otherwise, as 32-bit floats. Throws
// ToolError with the reason only (the caller names the file).
void WriteExr(const std::string& path, const Image& image);

// Reads Y, or R G B (and A) when present, converted to floats. Throws ToolError.
Image ReadExr(const std::string& path);
