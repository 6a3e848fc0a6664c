// The formats beyond PNG and EXR: TIFF at each depth, the tiled MIP-mapped .tx, JPEG for colour
// only, and sub-maps read from any of them alike.
#include <gtest/gtest.h>

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imageio.h>

#include "tests/support/tool_runner.h"
#include "tool/images/image_read.h"
#include "tool/images/image_write.h"

namespace {

const std::vector<std::string> kLook = {
    "--res", "32x16", "--extent", "20",    "--samples",
    "1",     "--set", "size=2",   "--set", "color1=0.1,0.3,0.6"};

void Bake(const std::vector<std::string>& more) {
    std::vector<std::string> args = {"bake", "-q"};
    args.insert(args.end(), kLook.begin(), kLook.end());
    args.insert(args.end(), more.begin(), more.end());
    const ToolRun run = RunTool(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
}

float MaxDifference(const Image& a, const Image& b) {
    EXPECT_EQ(a.pixels.size(), b.pixels.size());
    float worst = 0.0f;
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        worst = std::max(worst, std::fabs(a.pixels[i] - b.pixels[i]));
    return worst;
}

// The same bake writes the same bytes: EXR and TIFF carry no time of writing (the library
// would stamp one), so a pipeline's cache sees a repeated bake as unchanged.
TEST(ImageFormats, FilesCarryNoTimeOfWriting) {
    ScratchFolder dir;
    for (const char* name : {"c.exr", "c.tif", "c.png"}) {
        SCOPED_TRACE(name);
        Bake({"-o", (dir / name).string()});
        auto in = OIIO::ImageInput::open((dir / name).string());
        ASSERT_TRUE(in);
        EXPECT_EQ(in->spec().find_attribute("DateTime"), nullptr);
    }
}

TEST(ImageFormats, TiffAtEachDepthHoldsTheBake) {
    ScratchFolder dir;
    Bake({"--output", "color,height", "--bits", "32", "-o", (dir / "c.exr").string(), "-o",
          (dir / "h.exr").string()});
    const Image color = ReadImage((dir / "c.exr").string()),
                height = ReadImage((dir / "h.exr").string());
    for (const auto& [bits, tolerance] :
         {std::pair{"8", 0.51f / 255}, std::pair{"16", 0.51f / 65535}, std::pair{"32", 0.0f}}) {
        SCOPED_TRACE(bits);
        Bake({"--output", "color,height", "--bits", bits, "-o", (dir / "c.tif").string(), "-o",
              (dir / "h.tif").string()});
        Image c = ReadImage((dir / "c.tif").string());
        const Image h = ReadImage((dir / "h.tif").string());
        // Colour in integers is sRGB and says so; floats and data are as computed.
        EXPECT_EQ(c.transfer, bits[0] == '3' ? ImageTransfer::Unstated : ImageTransfer::Srgb);
        EXPECT_EQ(h.transfer, ImageTransfer::Unstated);
        if (bits[0] != '3') {
            for (std::size_t i = 0; i < c.pixels.size(); ++i)
                if (i % 4 != 3) c.pixels[i] = SrgbDecode(c.pixels[i]);
        }
        EXPECT_LE(MaxDifference(h, height), tolerance);
        EXPECT_LE(MaxDifference(c, color), bits[0] == '8' ? 0.01f : tolerance + 1e-4f);
    }
}

TEST(ImageFormats, TextureIsTiledWithAFullMipChainAndWrapsAsTheBakeTiles) {
    ScratchFolder dir;
    for (const bool tileable : {false, true}) {
        SCOPED_TRACE(tileable);
        std::vector<std::string> args = {"--output", "mask", "-o", (dir / "m.tx").string()};
        if (tileable) args.push_back("--tileable");
        Bake(args);
        args[3] = (dir / "m.tif").string();
        Bake(args);
        auto in = OIIO::ImageInput::open((dir / "m.tx").string());
        ASSERT_TRUE(in);
        EXPECT_EQ(in->spec().tile_width, 64);
        int levels = 0;
        while (in->seek_subimage(0, levels)) ++levels;
        EXPECT_EQ(levels, 6);  // 32x16 down to 1x1
        ASSERT_TRUE(in->seek_subimage(0, 0));
        EXPECT_EQ(in->spec().get_string_attribute("wrapmodes"),
                  tileable ? "periodic,periodic" : "clamp,clamp");
        EXPECT_EQ(in->spec().get_string_attribute("textureformat"), "Plain Texture");
        in->close();
        // The top level is the plain file's pixels.
        EXPECT_EQ(ReadImage((dir / "m.tx").string()).pixels,
                  ReadImage((dir / "m.tif").string()).pixels);
    }
    // A level of a tileable texture is the mean of 2 x 2 texels above, so it repeats as the
    // image does: the 2 x 1 level is the means of the two halves.
    OIIO::ImageBuf top((dir / "m.tx").string(), 0, 0), small((dir / "m.tx").string(), 0, 4);
    ASSERT_EQ(small.spec().width, 2);
    float sum[2] = {0, 0};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) sum[x / 16] += top.getchannel(x, y, 0, 0);
    for (int x = 0; x < 2; ++x) EXPECT_NEAR(small.getchannel(x, 0, 0, 0), sum[x] / 256, 1.5f / 255);
}

TEST(ImageFormats, JpegTakesColourOnly) {
    ScratchFolder dir;
    Bake({"-o", (dir / "c.jpg").string()});
    const Image jpeg = ReadImage((dir / "c.jpg").string());
    EXPECT_EQ(jpeg.channels, 3);
    EXPECT_EQ(jpeg.width, 32);
    const ToolRun mask = RunTool({"bake", "--output", "mask", "-o", (dir / "m.jpg").string()});
    EXPECT_EQ(mask.exitCode, 1);
    EXPECT_NE(mask.err.find("write the mask output to .png or .tif"), std::string::npos)
        << mask.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "m.jpg"));
}

TEST(ImageFormats, SubMapsReadAlikeFromEveryFormat) {
    ScratchFolder dir;
    // An asymmetric image of distinct channels, written by the tool as PNG, TIFF and JPEG.
    Image image;
    AllocateImage(image, 8, 4, 3);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<float>((i * 37) % 101) / 100.0f;
    for (const auto& [name, format] :
         {std::pair{"g.png", ImageFormat::Png}, std::pair{"g.tif", ImageFormat::Tiff},
          std::pair{"g.jpg", ImageFormat::Jpeg}}) {
        ImageEncoding encoding;
        encoding.format = format;
        encoding.color = true;
        WriteImageFile((dir / name).string(), image, encoding);
    }
    const auto eval = [&](const std::string& file) {
        const ToolRun run = RunTool({"eval", "--map", "color1map=" + (dir / file).string(), "--map",
                                     "sizeMap=" + (dir / file).string()},
                                    "0.1 0.2 0\n0.6 0.7 0\n0.9 0.3 0\n");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::vector<float> v;
        std::istringstream in(run.out);
        for (float x; in >> x;) v.push_back(x);
        return v;
    };
    const std::vector<float> png = eval("g.png"), tif = eval("g.tif"), jpg = eval("g.jpg");
    ASSERT_EQ(png.size(), 12u);
    ASSERT_EQ(tif, png);
    ASSERT_EQ(jpg.size(), png.size());
    // JPEG's loss is a few codes of 8 bits.
    for (std::size_t i = 0; i < png.size(); ++i) EXPECT_NEAR(jpg[i], png[i], 0.05f) << i;
}

}  // namespace
