// The bake's image writer for arrays in memory: each output's channels of every pixel land in
// that output's array, rows top to bottom.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "tool/base/tool_error.h"
#include "tool/images/image_writer.h"

class ArrayWriter final : public ImageWriter {
public:
    struct Target {
        float* data;  // height rows of width x channels floats
        int channels;
    };

    // The targets in the order of the bake's outputs, whose channels make up each pixel.
    ArrayWriter(std::vector<Target> targets, int width, int height)
        : targets_(std::move(targets)), width_(width), height_(height) {
        for (const Target& t : targets_) pixelLength_ += static_cast<std::size_t>(t.channels);
    }

    void WriteRows(const float* rows, int count) override {
        if (count < 0 || count > height_ - next_) throw ToolError("more rows than the image holds");
        const std::size_t pixels = static_cast<std::size_t>(count) * width_;
        const std::size_t first = static_cast<std::size_t>(next_) * width_;
        for (std::size_t i = 0; i < pixels; ++i) {
            const float* in = rows + i * pixelLength_;
            for (const Target& t : targets_) {
                std::copy_n(in, t.channels, t.data + (first + i) * t.channels);
                in += t.channels;
            }
        }
        next_ += count;
    }
    void Finish() override {
        if (next_ != height_) throw ToolError("the bake ended before its last row");
    }

private:
    std::vector<Target> targets_;
    std::size_t pixelLength_ = 0;
    int width_, height_;
    int next_ = 0;
};
