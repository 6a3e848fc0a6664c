// The bare pattern against reference outputs of the finished map. The first three probe blocks
// use black-to-white colours and plain coordinates, so each printed channel is the pattern value.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pattern.h"

namespace {

// The map's reset values, with size 10.
constexpr float size = 10.0f;
const ScratchInputs reset{0.0f, 1.0f, 10.0f, 0, 0.5f, size / 20.0f, 1.0f, 0.8f, 1, 6};

// Checks every `x y z [dpdx dpdy] => f f f a` line of block `index` (0-based).
void checkBlock(int index, const ScratchInputs& in, bool filtered) {
    std::ifstream file(EVAL_PROBE_FILE);
    std::string line;
    int block = -1, checked = 0;
    while (std::getline(file, line)) {
        if (line.rfind("args:", 0) == 0) ++block;
        const auto arrow = line.find("=>");
        if (block != index || arrow == std::string::npos) continue;
        std::istringstream args(line.substr(0, arrow)), out(line.substr(arrow + 2));
        float v[9] = {};
        for (float& x : v) args >> x;
        double expected = -1.0;
        out >> expected;
        const Point3 p = Point3(v[0], v[1], v[2]) / size;
        const float f = filtered ? scratchPatternFiltered(p, Point3(v[3], v[4], v[5]) / size,
                                                          Point3(v[6], v[7], v[8]) / size, in)
                                 : scratchPattern(p, in);
        EXPECT_NEAR(f, expected, 1e-6) << line;
        ++checked;
    }
    EXPECT_EQ(checked, 12);
}

}  // namespace

TEST(Probe, DefaultSettings) {
    checkBlock(0, reset, false);
}

TEST(Probe, Type2DEightLevelsEroded) {
    ScratchInputs in = reset;
    in.type = 0;
    in.levels = 8;
    in.useErosion = 1;
    in.erosion = 0.7f;
    checkBlock(1, in, false);
}

TEST(Probe, FilteredWithThresholds) {
    ScratchInputs in = reset;
    in.thresholdLow = 0.1f;
    in.thresholdHigh = 0.8f;
    checkBlock(2, in, true);
}
