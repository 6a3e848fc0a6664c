// The bundled presets (presets/*.json): each loads and bakes by name as the command line takes
// it, says what it is for, and draws scratches (no warning of an empty or flat map).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/support/tool_runner.h"
#include "tool/setup/preset.h"

namespace {

TEST(PresetLibrary, EveryBundledPresetLoadsAndBakesByName) {
    const std::vector<BundledPreset> presets = BundledPresets(QUORV_PRESETS_DIR);
    ASSERT_GE(presets.size(), 8u);
    ScratchFolder dir;
    for (const BundledPreset& p : presets) {
        SCOPED_TRACE(p.name);
        const nlohmann::json file = nlohmann::json::parse(ReadAll(p.path));
        EXPECT_FALSE(file.value("about", std::string()).empty());
        // By name: the copy the build put beside the tool, as an installed tool finds it.
        const std::string mask = (dir / (p.name + "-mask.png")).string();
        const std::string color = (dir / (p.name + ".png")).string();
        const ToolRun baked = RunTool({"bake", "--preset", p.name, "--res", "48", "--samples", "1",
                                       "--output", "color,mask", "-o", color, "-o", mask});
        ASSERT_EQ(baked.exitCode, 0) << baked.err;
        EXPECT_EQ(baked.err.find("warning"), std::string::npos) << baked.err;
        EXPECT_TRUE(std::filesystem::file_size(mask) > 0);
        // The same settings as the file itself names them.
        const ToolRun byName = RunTool({"params", "--preset", p.name, "--save-preset", "-"});
        const ToolRun byPath =
            RunTool({"params", "--preset", p.path.string(), "--save-preset", "-"});
        ASSERT_EQ(byName.exitCode, 0) << byName.err;
        EXPECT_EQ(byName.out, byPath.out);
        const std::filesystem::path copy = std::filesystem::path(QUORV_BINARY_DIR) /
                                           "share/quorv-scratches/presets" / (p.name + ".json");
        EXPECT_EQ(ReadAll(copy), ReadAll(p.path)) << "the build's copy is stale";
    }
}

TEST(PresetLibrary, AnUnknownNameListsTheBundledOnes) {
    const ToolRun run = RunTool({"params", "--preset", "brushed-metl"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("nor a bundled preset; nearest bundled ones are brushed-metal"),
              std::string::npos)
        << run.err;
    // A path or a .json name is a file, never a bundled preset.
    const ToolRun file = RunTool({"params", "--preset", "brushed-metal.json"});
    EXPECT_EQ(file.exitCode, 1);
    EXPECT_NE(file.err.find("cannot read preset 'brushed-metal.json'"), std::string::npos)
        << file.err;
}

}  // namespace
