#include "tools/exr_file.h"

#include <exception>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>

#include "tools/tool_error.h"

namespace {

const char* const kGreyNames[] = {"Y"};
const char* const kColorNames[] = {"R", "G", "B", "A"};

const char* const* ChannelNames(int channels) {
    return channels == 1 ? kGreyNames : kColorNames;
}

Imf::FrameBuffer Slices(Image& image, const Imath::Box2i& window) {
    Imf::FrameBuffer frame;
    const std::size_t xStride = sizeof(float) * image.channels;
    const std::size_t yStride = xStride * image.width;
    for (int c = 0; c < image.channels; ++c) {
        // Make shifts the base so that the data window's corner lands on the first pixel.
        frame.insert(ChannelNames(image.channels)[c],
                     Imf::Slice::Make(Imf::FLOAT, image.pixels.data() + c, window, xStride, yStride,
                                      1, 1, c == 3 ? 1.0 : 0.0));
    }
    return frame;
}

}  // namespace

void WriteExr(const std::string& path, const Image& image) {
    try {
        Imf::Header header(image.width, image.height);
        for (int c = 0; c < image.channels; ++c) {
            header.channels().insert(ChannelNames(image.channels)[c], Imf::Channel(Imf::FLOAT));
        }
        Imf::OutputFile file(path.c_str(), header, 1);
        file.setFrameBuffer(Slices(const_cast<Image&>(image), header.dataWindow()));
        file.writePixels(image.height);
    } catch (const std::exception& e) {
        throw ToolError(std::string("OpenEXR: ") + e.what());
    }
}

Image ReadExr(const std::string& path) {
    Image image;
    try {
        Imf::InputFile file(path.c_str(), 1);
        const Imath::Box2i window = file.header().dataWindow();
        const Imf::ChannelList& list = file.header().channels();
        if (!list.findChannel("R") && !list.findChannel("Y")) {
            throw ToolError("cannot read image '" + path +
                            "': it has neither R, G, B nor Y channels");
        }
        const bool grey = !list.findChannel("R");
        const int channels = grey ? 1 : (list.findChannel("A") ? 4 : 3);
        const long long w = static_cast<long long>(window.max.x) - window.min.x + 1;
        const long long h = static_cast<long long>(window.max.y) - window.min.y + 1;
        if (w < 1 || h < 1 || w > kMaxImageSide || h > kMaxImageSide) {
            throw ToolError("cannot read image '" + path + "': its size is out of bounds");
        }
        AllocateImage(image, static_cast<int>(w), static_cast<int>(h), channels);
        file.setFrameBuffer(Slices(image, window));
        file.readPixels(window.min.y, window.max.y);
    } catch (const ToolError&) {
        throw;
    } catch (const std::exception& e) {
        throw ToolError("cannot read image '" + path + "': " + e.what());
    }
    return image;
}
