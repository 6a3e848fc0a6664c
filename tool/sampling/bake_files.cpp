#include "tool/sampling/bake_files.h"

#include <cstddef>

#include "tool/base/tool_error.h"
#include "tool/images/image_file.h"
#include "tool/images/png_file.h"

namespace {

bool IsColor(BakeOutput output) {
    return output == BakeOutput::Color;
}

bool HalfInExr(BakeOutput output, const BakeEncoding& encoding) {
    return encoding.bits == 0 ? IsColor(output) : encoding.bits == 16;
}

// Errors of the writer it wraps name the file.
class NamedWriter final : public ImageWriter {
public:
    NamedWriter(std::unique_ptr<ImageWriter> writer, std::string path)
        : writer_(std::move(writer)), path_(std::move(path)) {}
    void WriteRows(const float* rows, int count) override {
        try {
            writer_->WriteRows(rows, count);
        } catch (const ToolError& e) {
            throw ToolError("cannot write '" + path_ + "': " + e.what());
        }
    }
    void Finish() override {
        try {
            writer_->Finish();
        } catch (const ToolError& e) {
            throw ToolError("cannot write '" + path_ + "': " + e.what());
        }
    }

private:
    std::unique_ptr<ImageWriter> writer_;
    std::string path_;
};

// Deals each pixel's channels out to one writer per output.
class SplitWriter final : public ImageWriter {
public:
    SplitWriter(std::vector<std::unique_ptr<ImageWriter>> writers, std::vector<int> channels,
                int width)
        : writers_(std::move(writers)), channels_(std::move(channels)), width_(width) {
        for (int c : channels_) pixelChannels_ += c;
    }
    void WriteRows(const float* rows, int count) override {
        const std::size_t pixels = static_cast<std::size_t>(width_) * count;
        std::size_t offset = 0;
        for (std::size_t k = 0; k < writers_.size(); ++k) {
            const std::size_t c = static_cast<std::size_t>(channels_[k]);
            part_.resize(pixels * c);
            for (std::size_t i = 0; i < pixels; ++i) {
                const float* src = rows + i * pixelChannels_ + offset;
                for (std::size_t j = 0; j < c; ++j) part_[i * c + j] = src[j];
            }
            writers_[k]->WriteRows(part_.data(), count);
            offset += c;
        }
    }
    void Finish() override {
        for (auto& writer : writers_) writer->Finish();
    }

private:
    std::vector<std::unique_ptr<ImageWriter>> writers_;
    std::vector<int> channels_;
    int width_;
    std::size_t pixelChannels_ = 0;
    std::vector<float> part_;
};

// The layer output is an index, 0 to 7: in a PNG it is stored as the code itself (value
// index / (2^bits - 1)), since PNG values end at 1.
class IndexCodeWriter final : public ImageWriter {
public:
    IndexCodeWriter(std::unique_ptr<ImageWriter> writer, int width, int bits)
        : writer_(std::move(writer)), width_(width), scale_(1.0f / ((1 << bits) - 1)) {}
    void WriteRows(const float* rows, int count) override {
        part_.assign(rows, rows + static_cast<std::size_t>(width_) * count);
        for (float& v : part_) v *= scale_;
        writer_->WriteRows(part_.data(), count);
    }
    void Finish() override { writer_->Finish(); }

private:
    std::unique_ptr<ImageWriter> writer_;
    int width_;
    float scale_;
    std::vector<float> part_;
};

std::unique_ptr<ImageWriter> OpenOutput(const OutputFile& file, BakeOutput output, int width,
                                        int height, const BakeEncoding& encoding) {
    const int channels = BakeChannels(output);
    std::unique_ptr<ImageWriter> writer;
    try {
        if (ImageFormatOf(file.Path()) == ImageFormat::Png) {
            writer = OpenPngWriter(file.TempPath(), width, height, channels,
                                   encoding.bits == 0 ? 8 : encoding.bits,
                                   IsColor(output) ? PngColorSpace::Srgb : PngColorSpace::Linear);
            if (output == BakeOutput::Layer)
                writer = std::make_unique<IndexCodeWriter>(std::move(writer), width,
                                                           encoding.bits == 0 ? 8 : encoding.bits);
        } else {
            writer = OpenExrWriter(file.TempPath(), width, height,
                                   ExrImageChannels(channels, HalfInExr(output, encoding)),
                                   encoding.compression);
        }
    } catch (const ToolError& e) {
        throw ToolError("cannot write '" + file.Path() + "': " + e.what());
    }
    return std::make_unique<NamedWriter>(std::move(writer), file.Path());
}

}  // namespace

void CheckBakeFiles(const std::vector<std::string>& paths, const std::vector<BakeOutput>& outputs,
                    const BakeEncoding& encoding) {
    const bool layered = paths.size() == 1 && outputs.size() > 1;
    if (paths.size() != outputs.size() && !layered) {
        throw ToolError(std::to_string(outputs.size()) + " outputs and " +
                        std::to_string(paths.size()) +
                        " files: name one file per output (-o for each, in the order of "
                        "--output), or one .exr for all");
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const ImageFormat format = ImageFormatOf(paths[i]);
        if (format == ImageFormat::Png) {
            if (layered) {
                throw ToolError("'" + paths[i] +
                                "' cannot hold several outputs: name one file per output, or "
                                "write one .exr with a layer per output");
            }
            if (outputs[i] == BakeOutput::Bump) {
                throw ToolError("'" + paths[i] +
                                "': the bump output is the raw vector, which a PNG cannot hold; "
                                "write it to .exr, or bake --output normal for a normal map");
            }
            if (encoding.bits != 0 && encoding.bits != 8 && encoding.bits != 16) {
                throw ToolError("'" + paths[i] + "': PNG takes --bits 8 or 16");
            }
        } else if (encoding.bits != 0 && encoding.bits != 16 && encoding.bits != 32) {
            throw ToolError("'" + paths[i] + "': EXR takes --bits 16 (half) or 32 (float)");
        }
    }
}

void WriteBakeFiles(const std::vector<OutputFile*>& files, const std::vector<BakeOutput>& outputs,
                    int width, int height, const BakeEncoding& encoding,
                    const std::function<void(ImageWriter&)>& produce) {
    std::unique_ptr<ImageWriter> writer;
    if (files.size() == 1 && outputs.size() > 1) {
        // One multi-layer EXR: a layer named for each output.
        std::vector<ExrChannel> channels;
        for (const BakeOutput output : outputs) {
            for (ExrChannel& c : ExrImageChannels(BakeChannels(output), HalfInExr(output, encoding),
                                                  BakeOutputName(output))) {
                channels.push_back(std::move(c));
            }
        }
        try {
            writer = std::make_unique<NamedWriter>(
                OpenExrWriter(files[0]->TempPath(), width, height, channels, encoding.compression),
                files[0]->Path());
        } catch (const ToolError& e) {
            throw ToolError("cannot write '" + files[0]->Path() + "': " + e.what());
        }
    } else if (outputs.size() == 1) {
        writer = OpenOutput(*files[0], outputs[0], width, height, encoding);
    } else {
        std::vector<std::unique_ptr<ImageWriter>> writers;
        std::vector<int> channels;
        for (std::size_t k = 0; k < outputs.size(); ++k) {
            writers.push_back(OpenOutput(*files[k], outputs[k], width, height, encoding));
            channels.push_back(BakeChannels(outputs[k]));
        }
        writer = std::make_unique<SplitWriter>(std::move(writers), std::move(channels), width);
    }
    produce(*writer);
    writer->Finish();
    for (OutputFile* file : files) file->Commit();
}
