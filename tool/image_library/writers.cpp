#include "tool/image_library/library_parts.h"

#include <cstdint>
#include <optional>

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>
#include <OpenImageIO/imageio.h>

#include "tool/base/tool_error.h"
#include "tool/image_library/file_proxy.h"
#include "tool/images/image.h"

namespace {

bool Integer(const ImageEncoding& encoding) {
    return encoding.bits != 32 && !(encoding.bits == 16 && FormatInfo(encoding.format).half);
}

OIIO::TypeDesc FileType(const ImageEncoding& encoding) {
    if (encoding.bits == 32) return OIIO::TypeFloat;
    if (encoding.bits == 16) return Integer(encoding) ? OIIO::TypeUInt16 : OIIO::TypeHalf;
    return OIIO::TypeUInt8;
}

std::uint32_t Quantise(float v, std::uint32_t maxCode) {
    if (!(v > 0.0f)) return 0;  // NaN too
    if (v >= 1.0f) return maxCode;
    return static_cast<std::uint32_t>(v * static_cast<float>(maxCode) + 0.5f);
}

// The channels a file keeps of the rows' (JPEG: no alpha), and what it says of its values.
OIIO::ImageSpec FileSpec(const ImageLayout& layout, const ImageEncoding& encoding) {
    std::size_t kept = layout.names.size();
    if (encoding.format == ImageFormat::Jpeg) kept = kept >= 3 ? 3 : 1;
    OIIO::ImageSpec header(layout.width, layout.height, static_cast<int>(kept), FileType(encoding));
    header.channelnames.assign(layout.names.begin(), layout.names.begin() + kept);
    header.alpha_channel = -1;
    for (std::size_t c = 0; c < kept; ++c) {
        if (header.channelnames[c] == "A") header.alpha_channel = static_cast<int>(c);
    }
    // Alpha is written as given, never divided out.
    header.attribute("oiio:UnassociatedAlpha", 1);
    if (encoding.format == ImageFormat::Exr) {
        header.attribute("compression", ExrCompressionName(encoding.compression));
        for (std::size_t c = 0; c < kept; ++c) {
            const bool half = c < layout.half.size() && layout.half[c];
            header.channelformats.push_back(half ? OIIO::TypeHalf : header.format);
        }
    }
    if (encoding.format == ImageFormat::Jpeg) header.attribute("compression", "jpeg:95");
    if (encoding.color && Integer(encoding)) header.attribute("oiio:ColorSpace", "sRGB");
    // The same bake makes the same bytes: no time of writing (EXR and TIFF would add one).
    header.attribute("DateTime", "");
    return header;
}

// The rows as the file stores them: integer codes (colour channels sRGB-encoded), or floats
// as given.
class RowEncoder {
public:
    RowEncoder(const ImageLayout& layout, const ImageEncoding& encoding, std::size_t kept)
        : integer_(Integer(encoding)),
          wide_(encoding.bits == 16),
          rowLength_(static_cast<std::size_t>(layout.width) * layout.names.size()),
          channels_(layout.names.size()),
          kept_(kept),
          // Grey and colour channels are encoded; alpha is not.
          encoded_(encoding.color ? (channels_ >= 3 ? 3 : 1) : 0) {}

    OIIO::TypeDesc Type() const {
        return !integer_ ? OIIO::TypeFloat : wide_ ? OIIO::TypeUInt16 : OIIO::TypeUInt8;
    }
    // The `count` rows in Type(), kept channels only; valid until the next call.
    const void* Encode(const float* rows, int count) {
        const std::size_t values = rowLength_ * count;
        if (!integer_ && kept_ == channels_) return rows;
        const std::size_t out = values / channels_ * kept_;
        if (!integer_) floats_.resize(out);
        if (integer_ && wide_) wide16_.resize(out);
        if (integer_ && !wide_) narrow_.resize(out);
        std::size_t o = 0;
        for (std::size_t i = 0; i < values; ++i) {
            const std::size_t c = i % channels_;
            if (c >= kept_) continue;
            const float v = static_cast<int>(c) < encoded_ ? SrgbEncode(rows[i]) : rows[i];
            if (!integer_) {
                floats_[o++] = rows[i];
            } else if (wide_) {
                wide16_[o++] = static_cast<std::uint16_t>(Quantise(v, 65535u));
            } else {
                narrow_[o++] = static_cast<std::uint8_t>(Quantise(v, 255u));
            }
        }
        if (!integer_) return floats_.data();
        return wide_ ? static_cast<const void*>(wide16_.data()) : narrow_.data();
    }

private:
    bool integer_, wide_;
    std::size_t rowLength_, channels_, kept_;
    int encoded_;
    std::vector<float> floats_;
    std::vector<std::uint16_t> wide16_;
    std::vector<std::uint8_t> narrow_;
};

// The library's message on one line, or the system's reason when the file failed.
std::string Reason(const std::string& library, const std::string& system) {
    if (!system.empty()) return system;
    std::string text;
    for (const char c : library) text += c == '\n' ? ';' : c;
    return text.empty() ? std::string("the image library could not write it") : text;
}

// Scanline files (PNG, EXR, TIFF, JPEG), written as the rows arrive, to a file or to memory.
class StreamWriter final : public ImageWriter {
public:
    StreamWriter(const std::string& path, std::vector<unsigned char>* memory,
                 const ImageLayout& layout, const ImageEncoding& encoding)
        : header_(FileSpec(layout, encoding)),
          encoder_(layout, encoding, static_cast<std::size_t>(header_.nchannels)) {
        PrepareImageLibrary();
        if (memory) {
            memory_.emplace(*memory);
        } else {
            file_.emplace(path, OIIO::Filesystem::IOProxy::Write);
        }
        out_ = OIIO::ImageOutput::create(FormatInfo(encoding.format).library);
        if (!out_) throw ToolError("the image library cannot write this format");
        // The library's TIFF writer does not finish its directory through a proxy: it writes
        // the file itself, and the proxy only checks that the destination takes a write.
        if (encoding.format != ImageFormat::Tiff) out_->set_ioproxy(Proxy());
        if (!out_->open(path.empty() ? "memory" : path, header_)) Fail();
    }

    void WriteRows(const float* rows, int count) override {
        if (!out_->write_scanlines(next_, next_ + count, 0, encoder_.Type(),
                                   encoder_.Encode(rows, count))) {
            Fail();
        }
        next_ += count;
    }

    void Finish() override {
        if (!out_->close()) Fail();
        if (file_) file_->Close();
    }

private:
    OIIO::Filesystem::IOProxy* Proxy() {
        return file_ ? static_cast<OIIO::Filesystem::IOProxy*>(&*file_) : &*memory_;
    }
    [[noreturn]] void Fail() {
        throw ToolError(Reason(out_->geterror(), file_ ? file_->Failure() : std::string()));
    }

    OIIO::ImageSpec header_;
    RowEncoder encoder_;
    std::optional<FileProxy> file_;
    std::optional<OIIO::Filesystem::IOVecOutput> memory_;
    std::unique_ptr<OIIO::ImageOutput> out_;
    int next_ = 0;
};

// A tiled, MIP-mapped texture (.tx) as maketx makes it. Its levels are made from the whole
// image, so the rows are gathered first.
class TextureWriter final : public ImageWriter {
public:
    TextureWriter(const std::string& path, const ImageLayout& layout, const ImageEncoding& encoding)
        : path_(path),
          encoding_(encoding),
          header_(FileSpec(layout, encoding)),
          encoder_(layout, encoding, static_cast<std::size_t>(header_.nchannels)) {
        PrepareImageLibrary();
        // Refused here, before the work, when the destination cannot be written.
        FileProxy(path, OIIO::Filesystem::IOProxy::Write).Close();
        OIIO::ImageSpec held = header_;
        held.format = encoder_.Type();
        image_.reset(held);
        if (image_.has_error()) throw ToolError(Reason(image_.geterror(), ""));
    }

    void WriteRows(const float* rows, int count) override {
        const OIIO::ROI band(0, header_.width, next_, next_ + count, 0, 1, 0, header_.nchannels);
        if (!image_.set_pixels(band, encoder_.Type(), encoder_.Encode(rows, count)))
            throw ToolError(Reason(image_.geterror(), ""));
        next_ += count;
    }

    void Finish() override {
        OIIO::ImageSpec config;
        config.format = header_.format;
        config.tile_width = config.tile_height = 64;
        config.attribute("maketx:fileformatname", "tiff");
        // Each level is the mean of 2 x 2 texels of the level above: no ringing in data maps,
        // and a tileable image's levels tile as exactly as the image.
        config.attribute("maketx:filtername", "box");
        config.attribute("wrapmodes", encoding_.periodic ? "periodic,periodic" : "clamp,clamp");
        config.attribute("compression", "zip");
        if (!OIIO::ImageBufAlgo::make_texture(OIIO::ImageBufAlgo::MakeTxTexture, image_, path_,
                                              config)) {
            throw ToolError(Reason(OIIO::geterror(), ""));
        }
    }

private:
    std::string path_;
    ImageEncoding encoding_;
    OIIO::ImageSpec header_;
    RowEncoder encoder_;
    OIIO::ImageBuf image_;
    int next_ = 0;
};

}  // namespace

std::unique_ptr<ImageWriter> LibraryOpenWriter(const std::string& path,
                                               std::vector<unsigned char>* memory,
                                               const ImageLayout& layout,
                                               const ImageEncoding& encoding) {
    if (encoding.format == ImageFormat::Texture)
        return std::make_unique<TextureWriter>(path, layout, encoding);
    return std::make_unique<StreamWriter>(path, memory, layout, encoding);
}
