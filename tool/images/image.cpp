#include "tool/images/image.h"

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
