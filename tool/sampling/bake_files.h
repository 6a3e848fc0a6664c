// The files a bake writes: one per output, or one multi-layer EXR holding them all, each
// output encoded as its kind asks (colour sRGB in integer files, data as computed).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tool/base/output_file.h"
#include "tool/images/image_format.h"
#include "tool/images/image_writer.h"
#include "tool/sampling/bake.h"

struct BakeEncoding {
    // PNG, TIFF, .tx: 8 or 16 (integers), TIFF and .tx also 32 (float); EXR: 16 (half) or 32
    // (float); JPEG: 8. 0: 8 bits, and in EXR half for colour, float for every other output.
    int bits = 0;
    ExrCompression compression = ExrCompression::Zip;
    // The bake repeats without a seam: a .tx wraps periodically.
    bool tileable = false;
};

// A ToolError unless the files can hold the outputs as encoded: one file per output, or one
// .exr for several; bump (the raw vector) only in float files; data never in JPEG; bits that
// the format has.
void CheckBakeFiles(const std::vector<std::string>& paths, const std::vector<BakeOutput>& outputs,
                    const BakeEncoding& encoding);

// Hands `produce` a writer that takes the bake's rows (every output's channels in turn, as
// BakeMap makes them) and writes each output into its file, then commits every file.
void WriteBakeFiles(const std::vector<OutputFile*>& files, const std::vector<BakeOutput>& outputs,
                    int width, int height, const BakeEncoding& encoding,
                    const std::function<void(ImageWriter&)>& produce);
