// Image files by extension: .png (8 or 16 bits) and .exr (32-bit float).
#pragma once

#include <functional>
#include <string>

#include "tool/base/output_file.h"
#include "tool/images/image.h"
#include "tool/images/image_writer.h"
#include "tool/images/png_file.h"

enum class ImageFormat { Png, Exr };

// The format named by the path's extension (case-insensitive); a ToolError listing the
// accepted extensions otherwise.
ImageFormat ImageFormatOf(const std::string& path);

// Writes the image into the output's temporary file and commits it. `pngBits` (8 or 16) and
// `pngSpace` apply to PNG only; EXR holds 32-bit floats.
void WriteImage(OutputFile& out, ImageFormat format, const Image& image, int pngBits,
                PngColorSpace pngSpace = PngColorSpace::Unstated);
// The same for an image that `produce` hands to the writer row by row as it is made, so that
// it is never held whole.
void WriteImageRows(OutputFile& out, ImageFormat format, int width, int height, int channels,
                    int pngBits, const std::function<void(ImageWriter&)>& produce,
                    PngColorSpace pngSpace = PngColorSpace::Unstated);

Image ReadImage(const std::string& path);
