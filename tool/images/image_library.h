// The part of the tool that holds OpenImageIO: a library of its own, loaded the first time an
// image is read or written. OpenImageIO and the libraries it needs take a few tenths of a
// second to load, which the commands that touch no image file (eval, params, info, help)
// would otherwise pay on every run.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tool/images/image.h"
#include "tool/images/image_writer.h"

struct ImageEncoding;
struct ImageLayout;

// What the library does; each call throws ToolError as the function it serves states.
struct ImageLibraryCalls {
    Image (*readFile)(const std::string& path);
    Image (*readMemory)(std::string_view data, const std::string& name, int maxSide);
    // To `path`, or into `memory` when it is given (PNG and JPEG).
    std::unique_ptr<ImageWriter> (*openWriter)(const std::string& path,
                                               std::vector<unsigned char>* memory,
                                               const ImageLayout& layout,
                                               const ImageEncoding& encoding);
};

// The library's one export, by this name.
#define QUORV_IMAGE_LIBRARY_ENTRY "QuorvImageLibraryCalls"
extern "C" const ImageLibraryCalls* QuorvImageLibraryCalls();

// The library's calls, loaded at the first use from beside the host library, which every
// program of the tool loads. Throws ToolError when it cannot be loaded.
const ImageLibraryCalls& ImageLibrary();
