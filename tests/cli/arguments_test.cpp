// Argument handling: every refusal is one line on standard error and a non-zero exit, names
// what is accepted, and leaves no file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "tests/support/tool_runner.h"

namespace {

void ExpectOneLineError(const ToolRun& run, const std::string& mentions) {
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(mentions), std::string::npos) << run.err;
}

TEST(Arguments, HelpStatesTheDefaults) {
    const ToolRun top = RunTool({"--help"});
    EXPECT_EQ(top.exitCode, 0);
    for (const char* word :
         {"info", "params", "eval", "render", "bake", "--threads", "--plugin-dir"}) {
        EXPECT_NE(top.out.find(word), std::string::npos) << word;
    }
    const ToolRun render = RunTool({"render", "--help"});
    EXPECT_EQ(render.exitCode, 0);
    for (const char* word : {"preview.png", "512", "sphere", "--samples", "--set", "--map"}) {
        EXPECT_NE(render.out.find(word), std::string::npos) << word;
    }
    const ToolRun bake = RunTool({"bake", "--help"});
    for (const char* word : {"bake.png", "1024", "color", "--extent", "50", "--bits"}) {
        EXPECT_NE(bake.out.find(word), std::string::npos) << word;
    }
}

TEST(Arguments, InfoNamesTheModuleAndItsClass) {
    const ToolRun run = RunTool({"info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* text : {"Procedural Scratches texmap", "0x69784200", "QuorvScratches",
                             "(0x8DB6A691, 0x8D486002)", "0x00000C10", "3D Maps"}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << text;
    }
}

TEST(Arguments, VersionNamesToolAndModule) {
    const ToolRun run = RunTool({"--version"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The module states its version in its resources; the build, in the project.
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              std::string("quorv-scratches ") + QUORV_PROJECT_VERSION);
    EXPECT_NE(run.out.find(std::string(" ") + QUORV_PROJECT_VERSION + " (SDK API 0x69784200)"),
              std::string::npos)
        << run.out;
    const ToolRun info = RunTool({"info"});
    EXPECT_NE(info.out.find(std::string("version      ") + QUORV_PROJECT_VERSION + "\nSDK API"),
              std::string::npos)
        << info.out;
    // Without the module the tool still says what it is, and why the module is missing.
    const ToolRun alone = RunTool({"--version", "--plugin-dir", "/nonexistent"});
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_EQ(alone.out, std::string("quorv-scratches ") + QUORV_PROJECT_VERSION + "\n");
}

TEST(Arguments, SettingsWithoutEffectWarnButRun) {
    struct Case {
        std::vector<std::string> args;
        const char* warns;  // nullptr: no warning
    };
    const Case cases[] = {
        {{"params", "--set", "useDistortion=1"}, "distortMap is empty"},
        {{"params", "--set", "useDistortion=1", "--map", "distortMap=scratches:"}, nullptr},
        {{"params", "--map", "distortMap=scratches:"},
         "useDistortion is off: nothing is distorted"},
        {{"params", "--set", "spreadMapEnabled=on"}, "spreadMap is empty"},
        {{"params", "--set", "xyz_tile_y=tile"}, "xyz_tile_y has no effect"},
        {{"params", "--set", "xyz_map=channel-2d", "--set", "xyz_tile_y=tile"}, nullptr},
        {{"eval", "--time", "160"}, "--time has no effect"},
        {{"bake", "--res", "4", "--extent", "9", "--set", "xyz_map=screen"}, "--extent has no"},
        {{"bake", "--res", "4", "--extent", "9"}, nullptr},
        {{"bake", "--res", "4", "--compression", "DWAA"}, "--compression dwaa has no effect"},
        {{"bake", "--res", "4", "--tileable", "--map", "stretchMap=scratches:"}, "stretchMap"},
        {{"bake", "--res", "4", "--tileable", "--map", "sizeMap=scratches:", "--set",
          "sizeMapEnabled=Off"},
         nullptr},
        {{"bake", "--res", "4", "--map", "sizeMap=scratches:"}, nullptr},
        // Settings that leave the map empty or flat.
        {{"params", "--set", "spread=0.1"}, "spread 0.1 draws almost no scratches"},
        {{"params", "--set", "spread=0.3"}, nullptr},
        {{"params", "--set", "thresholdHigh=0.3"}, "with thresholdHigh 0.3 draws almost no"},
        {{"params", "--set", "thresholdLow=0.7", "--set", "thresholdHigh=0.5"},
         "thresholdHigh 0.5 is below thresholdLow 0.7: the map swaps them"},
        {{"params", "--set", "thresholdLow=0.5", "--set", "thresholdHigh=0.5"},
         "no threshold applies"},
        {{"params", "--set", "color1=0.5,0.5,0.5", "--set", "color2=0.5,0.5,0.5"},
         "color1 and color2 are the same colour"},
        {{"params", "--set", "color1=1,1,1", "--map", "color2map=scratches:"}, nullptr},
        {{"params", "--set", "color2=1,3,1"},
         "color2 = 1,3,1: the map draws each channel at most 1"},
        {{"bake", "--res", "4", "--set", "levels=1"}, "shows it as dots"},
        {{"bake", "--res", "4", "--set", "levels=1", "--set", "type=2d"}, nullptr},
        {{"render", "--res", "16", "--samples", "1", "--set", "levels=1"}, nullptr},
        {{"params", "--map", "sizeMap=scratches:spread=0.2"}, "sizeMap: spread 0.2 draws almost"},
    };
    ScratchFolder dir;
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        if (args[0] == "bake") args.insert(args.end(), {"-o", (dir / "b.png").string()});
        if (args[0] == "render") args.insert(args.end(), {"-o", (dir / "r.png").string()});
        for (const bool quiet : {false, true}) {
            std::vector<std::string> run = args;
            if (quiet) run.insert(run.begin(), "-q");
            const ToolRun r = RunTool(run, "1 2 3\n");
            SCOPED_TRACE(args[0] + " " + args[2] + (quiet ? " -q" : ""));
            EXPECT_EQ(r.exitCode, 0) << r.err;
            const bool warned = r.err.find("warning:") != std::string::npos;
            EXPECT_EQ(warned, c.warns != nullptr && !quiet) << r.err;
            if (warned) {
                EXPECT_NE(r.err.find(c.warns), std::string::npos) << r.err;
            }
        }
    }
}

// Names in lists are matched as choice values are, without regard to case, and standard
// output carries one thing a script can read.
TEST(Arguments, NamesIgnoreCaseAndStandardOutputHoldsOneThing) {
    const ToolRun mono = RunTool({"eval", "--output", "Mono", "--set", "useErosion=ON"}, "1 2 3\n");
    EXPECT_EQ(mono.exitCode, 0) << mono.err;
    EXPECT_EQ(mono.out,
              RunTool({"eval", "--output", "mono", "--set", "useErosion=1"}, "1 2 3\n").out);
    const ToolRun preset = RunTool({"params", "--set", "size=3", "--save-preset", "-"});
    EXPECT_EQ(preset.exitCode, 0) << preset.err;
    EXPECT_EQ(preset.out.front(), '{');
    EXPECT_EQ(preset.out.substr(preset.out.size() - 2), "}\n");
    EXPECT_NE(preset.out.find("\"size\": 3"), std::string::npos) << preset.out;
    EXPECT_EQ(RunTool({"params", "--json", "--save-preset", "-"}).exitCode, 2);
    EXPECT_EQ(RunTool({"eval", "--save-preset", "-"}, "1 2 3\n").exitCode, 2);
}

TEST(Arguments, ParamsListsBothBlocksWithResetValues) {
    const ToolRun run = RunTool({"params"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("spreasdMapEnabled"), std::string::npos);
    EXPECT_NE(run.out.find("xyz_offset_x2"), std::string::npos);
    // levels: declared default 8, range 1 to 8, the reset value 6.
    const std::size_t at = run.out.find(" levels ");
    ASSERT_NE(at, std::string::npos);
    const std::string row = run.out.substr(at, run.out.find('\n', at) - at);
    EXPECT_NE(row.find("1 to 8"), std::string::npos) << row;
    EXPECT_EQ(row.substr(row.find_last_of(' ') + 1), "6") << row;
}

TEST(Arguments, UsageErrors) {
    ExpectOneLineError(RunTool({}), "no subcommand");
    ExpectOneLineError(RunTool({"paint"}), "paint");
    ExpectOneLineError(RunTool({"eval", "--output", "rgb"}), "rgb");
    ExpectOneLineError(RunTool({"bake", "--threads", "-2"}), "--threads");
    ExpectOneLineError(RunTool({"render", "--samples", "0"}), "--samples");
    ExpectOneLineError(RunTool({"eval", "--node", "-1"}), "--node");
    ExpectOneLineError(RunTool({"render", "--shap", "cube"}), "--shape");
    ExpectOneLineError(RunTool({"render", "--shap", "cube"}), "see quorv-scratches render --help");
    ExpectOneLineError(RunTool({"eval", "--outptu=mono"}), "'--outptu' for eval");
    ExpectOneLineError(RunTool({"bake", "-o", "-"}), "standard stream");
    ExpectOneLineError(RunTool({"render", "-o", "-"}), "standard stream");
    EXPECT_EQ(RunTool({"paint"}).exitCode, 2);
}

TEST(Arguments, UnknownNamesGetTheNearestKnownOnes) {
    ExpectOneLineError(RunTool({"eval", "--set", "sise=2"}, "0 0 0\n"), "size");
    ExpectOneLineError(RunTool({"eval", "--set", "spreadMapEnable=0"}, "0 0 0\n"),
                       "spreasdMapEnabled");
    ExpectOneLineError(RunTool({"eval", "--set", "xyz_ofset_x=1"}), "xyz_offset_x");
    ExpectOneLineError(RunTool({"eval", "--map", "distortmap=scratches:"}), "distortMap");
    ExpectOneLineError(RunTool({"eval", "--set", "sizeMap=1"}), "--map sizeMap=");
    ExpectOneLineError(RunTool({"eval", "--map", "sizeMap=scratches:sise=1"}), "size");
}

TEST(Arguments, ValuesOutsideTheDeclaredRangeStateIt) {
    ExpectOneLineError(RunTool({"eval", "--set", "levels=9"}), "1 to 8");
    ExpectOneLineError(RunTool({"eval", "--set", "spread=0.05"}), "0.1 to 1");
    ExpectOneLineError(RunTool({"eval", "--set", "seed=0"}), "1 to 99999");
    ExpectOneLineError(RunTool({"eval", "--set", "size=-1"}), "0 to 1000000");
    ExpectOneLineError(RunTool({"eval", "--set", "size=nan"}), "a number");
    ExpectOneLineError(RunTool({"eval", "--set", "size=1e40"}), "a number");
    ExpectOneLineError(RunTool({"eval", "--set", "useErosion=2"}), "0 or 1");
    ExpectOneLineError(RunTool({"eval", "--set", "color1=1,2"}), "r,g,b");
    ExpectOneLineError(RunTool({"eval", "--set", "levels=2.5"}), "integer");
    ExpectOneLineError(RunTool({"eval", "--set", "levels"}), "NAME=VALUE");
    // The ends of a range are accepted.
    EXPECT_EQ(RunTool({"eval", "--set", "levels=1", "--set", "spread=0.1"}, "1 2 3\n").exitCode, 0);
}

TEST(Arguments, UnreadableInputsAreRefusedBeforeWork) {
    ScratchFolder dir;
    const std::string out = (dir / "out.png").string();
    ExpectOneLineError(
        RunTool({"render", "-o", out, "--map", "sizeMap=" + (dir / "missing.png").string()}),
        "missing.png");
    std::ofstream(dir / "not-an-image.png") << "hello";
    ExpectOneLineError(
        RunTool({"bake", "-o", out, "--map", "sizeMap=" + (dir / "not-an-image.png").string()}),
        "not a PNG");
    ExpectOneLineError(RunTool({"bake", "-o", out, "--preset", (dir / "missing.json").string()}),
                       "missing.json");
    std::ofstream(dir / "broken.json") << "{ \"params\": { \"size\": }";
    ExpectOneLineError(RunTool({"bake", "-o", out, "--preset", (dir / "broken.json").string()}),
                       "broken.json");
    ExpectOneLineError(RunTool({"eval", "--plugin-dir", dir.Path().string()}), "--plugin-dir");
    // Nothing was left behind: no output, no temporary file.
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"broken.json", "not-an-image.png"}));
}

TEST(Arguments, UnwritableOrUnknownOutputsAndHugeSizesAreRefused) {
    ScratchFolder dir;
    ExpectOneLineError(RunTool({"bake", "-o", (dir / "no/such/folder/x.png").string()}), "x.png");
    ExpectOneLineError(RunTool({"bake", "-o", (dir / "x.gif").string()}), ".png, .exr, .tif");
    ExpectOneLineError(RunTool({"bake", "-o", (dir / "x.png").string(), "--res", "100000"}),
                       "32768");
    ExpectOneLineError(RunTool({"bake", "-o", (dir / "x.png").string(), "--res", "20000x20000"}),
                       "268435456");
    ExpectOneLineError(RunTool({"bake", "-o", (dir / "x.png").string(), "--res", "12x"}), "WxH");
    ExpectOneLineError(RunTool({"render", "-o", (dir / "x.png").string(), "--res", "0"}), "1 to");
    ExpectOneLineError(RunTool({"bake", "-o", (dir / "x.png").string(), "--res", "0x8"}), "1 to");
    ExpectOneLineError(RunTool({"bake", "-o", (dir / "x.png").string(), "--set", "=1"}),
                       "NAME=VALUE");
    // A bad setting found after the output was opened leaves neither the file nor its
    // temporary behind.
    ExpectOneLineError(RunTool({"bake", "-o", (dir / "x.png").string(), "--set", "size=-5"}),
                       "size");
    EXPECT_TRUE(dir.Files().empty());
}

}  // namespace
