// `bake` outputs: antialiasing, mask and height, normals from the height, several outputs
// from one pass, and how each file states its colour space and precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>

#include <geom/point3.h>

#include "tests/support/tool_runner.h"
#include "tool/images/image_read.h"
#include "tool/images/image_write.h"
#include "tool/images/image.h"

namespace {

constexpr int kW = 12, kH = 8;
constexpr float kExtent = 20.0f;
const std::string kRes = "12x8";

std::vector<float> Numbers(const std::string& text) {
    std::vector<float> v;
    std::istringstream in(text);
    for (float x; in >> x;) v.push_back(x);
    return v;
}

// The types of a PNG file's chunks, in order.
std::vector<std::string> PngChunks(const std::filesystem::path& path) {
    const std::string bytes = ReadAll(path);
    std::vector<std::string> types;
    for (std::size_t at = 8; at + 8 <= bytes.size();) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
        const std::size_t length = (std::size_t{byte(0)} << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
        types.push_back(bytes.substr(at + 4, 4));
        at += 12 + length;
    }
    return types;
}

// Bakes at kRes over kExtent; fails the test when the tool does.
void Bake(std::vector<std::string> args) {
    args.insert(args.begin(), {"bake", "-q", "--res", kRes, "--extent", "20"});
    const ToolRun run = RunTool(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
}

// One channel of an EXR file as floats, and its stored type.
std::vector<float> ExrChannelValues(const std::filesystem::path& path, const std::string& name,
                                    Imf::PixelType* type = nullptr) {
    Imf::InputFile file(path.c_str());
    const Imf::Channel* channel = file.header().channels().findChannel(name);
    if (!channel) {
        ADD_FAILURE() << "no channel " << name << " in " << path;
        return {};
    }
    if (type) *type = channel->type;
    const Imath::Box2i window = file.header().dataWindow();
    const int w = window.max.x - window.min.x + 1, h = window.max.y - window.min.y + 1;
    std::vector<float> values(static_cast<std::size_t>(w) * h);
    Imf::FrameBuffer frame;
    frame.insert(name, Imf::Slice::Make(Imf::FLOAT, values.data(), window, sizeof(float),
                                        sizeof(float) * w));
    file.setFrameBuffer(frame);
    file.readPixels(window.min.y, window.max.y);
    return values;
}

TEST(BakeSamples, OneSampleKeepsThePointSampledNormalsAndMoreChangeThem) {
    ScratchFolder dir;
    // The bump-vector normals of one sample a pixel are those of the bump vector at the pixel
    // centre, tilted by the strength, exactly.
    Bake({"--output", "normal", "--normal-strength", "0.02", "--samples", "1", "--bits", "32", "-o",
          (dir / "n1.exr").string()});
    const ToolRun bump = RunTool({"eval", "--output", "bump"}, BakeSamples(kW, kH, kExtent));
    ASSERT_EQ(bump.exitCode, 0) << bump.err;
    const std::vector<float> b = Numbers(bump.out);
    const Image n1 = ReadImage((dir / "n1.exr").string());
    ASSERT_EQ(n1.pixels.size(), b.size());
    for (std::size_t i = 0; i < b.size(); i += 3) {
        const Point3 n = Normalize(Point3(b[i] * 0.02f, b[i + 1] * 0.02f, 1.0f));
        EXPECT_EQ(n1.pixels[i], 0.5f + 0.5f * n.x) << i;
        EXPECT_EQ(n1.pixels[i + 1], 0.5f + 0.5f * n.y) << i;
        EXPECT_EQ(n1.pixels[i + 2], 0.5f + 0.5f * n.z) << i;
    }
    // Both kinds of normals change with the samples; height normals stay unit length.
    for (const std::vector<std::string>& kind :
         {std::vector<std::string>{"--normal-strength", "0.02"}, std::vector<std::string>{}}) {
        std::vector<Image> bakes;
        for (const char* samples : {"1", "3"}) {
            std::vector<std::string> args = {
                "--output", "normal", "--samples", samples,
                "--bits",   "32",     "-o",        (dir / "n.exr").string()};
            args.insert(args.end(), kind.begin(), kind.end());
            Bake(args);
            bakes.push_back(ReadImage((dir / "n.exr").string()));
        }
        EXPECT_NE(bakes[0].pixels, bakes[1].pixels);
        for (const Image& image : bakes) {
            for (std::size_t i = 0; i < image.pixels.size(); i += 3) {
                const Point3 n(2.0f * image.pixels[i] - 1.0f, 2.0f * image.pixels[i + 1] - 1.0f,
                               2.0f * image.pixels[i + 2] - 1.0f);
                EXPECT_NEAR(n.Length(), 1.0f, 1e-5f);
                EXPECT_GT(n.z, 0.0f);
            }
        }
    }
}

TEST(BakeOutputs, MaskAndHeightAreTheFieldWhateverTheColours) {
    ScratchFolder dir;
    // Black to white, the colour's red channel is the field itself.
    const ToolRun bw =
        RunTool({"eval", "--filtered", "--set", "color1=0,0,0", "--set", "color2=1,1,1"},
                BakeSamples(kW, kH, kExtent));
    ASSERT_EQ(bw.exitCode, 0) << bw.err;
    const std::vector<float> colour = Numbers(bw.out);
    Bake({"--samples", "1", "--output", "height,mask", "-o", (dir / "h.exr").string(), "-o",
          (dir / "m.exr").string()});
    const Image height = ReadImage((dir / "h.exr").string()),
                mask = ReadImage((dir / "m.exr").string());
    ASSERT_EQ(height.pixels.size(), static_cast<std::size_t>(kW * kH));
    bool scratched = false;
    for (std::size_t i = 0; i < height.pixels.size(); ++i) {
        EXPECT_EQ(height.pixels[i], colour[4 * i]) << i;
        EXPECT_EQ(mask.pixels[i], 1.0f - height.pixels[i]) << i;
        scratched |= mask.pixels[i] > 0.01f;
    }
    EXPECT_TRUE(scratched);
    // Other colours, a colour map and antialiasing: the same mask, byte for byte in PNG.
    Bake({"--output", "mask", "-o", (dir / "a.png").string()});
    Bake({"--output", "mask", "--set", "color1=0.2,0.9,0.1", "--set", "color2=0.5,0,0", "--map",
          "color1map=scratches:size=3", "-o", (dir / "b.png").string()});
    EXPECT_EQ(ReadAll(dir / "a.png"), ReadAll(dir / "b.png"));
}

TEST(BakeOutputs, HeightNormalsFollowDepthAndConvention) {
    ScratchFolder dir;
    Bake({"--output", "normal", "--depth", "0", "--bits", "32", "-o", (dir / "flat.exr").string()});
    for (std::size_t i = 0; i < kW * kH * 3; i += 3) {
        const Image flat = ReadImage((dir / "flat.exr").string());
        EXPECT_EQ(flat.pixels[i], 0.5f);
        EXPECT_EQ(flat.pixels[i + 1], 0.5f);
        EXPECT_EQ(flat.pixels[i + 2], 1.0f);
    }
    Bake({"--output", "normal", "--bits", "32", "-o", (dir / "up.exr").string()});
    Bake({"--output", "normal", "--bits", "32", "--normal-y", "down", "-o",
          (dir / "down.exr").string()});
    const Image up = ReadImage((dir / "up.exr").string()),
                down = ReadImage((dir / "down.exr").string());
    float tilt = 0.0f;
    for (std::size_t i = 0; i < up.pixels.size(); i += 3) {
        EXPECT_EQ(up.pixels[i], down.pixels[i]);
        EXPECT_NEAR(up.pixels[i + 1], 1.0f - down.pixels[i + 1], 1e-6f);
        tilt = std::max(tilt, std::fabs(up.pixels[i + 1] - 0.5f));
    }
    EXPECT_GT(tilt, 0.05f);

    // One sample a pixel: the normal is made of the height's forward differences along u and
    // along v, read here from the field that `eval` gives at the same three points. A scratch
    // rises on one side and falls on the other, so a difference taken the wrong way, along
    // the wrong axis or with a sign lost shows.
    const float depth = 0.3f;
    Bake({"--output", "normal", "--samples", "1", "--depth", "0.3", "--bits", "32", "-o",
          (dir / "one.exr").string()});
    const float step = kExtent * (1.0f / 4096.0f), d = step / kExtent;
    std::string samples;
    char line[200];
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / kW;
            const float v = 1.0f - (static_cast<float>(y) + 0.5f) / kH;
            for (const auto& [su, sv] : {std::pair{u, v}, {u + d, v}, {u, v + d}}) {
                std::snprintf(line, sizeof line, "%.9g %.9g 0 %.9g 0 0 0 %.9g 0\n", su * kExtent,
                              sv * kExtent, kExtent / kW, -kExtent / kH);
                samples += line;
            }
        }
    }
    const ToolRun field = RunTool({"eval", "--filtered"}, samples);
    ASSERT_EQ(field.exitCode, 0) << field.err;
    const std::vector<float> f = Numbers(field.out);  // black to white: red is the field
    const Image one = ReadImage((dir / "one.exr").string());
    ASSERT_EQ(f.size(), static_cast<std::size_t>(kW * kH * 12));
    ASSERT_EQ(one.pixels.size(), static_cast<std::size_t>(kW * kH * 3));
    float slopeX = 0.0f, slopeY = 0.0f;
    for (std::size_t i = 0; i < kW * kH; ++i) {
        const float f0 = f[12 * i], gx = (f[12 * i + 4] - f0) / step,
                    gy = (f[12 * i + 8] - f0) / step;
        const double nx = -depth * gx, ny = -depth * gy, l = std::sqrt(nx * nx + ny * ny + 1.0);
        EXPECT_NEAR(one.pixels[3 * i], 0.5 + 0.5 * nx / l, 1e-6) << i;
        EXPECT_NEAR(one.pixels[3 * i + 1], 0.5 + 0.5 * ny / l, 1e-6) << i;
        EXPECT_NEAR(one.pixels[3 * i + 2], 0.5 + 0.5 / l, 1e-6) << i;
        slopeX = std::max(slopeX, std::fabs(gx));
        slopeY = std::max(slopeY, std::fabs(gy));
    }
    EXPECT_GT(slopeX, 0.1f);
    EXPECT_GT(slopeY, 0.1f);
}

TEST(BakeOutputs, SeveralOutputsFromOnePassEqualSingleBakes) {
    ScratchFolder dir;
    Bake({"--output", "color,mask,normal", "-o", (dir / "c.png").string(), "-o",
          (dir / "m.png").string(), "-o", (dir / "n.exr").string()});
    Bake({"--output", "color,mask,normal", "--bits", "32", "-o", (dir / "all.exr").string()});
    for (const char* one : {"color", "mask", "normal"}) {
        const std::string name = std::string(one) + (one[0] == 'n' ? ".exr" : ".png");
        Bake({"--output", one, "-o", (dir / ("single-" + name)).string()});
        if (one[0] != 'n') {
            EXPECT_EQ(ReadAll(dir / std::string(1, one[0]).append(".png")),
                      ReadAll(dir / ("single-" + name)))
                << one;
        }
    }
    // Each layer of the multi-layer file is the output's own bake (float everywhere here).
    EXPECT_EQ(ReadImage((dir / "n.exr").string()).pixels,
              ReadImage((dir / "single-normal.exr").string()).pixels);
    Bake({"--output", "normal", "--bits", "32", "-o", (dir / "n32.exr").string()});
    Bake({"--output", "mask", "--bits", "32", "-o", (dir / "m32.exr").string()});
    Bake({"--output", "color", "--bits", "32", "-o", (dir / "c32.exr").string()});
    const Image n32 = ReadImage((dir / "n32.exr").string());
    const Image m32 = ReadImage((dir / "m32.exr").string());
    const Image c32 = ReadImage((dir / "c32.exr").string());
    const std::vector<float> normalG = ExrChannelValues(dir / "all.exr", "normal.G");
    const std::vector<float> mask = ExrChannelValues(dir / "all.exr", "mask.Y");
    const std::vector<float> alpha = ExrChannelValues(dir / "all.exr", "color.A");
    ASSERT_EQ(mask.size(), m32.pixels.size());
    for (std::size_t i = 0; i < mask.size(); ++i) {
        EXPECT_EQ(mask[i], m32.pixels[i]);
        EXPECT_EQ(normalG[i], n32.pixels[3 * i + 1]);
        EXPECT_EQ(alpha[i], c32.pixels[4 * i + 3]);
    }
}

TEST(BakeOutputs, PngStatesItsColourSpaceAndExrItsPrecision) {
    ScratchFolder dir;
    for (const char* bits : {"8", "16"}) {
        Bake({"--output", "color,height", "--bits", bits, "-o", (dir / "c.png").string(), "-o",
              (dir / "h.png").string()});
        EXPECT_EQ(ReadImage((dir / "c.png").string()).transfer, ImageTransfer::Srgb) << bits;
        // Data maps say nothing of a colour space, as texture tools write them: no chunk of
        // sRGB, gAMA, iCCP or cHRM, which viewers would apply to the values.
        EXPECT_EQ(ReadImage((dir / "h.png").string()).transfer, ImageTransfer::Unstated) << bits;
        const std::vector<std::string> colour = PngChunks(dir / "c.png"),
                                       data = PngChunks(dir / "h.png");
        EXPECT_NE(std::find(colour.begin(), colour.end(), "sRGB"), colour.end());
        for (const char* chunk : {"sRGB", "gAMA", "iCCP", "cHRM"})
            EXPECT_EQ(std::find(data.begin(), data.end(), chunk), data.end()) << chunk;
    }
    // Colour in half and data in float by default; --bits 16 and 32 choose for all.
    struct Case {
        std::vector<std::string> bits;
        Imf::PixelType color, data;
    };
    for (const Case& c :
         {Case{{}, Imf::HALF, Imf::FLOAT}, Case{{"--bits", "16"}, Imf::HALF, Imf::HALF},
          Case{{"--bits", "32"}, Imf::FLOAT, Imf::FLOAT}}) {
        std::vector<std::string> args = {"--output", "color,normal", "--compression",
                                         "piz",      "-o",           (dir / "l.exr").string()};
        args.insert(args.end(), c.bits.begin(), c.bits.end());
        Bake(args);
        Imf::PixelType color = Imf::UINT, data = Imf::UINT;
        ExrChannelValues(dir / "l.exr", "color.R", &color);
        ExrChannelValues(dir / "l.exr", "normal.B", &data);
        EXPECT_EQ(color, c.color);
        EXPECT_EQ(data, c.data);
        EXPECT_EQ(Imf::InputFile((dir / "l.exr").c_str()).header().compression(),
                  Imf::PIZ_COMPRESSION);
    }
}

TEST(BakeOutputs, RefusesWhatItsFilesCannotHold) {
    ScratchFolder dir;
    const std::string png = (dir / "x.png").string(), exr = (dir / "x.exr").string();
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    for (const Case& c : {
             Case{{"--output", "bump", "-o", png}, "--output normal"},
             Case{{"--output", "color,mask", "-o", png}, "one .exr"},
             Case{{"--output", "color,mask", "-o", png, "-o", png, "-o", exr},
                  "one file per output"},
             Case{{"--output", "mask,mask", "-o", exr}, "named twice"},
             Case{{"--bits", "32", "-o", png}, "PNG takes --bits 8 or 16"},
             Case{{"--bits", "8", "-o", exr}, "EXR takes --bits 16"},
         }) {
        std::vector<std::string> args = {"bake", "--res", "4"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.exitCode, 1) << c.says;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    EXPECT_TRUE(dir.Files().empty());
}

TEST(SubMaps, SrgbImagesAreLinearisedInColourSlotsOnly) {
    ScratchFolder dir;
    Image image;
    AllocateImage(image, 1, 1, 3);
    // The same codes twice: the sRGB file states that they encode linear 0.5, the other nothing.
    // The sRGB file's alpha is stored linear, and stays so.
    Image rgba;
    AllocateImage(rgba, 1, 1, 4);
    rgba.pixels = {0.5f, 0.5f, 0.5f, 0.25f};
    WriteImageFile((dir / "srgb.png").string(), rgba, {ImageFormat::Png, 16, true});
    image.pixels.assign(3, SrgbEncode(0.5f));
    WriteImageFile((dir / "plain.png").string(), image, {ImageFormat::Png, 16});
    image.pixels.assign(3, 0.5f);
    WriteImageFile((dir / "half.png").string(), image, {ImageFormat::Png, 16});
    const auto eval = [&](const std::string& slotAndFile, const std::vector<std::string>& more) {
        std::vector<std::string> args = {"eval", "--output", "mono", "--map", slotAndFile};
        args.insert(args.end(), more.begin(), more.end());
        const ToolRun run = RunTool(args, BakeSamples(8, 8, 30.0f));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return Numbers(run.out);
    };
    const std::string srgb = (dir / "srgb.png").string(), plain = (dir / "plain.png").string();
    const std::string half = (dir / "half.png").string();
    // Both colour slots the same image: the colour is the image.
    const std::vector<std::string> none;
    EXPECT_NEAR(eval("color1map=" + srgb, {"--map", "color2map=" + srgb}).at(0), 0.5f, 1e-4f);
    const ToolRun colour =
        RunTool({"eval", "--map", "color1map=" + srgb, "--map", "color2map=" + srgb}, "1 2 0\n");
    ASSERT_EQ(colour.exitCode, 0) << colour.err;
    ASSERT_EQ(Numbers(colour.out).size(), 4u);
    EXPECT_NEAR(Numbers(colour.out)[3], 0.25f, 1e-4f);
    EXPECT_NEAR(eval("color1map=" + plain, {"--map", "color2map=" + plain}).at(0), 0.7354f, 1e-4f);
    // In a data slot (size) the codes are read as they are, stated or not; linear 0.5 would
    // scale the pattern differently.
    EXPECT_EQ(eval("sizeMap=" + srgb, none), eval("sizeMap=" + plain, none));
    EXPECT_NE(eval("sizeMap=" + srgb, none), eval("sizeMap=" + half, none));
}

}  // namespace
