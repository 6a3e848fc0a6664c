// Parameters as scripts address them: choice values by number or name wherever a value
// enters, and the description `params --json` gives.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/support/tool_runner.h"

namespace {

using nlohmann::json;

struct ChoiceCase {
    const char* block;
    const char* name;
    const char* text;
    int expected;                    // -1: refused
    const char* mentions = nullptr;  // in the refusal: a choice it lists
};

const ChoiceCase kChoiceCases[] = {
    {"params", "type", "2D", 0},
    {"params", "type", "3d", 1},
    {"params", "type", "0", 0},
    {"params", "type", "7", -1, "2d"},
    {"params", "type", "-1", -1, "3d"},
    {"params", "type", "1.5", -1, "2d"},
    {"params", "type", "4d", -1, "3d"},
    {"Mapping", "xyz_map", "object", 2},
    {"Mapping", "xyz_map", "Object XYZ", 2},
    {"Mapping", "xyz_map", "explicit-map-channel-2d", 0},
    {"Mapping", "xyz_map", "channel-real-world", 1},
    {"Mapping", "xyz_map", "4", 4},
    {"Mapping", "xyz_map", "17", -1, "object"},
    {"Mapping", "xyz_map", "obj", -1, "screen"},
    {"Mapping", "xyz_tile_x", "MIRROR", 3},
    {"Mapping", "xyz_tile_z", "none", 4},
    {"Mapping", "xyz_tile_y", "99", -1, "mirror"},
    {"Mapping", "seed", "tile", -1, "1 to 99999"},  // not a choice parameter
};

// The map's settings as a preset, read back from standard output.
json SavedSettings(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"params"};
    all.insert(all.end(), args.begin(), args.end());
    all.insert(all.end(), {"--save-preset", "-"});
    const ToolRun run = RunTool(all);
    if (run.exitCode != 0) return json();
    // The preset alone, as a script reads it.
    return json::parse(run.out);
}

TEST(Params, ChoiceValuesEnterByNumberOrNameAndOnlyFromTheList) {
    ScratchFolder dir;
    for (const ChoiceCase& c : kChoiceCases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.text);
        const std::string setting = std::string(c.name) + "=" + c.text;
        // A preset holds numbers as numbers and names as strings.
        json value = c.text;
        try {
            std::size_t used = 0;
            const double number = std::stod(c.text, &used);
            if (used == std::string(c.text).size()) value = number;
        } catch (const std::exception&) {
        }
        const std::string preset = (dir / "p.json").string();
        std::ofstream(preset) << json{{c.block, {{c.name, value}}}}.dump();

        const std::vector<std::vector<std::string>> routes = {
            {"--set", setting},
            {"--preset", preset},
            {"--map", "distortMap=scratches:" + setting},
        };
        for (const auto& route : routes) {
            SCOPED_TRACE(route[0]);
            std::vector<std::string> args = {"params"};
            args.insert(args.end(), route.begin(), route.end());
            const ToolRun run = RunTool(args);
            if (c.expected < 0) {
                EXPECT_NE(run.exitCode, 0);
                EXPECT_NE(run.err.find(c.mentions), std::string::npos) << run.err;
            } else {
                EXPECT_EQ(run.exitCode, 0) << run.err;
            }
        }
        if (c.expected >= 0) {
            EXPECT_EQ(SavedSettings({"--set", setting})[c.block][c.name], c.expected);
            EXPECT_EQ(SavedSettings({"--preset", preset})[c.block][c.name], c.expected);
        }
    }
}

TEST(Params, JsonDescribesWhatANewMapHolds) {
    const ToolRun run = RunTool({"params", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json params = json::parse(run.out);
    const json preset = SavedSettings({});
    ASSERT_TRUE(preset.is_object());

    std::map<std::string, json> byName;
    for (const json& p : params) {
        const std::string name = p["name"];
        SCOPED_TRACE(name);
        byName[name] = p;
        EXPECT_FALSE(p["label"].get<std::string>().empty());
        EXPECT_EQ(p["new"], p["value"]);
        // The same values as the preset a new map saves, which reads them another way.
        if (p["type"] != "map") {
            EXPECT_EQ(p["new"], preset[p["block"].get<std::string>()][name]);
        }
        EXPECT_EQ(p.contains("choices"), p["type"] == "choice");
    }
    EXPECT_EQ(byName.size(), 55u);  // 28 + 27 parameters, the output reference aside
    // The map's reset values, not the descriptors' defaults (1, 0, 0, 8).
    EXPECT_EQ(byName["size"]["new"], 10.0);
    EXPECT_EQ(byName["erosion"]["new"], 0.5);
    EXPECT_EQ(byName["type"]["new"], 1);
    EXPECT_EQ(byName["levels"]["new"], 6);
    EXPECT_EQ(byName["levels"]["range"], json::array({1, 8}));
    EXPECT_EQ(byName["xyz_map"]["new"], 2);
    EXPECT_EQ(byName["xyz_map"]["label"], "Mapping Type");
    EXPECT_EQ(byName["xyz_map"]["choices"][2],
              (json{{"value", 2}, {"name", "object"}, {"label", "Object XYZ"}}));
    EXPECT_EQ(byName["type"]["choices"][0]["label"], "2D");
    // Each parameter's own block and ID, as a script addresses it.
    EXPECT_EQ(byName["type"]["blockId"], 1);
    EXPECT_EQ(byName["type"]["id"], 19);
    EXPECT_EQ(byName["seed"]["blockId"], 0);
    EXPECT_EQ(byName["seed"]["id"], 23);
    EXPECT_EQ(byName["spreasdMapEnabled"]["aliases"], json::array({"spreadMapEnabled"}));
    EXPECT_TRUE(byName["seed"].contains("note"));

    // Options change the current values only; --json FILE writes the same array to a file.
    ScratchFolder dir;
    const std::string file = (dir / "params.json").string();
    const ToolRun set =
        RunTool({"params", "--set", "size=3", "--map", "sizeMap=scratches:", "--json", file});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "");
    std::ifstream in(file);
    const json changed = json::parse(in);
    EXPECT_EQ(changed[0]["name"], "size");
    EXPECT_EQ(changed[0]["new"], 10.0);
    EXPECT_EQ(changed[0]["value"], 3.0);
    EXPECT_EQ(changed[3]["name"], "sizeMap");
    EXPECT_EQ(changed[3]["value"], "scratches:");
}

}  // namespace
