#include "tool/images/image.h"

#include <cmath>
#include <new>

#include "tool/base/tool_error.h"

void CheckImageSize(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide ||
        static_cast<long long>(width) * height > kMaxImagePixels) {
        throw ToolError("resolution " + std::to_string(width) + "x" + std::to_string(height) +
                        " is not accepted: each side must be 1 to " +
                        std::to_string(kMaxImageSide) + " and width x height at most " +
                        std::to_string(kMaxImagePixels) + " pixels");
    }
}

void AllocateImage(Image& image, int width, int height, int channels) {
    CheckImageSize(width, height);
    try {
        image.pixels.assign(static_cast<std::size_t>(width) * height * channels, 0.0f);
    } catch (const std::bad_alloc&) {
        throw ToolError("cannot allocate a " + std::to_string(width) + "x" +
                        std::to_string(height) + " image: not enough memory");
    }
    image.width = width;
    image.height = height;
    image.channels = channels;
}

float SrgbEncode(float linear) {
    if (!(linear > 0.0f)) return 0.0f;  // NaN too
    if (linear >= 1.0f) return 1.0f;
    return linear <= 0.0031308f ? 12.92f * linear : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
}

float SrgbDecode(float encoded) {
    if (!(encoded > 0.0f)) return 0.0f;
    if (encoded >= 1.0f) return 1.0f;
    return encoded <= 0.04045f ? encoded / 12.92f : std::pow((encoded + 0.055f) / 1.055f, 2.4f);
}
