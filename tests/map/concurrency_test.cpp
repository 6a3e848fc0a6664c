// One map evaluated from many threads at once answers exactly what one thread answers, with
// every feature on: variance by object and material (each query reseeds its own generator),
// erosion, distortion, all seven sub-maps (scratches maps among them, with variance of their
// own), filtered and unfiltered colour, mono and bump.
#include <cstring>
#include <latch>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "coords/xyz_params.h"
#include "map_test_util.h"

namespace {

constexpr int kThreads = 8;

void Vary(QuorvScratches* m, float amount) {
    IParamBlock2* xyz = Mapping(m);
    xyz->SetValue(xyz_randByMat, 0, 1);
    xyz->SetValue(xyz_randByObj, 0, 1);
    xyz->SetValue(xyz_lock, 0, 0);
    for (ParamID id : {xyz_offset_x2, xyz_offset_z2, xyz_size_x2, xyz_size_z2})
        xyz->SetValue(id, 0, amount);
    xyz->SetValue(xyz_angle_y2, 0, 40.0f * amount);
}

// A scratches map for a sub-map slot; the slot's reference owns it.
QuorvScratches* NestedScratches(int type, float size) {
    QuorvScratches* m = NewScratches().release();
    Params(m)->SetValue(scratch_type, 0, type);
    Params(m)->SetValue(scratch_size, 0, size);
    Params(m)->SetValue(scratch_useErosion, 0, 1);
    Vary(m, 0.3f);
    return m;
}

ScratchPtr EveryFeatureOn() {
    ScratchPtr map = NewScratches();
    IParamBlock2* pb = Params(map.get());
    pb->SetValue(scratch_useErosion, 0, 1);
    pb->SetValue(scratch_useDistortion, 0, 1);
    pb->SetValue(scratch_distortStr, 0, 2.0f);
    pb->SetValue(scratch_erosion, 0, 0.3f);
    pb->SetValue(scratch_spread, 0, 1.0f);
    pb->SetValue(scratch_levels, 0, 8);
    map->SetSubTexmap(SUBTEX_COLOR1, NestedScratches(0, 3.0f));
    map->SetSubTexmap(SUBTEX_COLOR2, new ConstantMap(AColor(0.9f, 0.6f, 0.2f, 1.0f)));
    map->SetSubTexmap(SUBTEX_SIZE, Constant(0.9f));
    map->SetSubTexmap(SUBTEX_SPREAD, Constant(0.95f));
    map->SetSubTexmap(SUBTEX_STRETCH, NestedScratches(1, 7.0f));
    map->SetSubTexmap(SUBTEX_DISTORT, NestedScratches(1, 5.0f));
    map->SetSubTexmap(SUBTEX_DISTORT_STR, Constant(0.7f));
    Vary(map.get(), 1.5f);
    Refresh(map.get());
    return map;
}

constexpr int kValues = 9;  // r g b a, mono, bump x y z, field

void EvaluateOne(QuorvScratches* map, const Point3& p, int i, INode* nodes, float* out) {
    SampleShadeContext sc = SampleAt(p, Point3(0.04f, 0.01f, 0.0f), Point3(0.0f, 0.03f, 0.02f));
    sc.SetNode(&nodes[i % 3]);
    sc.SetMtlNum(i % 4);
    sc.filterMaps = (i & 1) ? TRUE : FALSE;
    const AColor c = map->EvalColor(sc);
    sc.ResetCache();
    const float mono = map->EvalMono(sc);
    const Point3 n = map->EvalNormalPerturb(sc);
    const float field = GetQuorvScratchesInterface(map)->EvalField(sc);
    const float values[kValues] = {c.r, c.g, c.b, c.a, mono, n.x, n.y, n.z, field};
    std::memcpy(out, values, sizeof values);
}

void ExpectEightThreadsEqualOne(QuorvScratches* map) {
    const std::vector<Point3> pts = SamplePoints(192, 1.3f);
    const int n = static_cast<int>(pts.size());
    INode nodes[3] = {INode(1), INode(2), INode(0xFFFFFFFFu)};

    std::vector<float> reference(static_cast<size_t>(n) * kValues);
    for (int i = 0; i < n; ++i) EvaluateOne(map, pts[i], i, nodes, &reference[i * kValues]);

    // Each thread starts at its own offset, so different threads work on different samples
    // at the same moment and also on the same ones.
    std::vector<std::vector<float>> results(kThreads, std::vector<float>(reference.size()));
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int k = 0; k < kThreads; ++k) {
        threads.emplace_back([&, k] {
            start.arrive_and_wait();
            for (int round = 0; round < 2; ++round) {
                for (int j = 0; j < n; ++j) {
                    const int i = (j + k * n / kThreads) % n;
                    EvaluateOne(map, pts[i], i, nodes, &results[k][i * kValues]);
                }
            }
        });
    }
    for (std::thread& t : threads) t.join();
    for (int k = 0; k < kThreads; ++k) {
        // Bitwise: the answers must be the very same floats.
        EXPECT_EQ(
            std::memcmp(results[k].data(), reference.data(), reference.size() * sizeof(float)), 0)
            << "thread " << k;
    }
    // The scene is not trivially uniform: the samples differ.
    int distinct = 0;
    for (int i = 1; i < n; ++i)
        distinct +=
            std::memcmp(&reference[i * kValues], &reference[0], kValues * sizeof(float)) != 0;
    EXPECT_GT(distinct, n / 3);
}

TEST(Concurrency, EveryFeatureFromEightThreadsEqualsOneThread) {
    ScratchPtr map = EveryFeatureOn();
    ExpectEightThreadsEqualOne(map.get());
    // And with the pattern repeating, as a tileable bake evaluates it.
    SampleShadeContext corner = SampleAt(Point3(-20.0f, 3.0f, 7.0f)),
                       uCorner = SampleAt(Point3(20.0f, 3.0f, 7.0f)),
                       vCorner = SampleAt(Point3(-20.0f, 43.0f, 7.0f));
    ASSERT_TRUE(GetQuorvScratchesInterface(map.get())->SetTiling(corner, uCorner, vCorner));
    ExpectEightThreadsEqualOne(map.get());
}

}  // namespace
