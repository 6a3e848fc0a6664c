// `eval`: the reference answers, the output format, and agreement with the map's own
// EvalColor / EvalMono / EvalNormalPerturb called through the loaded module.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include <sample_shade_context.h>

#include "tests/support/tool_runner.h"
#include "tool/module/plugin_module.h"
#include "tool/setup/configure_map.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

struct ProbeBlock {
    std::vector<std::string> args;
    std::vector<std::string> inputs, outputs;
};

std::vector<ProbeBlock> ReadProbes() {
    std::ifstream in(std::string(QUORV_TEST_DATA) + "/eval-probe.txt");
    std::vector<ProbeBlock> blocks;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("args:", 0) == 0) {
            blocks.push_back({Words(line.substr(5)), {}, {}});
            continue;
        }
        const std::size_t arrow = line.find("=>");
        if (arrow == std::string::npos || blocks.empty()) continue;
        blocks.back().inputs.push_back(line.substr(0, arrow));
        blocks.back().outputs.push_back(line.substr(arrow + 2));
    }
    return blocks;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

TEST(EvalProbe, ReproducesTheReferenceAnswers) {
    const std::vector<ProbeBlock> blocks = ReadProbes();
    ASSERT_EQ(blocks.size(), 6u);
    for (const ProbeBlock& block : blocks) {
        std::vector<std::string> args = {"eval"};
        args.insert(args.end(), block.args.begin(), block.args.end());
        const ToolRun run = RunTool(args, JoinLines(block.inputs));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> got = Lines(run.out);
        ASSERT_EQ(got.size(), block.outputs.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            const auto want = Words(block.outputs[i]), have = Words(got[i]);
            ASSERT_EQ(want.size(), have.size()) << got[i];
            for (std::size_t k = 0; k < want.size(); ++k) {
                EXPECT_NEAR(std::stod(have[k]), std::stod(want[k]), 1e-6)
                    << "args" << JoinLines(block.args) << "input " << block.inputs[i];
            }
        }
    }
}

TEST(EvalFormat, OneLinePerSampleInPrintfG9) {
    // Blank lines are skipped; 3 and 9 numbers per line; tabs and CRLF are tolerated.
    const std::string input = "1.5 2 3\n\n  \n4\t5 6 0.01 0 0 0 0.01 0\r\n+7 -8 9e0\n";
    const ToolRun color = RunTool({"eval"}, input);
    ASSERT_EQ(color.exitCode, 0) << color.err;
    const std::regex number("-?(\\d+(\\.\\d+)?(e[-+]\\d+)?|inf|nan)");
    const std::vector<std::string> lines = Lines(color.out);
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& line : lines) {
        const auto words = Words(line);
        ASSERT_EQ(words.size(), 4u) << line;
        EXPECT_EQ(line.find("  "), std::string::npos);
        for (const std::string& w : words) {
            EXPECT_TRUE(std::regex_match(w, number)) << w;
            char again[32];
            std::snprintf(again, sizeof again, "%.9g", std::stod(w));
            EXPECT_EQ(w, again);
        }
    }
    EXPECT_EQ(Words(Lines(RunTool({"eval", "--output", "mono"}, input).out)[0]).size(), 1u);
    EXPECT_EQ(Words(Lines(RunTool({"eval", "--output", "bump"}, input).out)[0]).size(), 3u);
    EXPECT_EQ(RunTool({"eval"}, "").out, "");
}

// The map channels' footprint is the extent of both derivatives, whichever holds it (the
// footprint reaches the result through erosion only).
TEST(EvalFormat, ChannelFootprintIsTheExtentOfBothDerivatives) {
    const std::string p = "0.76648 39.0907 11.8336 ";
    const ToolRun run = RunTool(
        {"eval", "--filtered", "--output", "mono", "--set", "xyz_map=1", "--set", "useErosion=1"},
        p + "0.5 0.5 0 0 0 0\n" + p + "0 0 0 0.5 0.5 0\n" + p + "0.5 0 0 0 0.5 0\n" + p +
            "0 0 0 0 0 0\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], lines[0]);
    EXPECT_EQ(lines[2], lines[0]);
    EXPECT_NE(lines[3], lines[0]);
}

TEST(EvalFormat, MalformedLineIsNamedAfterTheResultsBeforeIt) {
    const ToolRun words =
        RunTool({"eval", "--output", "mono"}, "1 2 3\n\n  # note\n1 2 x\n0 0 0\n");
    EXPECT_EQ(words.exitCode, 1);
    EXPECT_EQ(words.out, RunTool({"eval", "--output", "mono"}, "1 2 3\n").out);
    EXPECT_NE(words.err.find("line 4"), std::string::npos) << words.err;
    EXPECT_NE(words.err.find("'x'"), std::string::npos) << words.err;

    for (const char* bad :
         {"1 2\n", "1 2 3 4\n", "1 2 3 4 5 6 7 8 9 10\n", "1 nan 3\n", "1 inf 3\n", "1 2 3,\n"}) {
        const ToolRun run = RunTool({"eval"}, std::string("0 0 0\n") + bad);
        EXPECT_EQ(run.exitCode, 1) << bad;
        EXPECT_NE(run.err.find("line 2"), std::string::npos) << bad << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

TEST(EvalSize, ATinySizeSendsPointsFarAwayNotToInfinity) {
    // 1e-38 and the smallest subnormal are inside the size range. Every point but the origin
    // then lies beyond the pattern's lattice and must answer as any far point does, finite.
    const std::string near = "1 2 3 0.01 0 0 0 0.01 0\n-40 25 7 0.01 0 0 0 0.01 0\n";
    const std::string far = "3e38 3e38 -3e38 0.01 0 0 0 0.01 0\n";
    const std::vector<std::vector<std::string>> modes = {
        {"--output", "mono"},
        {"--output", "mono", "--filtered"},
        {"--output", "mono", "--filtered", "--set", "useErosion=1"},
        {"--output", "bump", "--set", "useErosion=1"},
    };
    for (const char* size : {"size=1e-38", "size=1e-45"}) {
        for (const auto& mode : modes) {
            std::vector<std::string> args = {"eval"};
            args.insert(args.end(), mode.begin(), mode.end());
            const ToolRun reference = RunTool(args, far);
            args.insert(args.end(), {"--set", size});
            const ToolRun tiny = RunTool(args, near);
            ASSERT_EQ(tiny.exitCode, 0) << tiny.err;
            ASSERT_EQ(reference.exitCode, 0) << reference.err;
            const std::string farAnswer = Lines(reference.out).at(0);
            for (const std::string& line : Lines(tiny.out)) {
                EXPECT_EQ(line, farAnswer) << size << " " << mode.back();
                for (const std::string& w : Words(line)) EXPECT_TRUE(std::isfinite(std::stod(w)));
            }
        }
    }
}

// The module loaded in this process, and maps made from its class as the tool makes them.
class DirectEval : public ::testing::Test {
protected:
    PluginModule module{QUORV_MODULE_DIR};

    // Each sample through the host's own sample context: all channels' UVW the point, identity
    // frames, as the tool's interface describes.
    std::vector<std::string> Direct(const MapOptions& options, const std::string& what,
                                    const std::vector<std::array<float, 9>>& samples, bool filtered,
                                    int mtl, INode* node) {
        ConfiguredMap configured = ConfigureMap(module.ScratchesClass(), options, 0);
        Texmap* map = configured.map.get();
        Interval valid = FOREVER;
        map->Update(0, valid);
        std::vector<std::string> lines;
        for (const auto& s : samples) {
            const Point3 p(s[0], s[1], s[2]), a(s[3], s[4], s[5]), b(s[6], s[7], s[8]);
            const Point3 d(std::fabs(a.x) + std::fabs(b.x), std::fabs(a.y) + std::fabs(b.y),
                           std::fabs(a.z) + std::fabs(b.z));
            SampleShadeContext sc;
            sc.SetP(p);
            sc.SetDP(a, b);
            for (int ch = 0; ch < SampleShadeContext::kChannels; ++ch) sc.SetUVW(ch, p, d);
            sc.SetScreenUV(Point2(p.x, p.y), Point2(d.x, d.y));
            sc.SetMtlNum(mtl);
            sc.SetNode(node);
            sc.filterMaps = filtered ? TRUE : FALSE;
            std::vector<float> v;
            if (what == "color") {
                const AColor c = map->EvalColor(sc);
                v = {c.r, c.g, c.b, c.a};
            } else if (what == "mono") {
                v = {map->EvalMono(sc)};
            } else {
                const Point3 n = map->EvalNormalPerturb(sc);
                v = {n.x, n.y, n.z};
            }
            std::string line;
            for (float x : v) {
                char text[32];
                std::snprintf(text, sizeof text, "%.9g", static_cast<double>(x));
                if (!line.empty()) line += ' ';
                line += text;
            }
            lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(DirectEval, ToolOutputEqualsTheMapsOwnAnswers) {
    std::vector<std::array<float, 9>> samples;
    std::string input;
    for (int i = 0; i < 40; ++i) {
        const float x = -30.0f + 1.37f * i, y = 12.5f - 0.61f * i, z = 0.25f * i;
        samples.push_back({x, y, z, 0.02f, 0.0f, 0.001f, 0.0f, 0.02f, 0.0f});
        char line[128];
        std::snprintf(line, sizeof line, "%.9g %.9g %.9g 0.02 0 0.001 0 0.02 0\n", x, y, z);
        input += line;
    }
    struct Case {
        std::vector<std::string> sets;
        std::string what;
        bool filtered;
        int mtl;
        int node;  // -1: none
    };
    const std::vector<Case> cases = {
        {{}, "color", false, 0, -1},
        {{"size=3", "color1=0.2,0.1,0"}, "color", true, 0, -1},
        {{"useErosion=1", "type=0"}, "mono", false, 0, -1},
        {{"color2=0.5,0.9,1"}, "bump", false, 0, -1},
        {{"randByMat=1", "randByObj=1", "xyz_size_x2=0.4", "xyz_angle_z2=20"},
         "color",
         true,
         3,
         77},
    };
    for (const Case& c : cases) {
        MapOptions options;
        options.sets = c.sets;
        INode node(static_cast<ULONG>(c.node < 0 ? 0 : c.node));
        const auto want =
            Direct(options, c.what, samples, c.filtered, c.mtl, c.node < 0 ? nullptr : &node);
        std::vector<std::string> args = {"eval", "--output", c.what, "--mtl",
                                         std::to_string(c.mtl)};
        if (c.filtered) args.push_back("--filtered");
        if (c.node >= 0) args.insert(args.end(), {"--node", std::to_string(c.node)});
        for (const std::string& s : c.sets) args.insert(args.end(), {"--set", s});
        const ToolRun run = RunTool(args, input);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Lines(run.out), want) << c.what;
    }
}

}  // namespace
