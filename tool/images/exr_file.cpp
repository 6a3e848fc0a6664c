#include "tool/images/exr_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include <Iex.h>
#include <half.h>
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfIO.h>
#include <ImfOutputFile.h>

#include "tool/base/tool_error.h"

namespace {

const char* const kGreyNames[] = {"Y"};
const char* const kColorNames[] = {"R", "G", "B", "A"};

const char* const* ChannelNames(int channels) {
    return channels == 1 ? kGreyNames : kColorNames;
}

// Interleaved rows of `width` pixels at `base` as the slices of the pixels in `window`.
Imf::FrameBuffer Slices(const float* base, const std::vector<std::string>& names, int width,
                        const Imath::Box2i& window) {
    Imf::FrameBuffer frame;
    const std::size_t channels = names.size();
    const std::size_t xStride = sizeof(float) * channels;
    const std::size_t yStride = xStride * width;
    for (std::size_t c = 0; c < channels; ++c) {
        // Make shifts the base so that the window's corner lands on the first pixel. A missing
        // alpha reads as opaque.
        const bool alpha = names[c] == "A";
        frame.insert(names[c], Imf::Slice::Make(Imf::FLOAT, base + c, window, xStride, yStride, 1,
                                                1, alpha ? 1.0 : 0.0));
    }
    return frame;
}

Imf::Compression ToImf(ExrCompression c) {
    switch (c) {
        case ExrCompression::None:
            return Imf::NO_COMPRESSION;
        case ExrCompression::Rle:
            return Imf::RLE_COMPRESSION;
        case ExrCompression::Zips:
            return Imf::ZIPS_COMPRESSION;
        case ExrCompression::Zip:
            return Imf::ZIP_COMPRESSION;
        case ExrCompression::Piz:
            return Imf::PIZ_COMPRESSION;
        case ExrCompression::Pxr24:
            return Imf::PXR24_COMPRESSION;
        case ExrCompression::B44:
            return Imf::B44_COMPRESSION;
        case ExrCompression::B44a:
            return Imf::B44A_COMPRESSION;
        case ExrCompression::Dwaa:
            return Imf::DWAA_COMPRESSION;
        case ExrCompression::Dwab:
            return Imf::DWAB_COMPRESSION;
    }
    return Imf::ZIP_COMPRESSION;
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
        if (!file_) throw ToolError(std::strerror(errno));
    }
    void write(const char c[], int n) override {
        errno = 0;
        if (std::fwrite(c, 1, static_cast<std::size_t>(n), file_.get()) !=
            static_cast<std::size_t>(n)) {
            Fail();
        }
    }
    std::uint64_t tellp() override { return static_cast<std::uint64_t>(ftello(file_.get())); }
    void seekp(std::uint64_t pos) override {
        errno = 0;
        if (fseeko(file_.get(), static_cast<off_t>(pos), SEEK_SET) != 0) Fail();
    }
    // Throws ToolError with the system's reason when any write failed or the data cannot be
    // flushed.
    void Close() {
        errno = 0;
        if (reason_.empty() && (std::fflush(file_.get()) != 0 || std::ferror(file_.get())))
            reason_ = Reason();
        errno = 0;
        if (std::fclose(file_.release()) != 0 && reason_.empty()) reason_ = Reason();
        if (!reason_.empty()) throw ToolError(reason_);
    }
    // Why the last write failed; "" when none did.
    const std::string& FailureReason() const { return reason_; }

private:
    static std::string Reason() { return errno != 0 ? std::strerror(errno) : "the write failed"; }
    [[noreturn]] void Fail() {
        reason_ = Reason();
        throw Iex::IoExc(reason_);
    }

    std::unique_ptr<std::FILE, FileCloser> file_;
    std::string reason_;
};

class ExrWriter final : public ImageWriter {
public:
    ExrWriter(const std::string& path, int width, int height,
              const std::vector<ExrChannel>& channels, ExrCompression compression)
        : stream_(path), width_(width) {
        try {
            Imf::Header header(width, height);
            header.compression() = ToImf(compression);
            for (const ExrChannel& c : channels) {
                header.channels().insert(c.name, Imf::Channel(c.half ? Imf::HALF : Imf::FLOAT));
                names_.push_back(c.name);
                half_.push_back(c.half);
            }
            file_ = std::make_unique<Imf::OutputFile>(stream_, header, 1);
        } catch (const std::exception& e) {
            if (!stream_.FailureReason().empty()) throw ToolError(stream_.FailureReason());
            throw ToolError(std::string("OpenEXR: ") + e.what());
        }
    }

    void WriteRows(const float* rows, int count) override {
        try {
            const Imath::Box2i band(Imath::V2i(0, next_),
                                    Imath::V2i(width_ - 1, next_ + count - 1));
            file_->setFrameBuffer(Frame(rows, count, band));
            file_->writePixels(count);
            next_ += count;
        } catch (const std::exception& e) {
            // The system's reason when the stream failed; the library wraps it in its own words.
            if (!stream_.FailureReason().empty()) throw ToolError(stream_.FailureReason());
            throw ToolError(std::string("OpenEXR: ") + e.what());
        }
    }

    void Finish() override {
        // The output file writes its line offsets as it goes, and keeps a failure to itself
        // (the stream remembers it); then the stream can close.
        file_.reset();
        stream_.Close();
    }

private:
    // Float channels straight from the rows; half channels converted first, as the library
    // writes each channel from a slice of its own type.
    Imf::FrameBuffer Frame(const float* rows, int count, const Imath::Box2i& band) {
        const std::size_t channels = names_.size();
        const std::size_t pixels = static_cast<std::size_t>(width_) * count;
        halves_.resize(pixels * channels);
        Imf::FrameBuffer frame;
        for (std::size_t c = 0; c < channels; ++c) {
            if (half_[c]) {
                Imath::half* plane = halves_.data() + c * pixels;
                for (std::size_t i = 0; i < pixels; ++i)
                    plane[i] = Imath::half(rows[i * channels + c]);
                frame.insert(names_[c],
                             Imf::Slice::Make(Imf::HALF, plane, band, sizeof(Imath::half),
                                              sizeof(Imath::half) * width_));
            } else {
                frame.insert(names_[c],
                             Imf::Slice::Make(Imf::FLOAT, rows + c, band, sizeof(float) * channels,
                                              sizeof(float) * channels * width_));
            }
        }
        return frame;
    }

    StdioStream stream_;  // outlives file_
    std::unique_ptr<Imf::OutputFile> file_;
    int width_;
    std::vector<std::string> names_;
    std::vector<bool> half_;
    std::vector<Imath::half> halves_;
    int next_ = 0;  // the first row not yet written
};

}  // namespace

std::vector<ExrChannel> ExrImageChannels(int channels, bool half, const std::string& layer) {
    std::vector<ExrChannel> out;
    for (int c = 0; c < channels; ++c) {
        out.push_back({layer.empty() ? std::string(ChannelNames(channels)[c])
                                     : layer + "." + ChannelNames(channels)[c],
                       half});
    }
    return out;
}

std::unique_ptr<ImageWriter> OpenExrWriter(const std::string& path, int width, int height,
                                           const std::vector<ExrChannel>& channels,
                                           ExrCompression compression) {
    return std::make_unique<ExrWriter>(path, width, height, channels, compression);
}

std::unique_ptr<ImageWriter> OpenExrWriter(const std::string& path, int width, int height,
                                           int channels) {
    return OpenExrWriter(path, width, height, ExrImageChannels(channels, false));
}

void WriteExr(const std::string& path, const Image& image) {
    ExrWriter writer(path, image.width, image.height, ExrImageChannels(image.channels, false),
                     ExrCompression::Zip);
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
            throw ToolError("cannot read image '" + path + "': its size " + std::to_string(w) +
                            " x " + std::to_string(h) + " is outside 1 to " +
                            std::to_string(kMaxImageSide) + " pixels a side");
        }
        AllocateImage(image, static_cast<int>(w), static_cast<int>(h), channels);
        std::vector<std::string> names;
        for (int c = 0; c < channels; ++c) names.push_back(ChannelNames(channels)[c]);
        file.setFrameBuffer(Slices(image.pixels.data(), names, static_cast<int>(w), window));
        file.readPixels(window.min.y, window.max.y);
    } catch (const ToolError&) {
        throw;
    } catch (const std::exception& e) {
        throw ToolError("cannot read image '" + path + "': " + e.what());
    }
    return image;
}
