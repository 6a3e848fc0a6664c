#include "tool/images/png_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <png.h>

#include "tool/base/tool_error.h"

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

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// libpng reports errors by longjmp; these keep the message for the ToolError thrown after.
void OnPngError(png_structp png, png_const_charp message) {
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    // A size beyond the limits is only a warning, followed by the error "Invalid IHDR data":
    // the warning says more.
    if (text && text->find("exceeds user limit") == std::string::npos) *text = message;
    png_longjmp(png, 1);
}
void OnPngWarning(png_structp png, png_const_charp message) {
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    if (text && std::strstr(message, "exceeds user limit")) *text = message;
}

std::uint32_t Quantise(float v, std::uint32_t maxCode) {
    if (!(v > 0.0f)) return 0;  // NaN too
    if (v >= 1.0f) return maxCode;
    return static_cast<std::uint32_t>(v * static_cast<float>(maxCode) + 0.5f);
}

int ColorType(int channels) {
    return channels == 1   ? PNG_COLOR_TYPE_GRAY
           : channels == 3 ? PNG_COLOR_TYPE_RGB
                           : PNG_COLOR_TYPE_RGB_ALPHA;
}

// Where the bytes go: a file, or a string when there is no file. libpng's own stdio calls
// say only "Write Error"; these keep the system's reason ("No space left on device").
struct PngSink {
    std::FILE* file = nullptr;
    std::string* memory = nullptr;
};

void WriteToSink(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    if (!sink->file) {
        sink->memory->append(reinterpret_cast<const char*>(data), length);
        return;
    }
    errno = 0;
    if (std::fwrite(data, 1, length, sink->file) != length) {
        png_error(png, errno != 0 ? std::strerror(errno) : "the write failed");
    }
}
void FlushNothing(png_structp) {}

// The libpng calls with their longjmp target; only trivially destructible locals live here.
bool StartPng(png_structp png, png_infop info, PngSink* sink, int width, int height, int bits,
              int channels, PngColorSpace space) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, sink, WriteToSink, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bits,
                 ColorType(channels), PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (space == PngColorSpace::Srgb) {
        // sRGB with the gAMA and cHRM values that stand for it, for readers without sRGB.
        png_set_sRGB_gAMA_and_cHRM(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    } else if (space == PngColorSpace::Linear) {
        png_set_gAMA_fixed(png, info, PNG_GAMMA_LINEAR);
        if (channels >= 3) {
            // The sRGB primaries and white point, in units of 1/100000.
            png_set_cHRM_fixed(png, info, 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000);
        }
    }
    png_write_info(png, info);
    return true;
}

bool WritePngRows(png_structp png, png_bytepp rows, int count) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_write_rows(png, rows, static_cast<png_uint_32>(count));
    return true;
}

bool EndPng(png_structp png) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_write_end(png, nullptr);
    return true;
}

class PngWriter final : public ImageWriter {
public:
    // To the file at `path`, or appended to `memory` when it is given.
    PngWriter(const std::string& path, std::string* memory, int width, int height, int channels,
              int bits, PngColorSpace space)
        : bytes_(bits == 16 ? 2 : 1),
          maxCode_(bits == 16 ? 65535u : 255u),
          rowLength_(static_cast<std::size_t>(width) * channels),
          channels_(channels),
          // Grey and colour channels are encoded; alpha is not.
          encoded_(space == PngColorSpace::Srgb ? (channels >= 3 ? 3 : 1) : 0) {
        if (!memory) {
            file_.reset(std::fopen(path.c_str(), "wb"));
            if (!file_) throw ToolError(std::strerror(errno));
        }
        sink_ = {file_.get(), memory};
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error_, OnPngError, OnPngWarning);
        info_ = png_ ? png_create_info_struct(png_) : nullptr;
        if (!info_) {
            png_destroy_write_struct(&png_, &info_);
            throw ToolError("out of memory");
        }
        if (!StartPng(png_, info_, &sink_, width, height, bits, channels, space)) Fail();
    }
    ~PngWriter() override {
        if (png_) png_destroy_write_struct(&png_, &info_);
    }

    void WriteRows(const float* rows, int count) override {
        if (!png_) throw ToolError(error_);
        const std::size_t rowBytes = rowLength_ * bytes_;
        band_.resize(rowBytes * count);
        pointers_.resize(count);
        for (int y = 0; y < count; ++y) {
            png_bytep row = band_.data() + rowBytes * y;
            pointers_[y] = row;
            const float* src = rows + rowLength_ * y;
            for (std::size_t i = 0; i < rowLength_; ++i) {
                const bool encode = static_cast<int>(i % channels_) < encoded_;
                const std::uint32_t code = Quantise(encode ? SrgbEncode(src[i]) : src[i], maxCode_);
                if (bytes_ == 2) {  // PNG stores 16-bit samples big-endian
                    row[2 * i] = static_cast<png_byte>(code >> 8);
                    row[2 * i + 1] = static_cast<png_byte>(code & 0xFF);
                } else {
                    row[i] = static_cast<png_byte>(code);
                }
            }
        }
        if (!WritePngRows(png_, pointers_.data(), count)) Fail();
    }

    void Finish() override {
        if (!png_) throw ToolError(error_);
        if (!EndPng(png_)) Fail();
        png_destroy_write_struct(&png_, &info_);
        if (!file_) return;
        errno = 0;
        if (std::fflush(file_.get()) != 0 || std::ferror(file_.get())) {
            throw ToolError(errno != 0 ? std::strerror(errno) : "the write failed");
        }
        // Closing may still fail to write what the system held back.
        if (std::fclose(file_.release()) != 0) throw ToolError(std::strerror(errno));
    }

private:
    // After a libpng error its structures may only be destroyed. The message is the system's
    // reason for a failed write, else libpng's own.
    [[noreturn]] void Fail() {
        png_destroy_write_struct(&png_, &info_);
        throw ToolError(error_);
    }

    int bytes_;
    std::uint32_t maxCode_;
    std::size_t rowLength_;
    std::size_t channels_;
    int encoded_;  // the first channels of each pixel, sRGB-encoded
    FilePtr file_;
    PngSink sink_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    std::string error_;
    std::vector<png_byte> band_;
    std::vector<png_bytep> pointers_;
};

struct ReadResult {
    png_uint_32 width = 0, height = 0;
    int channels = 0, bits = 0;
    ImageTransfer transfer = ImageTransfer::Unstated;
    double gamma = 1.0;
};

// A stated gamma this close to 1/2.2 stands for sRGB, as sRGB's own gAMA value (45455) does.
constexpr double kSrgbGammaTolerance = 0.02;

// What is left of a PNG held in memory.
struct MemorySource {
    const unsigned char* next;
    std::size_t left;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->left) png_error(png, "the file ends early (it is cut short)");
    std::memcpy(data, source->next, length);
    source->next += length;
    source->left -= length;
}

// As libpng's own stdio reader, but saying why a read fell short instead of "Read Error".
void ReadFromFile(png_structp png, png_bytep data, png_size_t length) {
    auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
    errno = 0;
    if (std::fread(data, 1, length, file) == length) return;
    if (std::ferror(file)) png_error(png, errno != 0 ? std::strerror(errno) : "the read failed");
    png_error(png, "the file ends early (it is cut short)");
}

// From the file, or from `memory` when there is no file.
bool ReadHeader(png_structp png, png_infop info, std::FILE* file, MemorySource* memory,
                ReadResult* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    if (file) {
        png_set_read_fn(png, file, ReadFromFile);
    } else {
        png_set_read_fn(png, memory, ReadFromMemory);
    }
    png_read_info(png, info);
    png_fixed_point gamma = 0;
    if (png_get_valid(png, info, PNG_INFO_sRGB)) {
        out->transfer = ImageTransfer::Srgb;
    } else if (png_get_gAMA_fixed(png, info, &gamma) && gamma > 0) {
        const double g = gamma / 100000.0;
        out->transfer = std::fabs(g - 1.0) < 1e-3                        ? ImageTransfer::Linear
                        : std::fabs(g - 1.0 / 2.2) < kSrgbGammaTolerance ? ImageTransfer::Srgb
                                                                         : ImageTransfer::Gamma;
        out->gamma = g;
    }
    const int colorType = png_get_color_type(png, info);
    png_set_expand(png);  // palette to RGB, low-bit grey to 8 bits, tRNS to alpha
    // Grey with alpha (or a transparent grey entry) becomes RGBA: one or three colour channels
    // plus an optional alpha is all the rest of the tool handles.
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA ||
        (colorType == PNG_COLOR_TYPE_GRAY && png_get_valid(png, info, PNG_INFO_tRNS))) {
        png_set_gray_to_rgb(png);
    }
    if (png_get_bit_depth(png, info) == 16) png_set_swap(png);  // host byte order
    png_read_update_info(png, info);
    out->width = png_get_image_width(png, info);
    out->height = png_get_image_height(png, info);
    out->channels = png_get_channels(png, info);
    out->bits = png_get_bit_depth(png, info);
    return true;
}

bool ReadRows(png_structp png, png_bytep* rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

std::unique_ptr<ImageWriter> OpenPngWriter(const std::string& path, int width, int height,
                                           int channels, int bits, PngColorSpace space) {
    return std::make_unique<PngWriter>(path, nullptr, width, height, channels, bits, space);
}

std::unique_ptr<ImageWriter> OpenPngMemoryWriter(std::string& out, int width, int height,
                                                 int channels, int bits, PngColorSpace space) {
    return std::make_unique<PngWriter>(std::string(), &out, width, height, channels, bits, space);
}

void WritePng(const std::string& path, const Image& image, int bits, PngColorSpace space) {
    PngWriter writer(path, nullptr, image.width, image.height, image.channels, bits, space);
    writer.WriteRows(image.pixels.data(), image.height);
    writer.Finish();
}

namespace {

// The PNG after its signature, from the file or from `memory` when there is no file.
Image ReadPngAfterSignature(const std::string& path, std::FILE* file, MemorySource* memory,
                            int maxSide) {
    std::string error;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        throw ToolError("cannot read image '" + path + "': out of memory");
    }
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, static_cast<png_uint_32>(maxSide), static_cast<png_uint_32>(maxSide));
    ReadResult header;
    Image image;
    bool ok = ReadHeader(png, info, file, memory, &header);
    std::vector<png_byte> data;
    if (ok) {
        try {
            AllocateImage(image, static_cast<int>(header.width), static_cast<int>(header.height),
                          header.channels);
        } catch (...) {
            png_destroy_read_struct(&png, &info, nullptr);
            throw;
        }
        const std::size_t rowBytes = image.RowLength() * (header.bits == 16 ? 2 : 1);
        data.resize(rowBytes * image.height);
        std::vector<png_bytep> rows(image.height);
        for (int y = 0; y < image.height; ++y) rows[y] = data.data() + rowBytes * y;
        ok = ReadRows(png, rows.data());
    }
    png_destroy_read_struct(&png, &info, nullptr);
    // libpng words the size bound as its own "user limit": say what the bound is.
    if (!ok && error.find("exceeds user limit") != std::string::npos) {
        throw ToolError("cannot read PNG '" + path + "': its size is beyond " +
                        std::to_string(maxSide) + " pixels a side (" + error + ")");
    }
    if (!ok) throw ToolError("cannot read PNG '" + path + "': " + error);

    image.transfer = header.transfer;
    image.gamma = header.gamma;
    const std::size_t count = image.pixels.size();
    if (header.bits == 16) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint16_t sample;
            std::memcpy(&sample, data.data() + 2 * i, sizeof sample);
            image.pixels[i] = sample / 65535.0f;
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) image.pixels[i] = data[i] / 255.0f;
    }
    return image;
}

}  // namespace

Image ReadPng(const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) throw ToolError("cannot read image '" + path + "': " + std::strerror(errno));
    png_byte signature[8] = {};
    errno = 0;
    const std::size_t got = std::fread(signature, 1, 8, file.get());
    // A folder opens, then fails to read (EISDIR).
    if (got != 8 && std::ferror(file.get()) && errno != 0) {
        throw ToolError("cannot read image '" + path + "': " + std::strerror(errno));
    }
    if (got != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        throw ToolError("cannot read image '" + path + "': not a PNG file");
    }
    return ReadPngAfterSignature(path, file.get(), nullptr, kMaxImageSide);
}

Image ReadPngMemory(std::string_view data, const std::string& name, int maxSide) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    if (data.size() < 8 || png_sig_cmp(bytes, 0, 8) != 0) {
        throw ToolError("cannot read image '" + name + "': not a PNG file");
    }
    MemorySource source{bytes + 8, data.size() - 8};
    return ReadPngAfterSignature(name, nullptr, &source, std::min(maxSide, kMaxImageSide));
}
