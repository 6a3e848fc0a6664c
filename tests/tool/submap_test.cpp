// --map: image files become bitmap sub-maps sampled at the map channel's UVW, and
// scratches:... another map of the module's class.
#include <gtest/gtest.h>

#include <sstream>

#include <bitmap_tex.h>
#include <sample_shade_context.h>

#include "tests/support/tool_runner.h"
#include "tool/images/image_read.h"
#include "tool/images/image_write.h"

namespace {

std::vector<float> Numbers(const std::string& text) {
    std::vector<float> v;
    std::istringstream in(text);
    for (float x; in >> x;) v.push_back(x);
    return v;
}

TEST(SubMaps, ImageFillsBothColoursExactly) {
    // 2 x 2 pixels, top row red and green, bottom row blue and half grey: opaque as RGB, and
    // as RGBA each with an alpha of its own.
    ScratchFolder dir;
    const float alphas[4] = {1.0f, 0.75f, 0.5f, 0.25f};
    const float rgb[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0.5f, 0.5f, 0.5f};
    for (int channels : {3, 4}) {
        SCOPED_TRACE(channels);
        Image image;
        AllocateImage(image, 2, 2, channels);
        std::vector<float> want;
        for (int i = 0; i < 4; ++i) {
            for (int c = 0; c < 3; ++c) image.pixels[channels * i + c] = rgb[3 * i + c];
            if (channels == 4) image.pixels[4 * i + 3] = alphas[i];
            want.insert(want.end(), rgb + 3 * i, rgb + 3 * i + 3);
            want.push_back(channels == 4 ? alphas[i] : 1.0f);
        }
        WriteImageFile((dir / "quad.png").string(), image, {ImageFormat::Png, 16});
        const std::string map = (dir / "quad.png").string();
        // With both colour slots the same image, the blend is the image whatever the scratches;
        // the last sample repeats into the bottom-right pixel.
        const ToolRun run =
            RunTool({"eval", "--map", "color1map=" + map, "--map", "color2map=" + map},
                    "0.25 0.75 0\n0.75 0.75 0\n0.25 0.25 5\n1.75 -0.75 0\n");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<float> got = Numbers(run.out);
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-4f) << i;
    }

    // A grey image is opaque grey.
    Image grey;
    AllocateImage(grey, 1, 1, 1);
    grey.pixels = {0.5f};
    WriteImageFile((dir / "grey.png").string(), grey, {ImageFormat::Png, 16});
    const std::string greyMap = (dir / "grey.png").string();
    const ToolRun g = RunTool(
        {"eval", "--map", "color1map=" + greyMap, "--map", "color2map=" + greyMap}, "0.5 0.5 0\n");
    ASSERT_EQ(g.exitCode, 0) << g.err;
    const std::vector<float> opaque = Numbers(g.out);
    ASSERT_EQ(opaque.size(), 4u);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(opaque[c], 0.5f, 1e-4f);
    EXPECT_EQ(opaque[3], 1.0f);
}

TEST(SubMaps, ScratchesSubMapAndItsSettings) {
    const std::string samples = "1 2 3\n4 -5 6\n-7 8 0.5\n10 11 -12\n";
    const ToolRun plain = RunTool({"eval"}, samples);
    // A sub-map of one colour (both its colours red) as colour 1: scratches turn red.
    const ToolRun red =
        RunTool({"eval", "--map", "color1map=scratches:color1=1,0,0,color2=1,0,0"}, samples);
    ASSERT_EQ(red.exitCode, 0) << red.err;
    const std::vector<float> a = Numbers(plain.out), b = Numbers(red.out);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); i += 4) {
        const float f = a[i];  // black to white: the red channel is the blend factor
        EXPECT_FLOAT_EQ(b[i], 1.0f);
        EXPECT_NEAR(b[i + 1], f, 1e-6f);
    }
    // Switched off, the slot is ignored.
    const ToolRun off =
        RunTool({"eval", "--set", "col1mapEnabled=0", "--map", "color1map=scratches:color1=1,0,0"},
                samples);
    EXPECT_EQ(off.out, plain.out);
}

TEST(SubMaps, BitmapRepeatsAndSurvivesOddCoordinates) {
    BitmapTex* bitmap = NewDefaultBitmapTex();
    bitmap->SetImage(2, 1, {AColor(0.0f, 0.0f, 0.0f, 1.0f), AColor(1.0f, 1.0f, 1.0f, 1.0f)});
    EXPECT_FLOAT_EQ(bitmap->Sample(0.25f, 0.5f).r, 0.0f);
    EXPECT_FLOAT_EQ(bitmap->Sample(0.75f, 0.5f).r, 1.0f);
    EXPECT_FLOAT_EQ(bitmap->Sample(-0.25f, 7.5f).r, 1.0f);  // repeated
    EXPECT_FLOAT_EQ(bitmap->Sample(0.5f, 0.5f).r, 0.5f);    // halfway between the centres
    EXPECT_FLOAT_EQ(bitmap->Sample(0.0f, 0.5f).r, 0.5f);    // wraps across the edge
    for (float odd : {1e30f, -1e30f, std::numeric_limits<float>::infinity(), std::nanf("")}) {
        const AColor c = bitmap->Sample(odd, odd);
        EXPECT_TRUE(c.r >= 0.0f && c.r <= 1.0f) << odd;
    }
    bitmap->SetImage(3, 3, {AColor()});  // a size that does not match its pixels: empty
    EXPECT_EQ(bitmap->Width(), 0);
    EXPECT_EQ(bitmap->Sample(0.5f, 0.5f).a, 0.0f);

    // Its bump is the slope of its intensity along u and v in its own channel, turned with the
    // object into the world; a clone reads the same channel. The top two rows are a ramp
    // along u, the bottom row black: the intensity also rises along v.
    const float third = 1.0f / 3.0f, two = 2.0f / 3.0f;
    const AColor black(0.0f, 0.0f, 0.0f, 1.0f),
        ramp[4] = {black, AColor(third, third, third, 1.0f), AColor(two, two, two, 1.0f),
                   AColor(1.0f, 1.0f, 1.0f, 1.0f)};
    std::vector<AColor> rows(ramp, ramp + 4);
    rows.insert(rows.end(), ramp, ramp + 4);
    rows.insert(rows.end(), 4, black);
    bitmap->SetImage(4, 3, rows);
    bitmap->SetMapChannel(2);
    SampleShadeContext sc;
    sc.SetUVW(1, Point3(0.125f, 0.5f, 0.0f));
    sc.SetUVW(2, Point3(0.375f, 0.5f, 0.0f));
    sc.SetObjectToWorld(Matrix3(Point3(0.0f, 1.0f, 0.0f), Point3(-1.0f, 0.0f, 0.0f),
                                Point3(0.0f, 0.0f, 1.0f), Point3(0.0f, 0.0f, 0.0f)));
    // (2/3 - 0) / (2 x 1/4) along u, (1/3 - 0) / (2 x 1/3) along v; the quarter turn takes
    // (u, v) to (-v, u).
    const Point3 slope = bitmap->EvalNormalPerturb(sc);
    EXPECT_NEAR(slope.x, -0.5f, 1e-6f);
    EXPECT_NEAR(slope.y, 4.0f / 3.0f, 1e-5f);
    EXPECT_NEAR(bitmap->EvalColor(sc).r, third, 1e-6f);
    RemapDir& remap = NewRemapDir();
    Texmap* copy = static_cast<Texmap*>(bitmap->Clone(remap));
    remap.DeleteThis();
    EXPECT_TRUE(copy->EvalColor(sc) == bitmap->EvalColor(sc));
    copy->DeleteThis();
    bitmap->DeleteThis();
}

}  // namespace
