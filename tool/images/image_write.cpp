#include "tool/images/image_write.h"

#include "tool/base/interrupt.h"
#include "tool/base/tool_error.h"
#include "tool/images/image_library.h"

namespace {

const char* const kGreyNames[] = {"Y"};
const char* const kColorNames[] = {"R", "G", "B", "A"};

// A texture is made whole as the file is finished, through a temporary file of the image
// library's own, with a name the tool cannot know: an interruption then waits until that file
// is renamed into the tool's own temporary file.
class HeldFinish final : public ImageWriter {
public:
    explicit HeldFinish(std::unique_ptr<ImageWriter> writer) : writer_(std::move(writer)) {}
    void WriteRows(const float* rows, int count) override { writer_->WriteRows(rows, count); }
    void Finish() override {
        const HeldInterrupts held;
        writer_->Finish();
    }

private:
    std::unique_ptr<ImageWriter> writer_;
};

}  // namespace

std::vector<std::string> ImageChannelNames(int channels, const std::string& layer) {
    std::vector<std::string> out;
    for (int c = 0; c < channels; ++c) {
        const char* name = channels == 1 ? kGreyNames[0] : kColorNames[c];
        out.push_back(layer.empty() ? std::string(name) : layer + "." + name);
    }
    return out;
}

ImageLayout PlainLayout(int width, int height, int channels) {
    return {width, height, ImageChannelNames(channels), {}};
}

std::unique_ptr<ImageWriter> OpenImageWriter(const std::string& path, const ImageLayout& layout,
                                             const ImageEncoding& encoding) {
    auto writer = ImageLibrary().openWriter(path, nullptr, layout, encoding);
    if (encoding.format == ImageFormat::Texture)
        return std::make_unique<HeldFinish>(std::move(writer));
    return writer;
}

void WriteImage(OutputFile& out, const Image& image, const ImageEncoding& encoding) {
    try {
        WriteImageFile(out.TempPath(), image, encoding);
    } catch (const ToolError& e) {
        throw ToolError("cannot write '" + out.Path() + "': " + e.what());
    }
    out.Commit();
}

void WriteImageFile(const std::string& path, const Image& image, const ImageEncoding& encoding) {
    const auto writer =
        OpenImageWriter(path, PlainLayout(image.width, image.height, image.channels), encoding);
    writer->WriteRows(image.pixels.data(), image.height);
    writer->Finish();
}

std::string EncodeImage(const Image& image, const ImageEncoding& encoding) {
    std::vector<unsigned char> bytes;
    const auto writer = ImageLibrary().openWriter(
        "", &bytes, PlainLayout(image.width, image.height, image.channels), encoding);
    writer->WriteRows(image.pixels.data(), image.height);
    writer->Finish();
    return std::string(bytes.begin(), bytes.end());
}
