// tool/images: float images in memory (here) and their files through OpenImageIO, the format
// chosen by extension, read whole or written row by row as a bake computes them. Uses
// tool/base.
//
// A float image in memory: rows top to bottom, channels interleaved.
#pragma once

#include <cstddef>
#include <vector>

// How the colour channels of an image read from a file are encoded, as the file states it.
enum class ImageTransfer { Linear, Srgb, Gamma, Unstated };

struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;  // 1 (grey), 3 (RGB) or 4 (RGBA)
    std::vector<float> pixels;
    ImageTransfer transfer = ImageTransfer::Linear;
    double gamma = 1.0;     // for Gamma: the file's values are linear^gamma
    bool eightBit = false;  // read from a file of 8-bit integer channels

    float* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * RowLength(); }
    const float* Row(int y) const {
        return pixels.data() + static_cast<std::size_t>(y) * RowLength();
    }
    std::size_t RowLength() const { return static_cast<std::size_t>(width) * channels; }
};

// Largest width or height the tool reads or writes.
inline constexpr int kMaxImageSide = 32768;
// Largest pixel count: keeps a float RGBA image under 4 GiB.
inline constexpr long long kMaxImagePixels = 1LL << 28;

// A ToolError stating the accepted sizes when width x height is out of bounds.
void CheckImageSize(int width, int height);

// Sizes the image to width x height x channels zeroed floats; a ToolError when the size is
// out of bounds or cannot be allocated, so that work never starts on an image that cannot exist.
void AllocateImage(Image& image, int width, int height, int channels);

// The sRGB encoding of a linear value and its inverse, for [0, 1] (NaN and values below 0
// give 0, values above 1 give 1).
float SrgbEncode(float linear);
float SrgbDecode(float encoded);
