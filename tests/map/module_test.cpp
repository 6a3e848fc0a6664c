// The map as a host meets it: the built module loaded by path, LibClassDesc found by name, the
// map created through it and evaluated against the reference answers of the tool's `eval`.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plugin/host.h"
#include "sample_shade_context.h"

namespace {

std::wstring Widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

struct ProbeBlock {
    std::string args;
    bool filtered = false, bump = false;
    int node = -1, mtl = 0;
    std::vector<std::pair<std::string, std::string>> sets;
    std::vector<std::string> lines;
};

std::vector<ProbeBlock> ReadProbe() {
    std::vector<ProbeBlock> blocks;
    std::ifstream file(EVAL_PROBE_FILE);
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("args:", 0) == 0) {
            ProbeBlock& b = blocks.emplace_back();
            b.args = line;
            std::istringstream in(line.substr(5));
            std::string opt, arg;
            while (in >> opt) {
                if (opt == "--filtered") {
                    b.filtered = true;
                } else if (opt == "--output") {
                    b.bump = (in >> arg) && arg == "bump";
                } else if (opt == "--node") {
                    in >> b.node;
                } else if (opt == "--mtl") {
                    in >> b.mtl;
                } else if (opt == "--set" && in >> arg) {
                    const auto eq = arg.find('=');
                    b.sets.emplace_back(arg.substr(0, eq), arg.substr(eq + 1));
                }
            }
        } else if (!blocks.empty() && line.find("=>") != std::string::npos) {
            blocks.back().lines.push_back(line);
        }
    }
    return blocks;
}

// Writes a parameter by internal name into whichever of the map's blocks declares it.
bool SetByName(Texmap* map, const std::string& name, std::string value) {
    std::replace(value.begin(), value.end(), ',', ' ');
    float v[3] = {};
    std::istringstream(value) >> v[0] >> v[1] >> v[2];
    const std::wstring wname = Widen(name);
    for (int b = 0; b < map->NumParamBlocks(); ++b) {
        IParamBlock2* pb = map->GetParamBlock(b);
        const ParamID id = pb ? pb->NameToID(wname.c_str()) : -1;
        if (id < 0) continue;
        const int type = pb->GetParameterType(id);
        if (type == TYPE_RGBA) return pb->SetValue(id, 0, Color(v[0], v[1], v[2]));
        if (type == TYPE_FLOAT) return pb->SetValue(id, 0, v[0]);
        return pb->SetValue(id, 0, static_cast<int>(std::lround(v[0])));
    }
    return false;
}

TEST(Module, MapCreatedThroughLibClassDescReproducesTheToolsAnswers) {
    HMODULE module = LoadLibraryW(Widen(QUORV_MODULE_PATH).c_str());
    ASSERT_NE(module, nullptr) << QUORV_MODULE_PATH;
    auto libClassDesc =
        reinterpret_cast<ClassDesc* (*)(int)>(GetProcAddress(module, "LibClassDesc"));
    ASSERT_NE(libClassDesc, nullptr);
    ClassDesc* cd = libClassDesc(0);
    ASSERT_NE(cd, nullptr);

    const std::vector<ProbeBlock> blocks = ReadProbe();
    ASSERT_EQ(blocks.size(), 6u);
    int checked = 0;
    for (const ProbeBlock& b : blocks) {
        SCOPED_TRACE(b.args);
        auto* map = static_cast<Texmap*>(cd->Create(FALSE));
        ASSERT_NE(map, nullptr);
        EXPECT_EQ(map->ClassID(), Class_ID(0x8DB6A691, 0x8D486002));
        for (const auto& [name, value] : b.sets) EXPECT_TRUE(SetByName(map, name, value)) << name;
        Interval valid = FOREVER;
        map->Update(0, valid);
        INode node(static_cast<ULONG>(b.node));

        for (const std::string& line : b.lines) {
            const auto arrow = line.find("=>");
            std::istringstream in(line.substr(0, arrow)), out(line.substr(arrow + 2));
            float v[9] = {};
            for (float& x : v) in >> x;
            const Point3 p(v[0], v[1], v[2]), a(v[3], v[4], v[5]), c(v[6], v[7], v[8]);
            const Point3 extent(std::fabs(a.x) + std::fabs(c.x), std::fabs(a.y) + std::fabs(c.y),
                                std::fabs(a.z) + std::fabs(c.z));
            SampleShadeContext sc;
            sc.filterMaps = b.filtered;
            sc.SetP(p);
            sc.SetDP(a, c);
            for (int ch = 0; ch < SampleShadeContext::kChannels; ++ch) sc.SetUVW(ch, p, extent);
            sc.SetScreenUV(Point2(p.x, p.y), Point2(extent.x, extent.y));
            if (b.node >= 0) sc.SetNode(&node);
            sc.SetMtlNum(b.mtl);

            std::vector<float> got;
            if (b.bump) {
                const Point3 n = map->EvalNormalPerturb(sc);
                got = {n.x, n.y, n.z};
            } else {
                const AColor col = map->EvalColor(sc);
                got = {col.r, col.g, col.b, col.a};
            }
            for (float g : got) {
                double expected = NAN;
                out >> expected;
                EXPECT_NEAR(g, expected, 1e-6) << line;
            }
            ++checked;
        }
        map->DeleteThis();
    }
    EXPECT_EQ(checked, 70);
    FreeLibrary(module);
}

}  // namespace
