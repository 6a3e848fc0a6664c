// The files a bake writes: one per output, or one multi-layer EXR holding them all, each
// output encoded as its kind asks (colour sRGB in PNG, data linear).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tool/base/output_file.h"
#include "tool/images/exr_file.h"
#include "tool/images/image_writer.h"
#include "tool/sampling/bake.h"

struct BakeEncoding {
    // PNG: 8 or 16. EXR: 16 (half) or 32 (float). 0: PNG 8; EXR half for colour, float for
    // data (every other output).
    int bits = 0;
    ExrCompression compression = ExrCompression::Zip;
};

// A ToolError unless the files can hold the outputs as encoded: one file per output, or one
// .exr for several; bump (the raw vector) never in PNG; bits that the format has.
void CheckBakeFiles(const std::vector<std::string>& paths, const std::vector<BakeOutput>& outputs,
                    const BakeEncoding& encoding);

// Hands `produce` a writer that takes the bake's rows (every output's channels in turn, as
// BakeMap makes them) and writes each output into its file, then commits every file.
void WriteBakeFiles(const std::vector<OutputFile*>& files, const std::vector<BakeOutput>& outputs,
                    int width, int height, const BakeEncoding& encoding,
                    const std::function<void(ImageWriter&)>& produce);
