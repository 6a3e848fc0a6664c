#include "tools/image_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "tools/exr_file.h"
#include "tools/png_file.h"
#include "tools/tool_error.h"

ImageFormat ImageFormatOf(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".png") return ImageFormat::Png;
    if (ext == ".exr") return ImageFormat::Exr;
    throw ToolError("unknown image format '" + path + "': accepted extensions are .png and .exr");
}

void WriteImage(OutputFile& out, ImageFormat format, const Image& image, int pngBits) {
    try {
        if (format == ImageFormat::Png) {
            WritePng(out.TempPath(), image, pngBits);
        } else {
            WriteExr(out.TempPath(), image);
        }
    } catch (const ToolError& e) {
        throw ToolError("cannot write '" + out.Path() + "': " + e.what());
    }
    out.Commit();
}

Image ReadImage(const std::string& path) {
    const ImageFormat format = ImageFormatOf(path);
    return format == ImageFormat::Png ? ReadPng(path) : ReadExr(path);
}
