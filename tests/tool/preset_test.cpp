// Presets: every setting written, read back to the same map, and readable by hand.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/support/tool_runner.h"
#include "tool/images/image_read.h"
#include "tool/images/image_write.h"

namespace {

const std::string kSamples = "1 2 3\n-7.5 4.25 0.5 0.01 0 0 0 0.01 0\n12 -3 8\n30.5 1 -2\n";

TEST(Preset, RoundTripKeepsEverySetting) {
    ScratchFolder dir;
    const std::string first = (dir / "first.json").string(),
                      second = (dir / "second.json").string();
    const std::vector<std::string> settings = {
        "--set", "size=3.5",         "--set", "color1=0.1,0.2,0.3",
        "--set", "thresholdLow=0.2", "--set", "levels=3",
        "--set", "useErosion=true",  "--set", "xyz_angle_z=30",
        "--set", "seed=777",         "--map", "stretchMap=scratches:size=2,color2=0.5,0.5,0.5"};
    std::vector<std::string> save = {"params"};
    save.insert(save.end(), settings.begin(), settings.end());
    save.insert(save.end(), {"--save-preset", first});
    const ToolRun saved = RunTool(save);
    ASSERT_EQ(saved.exitCode, 0) << saved.err;

    // Loading the preset and saving again gives the same file, and the same map.
    const ToolRun again = RunTool({"params", "--preset", first, "--save-preset", second});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(ReadAll(first), ReadAll(second));
    EXPECT_EQ(again.out, saved.out);

    std::vector<std::string> direct = {"eval", "--output", "mono"};
    direct.insert(direct.end(), settings.begin(), settings.end());
    const ToolRun a = RunTool(direct, kSamples);
    const ToolRun b = RunTool({"eval", "--output", "mono", "--preset", first}, kSamples);
    ASSERT_EQ(a.exitCode, 0) << a.err;
    EXPECT_EQ(a.out, b.out);

    // Human-readable: blocks by name, floats as short decimals, booleans as booleans.
    const nlohmann::json j = nlohmann::json::parse(ReadAll(first));
    EXPECT_EQ(j["params"]["size"].dump(), "3.5");
    EXPECT_EQ(j["params"]["color1"].dump(), "[0.1,0.2,0.3]");
    EXPECT_EQ(j["params"]["spread"].dump(), "0.8");
    EXPECT_EQ(j["params"]["useErosion"], true);
    EXPECT_EQ(j["Mapping"]["seed"], 777);
    EXPECT_EQ(j["maps"]["stretchMap"], "scratches:size=2,color2=0.5,0.5,0.5");
    EXPECT_FALSE(j["params"].contains("stretchMap"));
}

TEST(Preset, HandEditedMistakesAreNamed) {
    ScratchFolder dir;
    auto refuse = [&](const std::string& text, const std::string& mentions) {
        std::ofstream(dir / "p.json") << text;
        const ToolRun run = RunTool({"params", "--preset", (dir / "p.json").string()});
        EXPECT_EQ(run.exitCode, 1) << text;
        EXPECT_NE(run.err.find(mentions), std::string::npos) << text << " -> " << run.err;
    };
    refuse(R"({"params": {"sise": 2}})", "size");
    refuse(R"({"parms": {"size": 2}})", "params");
    refuse(R"({"params": {"levels": 12}})", "1 to 8");
    refuse(R"({"params": {"size": "big"}})", "a number");
    refuse(R"({"params": {"color1": [1, 2]}})", "r,g,b");
    refuse(R"({"Mapping": {"size": 2}})", "belongs to block 'params'");
    refuse(R"({"maps": {"sizeMap": 3}})", "must be a string");
    refuse("[1, 2]", "JSON object");

    // A partial preset sets what it names; a relative image path is the preset's neighbour.
    std::ofstream(dir / "p.json")
        << R"({"params": {"size": 4}, "maps": {"sizeMap": "missing.png"}})";
    const ToolRun run = RunTool({"params", "--preset", (dir / "p.json").string()});
    EXPECT_NE(run.err.find((dir / "missing.png").string()), std::string::npos) << run.err;
}

}  // namespace

// Images beside or below the preset are kept relative to it, so a folder holding the preset
// and its images can move; an image elsewhere keeps its absolute path.
TEST(Preset, ImagesBesideThePresetMoveWithIt) {
    ScratchFolder dir, elsewhere;
    std::filesystem::create_directories(dir / "look" / "images");
    Image grey;
    AllocateImage(grey, 2, 2, 1);
    grey.pixels = {0.25f, 0.5f, 0.75f, 1.0f};
    WriteImageFile((dir / "look" / "images" / "grunge.png").string(), grey, {ImageFormat::Png, 8});
    WriteImageFile((elsewhere / "far.png").string(), grey, {ImageFormat::Png, 8});
    const std::string preset = (dir / "look" / "worn.json").string();
    const ToolRun saved = RunTool(
        {"params", "--map", "sizeMap=" + (dir / "look" / "images" / "grunge.png").string(), "--map",
         "spreadMap=" + (elsewhere / "far.png").string(), "--save-preset", preset});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const nlohmann::json j = nlohmann::json::parse(ReadAll(preset));
    EXPECT_EQ(j["maps"]["sizeMap"], "images/grunge.png");
    EXPECT_EQ(j["maps"]["spreadMap"], std::filesystem::canonical(elsewhere / "far.png").string());

    const ToolRun before = RunTool({"eval", "--preset", preset}, kSamples);
    ASSERT_EQ(before.exitCode, 0) << before.err;
    std::filesystem::rename(dir / "look", elsewhere / "moved");
    const ToolRun after =
        RunTool({"eval", "--preset", (elsewhere / "moved" / "worn.json").string()}, kSamples);
    ASSERT_EQ(after.exitCode, 0) << after.err;
    EXPECT_EQ(before.out, after.out);
}
