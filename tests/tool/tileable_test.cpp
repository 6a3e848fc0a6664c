// `bake --tileable`: the map repeats over the bake square through the whole tool (module,
// extra interface, map, pattern); the bake is the plain one away from the edges.
//
// QUORV_TILEABLE_RES=1024 tools_tests --gtest_filter=Tileable.SeamStatistics prints the seam
// correlations of full-size bakes (the statistic needs scratches resolved by the pixels and
// many of them, so it says nothing on small images).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "map/iquorv_scratches.h"
#include "tests/support/tool_runner.h"
#include "tool/images/image_read.h"
#include "tool/module/plugin_module.h"
#include "tool/sampling/bake.h"
#include "tool/sampling/sample_context.h"
#include "tool/setup/configure_map.h"

namespace {

Image Bake(const ScratchFolder& dir, const std::string& name, int res,
           std::vector<std::string> args) {
    const std::string file = (dir / name).string();
    const std::vector<std::string> base = {"bake", "-q", "--res", std::to_string(res), "-o", file};
    args.insert(args.begin(), base.begin(), base.end());
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return ReadImage(file);
}

// Pearson correlation of column (or row) a and b of a one-channel image.
double Correlation(const Image& im, bool columns, int a, int b) {
    const int n = columns ? im.height : im.width;
    auto at = [&](int line, int k) {
        return static_cast<double>(columns ? im.Row(k)[line] : im.Row(line)[k]);
    };
    double sa = 0, sb = 0;
    for (int k = 0; k < n; ++k) sa += at(a, k), sb += at(b, k);
    const double ma = sa / n, mb = sb / n;
    double ab = 0, aa = 0, bb = 0;
    for (int k = 0; k < n; ++k) {
        const double da = at(a, k) - ma, db = at(b, k) - mb;
        ab += da * db, aa += da * da, bb += db * db;
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 1.0;
}

// The last line against the first, over the median correlation of neighbouring lines.
double SeamRatio(const Image& im, bool columns) {
    const int n = columns ? im.width : im.height;
    std::vector<double> inside;
    for (int k = 0; k + 1 < n; ++k) inside.push_back(Correlation(im, columns, k, k + 1));
    std::nth_element(inside.begin(), inside.begin() + inside.size() / 2, inside.end());
    return Correlation(im, columns, n - 1, 0) / inside[inside.size() / 2];
}

struct Look {
    std::vector<std::string> sets, maps;
    Point3 shift = Point3(0.0f, 0.0f, 0.0f);  // --seed's translation of the square
};

}  // namespace

// The value at (u, v) and one period on, in u and in v, for colour and bump, on both types,
// with erosion, with a distortion by a nested scratches map (which tiles with its parent) and
// with the square moved by --seed.
// A plain map fails the same check, so it can fail.
TEST(Tileable, TheMapRepeatsOverTheSquare) {
    PluginModule module(QUORV_MODULE_DIR);
    const Look looks[] = {
        {{}, {}},
        {{"type=0", "levels=8"}, {}},
        {{"useErosion=on", "levels=3"}, {}},
        {{"useDistortion=on", "distortStr=0.5"}, {"distortMap=scratches:size=4,type=0"}},
        {{"levels=8"}, {}, Point3(13.75f, 7.25f, 0.5f)},
    };
    BakeOptions options;
    options.width = options.height = 512;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), edge(0.0f, 0.03f);
    for (const Look& look : looks) {
        SCOPED_TRACE(look.sets.empty() ? std::string("defaults") : look.sets[0]);
        options.shift = look.shift;
        MapOptions mapOptions;
        mapOptions.sets = look.sets;
        mapOptions.maps = look.maps;
        ConfiguredMap configured = ConfigureMap(module.ScratchesClass(), mapOptions, 0);
        Texmap* map = configured.map.get();
        Interval valid = FOREVER;
        map->Update(0, valid);
        auto differ = [&](bool tiled) {
            options.tileable = tiled;
            const BakeTiling tiling(map, options);
            int count = 0, scratched = 0;
            for (int k = 0; k < 500; ++k) {
                const float u = k % 2 ? edge(rng) : unit(rng), v = k % 2 ? unit(rng) : edge(rng);
                const Point3 none(0.0f, 0.0f, 0.0f);
                ToolShadeContext at, nextU, nextV;
                SetBakePoint(at, options, u, v, none, none, none);
                SetBakePoint(nextU, options, u + 1.0f, v, none, none, none);
                SetBakePoint(nextV, options, u, v + 1.0f, none, none, none);
                const float f = map->EvalMono(at);
                scratched += f < 0.9f;
                count += std::fabs(f - map->EvalMono(nextU)) > 0.02f;
                count += std::fabs(f - map->EvalMono(nextV)) > 0.02f;
                const Point3 b = map->EvalNormalPerturb(at);
                count += Length(b - map->EvalNormalPerturb(nextU)) > 0.02f * (1.0f + Length(b));
            }
            EXPECT_GT(scratched, 3) << "the check must see scratches";
            return count;
        };
        // Of 1500 comparisons. The rounding of the two points can still tip a steep scratch edge,
        // and a distortion by a bump vector magnifies it.
        const int tiled = differ(true), plain = differ(false);
        EXPECT_LE(tiled, 8);
        EXPECT_GT(plain, 30);
    }
}

TEST(Tileable, MatchesThePlainBakeAwayFromTheEdges) {
    ScratchFolder dir;
    const Image plain = Bake(dir, "plain.exr", 96, {"--output", "mono"});
    const Image tiled = Bake(dir, "tiled.exr", 96, {"--output", "mono", "--tileable"});
    ASSERT_EQ(plain.pixels.size(), tiled.pixels.size());
    std::size_t same = 0;
    for (std::size_t i = 0; i < plain.pixels.size(); ++i)
        same += plain.pixels[i] == tiled.pixels[i];
    const double share = static_cast<double>(same) / static_cast<double>(plain.pixels.size());
    EXPECT_GE(share, 0.8);
    EXPECT_LT(share, 1.0) << "tiling changed nothing";
}

TEST(Tileable, RefusedWhereTheSquareCannotRepeat) {
    ScratchFolder dir;
    // The 2D channel mapping with a Tile axis folds the square onto itself.
    const ToolRun run = RunTool({"bake", "-q", "--res", "8", "--tileable", "--set", "xyz_map=0",
                                 "--set", "xyz_tile_x=2", "-o", (dir / "t.png").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("--tileable"), std::string::npos) << run.err;
    EXPECT_TRUE(dir.Files().empty());
}

TEST(Tileable, SeamStatistics) {
    const char* res = std::getenv("QUORV_TILEABLE_RES");
    if (!res) GTEST_SKIP() << "a measurement: set QUORV_TILEABLE_RES (1024)";
    ScratchFolder dir;
    const std::vector<std::vector<std::string>> looks = {
        {}, {"--set", "type=0", "--set", "levels=8"}, {"--set", "useErosion=on"}};
    for (const auto& look : looks) {
        std::vector<std::string> args = {"--output", "mono"};
        args.insert(args.end(), look.begin(), look.end());
        const Image plain = Bake(dir, "plain.exr", std::atoi(res), args);
        args.push_back("--tileable");
        const Image tiled = Bake(dir, "tiled.exr", std::atoi(res), args);
        std::size_t same = 0;
        for (std::size_t i = 0; i < plain.pixels.size(); ++i)
            same += plain.pixels[i] == tiled.pixels[i];
        std::cout << (look.empty() ? "defaults" : look[1]) << ": seam / median, columns "
                  << SeamRatio(tiled, true) << ", rows " << SeamRatio(tiled, false) << " (plain "
                  << SeamRatio(plain, true) << ", " << SeamRatio(plain, false) << "); identical "
                  << 100.0 * static_cast<double>(same) / static_cast<double>(plain.pixels.size())
                  << "%\n";
    }
}
