// --seed: a translation of the samples the tool places, exactly as documented; seed 0 is no
// shift; presets keep it and --seed overrides it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/support/tool_runner.h"
#include "tool/images/image_read.h"
#include "tool/setup/seed_shift.h"

namespace {

std::vector<float> Bake(const std::vector<std::string>& extra, const ScratchFolder& dir) {
    const std::string file = (dir / "b.exr").string();
    std::vector<std::string> args = {"bake",     "-q", "--res",    "12x8", "--samples", "1",
                                     "--extent", "20", "--output", "mono", "-o",        file};
    args.insert(args.end(), extra.begin(), extra.end());
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.exitCode == 0 ? ReadImage(file).pixels : std::vector<float>();
}

TEST(Seed, BakeMovesItsSquareByTheSeedShift) {
    ScratchFolder dir;
    const std::vector<float> plain = Bake({}, dir);
    EXPECT_EQ(Bake({"--seed", "0"}, dir), plain);

    const Point3 s = SeedShift(7);
    EXPECT_EQ(SeedShift(7), s);
    EXPECT_GT(Length(s), 1.0f);
    const float shift[3] = {s.x / 20.0f, s.y / 20.0f, s.z / 20.0f};
    const ToolRun eval =
        RunTool({"eval", "--filtered", "--output", "mono"}, BakeSamples(12, 8, 20.0f, shift));
    ASSERT_EQ(eval.exitCode, 0) << eval.err;
    std::vector<float> want;
    std::istringstream in(eval.out);
    for (float v; in >> v;) want.push_back(v);

    const std::vector<float> seeded = Bake({"--seed", "7"}, dir);
    EXPECT_EQ(seeded, want);
    EXPECT_NE(seeded, plain);
}

TEST(Seed, PresetsKeepItAndTheOptionWins) {
    ScratchFolder dir;
    const std::string preset = (dir / "p.json").string();
    ASSERT_EQ(RunTool({"params", "--seed", "7", "--save-preset", preset}).exitCode, 0);
    std::ifstream in(preset);
    EXPECT_EQ(nlohmann::json::parse(in)["seed"], 7);
    EXPECT_EQ(Bake({"--preset", preset}, dir), Bake({"--seed", "7"}, dir));
    EXPECT_EQ(Bake({"--preset", preset, "--seed", "0"}, dir), Bake({}, dir));

    // Render moves its points too.
    const ToolRun a = RunTool({"render", "-q", "--res", "24", "-o", (dir / "a.exr").string()});
    const ToolRun b =
        RunTool({"render", "-q", "--res", "24", "--seed", "3", "-o", (dir / "b.exr").string()});
    ASSERT_EQ(a.exitCode + b.exitCode, 0) << a.err << b.err;
    EXPECT_NE(ReadImage((dir / "a.exr").string()).pixels, ReadImage((dir / "b.exr").string()).pixels);

    for (const char* bad : {"-1", "1.5", "4294967296", "\"7\""}) {
        std::ofstream(preset) << "{\"seed\": " << bad << "}";
        const ToolRun run = RunTool({"params", "--preset", preset});
        EXPECT_NE(run.exitCode, 0) << bad;
        EXPECT_NE(run.err.find("0 to 4294967295"), std::string::npos) << run.err;
    }
}

}  // namespace
