// Images written as their rows arrive: the same file however the rows are handed over, every
// band of a bake in its place, and a write that fails is reported, never taken for success.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <fstream>
#include <sstream>

#include "tests/support/tool_runner.h"
#include "tool/base/tool_error.h"
#include "tool/images/image_read.h"
#include "tool/images/image_write.h"

namespace {

// Values across and beyond [0, 1], NaN included, different in every sample.
Image TestImage(int w, int h, int channels) {
    Image image;
    AllocateImage(image, w, h, channels);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<float>(i % 97) / 80.0f - 0.1f;
    image.pixels[5] = std::numeric_limits<float>::quiet_NaN();
    return image;
}

void WriteInChunks(ImageWriter& writer, const Image& image) {
    int y = 0;
    for (int count : {1, 5, 2}) {
        writer.WriteRows(image.Row(y), count);
        y += count;
    }
    writer.WriteRows(image.Row(y), image.height - y);
    writer.Finish();
}

TEST(ImageStream, RowsInChunksGiveTheWholeImagesFile) {
    ScratchFolder dir;
    for (int channels : {1, 3, 4}) {
        const Image image = TestImage(13, 21, channels);
        for (int bits : {8, 16}) {
            WriteImageFile((dir / "whole.png").string(), image, {ImageFormat::Png, bits});
            WriteInChunks(*OpenImageWriter((dir / "rows.png").string(), PlainLayout(13, 21, channels), {ImageFormat::Png, bits}),
                          image);
            EXPECT_EQ(ReadAll(dir / "whole.png"), ReadAll(dir / "rows.png")) << bits;
        }
        WriteImageFile((dir / "whole.exr").string(), image, {ImageFormat::Exr, 32});
        WriteInChunks(*OpenImageWriter((dir / "rows.exr").string(), PlainLayout(13, 21, channels), {ImageFormat::Exr, 32}), image);
        EXPECT_EQ(ReadAll(dir / "whole.exr"), ReadAll(dir / "rows.exr")) << channels;
    }
}

TEST(ImageStream, FullDiskIsAnError) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const Image image = TestImage(64, 64, 4);
    EXPECT_THROW(WriteImageFile("/dev/full", image, {ImageFormat::Png, 8}), ToolError);
    EXPECT_THROW(WriteImageFile("/dev/full", image, {ImageFormat::Png, 16}), ToolError);
    // The file object's own buffer holds all of it until the end: only the close can tell.
    EXPECT_THROW(WriteImageFile("/dev/full", image, {ImageFormat::Exr, 32}), ToolError);
}

TEST(ImageStream, BakeWritesEveryBandInItsPlace) {
    // Tall enough for more bands than are ever in flight, so band buffers are reused.
    constexpr int kW = 3, kH = 300;
    ScratchFolder dir;
    const ToolRun eval = RunTool({"eval", "--filtered"}, BakeSamples(kW, kH, 50.0f));
    ASSERT_EQ(eval.exitCode, 0) << eval.err;
    std::vector<float> want;
    std::istringstream values(eval.out);
    for (float v; values >> v;) want.push_back(v);
    ASSERT_EQ(want.size(), static_cast<std::size_t>(kW * kH * 4));

    for (const char* threads : {"1", "2", "0"}) {
        const std::string file = (dir / (std::string("b") + threads + ".exr")).string();
        const ToolRun run =
            RunTool({"bake", "-q", "--threads", threads, "--samples", "1", "--bits", "32", "--res",
                     std::to_string(kW) + "x" + std::to_string(kH), "-o", file});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ReadImage(file).pixels, want) << threads << " threads";
    }
}

}  // namespace
