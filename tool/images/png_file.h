// PNG reading and writing through libpng.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "tool/images/image.h"
#include "tool/images/image_writer.h"

// What the file says of its values. Srgb: linear colour in, sRGB-encoded colour channels out
// (alpha stays linear) and the sRGB chunk. Linear: data written as given, stated by gAMA 1.0
// (and the sRGB primaries for colour types). Unstated: written as given, no statement.
enum class PngColorSpace { Unstated, Srgb, Linear };

// Writes 8- or 16-bit grey, RGB or RGBA by the channel count, row by row; values are clamped to
// [0, 1] and NaN is written as 0. Throws ToolError with the reason only (the caller names the
// file).
std::unique_ptr<ImageWriter> OpenPngWriter(const std::string& path, int width, int height,
                                           int channels, int bits,
                                           PngColorSpace space = PngColorSpace::Unstated);
// The same, appending the file's bytes to `out`.
std::unique_ptr<ImageWriter> OpenPngMemoryWriter(std::string& out, int width, int height,
                                                 int channels, int bits,
                                                 PngColorSpace space = PngColorSpace::Unstated);
void WritePng(const std::string& path, const Image& image, int bits,
              PngColorSpace space = PngColorSpace::Unstated);

// Reads any PNG as floats in [0, 1]: palettes and low bit depths expanded, grey kept as one
// channel, grey+alpha widened to RGBA. The values are the file's codes; Image::transfer says
// how the file states they were encoded. Throws ToolError.
Image ReadPng(const std::string& path);
// The same for a PNG file's bytes; messages call it `name`. An image wider or taller than
// `maxSide` is refused from its header, before anything is allocated for it.
Image ReadPngMemory(std::string_view data, const std::string& name, int maxSide = kMaxImageSide);

// The sRGB encoding of a linear value and its inverse, for [0, 1].
float SrgbEncode(float linear);
float SrgbDecode(float encoded);
