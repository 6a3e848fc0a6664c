// Writing image files through OpenImageIO, row by row as they are made where the format allows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tool/base/output_file.h"
#include "tool/images/image.h"
#include "tool/images/image_format.h"
#include "tool/images/image_writer.h"

// How the values go into the file.
struct ImageEncoding {
    ImageFormat format = ImageFormat::Png;
    // 8 or 16-bit integers, or 32-bit floats; EXR: 16 (half) or 32 for every channel that
    // `ImageLayout::half` does not name.
    int bits = 8;
    // Colour: integer channels hold sRGB-encoded values (alpha stays linear) and the file
    // says sRGB; floats hold linear values. Data: the values as given, and no statement of
    // a colour space, as texture tools write data maps.
    bool color = false;
    ExrCompression compression = ExrCompression::Zip;
    // .tx: the texture repeats, so that its wrap mode is periodic.
    bool periodic = false;
};

struct ImageLayout {
    int width = 0;
    int height = 0;
    std::vector<std::string> names;  // one per channel, in the rows' order
    std::vector<bool> half;          // EXR: these channels in half whatever the bits
};

// The usual names of a grey (Y) or colour (R G B, A) image's channels, after `layer` and a
// dot when a layer is named.
std::vector<std::string> ImageChannelNames(int channels, const std::string& layer = "");
// The layout of an image of `channels` channels with the usual names.
ImageLayout PlainLayout(int width, int height, int channels);

// Writes the file at `path` as its rows arrive: values are clamped to [0, 1] and NaN is
// written as 0 in integer channels. JPEG keeps the first three channels (colour, without
// alpha). Throws ToolError with the reason only (the caller names the file).
std::unique_ptr<ImageWriter> OpenImageWriter(const std::string& path, const ImageLayout& layout,
                                             const ImageEncoding& encoding);

// Writes the image into the output's temporary file and commits it; a ToolError naming the
// file otherwise.
void WriteImage(OutputFile& out, const Image& image, const ImageEncoding& encoding);
// Writes the image to a file that is not an output of the tool (the tests' inputs).
void WriteImageFile(const std::string& path, const Image& image, const ImageEncoding& encoding);
// The bytes of the file that WriteImage would write (PNG or JPEG).
std::string EncodeImage(const Image& image, const ImageEncoding& encoding);
