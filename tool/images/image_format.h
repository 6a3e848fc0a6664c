// Image file formats by extension, and what each can hold.
#pragma once

#include <string>

enum class ImageFormat { Png, Exr, Tiff, Texture, Jpeg };

// OpenEXR's compressions; Zip is the library's and most tools' default.
enum class ExrCompression { None, Rle, Zips, Zip, Piz, Pxr24, B44, B44a, Dwaa, Dwab };

struct ImageFormatInfo {
    ImageFormat format;
    const char* name;      // as messages name it: "PNG", "TIFF"
    const char* library;   // OpenImageIO's name of the writer
    const char* bits;      // the --bits it takes, as a message lists them
    bool eightAndSixteen;  // 8 and 16-bit integer channels
    bool half;             // 16 bits are half floats rather than integers
    bool floats;           // 32-bit float channels
    bool data;             // may hold data (JPEG's lossy colour may not)
    bool layers;           // several outputs in one file, as named channels
};

// The format named by the path's extension (case-insensitive); a ToolError listing the
// accepted extensions otherwise.
ImageFormat ImageFormatOf(const std::string& path);
const ImageFormatInfo& FormatInfo(ImageFormat format);
// OpenImageIO's name of the compression ("zip").
const char* ExrCompressionName(ExrCompression compression);
