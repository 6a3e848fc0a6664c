#include "tools/exr_file.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>

#include <Iex.h>
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfIO.h>
#include <ImfOutputFile.h>

#include "tools/tool_error.h"

namespace {

const char* const kGreyNames[] = {"Y"};
const char* const kColorNames[] = {"R", "G", "B", "A"};

const char* const* ChannelNames(int channels) {
    return channels == 1 ? kGreyNames : kColorNames;
}

// Interleaved rows of `width` pixels at `base` as the slices of the pixels in `window`.
Imf::FrameBuffer Slices(const float* base, int channels, int width, const Imath::Box2i& window) {
    Imf::FrameBuffer frame;
    const std::size_t xStride = sizeof(float) * channels;
    const std::size_t yStride = xStride * width;
    for (int c = 0; c < channels; ++c) {
        // Make shifts the base so that the window's corner lands on the first pixel.
        frame.insert(ChannelNames(channels)[c],
                     Imf::Slice::Make(Imf::FLOAT, base + c, window, xStride, yStride, 1, 1,
                                      c == 3 ? 1.0 : 0.0));
    }
    return frame;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The file through stdio, so that a failed write, flush or close is seen: the library's own
// stream is closed by the output file's destructor, which keeps any error to itself.
class StdioStream final : public Imf::OStream {
public:
    explicit StdioStream(const std::string& path)
        : Imf::OStream(path.c_str()), file_(std::fopen(path.c_str(), "wb")) {
        if (!file_) throw ToolError("cannot open the file for writing");
    }
    void write(const char c[], int n) override {
        if (std::fwrite(c, 1, static_cast<std::size_t>(n), file_.get()) !=
            static_cast<std::size_t>(n)) {
            Fail();
        }
    }
    std::uint64_t tellp() override { return static_cast<std::uint64_t>(ftello(file_.get())); }
    void seekp(std::uint64_t pos) override {
        if (fseeko(file_.get(), static_cast<off_t>(pos), SEEK_SET) != 0) Fail();
    }
    // Throws ToolError when any write failed or the data cannot be flushed.
    void Close() {
        bool ok = !failed_ && std::fflush(file_.get()) == 0 && !std::ferror(file_.get());
        ok = std::fclose(file_.release()) == 0 && ok;
        if (!ok) throw ToolError("the write failed (disk full?)");
    }

private:
    [[noreturn]] void Fail() {
        failed_ = true;
        throw Iex::IoExc("the write failed (disk full?)");
    }

    std::unique_ptr<std::FILE, FileCloser> file_;
    bool failed_ = false;
};

class ExrWriter final : public ImageWriter {
public:
    ExrWriter(const std::string& path, int width, int height, int channels)
        : stream_(path), width_(width), channels_(channels) {
        try {
            Imf::Header header(width, height);
            for (int c = 0; c < channels; ++c) {
                header.channels().insert(ChannelNames(channels)[c], Imf::Channel(Imf::FLOAT));
            }
            file_ = std::make_unique<Imf::OutputFile>(stream_, header, 1);
        } catch (const std::exception& e) {
            throw ToolError(std::string("OpenEXR: ") + e.what());
        }
    }

    void WriteRows(const float* rows, int count) override {
        try {
            const Imath::Box2i band(Imath::V2i(0, next_),
                                    Imath::V2i(width_ - 1, next_ + count - 1));
            file_->setFrameBuffer(Slices(rows, channels_, width_, band));
            file_->writePixels(count);
            next_ += count;
        } catch (const std::exception& e) {
            throw ToolError(std::string("OpenEXR: ") + e.what());
        }
    }

    void Finish() override {
        // The output file writes its line offsets as it goes; then the stream can close.
        file_.reset();
        stream_.Close();
    }

private:
    StdioStream stream_;  // outlives file_
    std::unique_ptr<Imf::OutputFile> file_;
    int width_, channels_;
    int next_ = 0;  // the first row not yet written
};

}  // namespace

std::unique_ptr<ImageWriter> OpenExrWriter(const std::string& path, int width, int height,
                                           int channels) {
    return std::make_unique<ExrWriter>(path, width, height, channels);
}

void WriteExr(const std::string& path, const Image& image) {
    ExrWriter writer(path, image.width, image.height, image.channels);
    writer.WriteRows(image.pixels.data(), image.height);
    writer.Finish();
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
        file.setFrameBuffer(Slices(image.pixels.data(), channels, static_cast<int>(w), window));
        file.readPixels(window.min.y, window.max.y);
    } catch (const ToolError&) {
        throw;
    } catch (const std::exception& e) {
        throw ToolError("cannot read image '" + path + "': " + e.what());
    }
    return image;
}
