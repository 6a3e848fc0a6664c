// Reading any image file that OpenImageIO reads (PNG, EXR, TIFF, JPEG, TGA, PSD, ...).
#pragma once

#include <string>
#include <string_view>

#include "tool/images/image.h"

// The first image of the file as floats in [0, 1] for integer files, as stored for floats:
// a grey image as one channel, grey with alpha widened to RGBA, otherwise its R, G, B (its
// first three channels when it names none) and its alpha channel when it has one. Alpha is
// read as stored, not multiplied in. Image::transfer says how the file states its values
// are encoded. Throws ToolError naming the path and the reason.
Image ReadImage(const std::string& path);
// The same for a file's bytes, called `name` in messages; its extension chooses the reader.
// An image wider or taller than `maxSide` is refused from its header, before anything is
// allocated for it.
Image ReadImageMemory(std::string_view data, const std::string& name, int maxSide = kMaxImageSide);
