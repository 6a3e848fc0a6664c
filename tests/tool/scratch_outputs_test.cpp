// `bake` outputs of the nearest scratch: random, layer, direction and angle, against the mask
// they belong to (its scratches found as connected marks), across resolutions, samples, the
// normal convention and a tileable square's copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/tool_runner.h"
#include "tool/images/image_read.h"
#include "tool/module/plugin_module.h"
#include "tool/sampling/bake.h"
#include "tool/sampling/sample_context.h"
#include "tool/setup/configure_map.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Thresholds that give the scratches a solid core a few pixels wide.
const std::vector<std::string> kSolid = {"--set", "thresholdLow=0.6", "--set", "thresholdHigh=0.9"};

// One bake of several outputs, each into its own float EXR, read back by name.
std::map<std::string, Image> Bake(const ScratchFolder& dir, int res,
                                  const std::vector<std::string>& outputs,
                                  std::vector<std::string> args) {
    std::string list;
    std::vector<std::string> files;
    for (const std::string& o : outputs) {
        list += (list.empty() ? "" : ",") + o;
        files.push_back("-o"), files.push_back((dir / (o + ".exr")).string());
    }
    std::vector<std::string> base = {"bake",   "-q", "--res",    std::to_string(res),
                                     "--bits", "32", "--output", list};
    base.insert(base.end(), files.begin(), files.end());
    args.insert(args.begin(), base.begin(), base.end());
    args.insert(args.end(), kSolid.begin(), kSolid.end());
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::map<std::string, Image> images;
    if (run.exitCode == 0)
        for (const std::string& o : outputs) images[o] = ReadImage((dir / (o + ".exr")).string());
    return images;
}

// The marks of a mask: 8-connected pixels above the threshold, as pixel indices.
std::vector<std::vector<int>> Marks(const Image& mask, float threshold) {
    std::vector<int> label(mask.pixels.size(), -1);
    std::vector<std::vector<int>> marks;
    for (int start = 0; start < static_cast<int>(mask.pixels.size()); ++start) {
        if (label[start] >= 0 || !(mask.pixels[start] > threshold)) continue;
        std::vector<int> mark{start}, todo{start};
        label[start] = static_cast<int>(marks.size());
        while (!todo.empty()) {
            const int i = todo.back();
            todo.pop_back();
            const int x = i % mask.width, y = i / mask.width;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= mask.width || ny >= mask.height) continue;
                    const int j = ny * mask.width + nx;
                    if (label[j] >= 0 || !(mask.pixels[j] > threshold)) continue;
                    label[j] = label[start];
                    mark.push_back(j), todo.push_back(j);
                }
        }
        marks.push_back(std::move(mark));
    }
    return marks;
}

// The orientation of a line (radians in [0, pi), from +u toward +v) of a set of doubled-angle
// sums.
double LineAngle(double c2, double s2) {
    double a = 0.5 * std::atan2(s2, c2);
    return a < 0.0 ? a + kPi : a;
}

double AngleBetweenLines(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), kPi);
    return std::min(d, kPi - d);
}

// The orientation of a mark from the structure tensor of the mask's gradient over it and two
// pixels around it (a mark one pixel wide has its gradient beside it; the gradient runs across
// the mark), in (u, v) with v up; its anisotropy into `coherence`.
double MarkAngle(const Image& mask, const std::vector<int>& mark, double& coherence) {
    double xx = 0.0, xy = 0.0, yy = 0.0;
    auto at = [&](int x, int y) {
        x = std::clamp(x, 0, mask.width - 1), y = std::clamp(y, 0, mask.height - 1);
        return static_cast<double>(mask.pixels[y * mask.width + x]);
    };
    std::set<int> around;
    for (int i : mark) {
        const int x = i % mask.width, y = i / mask.width;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (x + dx > 0 && y + dy > 0 && x + dx < mask.width - 1 && y + dy < mask.height - 1)
                    around.insert((y + dy) * mask.width + x + dx);
    }
    // Sobel gradients: the smoothing across the difference keeps the pixel grid's steps from
    // pulling thin marks toward the diagonals.
    auto smooth = [&](int x, int y, bool alongX) {
        return alongX ? at(x - 1, y) + 2.0 * at(x, y) + at(x + 1, y)
                      : at(x, y - 1) + 2.0 * at(x, y) + at(x, y + 1);
    };
    for (int i : around) {
        const int x = i % mask.width, y = i / mask.width;
        const double gu = smooth(x + 1, y, false) - smooth(x - 1, y, false);
        const double gv = smooth(x, y - 1, true) - smooth(x, y + 1, true);  // rows run down
        xx += gu * gu, xy += gu * gv, yy += gv * gv;
    }
    coherence = std::hypot(xx - yy, 2.0 * xy) / (xx + yy + 1e-30);
    // The gradient's dominant orientation, turned a quarter: along the mark.
    return std::fmod(LineAngle(xx - yy, 2.0 * xy) + 0.5 * kPi, kPi);
}

// The mean orientation of a direction image (encoded 0.5 + 0.5 (x, y)) over a mark.
double DirectionAngle(const Image& direction, const std::vector<int>& mark, float flipY = 1.0f) {
    double c2 = 0.0, s2 = 0.0;
    for (int i : mark) {
        const double x = 2.0 * direction.pixels[3 * i] - 1.0;
        const double y = (2.0 * direction.pixels[3 * i + 1] - 1.0) * flipY;
        c2 += x * x - y * y, s2 += 2.0 * x * y;
    }
    return LineAngle(c2, s2);
}

// Marks whose random value is one throughout (one scratch, not a crossing) and large enough
// to have an orientation.
std::vector<std::vector<int>> Scratches(const Image& mask, const Image& random, int minPixels) {
    std::vector<std::vector<int>> single;
    for (auto& mark : Marks(mask, 0.3f)) {
        if (static_cast<int>(mark.size()) < minPixels) continue;
        bool one = true;
        for (int i : mark) one = one && random.pixels[i] == random.pixels[mark[0]];
        if (one) single.push_back(std::move(mark));
    }
    return single;
}

}  // namespace

// Along a scratch the random value is one; two scratches side by side differ. The marks that
// hold several values are crossings, and only few.
TEST(ScratchOutputs, RandomIsOneAlongAScratchAndDiffersBetweenScratches) {
    ScratchFolder dir;
    auto images = Bake(dir, 384, {"mask", "random", "layer"},
                       {"--extent", "30", "--set", "type=2D", "--set", "levels=8"});
    const Image &mask = images["mask"], &random = images["random"], &layer = images["layer"];
    int marks = 0, single = 0;
    std::set<float> values;
    for (const auto& mark : Marks(mask, 0.3f)) {
        if (mark.size() < 8) continue;
        ++marks;
        bool one = true;
        for (int i : mark) one = one && random.pixels[i] == random.pixels[mark[0]];
        single += one;
        if (one) {
            values.insert(random.pixels[mark[0]]);
            for (int i : mark) EXPECT_EQ(layer.pixels[i], layer.pixels[mark[0]]);
        }
    }
    ASSERT_GT(marks, 60);
    EXPECT_GT(single, marks * 6 / 10);
    // Distinct scratches, distinct values.
    EXPECT_GE(static_cast<int>(values.size()), single - 1);
    // And every layer index of the eight, as whole numbers.
    std::set<float> layers(layer.pixels.begin(), layer.pixels.end());
    EXPECT_EQ(layers, (std::set<float>{0, 1, 2, 3, 4, 5, 6, 7}));
    for (float v : random.pixels) {
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
    }
}

// The same scratch, the same values at another resolution and sample count: a 256 bake's
// pixel (3 x 3 samples, the strongest sample's value, never a mean) holds a value that the
// 1024 bake (one sample a pixel) shows in that pixel's 4 x 4 block; so do layer and angle.
TEST(ScratchOutputs, AScratchKeepsItsValuesAcrossResolutionsAndSamples) {
    ScratchFolder dir;
    const std::vector<std::string> look = {"--extent", "30",    "--set",
                                           "type=2D",  "--set", "levels=8"};
    auto coarse = Bake(dir, 256, {"mask", "random", "layer", "angle"}, look);
    std::vector<std::string> fine = look;
    fine.insert(fine.end(), {"--samples", "1"});
    auto sharp = Bake(dir, 1024, {"random", "layer", "angle"}, fine);
    int checked = 0, found = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            if (!(coarse["mask"].pixels[y * 256 + x] > 0.3f)) continue;
            ++checked;
            bool all = true;
            for (const char* output : {"random", "layer", "angle"}) {
                const float v = coarse[output].pixels[y * 256 + x];
                bool in = false;
                for (int dy = 0; dy < 4; ++dy)
                    for (int dx = 0; dx < 4; ++dx)
                        in = in || sharp[output].pixels[(4 * y + dy) * 1024 + 4 * x + dx] == v;
                all = all && in;
            }
            found += all;
        }
    ASSERT_GT(checked, 300);
    EXPECT_GE(found, checked * 99 / 100);
}

// The direction runs along the mask's own marks (the structure tensor of each isolated
// scratch) within 5 degrees, and angle is the same line; for the 3D defaults, 2D with eight
// levels, and a rotated, unequally sized mapping (whose Jacobian is not a rotation).
TEST(ScratchOutputs, DirectionFollowsTheMarksOfTheMask) {
    ScratchFolder dir;
    const std::vector<std::vector<std::string>> looks = {
        {"--extent", "30"},
        {"--extent", "30", "--set", "type=2D", "--set", "levels=8"},
        {"--extent", "30", "--set", "type=2D", "--set", "levels=3", "--set", "xyz_angle_z=30",
         "--set", "xyz_size_x=2.5"},
    };
    for (const auto& look : looks) {
        SCOPED_TRACE(look.back());
        auto images = Bake(dir, 384, {"mask", "random", "direction", "angle"}, look);
        int checked = 0, agree = 0;
        for (const auto& mark : Scratches(images["mask"], images["random"], 20)) {
            double coherence;
            const double expected = MarkAngle(images["mask"], mark, coherence);
            if (coherence < 0.8) continue;  // a blob, no orientation to compare
            ++checked;
            const double baked = DirectionAngle(images["direction"], mark);
            agree += AngleBetweenLines(expected, baked) < 5.0 * kPi / 180.0;
            // The angle output is that line, 0 to 1 for 0 to 180 degrees.
            const float angle = images["angle"].pixels[mark[0]];
            EXPECT_LT(AngleBetweenLines(angle * kPi, baked), 2.0 * kPi / 180.0);
        }
        ASSERT_GT(checked, 15);
        EXPECT_GE(agree, checked * 9 / 10) << agree << " of " << checked;
    }
}

// --normal-y down flips the direction's y (green) and nothing else; angle keeps +v up.
TEST(ScratchOutputs, NormalYDownFlipsTheDirectionsGreen) {
    ScratchFolder dir;
    const std::vector<std::string> look = {"--set", "type=2D", "--set", "levels=8"};
    auto up = Bake(dir, 64, {"direction", "angle"}, look);
    std::vector<std::string> downArgs = look;
    downArgs.insert(downArgs.end(), {"--normal-y", "down"});
    auto down = Bake(dir, 64, {"direction", "angle"}, downArgs);
    const auto &a = up["direction"].pixels, &b = down["direction"].pixels;
    ASSERT_EQ(a.size(), b.size());
    int tilted = 0;
    for (std::size_t i = 0; i < a.size(); i += 3) {
        EXPECT_EQ(a[i], b[i]);
        EXPECT_NEAR(a[i + 1] + b[i + 1], 1.0f, 1e-6f);
        EXPECT_EQ(a[i + 2], 0.0f);
        EXPECT_EQ(b[i + 2], 0.0f);
        tilted += std::fabs(a[i + 1] - 0.5f) > 0.1f;
    }
    EXPECT_GT(tilted, static_cast<int>(a.size() / 3 / 4));
    EXPECT_EQ(up["angle"].pixels, down["angle"].pixels);
}

// A PNG holds the layer index as the code itself, at 8 and 16 bits.
TEST(ScratchOutputs, LayerInPngIsTheIndexCode) {
    ScratchFolder dir;
    const std::vector<std::string> look = {"bake",    "-q",    "--res",    "48",       "--set",
                                           "type=2D", "--set", "levels=8", "--output", "layer"};
    std::vector<std::string> exr = look, png8 = look, png16 = look;
    exr.insert(exr.end(), {"-o", (dir / "l.exr").string()});
    png8.insert(png8.end(), {"-o", (dir / "l8.png").string()});
    png16.insert(png16.end(), {"--bits", "16", "-o", (dir / "l16.png").string()});
    for (const auto& args : {exr, png8, png16}) ASSERT_EQ(RunTool(args).exitCode, 0);
    const Image index = ReadImage((dir / "l.exr").string());
    const Image p8 = ReadImage((dir / "l8.png").string()),
                p16 = ReadImage((dir / "l16.png").string());
    ASSERT_EQ(p8.pixels.size(), index.pixels.size());
    for (std::size_t i = 0; i < index.pixels.size(); ++i) {
        EXPECT_EQ(std::lround(p8.pixels[i] * 255.0f), std::lround(index.pixels[i])) << i;
        EXPECT_EQ(std::lround(p16.pixels[i] * 65535.0f), std::lround(index.pixels[i])) << i;
    }
}

// Over a tileable square, the map's nearest scratch one period on (in u and in v) is the same:
// the bake of the square moved by one whole period, with the tiling of the first, equals the
// first in all three outputs. Without tiling the moved bake differs.
TEST(ScratchOutputs, TileableBakesRepeat) {
    PluginModule module(QUORV_MODULE_DIR);
    MapOptions mapOptions;
    mapOptions.sets = {"type=0", "levels=8"};
    ConfiguredMap configured = ConfigureMap(module.ScratchesClass(), mapOptions, 0);
    Texmap* map = configured.map.get();
    Interval valid = FOREVER;
    map->Update(0, valid);
    BakeOptions options;
    options.width = options.height = 96;
    options.samples = 2;
    options.outputs = {BakeOutput::Random, BakeOutput::Layer, BakeOutput::Direction,
                       BakeOutput::Angle};
    struct Collect final : ImageWriter {
        std::vector<float> rows;
        void WriteRows(const float* r, int count) override {
            rows.insert(rows.end(), r, r + static_cast<std::size_t>(count) * 96 * 6);
        }
        void Finish() override {}
    };
    auto bake = [&](const Point3& shift) {
        BakeOptions moved = options;
        moved.shift = shift;
        moved.tileable = false;  // the tiling stays the first square's
        Progress progress("", 96, true);
        Collect out;
        BakeMap(map, moved, progress, out);
        return out.rows;
    };
    auto same = [](const std::vector<float>& a, const std::vector<float>& b) {
        std::size_t n = 0;
        for (std::size_t i = 0; i < a.size(); ++i) n += std::fabs(a[i] - b[i]) < 1e-4f;
        return static_cast<double>(n) / static_cast<double>(a.size());
    };
    std::vector<float> first, movedU, movedV, plainU;
    {
        options.tileable = true;
        const BakeTiling tiling(map, options);
        first = bake(Point3(0.0f, 0.0f, 0.0f));
        movedU = bake(Point3(1.0f, 0.0f, 0.0f));
        movedV = bake(Point3(0.0f, 1.0f, 0.0f));
    }
    plainU = bake(Point3(1.0f, 0.0f, 0.0f));
    // The moved samples round differently by a few ulps; a scratch's edge can tip with them.
    EXPECT_GE(same(first, movedU), 0.995);
    EXPECT_GE(same(first, movedV), 0.995);
    EXPECT_LT(same(first, plainU), 0.5);
}
