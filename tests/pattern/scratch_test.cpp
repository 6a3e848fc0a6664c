#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "pattern.h"
#include "texutil.h"
#include "unit_clamp.h"

namespace {

ScratchInputs inputs(int type, int levels) {
    return ScratchInputs{0.0f, 1.0f, 10.0f, 0, 0.5f, 0.5f, 1.0f, 0.8f, type, levels};
}

bool inUnitRange(float v) {
    return v >= 0.0f && v <= 1.0f;
}

// The raw field of explicit layer angles.
float stackOf(const Point3& p, int type, const ScratchInputs& in, std::vector<float> angles) {
    float a = scratchLayer(p, angles[0], type, in);
    for (float theta : angles) a = std::fmin(a, scratchLayer(p, theta, type, in));
    return (a + 1.0f) * 0.5f;
}

}  // namespace

TEST(SoftThreshold, SmoothShouldersAroundTheRamp) {
    EXPECT_NEAR(softThreshold(0.2f, 0.0f, 1.0f), 0.16875f, 1e-6f);
    EXPECT_NEAR(softThreshold(0.5f, 0.0f, 1.0f), 0.5f, 1e-6f);
    EXPECT_NEAR(softThreshold(0.8f, 0.0f, 1.0f), 0.83125f, 1e-6f);
    EXPECT_EQ(softThreshold(-0.5f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(softThreshold(1.5f, 0.0f, 1.0f), 1.0f);
}

TEST(LayerStack, LevelsSelectTheAngleTable) {
    const float d = 0.017453292f;
    std::vector<float> eight = {-0.17453292f, 35 * d,  55 * d,  75 * d,
                                -15 * d,      -35 * d, -55 * d, -75 * d};
    const Point3 p(2.5f, -7.25f, 3.5f);
    for (int type : {0, 1}) {
        if (type == 1) eight[0] = 0.39269909f;
        auto layers = [&](int levels) {
            return type == 0 ? scratchLayers2D(p, inputs(type, levels))
                             : scratchLayers3D(p, inputs(type, levels));
        };
        const ScratchInputs in = inputs(type, 1);
        EXPECT_EQ(layers(1), stackOf(p, type, in, {1.5707964f}));
        EXPECT_EQ(layers(0), layers(1));
        EXPECT_EQ(layers(2), stackOf(p, type, in, {eight[0], eight[1]}));
        EXPECT_EQ(layers(8), stackOf(p, type, in, eight));
        EXPECT_EQ(layers(12), layers(8));  // the table ends at eight layers
    }
}

TEST(ScratchPattern, ThresholdsAndUnknownTypes) {
    const Point3 p(2.3f, -1.1f, 0.7f), dx(0.01f, 0.0f, 0.0f), dy(0.0f, 0.01f, 0.0f);
    ScratchInputs in = inputs(1, 6);
    in.thresholdLow = in.thresholdHigh = 0.3f;  // equal: only the clamp
    EXPECT_EQ(scratchPattern(p, in), clampUnit(scratchLayers3D(p, in)));
    EXPECT_EQ(scratchPatternFiltered(p, dx, dy, in), clampUnit(scratchLayers3D(p, 0.01f, in)));
    for (int type : {2, -1}) {
        in.type = type;
        in.thresholdLow = -1.0f;  // would lift a raw 0 to 0.5
        EXPECT_EQ(scratchPattern(p, in), 0.0f);
        EXPECT_EQ(scratchPatternFiltered(p, dx, dy, in), 0.0f);
    }
}

TEST(ScratchPattern, UnsafeInputsGiveDefinedValues) {
    const float nan = std::nanf(""), inf = HUGE_VALF;
    const Point3 p(1.25f, -3.5f, 0.75f), d(0.01f, 0.0f, 0.0f);
    for (int type : {0, 1}) {
        ScratchInputs in = inputs(type, 8);
        in.useErosion = 1;
        for (float spread : {0.0f, -0.5f, nan}) {  // no finite F1 / spread: clean background
            in.spread = spread;
            EXPECT_EQ(scratchPattern(p, in), 1.0f) << spread;
            EXPECT_EQ(scratchPatternFiltered(p, d, d, in), 1.0f) << spread;
        }
        in.spread = 1e-40f;  // F1 / spread overflows; full erosion then meets 0 * inf
        in.erosion = 1.0f;
        EXPECT_TRUE(inUnitRange(scratchPattern(p, in)));
        EXPECT_TRUE(inUnitRange(scratchPatternFiltered(p, d * 1000.0f, d, in)));
        in.spread = 0.8f;
        for (const Point3& q :
             {Point3(nan, 0.0f, 0.0f), Point3(0.0f, -inf, 0.0f), Point3(1e10f, 1e10f, -1e10f)}) {
            EXPECT_EQ(scratchPattern(q, in), 1.0f);  // no feature point: clean background
            EXPECT_EQ(scratchPatternFiltered(q, d, d, in), 1.0f);
        }
        EXPECT_TRUE(inUnitRange(scratchPatternFiltered(p, Point3(nan, 0.0f, 0.0f), d, in)));
        in.erosion = inf;
        in.thresholdLow = -inf;
        EXPECT_TRUE(inUnitRange(scratchPattern(p, in)));
        EXPECT_TRUE(inUnitRange(scratchPatternFiltered(p, d, d, in)));
    }
}

TEST(ScratchPattern, InUnitRangeAndSameOnEveryThread) {
    auto evaluate = [](std::vector<float>& out) {
        std::mt19937 rng(13);
        std::uniform_real_distribution<float> u(-60.0f, 60.0f), unit(0.0f, 1.0f);
        for (int k = 0; k < 2000; ++k) {
            const Point3 p(u(rng), u(rng), u(rng)), dx = p * (0.0001f * unit(rng));
            float r[7];
            for (float& x : r) x = unit(rng);
            const ScratchInputs in{
                std::fmin(r[0], r[1]), std::fmax(r[0], r[1]), 120 * r[2],    k % 2,    r[3], r[4],
                0.01f + 5 * r[5],      0.1f + r[6],           k % 3 ? 1 : 0, 1 + k % 8};
            out.push_back(scratchPattern(p, in));
            out.push_back(scratchPatternFiltered(p, dx, dx * 0.5f, in));
        }
    };
    std::vector<float> reference;
    evaluate(reference);
    for (float f : reference) ASSERT_TRUE(inUnitRange(f));
    std::vector<std::vector<float>> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results) threads.emplace_back(evaluate, std::ref(r));
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_EQ(r, reference);
}
