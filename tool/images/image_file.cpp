#include "tool/images/image_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "tool/base/tool_error.h"
#include "tool/images/exr_file.h"
#include "tool/images/png_file.h"

ImageFormat ImageFormatOf(const std::string& path) {
    if (path == "-") {
        throw ToolError(
            "'-' (a standard stream) cannot hold an image here: name a .png or .exr "
            "file");
    }
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".png") return ImageFormat::Png;
    if (ext == ".exr") return ImageFormat::Exr;
    throw ToolError("unknown image format '" + path + "': accepted extensions are .png and .exr");
}

void WriteImage(OutputFile& out, ImageFormat format, const Image& image, int pngBits,
                PngColorSpace pngSpace) {
    WriteImageRows(
        out, format, image.width, image.height, image.channels, pngBits,
        [&](ImageWriter& writer) { writer.WriteRows(image.pixels.data(), image.height); },
        pngSpace);
}

void WriteImageRows(OutputFile& out, ImageFormat format, int width, int height, int channels,
                    int pngBits, const std::function<void(ImageWriter&)>& produce,
                    PngColorSpace pngSpace) {
    try {
        const std::unique_ptr<ImageWriter> writer =
            format == ImageFormat::Png
                ? OpenPngWriter(out.TempPath(), width, height, channels, pngBits, pngSpace)
                : OpenExrWriter(out.TempPath(), width, height, channels);
        produce(*writer);
        writer->Finish();
    } catch (const ToolError& e) {
        throw ToolError("cannot write '" + out.Path() + "': " + e.what());
    }
    out.Commit();
}

Image ReadImage(const std::string& path) {
    const ImageFormat format = ImageFormatOf(path);
    return format == ImageFormat::Png ? ReadPng(path) : ReadExr(path);
}
