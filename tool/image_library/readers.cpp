#include "tool/image_library/library_parts.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <OpenImageIO/imageio.h>

#include "tool/base/tool_error.h"
#include "tool/image_library/file_proxy.h"

namespace {

// Bytes in memory, remembering whether a read went past their end.
class MemorySource final : public OIIO::Filesystem::IOMemReader {
public:
    using IOMemReader::IOMemReader;
    size_t read(void* buf, size_t size) override {
        return Note(IOMemReader::read(buf, size), size);
    }
    size_t pread(void* buf, size_t size, int64_t offset) override {
        return Note(IOMemReader::pread(buf, size, offset), size);
    }
    bool metEnd = false;

private:
    size_t Note(size_t got, size_t asked) {
        metEnd = metEnd || got < asked;
        return got;
    }
};

// What went wrong, in the system's words when a read failed or fell short, else the
// library's, on one line and of reasonable length.
std::string Reason(const std::string& library, const std::string& system, bool metEnd) {
    if (!system.empty()) return system;
    if (metEnd) return "the file ends early (it is cut short)";
    std::string text;
    for (const char c : library) text += c == '\n' ? ';' : c;
    if (text.empty()) text = "the image library could not read it";
    constexpr std::size_t kLongest = 240;
    if (text.size() > kLongest) text = text.substr(0, kLongest) + "...";
    return text;
}

// "PNG", "EXR", "TIFF" for the library's format names.
std::string FormatName(const std::string& library) {
    if (library == "openexr") return "EXR";
    if (library == "targa") return "TGA";
    std::string name = library;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// OpenImageIO calls a PNG sRGB whether its sRGB chunk says so or it says nothing at all; only
// the chunks before the image data tell the two apart. An ICC profile counts as sRGB.
bool PngStatesSrgb(OIIO::Filesystem::IOProxy& source) {
    unsigned char head[8];
    std::int64_t at = 8;  // past the signature
    for (int chunk = 0; chunk < 256 && source.pread(head, 8, at) == 8; ++chunk) {
        const std::string type(reinterpret_cast<const char*>(head) + 4, 4);
        if (type == "sRGB" || type == "iCCP") return true;
        if (type == "IDAT") return false;
        const std::uint32_t length = (std::uint32_t{head[0]} << 24) | (head[1] << 16) |
                                     (head[2] << 8) | std::uint32_t{head[3]};
        at += 12 + static_cast<std::int64_t>(length);
    }
    return false;
}

// While alive, standard error is silenced: the library's PNG reader lets libpng print each of
// its errors there as well as reporting it, and the tool says what went wrong in one line.
class QuietStandardError {
public:
    QuietStandardError() : lock_(mutex_) {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (saved_ < 0) return;
        dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    static inline std::mutex mutex_;
    std::lock_guard<std::mutex> lock_;
    int saved_ = -1;
};

// A stated gamma this close to 2.2 stands for sRGB, as sRGB's own gAMA value does.
constexpr double kSrgbGammaTolerance = 0.1;

void StateTransfer(const OIIO::ImageSpec& header, const std::string& format,
                   OIIO::Filesystem::IOProxy& source, Image& image) {
    const std::string space = header.get_string_attribute("oiio:ColorSpace");
    const float gamma = header.get_float_attribute("oiio:Gamma", 0.0f);
    image.eightBit = header.format == OIIO::TypeDesc::UINT8 && header.channelformats.empty();
    if (gamma > 0.0f) {
        image.transfer = std::fabs(gamma - 1.0) < 1e-3                  ? ImageTransfer::Linear
                         : std::fabs(gamma - 2.2) < kSrgbGammaTolerance ? ImageTransfer::Srgb
                                                                        : ImageTransfer::Gamma;
        image.gamma = 1.0 / gamma;
    } else if (format == "png") {
        image.transfer = PngStatesSrgb(source) ? ImageTransfer::Srgb : ImageTransfer::Unstated;
    } else if (OIIO::Strutil::iequals(space, "sRGB")) {
        image.transfer = ImageTransfer::Srgb;
    } else {
        image.transfer = space.empty() ? ImageTransfer::Unstated : ImageTransfer::Linear;
    }
}

// Which of the file's channels make the image's: grey (one), RGB or RGBA.
std::vector<int> ChosenChannels(const OIIO::ImageSpec& header) {
    const auto find = [&](const char* name) {
        const auto it = std::find(header.channelnames.begin(), header.channelnames.end(), name);
        return it == header.channelnames.end() ? -1
                                               : static_cast<int>(it - header.channelnames.begin());
    };
    int alpha = find("A");
    if (alpha < 0) alpha = header.alpha_channel;
    std::vector<int> colour = {find("R"), find("G"), find("B")};
    if (colour[0] < 0 || colour[1] < 0 || colour[2] < 0) {
        const int y = find("Y");
        if (y >= 0) {
            colour = {y};
        } else {
            colour.clear();
            for (int c = 0; c < header.nchannels && colour.size() < 3; ++c) {
                if (c != alpha) colour.push_back(c);
            }
            if (colour.size() == 2) colour.resize(1);
        }
    }
    if (colour.size() == 1 && alpha >= 0) colour = {colour[0], colour[0], colour[0]};
    if (alpha >= 0 && colour.size() == 3) colour.push_back(alpha);
    return colour;
}

// The reader by the extension alone: the library would open the file to guess otherwise.
std::unique_ptr<OIIO::ImageInput> ReaderFor(const std::string& name) {
    PrepareImageLibrary();
    const std::string extension = std::filesystem::path(name).extension().string();
    std::unique_ptr<OIIO::ImageInput> in;
    if (extension.size() > 1) in = OIIO::ImageInput::create(extension.substr(1), false);
    if (!in) {
        throw ToolError("cannot read image '" + name +
                        "': not a kind of image file that the tool reads (by its extension)");
    }
    return in;
}

Image ReadFrom(std::unique_ptr<OIIO::ImageInput> reader, const std::string& name,
               OIIO::Filesystem::IOProxy& source, const std::string& systemFailure,
               const bool& metEnd, int maxSide) {
    std::optional<QuietStandardError> quiet;  // outlives the reader, which may print as it ends
    const std::unique_ptr<OIIO::ImageInput> in = std::move(reader);
    const std::string format = in->format_name();
    const std::string kind = FormatName(format);
    if (format == "png") quiet.emplace();
    in->set_ioproxy(&source);
    OIIO::ImageSpec config, header;
    config.attribute("oiio:UnassociatedAlpha", 1);
    if (!in->open(name, header, config)) {
        const std::string error = in->geterror();
        if (source.size() == 0) {
            throw ToolError("cannot read image '" + name + "': not a" +
                            (kind[0] == 'E' ? "n " : " ") + kind + " file (it is empty)");
        }
        throw ToolError("cannot read " + kind + " '" + name +
                        "': " + Reason(error, systemFailure, metEnd));
    }
    if (header.width > maxSide || header.height > maxSide) {
        throw ToolError("cannot read " + kind + " '" + name + "': its size is beyond " +
                        std::to_string(maxSide) + " pixels a side (" +
                        std::to_string(header.width) + " x " + std::to_string(header.height) + ")");
    }
    if (header.depth > 1 || header.nchannels < 1) {
        throw ToolError("cannot read " + kind + " '" + name + "': a volume or empty image");
    }
    const std::vector<int> chosen = ChosenChannels(header);
    Image image;
    AllocateImage(image, header.width, header.height, static_cast<int>(chosen.size()));
    StateTransfer(header, format, source, image);
    // A band of rows at a time, so that only the image itself is held whole.
    // A tiled file (a .tx) is read whole: the library's scanline reading of tiles fails.
    const int bandRows = header.tile_width > 0 ? header.height : 64;
    std::vector<float> band(static_cast<std::size_t>(header.width) * header.nchannels * bandRows);
    for (int y = 0; y < header.height; y += bandRows) {
        const int rows = std::min(bandRows, header.height - y);
        const bool read =
            header.tile_width > 0
                ? in->read_image(0, 0, 0, header.nchannels, OIIO::TypeFloat, band.data())
                : in->read_scanlines(0, 0, header.y + y, header.y + y + rows, 0, 0,
                                     header.nchannels, OIIO::TypeFloat, band.data());
        if (!read) {
            throw ToolError("cannot read " + kind + " '" + name +
                            "': " + Reason(in->geterror(), systemFailure, metEnd));
        }
        float* out = image.Row(y);
        const std::size_t pixels = static_cast<std::size_t>(header.width) * rows;
        for (std::size_t i = 0; i < pixels; ++i) {
            for (const int c : chosen) *out++ = band[i * header.nchannels + c];
        }
    }
    return image;
}

}  // namespace

Image LibraryReadFile(const std::string& path) {
    std::unique_ptr<OIIO::ImageInput> reader = ReaderFor(path);
    std::unique_ptr<FileProxy> file;
    try {
        file = std::make_unique<FileProxy>(path, OIIO::Filesystem::IOProxy::Read);
    } catch (const ToolError& e) {
        throw ToolError("cannot read image '" + path + "': " + e.what());
    }
    // A file of another kind is named so, before the library's own words for what it met.
    if (file->size() > 0 && !reader->valid_file(path)) {
        const std::string kind = FormatName(reader->format_name());
        throw ToolError("cannot read image '" + path + "': not a" + (kind[0] == 'E' ? "n " : " ") +
                        kind + " file");
    }
    return ReadFrom(std::move(reader), path, *file, file->Failure(), file->MetEnd(), kMaxImageSide);
}

Image LibraryReadMemory(std::string_view data, const std::string& name, int maxSide) {
    MemorySource source(data.data(), data.size());
    const std::string none;
    return ReadFrom(ReaderFor(name), name, source, none, source.metEnd,
                    std::min(maxSide, kMaxImageSide));
}
