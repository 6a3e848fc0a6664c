// Images from `bake` and `render`: read back with libpng and OpenEXR at the right size with
// the map's own values, the same whatever the thread count; a flat map's normal map is flat.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/support/tool_runner.h"
#include "tool/images/image_read.h"
#include "tool/images/image_write.h"
#include "tool/images/image.h"
#include "tool/sampling/preview_scene.h"

namespace {

std::vector<float> EvalValues(const std::vector<std::string>& args, const std::string& input) {
    const ToolRun run = RunTool(args, input);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<float> values;
    std::istringstream in(run.out);
    for (float v; in >> v;) values.push_back(v);
    return values;
}

constexpr int kW = 9, kH = 6;
constexpr float kExtent = 20.0f;

TEST(ImageOutput, EachFormatReadsBackWithTheMapsValues) {
    ScratchFolder dir;
    // Distinct channels, and an alpha below 1 from a colour map, so that no channel can stand
    // in for another and alpha is seen to stay unencoded.
    Image translucent;
    AllocateImage(translucent, 1, 1, 4);
    translucent.pixels = {0.9f, 0.6f, 0.2f, 0.4f};
    WriteImageFile((dir / "translucent.png").string(), translucent, {ImageFormat::Png, 16});
    const std::vector<std::string> look = {
        "--set", "size=2",
        "--set", "color1=0.1,0.3,0.6",
        "--map", "color2map=" + (dir / "translucent.png").string()};
    const std::string res = std::to_string(kW) + "x" + std::to_string(kH);
    std::vector<std::string> evalArgs = {"eval", "--filtered"};
    evalArgs.insert(evalArgs.end(), look.begin(), look.end());
    const std::vector<float> want = EvalValues(evalArgs, BakeSamples(kW, kH, kExtent));
    ASSERT_EQ(want.size(), static_cast<std::size_t>(kW * kH * 4));

    struct Format {
        std::string file;
        std::vector<std::string> extra;
        float tolerance;
    };
    // One sample a pixel is the pixel centre; colour PNGs are sRGB-encoded, alpha is not.
    for (const Format& f :
         {Format{"c8.png", {}, 0.5f / 255.0f}, Format{"c16.png", {"--bits", "16"}, 0.5f / 65535.0f},
          Format{"c.exr", {"--bits", "32"}, 0.0f}}) {
        std::vector<std::string> args = {
            "bake", "-q",       "--samples", "1",  "--res",
            res,    "--extent", "20",        "-o", (dir / f.file).string()};
        args.insert(args.end(), look.begin(), look.end());
        args.insert(args.end(), f.extra.begin(), f.extra.end());
        const ToolRun run = RunTool(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const Image image = f.file.ends_with(".exr") ? ReadImage((dir / f.file).string())
                                                     : ReadImage((dir / f.file).string());
        ASSERT_EQ(image.width, kW);
        ASSERT_EQ(image.height, kH);
        ASSERT_EQ(image.channels, 4);
        for (std::size_t i = 0; i < want.size(); ++i) {
            const float clamped = std::clamp(want[i], 0.0f, 1.0f);
            const float expected = i % 4 == 3 ? clamped : SrgbEncode(clamped);
            EXPECT_NEAR(image.pixels[i], f.file.ends_with(".exr") ? want[i] : expected,
                        f.tolerance * 1.0001f)
                << f.file << " sample " << i;
        }
    }

    // Mono is one channel; bump keeps the raw vector in OpenEXR.
    ASSERT_EQ(RunTool({"bake", "--samples", "1", "--res", res, "--extent", "20", "--output", "mono",
                       "-o", (dir / "m.exr").string()})
                  .exitCode,
              0);
    const Image mono = ReadImage((dir / "m.exr").string());
    EXPECT_EQ(mono.channels, 1);
    EXPECT_EQ(mono.pixels,
              EvalValues({"eval", "--filtered", "--output", "mono"}, BakeSamples(kW, kH, kExtent)));
    // Under the map-channel mapping the map reads the square's own (u, v) and a pixel's width
    // and height in it, which differ here. The erosion noise fades by the wider of the two,
    // over a range of footprints this size and erosion scale reach.
    constexpr int uw = 48, uh = 32;
    std::vector<std::string> args = {"--set", "xyz_map=0",       "--set", "size=0.1",
                                     "--set", "type=0",          "--set", "useErosion=on",
                                     "--set", "erosionDelta=100"};
    const std::vector<std::string> channel = args;
    args.insert(args.begin(),
                {"bake", "--samples", "1", "--res", std::to_string(uw) + "x" + std::to_string(uh),
                 "--output", "mono", "--bits", "32", "-o", (dir / "uv.exr").string()});
    ASSERT_EQ(RunTool(args).exitCode, 0);
    std::string uv;
    char line[200];
    for (int y = 0; y < uh; ++y) {
        for (int x = 0; x < uw; ++x) {
            std::snprintf(line, sizeof line, "%.9g %.9g 0 %.9g 0 0 0 %.9g 0\n", (x + 0.5f) / uw,
                          1.0f - (y + 0.5f) / uh, 1.0f / uw, -1.0f / uh);
            uv += line;
        }
    }
    args = {"eval", "--filtered", "--output", "mono"};
    args.insert(args.end(), channel.begin(), channel.end());
    EXPECT_EQ(ReadImage((dir / "uv.exr").string()).pixels, EvalValues(args, uv));

    ASSERT_EQ(RunTool({"bake", "--samples", "1", "--res", res, "--extent", "20", "--output", "bump",
                       "-o", (dir / "b.exr").string()})
                  .exitCode,
              0);
    const Image bump = ReadImage((dir / "b.exr").string());
    EXPECT_EQ(bump.channels, 3);
    EXPECT_EQ(bump.pixels, EvalValues({"eval", "--output", "bump"}, BakeSamples(kW, kH, kExtent)));

    // The normal map tilts (0, 0, 1) by the bump's x and y times the strength.
    ASSERT_EQ(RunTool({"bake", "--samples", "1", "--res", res, "--extent", "20", "--output",
                       "normal", "--normal-strength", "2", "-o", (dir / "n.exr").string()})
                  .exitCode,
              0);
    const Image normal = ReadImage((dir / "n.exr").string());
    ASSERT_EQ(normal.pixels.size(), bump.pixels.size());
    for (std::size_t i = 0; i < bump.pixels.size(); i += 3) {
        const float x = 2.0f * bump.pixels[i], y = 2.0f * bump.pixels[i + 1];
        const float length = std::sqrt(x * x + y * y + 1.0f);
        EXPECT_NEAR(normal.pixels[i], 0.5f + 0.5f * x / length, 1e-6f) << i;
        EXPECT_NEAR(normal.pixels[i + 1], 0.5f + 0.5f * y / length, 1e-6f) << i;
        EXPECT_NEAR(normal.pixels[i + 2], 0.5f + 0.5f / length, 1e-6f) << i;
    }
}

TEST(ImageOutput, BakeIsTheSameWhateverTheThreadCount) {
    ScratchFolder dir;
    for (const char* threads : {"1", "3", "0"}) {
        for (const char* ext : {".png", ".exr"}) {
            const ToolRun run =
                RunTool({"bake", "--threads", threads, "--res", "40x24", "--output", "normal", "-o",
                         (dir / (std::string("t") + threads + ext)).string()});
            ASSERT_EQ(run.exitCode, 0) << run.err;
        }
    }
    EXPECT_EQ(ReadAll(dir / "t1.png"), ReadAll(dir / "t3.png"));
    EXPECT_EQ(ReadAll(dir / "t1.png"), ReadAll(dir / "t0.png"));
    EXPECT_EQ(ReadImage((dir / "t1.exr").string()).pixels, ReadImage((dir / "t3.exr").string()).pixels);
    EXPECT_EQ(ReadImage((dir / "t1.exr").string()).pixels, ReadImage((dir / "t0.exr").string()).pixels);
}

TEST(ImageOutput, FlatMapGivesAFlatNormalMap) {
    // Equal colours: no intensity difference, so no bump anywhere, however strong the scratches.
    ScratchFolder dir;
    for (const char* file : {"n.exr", "n.png"}) {
        const ToolRun run =
            RunTool({"bake", "--res", "16", "--output", "normal", "--set", "color1=1,1,1",
                     "--normal-strength", "1000", "-o", (dir / file).string()});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    const Image exr = ReadImage((dir / "n.exr").string());
    const Image png = ReadImage((dir / "n.png").string());
    ASSERT_EQ(exr.channels, 3);
    ASSERT_EQ(exr.width, 16);
    for (std::size_t i = 0; i < exr.pixels.size(); i += 3) {
        EXPECT_EQ(exr.pixels[i], 0.5f);
        EXPECT_EQ(exr.pixels[i + 1], 0.5f);
        EXPECT_EQ(exr.pixels[i + 2], 1.0f);
        EXPECT_EQ(png.pixels[i], 128.0f / 255.0f);
        EXPECT_EQ(png.pixels[i + 2], 1.0f);
    }
}

TEST(ImageOutput, RenderRefinesDisagreeingPixelsAlikeOnAnyThreads) {
    ScratchFolder dir;
    for (const char* threads : {"1", "0"}) {
        ASSERT_EQ(RunTool({"render", "-q", "--threads", threads, "--res", "32x20", "--samples", "2",
                           "-o", (dir / (std::string("r") + threads + ".png")).string()})
                      .exitCode,
                  0);
    }
    ASSERT_EQ(RunTool({"render", "-q", "--res", "32x20", "--samples", "2", "--no-refine", "-o",
                       (dir / "plain.png").string()})
                  .exitCode,
              0);
    EXPECT_EQ(ReadAll(dir / "r1.png"), ReadAll(dir / "r0.png"));
    // The sphere's outline alone has pixels whose samples disagree.
    EXPECT_NE(ReadAll(dir / "r1.png"), ReadAll(dir / "plain.png"));
    EXPECT_EQ(ReadImage((dir / "r1.png").string()).transfer, ImageTransfer::Srgb);
}

TEST(ImageOutput, RenderReadsBackAtItsSize) {
    ScratchFolder dir;
    for (const char* shape : {"sphere", "plane", "cube"}) {
        const ToolRun run = RunTool({"render", "--res", "24x16", "--samples", "1", "--shape", shape,
                                     "-o", (dir / (std::string(shape) + ".png")).string()});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Image image = ReadImage((dir / (std::string(shape) + ".png")).string());
        EXPECT_EQ(image.width, 24);
        EXPECT_EQ(image.height, 16);
        EXPECT_EQ(image.channels, 3);
    }
    ASSERT_EQ(
        RunTool({"render", "-q", "--res", "8", "--samples", "1", "-o", (dir / "r.exr").string()})
            .exitCode,
        0);
    const Image exr = ReadImage((dir / "r.exr").string());
    EXPECT_EQ(exr.width, 8);
    EXPECT_EQ(exr.height, 8);
    EXPECT_EQ(exr.channels, 3);
    // The corner shows the checker background, linear in EXR: 0.18 and 0.32 decoded.
    EXPECT_GT(exr.pixels[0], 0.02f);
    EXPECT_LT(exr.pixels[0], 0.09f);
}

// What `render` draws on the plane, in display values: the checker from a dark top-left
// square; a map of one grey shown through the display encoding (a quarter of the light is
// about half as bright); and the map's bump only when a bump amount is asked for.
TEST(ImageOutput, RenderDrawsTheCheckerTheEncodedMapAndItsBump) {
    ScratchFolder dir;
    const auto render = [&](const std::string& name, std::vector<std::string> extra) {
        std::vector<std::string> args = {
            "render", "-q",     "--shape", "plane", "--res",
            "32",     "--bits", "16",      "-o",    (dir / name).string()};
        args.insert(args.end(), extra.begin(), extra.end());
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return ReadImage((dir / name).string());
    };
    const Image quarter =
        render("quarter.png", {"--set", "color1=0.25,0.25,0.25", "--set", "color2=0.25,0.25,0.25"});
    const Image white = render("white.png", {"--set", "color1=1,1,1", "--set", "color2=1,1,1"});
    ASSERT_EQ(quarter.width, 32);
    // Squares of 32 / 16 = 2 pixels; the corners lie outside the plane.
    EXPECT_NEAR(quarter.pixels[0], 0.18f, 1e-4f);
    EXPECT_NEAR(quarter.pixels[3 * 2], 0.32f, 1e-4f);
    EXPECT_NEAR(quarter.pixels[3 * 32 * 2], 0.32f, 1e-4f);
    const std::size_t centre = 3 * (16 * 32 + 16);
    const float ratio = quarter.pixels[centre] / white.pixels[centre];
    EXPECT_GT(ratio, 0.45f);  // about 0.53 encoded; unencoded it would be near 0.25
    EXPECT_LT(ratio, 0.62f);

    const Image bumped = render("bumped.png", {});
    const Image flat = render("flat.png", {"--bump", "0"});
    EXPECT_NE(bumped.pixels, flat.pixels);
    EXPECT_EQ(flat.pixels, render("flat-again.png", {"--bump", "0"}).pixels);
}

// The plane's own square lies as it is seen: u grows to the right and v upwards.
TEST(ImageOutput, PreviewPlaneSquareFacesTheCamera) {
    const PreviewScene scene(PreviewShape::Plane, 64, 64);
    const auto uvAt = [&](double x, double y) {
        SurfaceHit hit;
        EXPECT_TRUE(scene.Intersect(scene.CameraRay(x, y), hit)) << x << " " << y;
        return hit.uvw;
    };
    EXPECT_LT(uvAt(10, 32).x, 0.5f);
    EXPECT_GT(uvAt(54, 32).x, 0.5f);
    EXPECT_GT(uvAt(32, 10).y, 0.5f);
    EXPECT_LT(uvAt(32, 54).y, 0.5f);
}

}  // namespace
