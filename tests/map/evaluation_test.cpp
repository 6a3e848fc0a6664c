// Colour, mono and bump evaluation against the bare pattern and small test maps.
#include <functional>
#include <limits>
#include <thread>

#include <gtest/gtest.h>

#include "coords/xyz_params.h"
#include "map_test_util.h"
#include "pattern/scratch.h"

namespace {

// The pattern inputs of a freshly reset map, whose size is 10.
const ScratchInputs resetInputs{0.0f, 1.0f, 10.0f, 0, 0.5f, 0.5f, 1.0f, 0.8f, 1, 6};
constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

float PatternAt(const Point3& p) {
    return scratchPattern(p / 10.0f, resetInputs);
}

// Sample points where the default pattern lies strictly between scratch and background.
std::vector<Point3> EdgePoints() {
    std::vector<Point3> out;
    for (const Point3& p : SamplePoints(400)) {
        const float f = PatternAt(p);
        if (f > 0.05f && f < 0.95f) out.push_back(p);
    }
    return out;
}

TEST(EvalColor, BlendsByThePatternValueWithoutClamping) {
    ScratchPtr bw = NewScratches(), wild = NewScratches();
    // Colour 2 from a map outside 0..1 extrapolates; the swatch of colour 1 is clamped and,
    // with its switch on but no map, used with alpha 1.
    wild->SetSubTexmap(SUBTEX_COLOR2, new ConstantMap(AColor(3.0f, -2.0f, 0.5f, 2.0f)));
    Params(wild.get())->SetValue(scratch_color1, 0, Color(-0.5f, 2.0f, 0.25f));
    Refresh(bw.get());
    Refresh(wild.get());
    const std::vector<Point3> pts = EdgePoints();
    ASSERT_FALSE(pts.empty());
    for (const Point3& p : pts) {
        const float f = PatternAt(p), g = 1.0f - f;
        SampleShadeContext sc = SampleAt(p);
        EXPECT_TRUE(bw->EvalColor(sc) == AColor(f, f, f, 1.0f));
        sc.ResetCache();
        const AColor expected(0.0f * g + 3.0f * f, 1.0f * g + -2.0f * f, 0.25f * g + 0.5f * f,
                              1.0f * g + 2.0f * f);
        EXPECT_TRUE(wild->EvalColor(sc) == expected) << f;
    }
}

TEST(ScratchesInterface, ServedOnlyForItsIdAndByThisMap) {
    ScratchPtr map = NewScratches();
    IQuorvScratches* scratches = GetQuorvScratchesInterface(map.get());
    ASSERT_NE(scratches, nullptr);
    EXPECT_TRUE(scratches->GetID() == QUORVSCRATCHES_INTERFACE);
    EXPECT_EQ(scratches->LifetimeControl(), BaseInterface::noRelease);
    EXPECT_EQ(map->GetInterface(Interface_ID(0x3b5e71c2, 0)), nullptr);
    EXPECT_EQ(map->GetInterface(Interface_ID(0, 0)), nullptr);
    ConstantMap other;
    EXPECT_EQ(GetQuorvScratchesInterface(&other), nullptr);
    EXPECT_EQ(GetQuorvScratchesInterface(nullptr), nullptr);
}

TEST(ScratchesInterface, FieldIsTheBlendFactorWhateverTheColours) {
    // Black to white gives the factor itself; the other map's colours, colour maps and
    // swapped output must not reach the field.
    ScratchPtr bw = NewScratches(), coloured = NewScratches();
    coloured->SetSubTexmap(SUBTEX_COLOR1, new ConstantMap(AColor(3.0f, -2.0f, 0.5f, 2.0f)));
    Params(coloured.get())->SetValue(scratch_color2, 0, Color(0.2f, 0.3f, 0.4f));
    Refresh(bw.get());
    Refresh(coloured.get());
    IQuorvScratches* field = GetQuorvScratchesInterface(coloured.get());
    for (const Point3& p : EdgePoints()) {
        for (BOOL filtered : {FALSE, TRUE}) {
            SampleShadeContext sc =
                SampleAt(p, Point3(0.05f, 0.0f, 0.0f), Point3(0.0f, 0.05f, 0.0f));
            sc.filterMaps = filtered;
            const float f = field->EvalField(sc);
            if (!filtered) {
                EXPECT_EQ(f, PatternAt(p));
            }
            sc.ResetCache();
            EXPECT_EQ(f, bw->EvalColor(sc).r);
        }
    }
    SampleShadeContext off = SampleAt(EdgePoints()[0]);
    off.doMaps = FALSE;
    EXPECT_EQ(field->EvalField(off), 1.0f);
}

TEST(EvalMono, IsTheMeanOfRedGreenBlueWhateverTheAlpha) {
    for (float alpha : {0.0f, 0.7f}) {
        ScratchPtr map = NewScratches();
        for (int slot : {SUBTEX_COLOR1, SUBTEX_COLOR2})
            map->SetSubTexmap(slot, new ConstantMap(AColor(0.2f, 0.4f, 0.9f, alpha)));
        Refresh(map.get());
        SampleShadeContext sc = SampleAt(EdgePoints()[0]);
        EXPECT_NEAR(map->EvalMono(sc), 0.5f, 1e-6f);
    }
}

TEST(EvalNormalPerturb, ForwardDifferencesWithTheBumpDeltaStep) {
    ScratchPtr flat = NewScratches();
    // Equal mean intensities, 1.5 / 3 exactly: no bump however strong the scratches.
    Params(flat.get())->SetValue(scratch_color1, 0, Color(0.25f, 0.5f, 0.75f));
    Params(flat.get())->SetValue(scratch_color2, 0, Color(0.5f, 0.5f, 0.5f));
    Refresh(flat.get());
    for (float bumpDelta : {0.0f, 1.0f}) {
        ScratchPtr map = NewScratches();
        Params(map.get())->SetValue(scratch_bumpDelta, 0, bumpDelta);
        Refresh(map.get());
        const float d = bumpDelta == 0.0f ? 0.001f : 0.011f;
        for (const Point3& p : EdgePoints()) {
            const Point3 q = p / 10.0f;
            const float f0 = scratchPattern(q, resetInputs);
            Point3 g;
            for (int k = 0; k < 3; ++k) {
                Point3 e(0.0f, 0.0f, 0.0f);
                e[k] = 1.0f;
                g[k] = (scratchPattern(q + e * d, resetInputs) - f0) / d;
            }
            SampleShadeContext sc = SampleAt(p, Point3(0.3f, 0.0f, 0.0f));
            const Point3 n = map->EvalNormalPerturb(sc);
            EXPECT_NEAR(n.x, -g.x, 1e-3f * std::fabs(g.x));
            EXPECT_NEAR(n.y, -g.y, 1e-3f * std::fabs(g.y));
            EXPECT_NEAR(n.z, -g.z, 1e-3f * std::fabs(g.z));
            sc.filterMaps = TRUE;  // bump never filters
            EXPECT_EQ(map->EvalNormalPerturb(sc), n);
            EXPECT_EQ(flat->EvalNormalPerturb(sc).LengthSquared(), 0.0f);
        }
    }

    // Colour maps of equal intensity add only their own bumps, weighted as their colours.
    // Their channels differ, with the same mean exactly: the intensity is the mean, not one
    // channel.
    const Point3 b1(1.0f, 0.0f, 0.0f), b2(0.0f, 2.0f, 0.0f);
    ScratchPtr maps = NewScratches();
    maps->SetSubTexmap(SUBTEX_COLOR1, new ConstantMap(AColor(0.25f, 0.5f, 0.75f, 1.0f), b1));
    maps->SetSubTexmap(SUBTEX_COLOR2, new ConstantMap(AColor(0.75f, 0.5f, 0.25f, 1.0f), b2));
    Refresh(maps.get());
    for (const Point3& p : EdgePoints()) {
        SampleShadeContext sc = SampleAt(p);
        const float f = PatternAt(p);
        EXPECT_EQ(maps->EvalNormalPerturb(sc), b2 * f + b1 * (1.0f - f));
    }
}

// Under a turned object the bump vector is the object's gradient turned into the world.
TEST(EvalNormalPerturb, TurnsWithTheObject) {
    ScratchPtr map = NewScratches();
    Refresh(map.get());
    // A quarter turn about z: exact in single precision, both ways.
    const Matrix3 turn(Point3(0.0f, 1.0f, 0.0f), Point3(-1.0f, 0.0f, 0.0f),
                       Point3(0.0f, 0.0f, 1.0f), Point3(0.0f, 0.0f, 0.0f));
    for (const Point3& p : EdgePoints()) {
        SampleShadeContext object = SampleAt(p), world = SampleAt(Point3(-p.y, p.x, p.z));
        world.SetObjectToWorld(turn);
        const Point3 g = map->EvalNormalPerturb(object);
        EXPECT_EQ(map->EvalNormalPerturb(world), Point3(-g.y, g.x, g.z));
        EXPECT_TRUE(map->EvalColor(world) == map->EvalColor(object));
    }
}

// A texture output with every setting changed: the colour goes through it and the bump is
// scaled by it (its invert negates the bump), at the time of the update; a clone keeps it
// and a reset restores it.
TEST(Evaluation, ChangedTextureOutputShapesColourAndBump) {
    ScratchPtr map = NewScratches(), plain = NewScratches();
    auto* out = dynamic_cast<StdTexoutGen*>(map->GetReference(OUTPUT_REF));
    ASSERT_NE(out, nullptr);
    out->SetRGBAmt(2.0f, 0);
    out->SetRGBOff(0.1f, 0);
    out->SetInvert(TRUE);
    AnimateOn();
    out->SetOutAmt(1.0f, 0);
    out->SetOutAmt(0.5f, 100);
    AnimateOff();
    Refresh(map.get(), 100);
    Refresh(plain.get(), 100);
    const auto filter = [](float v) { return ((1.0f - v) * 2.0f + 0.1f) * 0.5f; };
    const auto expectFiltered = [&](QuorvScratches* m) {
        for (const Point3& p : EdgePoints()) {
            SampleShadeContext a = SampleAt(p), b = SampleAt(p);
            const AColor c = plain->EvalColor(b);
            EXPECT_TRUE(m->EvalColor(a) == AColor(filter(c.r), filter(c.g), filter(c.b), c.a));
            EXPECT_EQ(m->EvalNormalPerturb(a), -plain->EvalNormalPerturb(b));
        }
    };
    expectFiltered(map.get());

    RemapDir& remap = NewRemapDir();
    ScratchPtr copy(static_cast<QuorvScratches*>(map->Clone(remap)));
    remap.DeleteThis();
    Refresh(copy.get(), 100);
    expectFiltered(copy.get());

    map->Reset();
    Refresh(map.get(), 100);
    ExpectSameRender(map.get(), plain.get());
}

// A filtered sample's footprint (which only erosion reads, fading its noise as it widens)
// shrinks with its point by the size.
TEST(EvalColor, FilteredFootprintScalesWithThePoint) {
    ScratchPtr map = NewScratches();
    Params(map.get())->SetValue(scratch_useErosion, 0, 1);
    Refresh(map.get());
    ScratchInputs eroded = resetInputs;
    eroded.useErosion = 1;
    // The second derivative is the longer: the footprint is the wider of the two.
    const Point3 a(0.15f, 0.0f, 0.0f), b(0.0f, 0.2f, 0.05f);
    for (const Point3& p : SamplePoints(64)) {
        SampleShadeContext sc = SampleAt(p, a, b);
        sc.filterMaps = TRUE;
        const float f = scratchPatternFiltered(p / 10.0f, a / 10.0f, b / 10.0f, eroded);
        EXPECT_TRUE(map->EvalColor(sc) == AColor(f, f, f, 1.0f));
    }
}

// Samples that ask for no maps, and samples that a "None" tiling rejects, are transparent
// black without a bump.
TEST(Evaluation, SamplesWithoutMapsOrOutsideTheTilingAreEmpty) {
    ScratchPtr map = NewScratches();
    Mapping(map.get())->SetValue(xyz_map, 0, XYZ_MAP_EXPLICIT_2D);
    Mapping(map.get())->SetValue(xyz_tile_x, 0, XYZ_TILE_NONE);
    Refresh(map.get());
    SampleShadeContext outside = SampleAt(Point3(1.0f, 2.0f, 3.0f));
    outside.SetUVW(1, Point3(1.5f, 0.5f, 0.0f));
    SampleShadeContext noMaps = SampleAt(Point3(1.0f, 2.0f, 3.0f));
    noMaps.SetUVW(1, Point3(0.5f, 0.5f, 0.0f));
    noMaps.doMaps = FALSE;
    for (SampleShadeContext* sc : {&outside, &noMaps}) {
        EXPECT_TRUE(map->EvalColor(*sc) == AColor(0.0f, 0.0f, 0.0f, 0.0f));
        EXPECT_EQ(map->EvalNormalPerturb(*sc), Point3(0.0f, 0.0f, 0.0f));
    }
    noMaps.doMaps = TRUE;
    EXPECT_EQ(map->EvalColor(noMaps).a, 1.0f);
}

// Pairs of settings that must render exactly alike.
using MapSetup = std::function<void(QuorvScratches*)>;
void Set(QuorvScratches* m, ParamID id, float v) {
    Params(m)->SetValue(id, 0, v);
}
void SetInt(QuorvScratches* m, ParamID id, int v) {
    Params(m)->SetValue(id, 0, v);
}

void ExpectAlike(const char* what, const MapSetup& a, const MapSetup& b, float scale = 1.0f) {
    SCOPED_TRACE(what);
    ScratchPtr ma = NewScratches(), mb = NewScratches();
    a(ma.get());
    b(mb.get());
    Refresh(ma.get());
    Refresh(mb.get());
    ExpectSameRender(ma.get(), mb.get(), scale);
}

TEST(Evaluation, SettingsThatRenderAlike) {
    const MapSetup plain = [](QuorvScratches*) {};
    const auto size = [](float v) { return [v](QuorvScratches* m) { Set(m, scratch_size, v); }; };
    const auto sizeMap = [](float v) {
        return [v](QuorvScratches* m) { m->SetSubTexmap(SUBTEX_SIZE, Constant(v)); };
    };
    ExpectAlike(
        "crossed thresholds are swapped",
        [](QuorvScratches* m) {
            Set(m, scratch_thresholdLow, 0.7f);
            Set(m, scratch_thresholdHigh, 0.2f);
        },
        [](QuorvScratches* m) {
            Set(m, scratch_thresholdLow, 0.2f);
            Set(m, scratch_thresholdHigh, 0.7f);
        });
    ExpectAlike(
        "distortion without a distortion map",
        [](QuorvScratches* m) {
            SetInt(m, scratch_useDistortion, 1);
            m->SetSubTexmap(SUBTEX_DISTORT_STR, Constant(5.0f));
        },
        plain);
    ExpectAlike("size 0 renders as 0.001", size(0.0f), size(0.001f), 1e-4f);
    ExpectAlike("a size map scales the size", sizeMap(0.5f), size(5.0f), 0.5f);
    ExpectAlike("a size map reading 0 gets the floor", sizeMap(0.0f), size(0.001f), 1e-4f);
    ExpectAlike("a size map reading -0 gets the floor", sizeMap(-0.0f), size(0.001f), 1e-4f);
    ExpectAlike(
        "a spread map switched off",
        [](QuorvScratches* m) {
            m->SetSubTexmap(SUBTEX_SPREAD, Constant(0.3f));
            SetInt(m, scratch_spreadMapEnabled, 0);
        },
        plain);
    ExpectAlike(
        "a size map switched off",
        [](QuorvScratches* m) {
            m->SetSubTexmap(SUBTEX_SIZE, Constant(0.5f));
            SetInt(m, scratch_sizeMapEnabled, 0);
        },
        plain);
    ExpectAlike(
        "a stretch map switched off",
        [](QuorvScratches* m) {
            m->SetSubTexmap(SUBTEX_STRETCH, Constant(0.3f));
            SetInt(m, scratch_stretchMapEnabled, 0);
        },
        plain);
    // Each colour switch governs its own slot only: one map on, the other off, both present,
    // with colours whose channels and means differ from the swatches.
    for (int off : {SUBTEX_COLOR1, SUBTEX_COLOR2}) {
        const int on = off == SUBTEX_COLOR1 ? SUBTEX_COLOR2 : SUBTEX_COLOR1;
        const AColor onColour(0.2f, 0.6f, 0.9f, 1.0f);
        ExpectAlike(
            off == SUBTEX_COLOR1 ? "colour map 1 switched off" : "colour map 2 switched off",
            [=](QuorvScratches* m) {
                m->SetSubTexmap(off, new ConstantMap(AColor(0.7f, 0.1f, 0.4f, 0.5f)));
                m->SetSubTexmap(on, new ConstantMap(onColour));
                SetInt(m, off == SUBTEX_COLOR1 ? scratch_col1mapEnabled : scratch_col2mapEnabled,
                       0);
            },
            [=](QuorvScratches* m) { m->SetSubTexmap(on, new ConstantMap(onColour)); });
    }
    ExpectAlike("a NaN size map is ignored", sizeMap(nan), plain);
    ExpectAlike("an infinite size map is ignored", sizeMap(inf), plain);
    ExpectAlike("a NaN size (scripts only) reads as 0", size(nan), size(0.0f), 1e-4f);
}

TEST(Evaluation, DistortionMovesThePointByBumpTimesStrengths) {
    const Point3 w(0.5f, -0.25f, 1.0f);
    ScratchPtr distorted = NewScratches(), reference = NewScratches();
    SetInt(distorted.get(), scratch_useDistortion, 1);
    Set(distorted.get(), scratch_distortStr, 3.0f);
    distorted->SetSubTexmap(SUBTEX_DISTORT, new ConstantMap(AColor(), w));
    // The strength map's mean is 2; no single channel of it is.
    distorted->SetSubTexmap(SUBTEX_DISTORT_STR, new ConstantMap(AColor(1.0f, 3.0f, 2.0f, 1.0f)));
    Refresh(distorted.get());
    Refresh(reference.get());
    for (const Point3& p : SamplePoints(32)) {
        SampleShadeContext a = SampleAt(p), b = SampleAt(p + (w * 3.0f) * 2.0f);
        EXPECT_TRUE(distorted->EvalColor(a) == reference->EvalColor(b));
        EXPECT_EQ(distorted->EvalNormalPerturb(a), reference->EvalNormalPerturb(b));
    }
    // With the strength map switched off, the strength alone.
    SetInt(distorted.get(), scratch_dStrMapEnabled, 0);
    Refresh(distorted.get());
    for (const Point3& p : SamplePoints(32)) {
        SampleShadeContext a = SampleAt(p), b = SampleAt(p + w * 3.0f);
        EXPECT_TRUE(distorted->EvalColor(a) == reference->EvalColor(b));
    }
}

TEST(Evaluation, NonFiniteValuesFromAnyMapKeepTheBlendInRange) {
    for (float bad : {nan, inf, -inf}) {
        ScratchPtr map = NewScratches();
        SetInt(map.get(), scratch_useDistortion, 1);
        SetInt(map.get(), scratch_useErosion, 1);
        for (int slot : {SUBTEX_SIZE, SUBTEX_SPREAD, SUBTEX_STRETCH, SUBTEX_DISTORT_STR})
            map->SetSubTexmap(slot, Constant(bad));
        map->SetSubTexmap(SUBTEX_DISTORT, Constant(0.0f, Point3(bad, 1.0f, bad)));
        Refresh(map.get());
        for (const Point3& p : SamplePoints(16)) {
            SampleShadeContext sc = SampleAt(p, Point3(bad, 0.0f, 0.0f));
            sc.filterMaps = p.x > -10.0f;
            const float f = map->EvalColor(sc).r;
            EXPECT_TRUE(f >= 0.0f && f <= 1.0f) << f;
            (void)map->EvalNormalPerturb(sc);
        }
    }
}

TEST(Evaluation, OneMapFromManyThreadsGivesEqualResults) {
    ScratchPtr map = NewScratches();
    SetInt(map.get(), scratch_useErosion, 1);
    SetInt(map.get(), scratch_useDistortion, 1);
    map->SetSubTexmap(SUBTEX_DISTORT, Constant(0.0f, Point3(0.3f, 0.1f, -0.2f)));
    map->SetSubTexmap(SUBTEX_COLOR2, new ConstantMap(AColor(0.9f, 0.5f, 0.1f, 1.0f)));
    // Variance by node: every query reseeds the coordinate generator's random numbers.
    Mapping(map.get())->SetValue(xyz_offset_x2, 0, 2.0f);
    Mapping(map.get())->SetValue(xyz_angle_z2, 0, 30.0f);
    Refresh(map.get());

    const std::vector<Point3> pts = SamplePoints(128);
    INode nodes[3] = {INode(1), INode(2), INode(3)};
    auto evaluate = [&] {
        std::vector<float> out;
        for (size_t i = 0; i < pts.size(); ++i) {
            SampleShadeContext sc = SampleAt(pts[i], Point3(0.1f, 0.0f, 0.0f));
            sc.SetNode(&nodes[i % 3]);
            sc.filterMaps = (i & 1) ? TRUE : FALSE;
            const AColor c = map->EvalColor(sc);
            const Point3 n = map->EvalNormalPerturb(sc);
            out.insert(out.end(), {c.r, c.g, c.b, c.a, n.x, n.y, n.z});
        }
        return out;
    };
    const std::vector<float> reference = evaluate();
    std::vector<std::vector<float>> results(8);
    std::vector<std::thread> threads;
    for (auto& r : results)
        threads.emplace_back([&] {
            for (int round = 0; round < 4 && (r.empty() || r == reference); ++round) r = evaluate();
        });
    for (std::thread& t : threads) t.join();
    for (const auto& r : results) EXPECT_EQ(r, reference);
}

}  // namespace
