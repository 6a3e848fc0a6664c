// Values that only scripts, damaged scenes or odd sub-maps hand the map: every parameter of
// both blocks set through the block to values its range does not allow, sub-maps answering
// NaN, infinities or huge values, and shading points far away or undefined. The map must keep
// answering finite colours and bump vectors.
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "coords/xyz_params.h"
#include "map_test_util.h"

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr int intMin = std::numeric_limits<int>::min();
constexpr int intMax = std::numeric_limits<int>::max();

bool Finite(const AColor& c) {
    return std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b) && std::isfinite(c.a);
}
bool Finite(const Point3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Shading samples: ordinary ones, then far away, undefined and with broken derivatives.
struct Sample {
    Point3 p, dpdx, dpdy;
};
std::vector<Sample> Samples() {
    const Point3 dx(0.05f, 0.0f, 0.0f), dy(0.0f, 0.05f, 0.0f);
    std::vector<Sample> out;
    for (const Point3& p : SamplePoints(6)) out.push_back({p, dx, dy});
    for (float v : {1e30f, -1e30f, 3e9f, FLT_MAX, inf, -inf, nan}) {
        out.push_back({Point3(v, 1.0f, 2.0f), dx, dy});
        out.push_back({Point3(v, v, v), dx, dy});
        out.push_back({Point3(0.3f, 0.2f, 0.1f), Point3(v, v, v), dy});
    }
    return out;
}

// Colour (filtered and not), mono and bump at every sample; UVW and screen coordinates follow
// the point, so every mapping type sees the hostile coordinates too.
void ExpectFiniteEverywhere(QuorvScratches* map, const std::string& what) {
    Refresh(map);
    INode node(77);
    for (const Sample& s : Samples()) {
        for (BOOL filtered : {FALSE, TRUE}) {
            SampleShadeContext sc = SampleAt(s.p, s.dpdx, s.dpdy);
            sc.SetUVW(1, s.p, s.dpdx);
            sc.SetScreenUV(Point2(s.p.x, s.p.y), Point2(s.dpdx.x, s.dpdy.y));
            sc.SetNode(&node);
            sc.SetMtlNum(3);
            sc.filterMaps = filtered;
            const AColor c = map->EvalColor(sc);
            ASSERT_TRUE(Finite(c)) << what << " at " << s.p.x << "," << s.p.y << "," << s.p.z
                                   << ": " << c.r << " " << c.g << " " << c.b << " " << c.a;
            sc.ResetCache();
            const float mono = map->EvalMono(sc);
            ASSERT_TRUE(std::isfinite(mono)) << what << " at " << s.p.x;
            const Point3 n = map->EvalNormalPerturb(sc);
            ASSERT_TRUE(Finite(n)) << what << " at " << s.p.x << "," << s.p.y << "," << s.p.z
                                   << ": " << n.x << " " << n.y << " " << n.z;
        }
    }
}

// A map with every feature on: erosion, distortion with its strength map, size, spread and
// stretch maps, both colour maps, and optionally the coordinate variance.
ScratchPtr EverythingOn(int mapType, bool variance) {
    ScratchPtr map = NewScratches();
    IParamBlock2* pb = Params(map.get());
    pb->SetValue(scratch_useErosion, 0, 1);
    pb->SetValue(scratch_useDistortion, 0, 1);
    pb->SetValue(scratch_thresholdLow, 0, 0.2f);
    pb->SetValue(scratch_thresholdHigh, 0, 0.7f);
    map->SetSubTexmap(SUBTEX_DISTORT, Constant(0.5f, Point3(0.3f, -0.2f, 0.1f)));
    map->SetSubTexmap(SUBTEX_DISTORT_STR, Constant(0.8f));
    map->SetSubTexmap(SUBTEX_SIZE, Constant(0.9f));
    map->SetSubTexmap(SUBTEX_SPREAD, Constant(0.7f));
    map->SetSubTexmap(SUBTEX_STRETCH, Constant(1.5f));
    map->SetSubTexmap(SUBTEX_COLOR1, new ConstantMap(AColor(0.1f, 0.2f, 0.3f, 1.0f)));
    map->SetSubTexmap(SUBTEX_COLOR2, new ConstantMap(AColor(0.9f, 0.8f, 0.7f, 0.5f)));
    IParamBlock2* xyz = Mapping(map.get());
    xyz->SetValue(xyz_map, 0, mapType);
    if (mapType == XYZ_MAP_EXPLICIT_2D) {
        xyz->SetValue(xyz_tile_x, 0, XYZ_TILE_MIRROR);
        xyz->SetValue(xyz_tile_y, 0, XYZ_TILE_TILE);
        xyz->SetValue(xyz_tile_z, 0, XYZ_TILE_STRETCH);
    }
    if (variance) {
        xyz->SetValue(xyz_randByMat, 0, 1);
        xyz->SetValue(xyz_lock, 0, 0);
        for (ParamID id : {xyz_offset_x2, xyz_size_y2, xyz_angle_z2, xyz_angle_x2})
            xyz->SetValue(id, 0, 0.5f);
    }
    return map;
}

struct Base {
    const char* name;
    int mapType;
    bool variance;
};
const Base bases[] = {
    {"object XYZ with variance", XYZ_MAP_OBJECT, true},
    {"channel 2D, tiled", XYZ_MAP_EXPLICIT_2D, false},
    {"screen with variance", XYZ_MAP_SCREEN, true},
};

std::string Narrow(const MCHAR* name) {
    std::string out;
    for (; name && *name; ++name) out += static_cast<char>(*name);
    return out;
}

std::vector<float> HostileFloats(const ParamDef& def) {
    std::vector<float> v = {0.0f,   -0.0f,   -1.0f,    1e-45f, -1e-30f, 1e30f,
                            -1e30f, FLT_MAX, -FLT_MAX, inf,    -inf,    nan};
    if (def.has_range) {
        v.push_back(def.range_low.f - 1.0f);
        v.push_back(def.range_high.f * 10.0f + 1.0f);
    }
    return v;
}

std::vector<int> HostileInts(const ParamDef& def) {
    std::vector<int> v = {0, -1, 2, 9, 101, 1 << 30, intMin, intMax};
    if (def.has_range) {
        v.push_back(def.range_low.i - 1);
        v.push_back(def.range_high.i + 1);
    }
    return v;
}

// Sets one value parameter to one hostile value; the map parameters are left to the sub-map
// tests below.
template <typename T>
void SetAndCheck(const Base& base, BlockID block, const ParamDef& def, T value) {
    ScratchPtr map = EverythingOn(base.mapType, base.variance);
    IParamBlock2* pb = map->GetParamBlockByID(block);
    pb->SetValue(def.ID, 0, value);
    ExpectFiniteEverywhere(map.get(), std::string(base.name) + ", " + Narrow(def.int_name) + " = " +
                                          std::to_string(value));
}

TEST(HostileValues, EveryParameterOfBothBlocksOutsideItsRange) {
    int cases = 0;
    for (const Base& base : bases) {
        ScratchPtr probe = NewScratches();
        for (BlockID block : {BlockID(0), BlockID(scratch_params)}) {
            ParamBlockDesc2* desc = probe->GetParamBlockByID(block)->GetDesc();
            for (int i = 0; i < desc->Count(); ++i) {
                const ParamDef& def = desc->GetParamDefByIndex(i);
                SCOPED_TRACE(::testing::Message() << "block " << block << " parameter " << def.ID);
                switch (def.type) {
                    case TYPE_FLOAT:
                        for (float v : HostileFloats(def))
                            SetAndCheck(base, block, def, v), ++cases;
                        break;
                    case TYPE_INT:
                    case TYPE_BOOL:
                        for (int v : HostileInts(def)) SetAndCheck(base, block, def, v), ++cases;
                        break;
                    case TYPE_RGBA:
                        for (float v : {nan, inf, -inf, 1e30f, -FLT_MAX}) {
                            ScratchPtr map = EverythingOn(base.mapType, base.variance);
                            map->GetParamBlockByID(block)->SetValue(def.ID, 0, Color(v, 0.5f, v));
                            // Without colour maps the swatches are what the blend uses.
                            map->SetSubTexmap(SUBTEX_COLOR1, nullptr);
                            map->SetSubTexmap(SUBTEX_COLOR2, nullptr);
                            ExpectFiniteEverywhere(map.get(), std::string(base.name) + ", colour");
                            ++cases;
                        }
                        break;
                    default:
                        break;
                }
            }
        }
    }
    EXPECT_GT(cases, 1000);
}

TEST(HostileValues, SubMapsAnsweringNonFiniteOrHugeValues) {
    for (float bad : {nan, inf, -inf, 1e30f, -1e30f, FLT_MAX, -FLT_MAX}) {
        for (int slot = 0; slot < NSUBTEX; ++slot) {
            ScratchPtr map = EverythingOn(XYZ_MAP_OBJECT, true);
            map->SetSubTexmap(
                slot, new ConstantMap(AColor(bad, 0.5f, bad, bad), Point3(bad, -bad, 0.25f)));
            ExpectFiniteEverywhere(map.get(),
                                   "slot " + std::to_string(slot) + " = " + std::to_string(bad));
        }
        // Every slot at once, and with the strongest distortion the block could hold.
        ScratchPtr map = EverythingOn(XYZ_MAP_EXPLICIT_2D, false);
        for (int slot = 0; slot < NSUBTEX; ++slot)
            map->SetSubTexmap(slot,
                              new ConstantMap(AColor(bad, bad, bad, bad), Point3(bad, bad, bad)));
        Params(map.get())->SetValue(scratch_distortStr, 0, FLT_MAX);
        ExpectFiniteEverywhere(map.get(), "all slots = " + std::to_string(bad));
    }
}

// What the broken values read as, where a sound reading exists.
TEST(HostileValues, BrokenValuesReadAsTheirNeutralCounterparts) {
    auto alike = [](const char* what, auto setupA, auto setupB) {
        SCOPED_TRACE(what);
        ScratchPtr a = NewScratches(), b = NewScratches();
        setupA(a.get());
        setupB(b.get());
        Refresh(a.get());
        Refresh(b.get());
        ExpectSameRender(a.get(), b.get());
    };
    alike(
        "a NaN swatch channel reads as 0",
        [](QuorvScratches* m) { Params(m)->SetValue(scratch_color2, 0, Color(nan, 0.5f, nan)); },
        [](QuorvScratches* m) { Params(m)->SetValue(scratch_color2, 0, Color(0.0f, 0.5f, 0.0f)); });
    for (float bad : {nan, -0.1f, -50.0f}) {
        alike(
            "a bumpDelta without a positive step takes the smallest one",
            [bad](QuorvScratches* m) { Params(m)->SetValue(scratch_bumpDelta, 0, bad); },
            [](QuorvScratches* m) { Params(m)->SetValue(scratch_bumpDelta, 0, 0.0f); });
    }

    // A colour map's non-finite channel reads as 0 in the blend.
    ScratchPtr broken = NewScratches(), sound = NewScratches();
    broken->SetSubTexmap(SUBTEX_COLOR2, new ConstantMap(AColor(inf, 0.5f, nan, -inf)));
    sound->SetSubTexmap(SUBTEX_COLOR2, new ConstantMap(AColor(0.0f, 0.5f, 0.0f, 0.0f)));
    Refresh(broken.get());
    Refresh(sound.get());
    for (const Point3& p : SamplePoints(32)) {
        SampleShadeContext a = SampleAt(p), b = SampleAt(p);
        EXPECT_TRUE(broken->EvalColor(a) == sound->EvalColor(b)) << p.x;
    }

    // Colours at the float limit: their mean, not an overflowed sum.
    ScratchPtr map = NewScratches();
    for (int slot : {SUBTEX_COLOR1, SUBTEX_COLOR2})
        map->SetSubTexmap(slot, new ConstantMap(AColor(FLT_MAX, FLT_MAX, FLT_MAX, 1.0f)));
    Refresh(map.get());
    SampleShadeContext sc = SampleAt(Point3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(map->EvalMono(sc), FLT_MAX);
}

}  // namespace
