#include "tool/sampling/bake_files.h"

#include <cstddef>

#include "tool/base/tool_error.h"
#include "tool/images/image_write.h"

namespace {

bool IsColor(BakeOutput output) {
    return output == BakeOutput::Color;
}

// The raw bump vector is not bounded: only float channels hold it.
bool Unbounded(BakeOutput output) {
    return output == BakeOutput::Bump;
}

bool HalfInExr(BakeOutput output, const BakeEncoding& encoding) {
    return encoding.bits == 0 ? IsColor(output) : encoding.bits == 16;
}

// The file's encoding of one output.
ImageEncoding EncodingOf(ImageFormat format, BakeOutput output, const BakeEncoding& encoding) {
    ImageEncoding e;
    e.format = format;
    e.bits = encoding.bits != 0 ? encoding.bits : format == ImageFormat::Exr ? 32 : 8;
    e.color = IsColor(output);
    e.compression = encoding.compression;
    e.periodic = encoding.tileable;
    return e;
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
    const ImageFormat format = ImageFormatOf(file.Path());
    ImageLayout layout = PlainLayout(width, height, BakeChannels(output));
    layout.half.assign(layout.names.size(), HalfInExr(output, encoding));
    std::unique_ptr<ImageWriter> writer;
    try {
        const ImageEncoding e = EncodingOf(format, output, encoding);
        writer = OpenImageWriter(file.TempPath(), layout, e);
        if (output == BakeOutput::Layer && format != ImageFormat::Exr && e.bits != 32)
            writer = std::make_unique<IndexCodeWriter>(std::move(writer), width, e.bits);
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
        const ImageFormatInfo& info = FormatInfo(ImageFormatOf(paths[i]));
        const std::string file = "'" + paths[i] + "'";
        if (layered && !info.layers) {
            throw ToolError(file +
                            " cannot hold several outputs: name one file per output, or "
                            "write one .exr with a layer per output");
        }
        const bool bits16 = encoding.bits == 16 && (info.eightAndSixteen || info.half);
        const bool bits8 = encoding.bits == 8 && info.eightAndSixteen;
        if (encoding.bits != 0 && !bits8 && !bits16 && !(encoding.bits == 32 && info.floats) &&
            !(encoding.bits == 8 && info.format == ImageFormat::Jpeg)) {
            throw ToolError(file + ": " + info.name + " takes --bits " + info.bits);
        }
        for (std::size_t k = 0; k < outputs.size(); ++k) {
            if (!layered && k != i) continue;
            const char* name = BakeOutputName(outputs[k]);
            if (!info.data && !IsColor(outputs[k])) {
                throw ToolError(file + ": " + info.name +
                                " is lossy and for colour previews; "
                                "write the " +
                                name + " output to .png or .tif");
            }
            const bool floats = info.format == ImageFormat::Exr || encoding.bits == 32;
            if (Unbounded(outputs[k]) && !floats) {
                throw ToolError(file + ": the " + name + " output is the raw vector, which " +
                                (info.floats ? "takes --bits 32 in " : "cannot be held by ") +
                                (info.format == ImageFormat::Png ? "a " : "") + info.name +
                                "; write it to .exr, or bake --output normal for a normal map");
            }
        }
    }
}

void WriteBakeFiles(const std::vector<OutputFile*>& files, const std::vector<BakeOutput>& outputs,
                    int width, int height, const BakeEncoding& encoding,
                    const std::function<void(ImageWriter&)>& produce) {
    std::unique_ptr<ImageWriter> writer;
    if (files.size() == 1 && outputs.size() > 1) {
        // One multi-layer EXR: a layer named for each output.
        ImageLayout layout{width, height, {}, {}};
        for (const BakeOutput output : outputs) {
            for (std::string& name :
                 ImageChannelNames(BakeChannels(output), BakeOutputName(output))) {
                layout.names.push_back(std::move(name));
                layout.half.push_back(HalfInExr(output, encoding));
            }
        }
        try {
            writer = std::make_unique<NamedWriter>(
                OpenImageWriter(files[0]->TempPath(), layout,
                                EncodingOf(ImageFormat::Exr, outputs[0], encoding)),
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
