#include "tool/images/image_format.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "tool/base/tool_error.h"

namespace {

// clang-format off
// Every format the tool writes: PNG and TIFF as most texture tools exchange them, EXR for
// linear floats and layers, .tx for renderers that texture from tiled MIP-maps (a TIFF
// inside), JPEG for colour previews.
constexpr ImageFormatInfo kFormats[] = {
    {ImageFormat::Png,     "PNG",  "png",     "8 or 16",                 true,  false, false, true,  false},
    {ImageFormat::Exr,     "EXR",  "openexr", "16 (half) or 32 (float)", false, true,  true,  true,  true},
    {ImageFormat::Tiff,    "TIFF", "tiff",    "8, 16 or 32 (float)",     true,  false, true,  true,  false},
    {ImageFormat::Texture, "TX",   "tiff",    "8, 16 or 32 (float)",     true,  false, true,  true,  false},
    {ImageFormat::Jpeg,    "JPEG", "jpeg",    "8",                       false, false, false, false, false},
};

constexpr std::pair<std::string_view, ImageFormat> kExtensions[] = {
    {".png", ImageFormat::Png}, {".exr", ImageFormat::Exr}, {".tif", ImageFormat::Tiff},
    {".tiff", ImageFormat::Tiff}, {".tx", ImageFormat::Texture}, {".jpg", ImageFormat::Jpeg},
    {".jpeg", ImageFormat::Jpeg},
};

constexpr const char* kCompressionNames[] = {"none", "rle", "zips", "zip", "piz",
                                             "pxr24", "b44", "b44a", "dwaa", "dwab"};
// clang-format on

}  // namespace

ImageFormat ImageFormatOf(const std::string& path) {
    constexpr const char* kAccepted = ".png, .exr, .tif, .tiff, .tx, .jpg and .jpeg";
    if (path == "-") {
        throw ToolError(std::string("'-' (a standard stream) cannot hold an image here: name a ") +
                        "file (" + kAccepted + ")");
    }
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& [name, format] : kExtensions) {
        if (ext == name) return format;
    }
    throw ToolError("unknown image format '" + path + "': accepted extensions are " + kAccepted);
}

const ImageFormatInfo& FormatInfo(ImageFormat format) {
    return *std::find_if(std::begin(kFormats), std::end(kFormats),
                         [&](const ImageFormatInfo& f) { return f.format == format; });
}

const char* ExrCompressionName(ExrCompression compression) {
    return kCompressionNames[static_cast<int>(compression)];
}
