// The bake's image writer for a caller's buffer: rows land where they belong, top to bottom.
#pragma once

#include <algorithm>
#include <cstddef>

#include "tools/image_writer.h"
#include "tools/tool_error.h"

class ArrayWriter final : public ImageWriter {
public:
    // `data` holds `height` rows of `rowLength` floats.
    ArrayWriter(float* data, std::size_t rowLength, int height)
        : data_(data), rowLength_(rowLength), height_(height) {}

    void WriteRows(const float* rows, int count) override {
        if (count < 0 || count > height_ - next_) throw ToolError("more rows than the image holds");
        std::copy_n(rows, static_cast<std::size_t>(count) * rowLength_,
                    data_ + static_cast<std::size_t>(next_) * rowLength_);
        next_ += count;
    }
    void Finish() override {
        if (next_ != height_) throw ToolError("the bake ended before its last row");
    }

private:
    float* data_;
    std::size_t rowLength_;
    int height_;
    int next_ = 0;
};
