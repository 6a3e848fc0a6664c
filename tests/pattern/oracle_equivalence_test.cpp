// The fast scratch field against its literal form: every result must be bit-identical.
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include <gtest/gtest.h>

#include "oracle.h"
#include "pattern.h"

namespace {

// A million samples: about two seconds in the release build, fifteen under the sanitizers.
constexpr int sweepSamples = 1000000;

bool sameBits(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

bool sameBits(double a, double b) {
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// Random points and settings, weighted toward the edges: huge stretch and tiny spread, big
// and negative coordinates, lattice-aligned values, equal thresholds, out-of-range levels.
class Sweep {
public:
    explicit Sweep(uint32_t seed) : rng_(seed) {}

    float uniform(float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng_);
    }
    float logUniform(float lo, float hi) { return std::exp(uniform(std::log(lo), std::log(hi))); }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    float coordinate() {
        switch (pick(8)) {
            case 0:
                return uniform(-1e6f, 1e6f);
            case 1:
                return uniform(-3e8f, 3e8f);  // near the int32 lattice limit once scaled
            case 2:
                return static_cast<float>(pick(41) - 20) / 0.39815f;  // near cube faces
            case 3:
                return static_cast<float>(pick(41) - 20);  // whole numbers
            case 4:
                return uniform(-400.0f, 400.0f);
            default:
                return uniform(-10.0f, 10.0f);
        }
    }

    Point3 point() { return Point3(coordinate(), coordinate(), coordinate()); }

    Point3 derivative() {
        const float len = logUniform(1e-6f, 20.0f);
        return Point3(uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)) * len;
    }

    ScratchInputs inputs() {
        ScratchInputs in{};
        float lo = uniform(0, 1), hi = uniform(0, 1);
        if (lo > hi) std::swap(lo, hi);
        switch (pick(6)) {
            case 0:
                lo = 0.0f, hi = 1.0f;
                break;
            case 1:
                hi = lo;
                break;
            case 2:
                lo = uniform(-1.0f, 0.5f), hi = uniform(0.5f, 3.0f);
                break;
            default:
                break;
        }
        in.thresholdLow = lo;
        in.thresholdHigh = hi;
        switch (pick(5)) {
            case 0:
                in.stretch = logUniform(100.0f, 1e6f);
                break;
            case 1:
                in.stretch = uniform(-50.0f, 0.0f);
                break;  // scale near 0 or negative
            default:
                in.stretch = uniform(0.0f, 100.0f);
                break;
        }
        in.useErosion = pick(2);
        in.erosion = pick(4) == 0 ? static_cast<float>(pick(2)) : uniform(0, 1);
        in.sizeOver20 = pick(10) == 0 ? 0.0f : logUniform(0.001f, 50.0f);
        in.erosionDelta = logUniform(0.01f, 100.0f);
        switch (pick(8)) {
            case 0:
                in.spread = logUniform(1e-4f, 0.1f);
                break;
            case 1:
                in.spread = logUniform(1.0f, 100.0f);
                break;
            case 2:
                in.spread = pick(2) ? 0.0f : -0.3f;
                break;
            default:
                in.spread = uniform(0.1f, 1.0f);
                break;
        }
        in.type = pick(20) == 0 ? 2 : pick(2);
        in.levels = pick(20) == 0 ? pick(2) * 12 : 1 + pick(8);
        return in;
    }

private:
    std::mt19937 rng_;
};

}  // namespace

TEST(OracleEquivalence, ScratchPatternBitIdenticalOverRandomSweep) {
    Sweep sweep(20240611u);
    int mismatches = 0;
    for (int k = 0; k < sweepSamples && mismatches < 10; ++k) {
        const Point3 p = sweep.point();
        const ScratchInputs in = sweep.inputs();
        if (k % 2 == 0) {
            const float fast = scratchPattern(p, in), slow = oracle::scratchPattern(p, in);
            if (!sameBits(fast, slow)) {
                ++mismatches;
                ADD_FAILURE() << "plain #" << k << " (" << p.x << ", " << p.y << ", " << p.z
                              << ") type " << in.type << " levels " << in.levels << ": " << fast
                              << " vs " << slow;
            }
        } else {
            const Point3 dx = sweep.derivative(), dy = sweep.derivative();
            const float fast = scratchPatternFiltered(p, dx, dy, in);
            const float slow = oracle::scratchPatternFiltered(p, dx, dy, in);
            if (!sameBits(fast, slow)) {
                ++mismatches;
                ADD_FAILURE() << "filtered #" << k << " (" << p.x << ", " << p.y << ", " << p.z
                              << ") type " << in.type << " levels " << in.levels << ": " << fast
                              << " vs " << slow;
            }
        }
    }
}

TEST(OracleEquivalence, LayersAndCellularBasisBitIdentical) {
    Sweep sweep(77u);
    for (int k = 0; k < sweepSamples / 10; ++k) {
        const Point3 p = sweep.point();
        ScratchInputs in = sweep.inputs();
        const float theta = sweep.uniform(-4.0f, 4.0f);
        const int type = k % 2;
        ASSERT_TRUE(
            sameBits(scratchLayer(p, theta, type, in), oracle::scratchLayer(p, theta, type, in)))
            << k;
        in.useErosion = 1;
        const float w = sweep.logUniform(1e-5f, 10.0f);
        ASSERT_TRUE(sameBits(scratchLayers2D(p, in), oracle::scratchLayers2D(p, in))) << k;
        ASSERT_TRUE(sameBits(scratchLayers3D(p, w, in), oracle::scratchLayers3D(p, w, in))) << k;

        // The noise beneath the erosion, sign of zero included.
        const Point3 q = p * sweep.logUniform(1e-4f, 1.0f);
        ASSERT_TRUE(sameBits(simplexNoise2D(q.x, q.y), oracle::simplexNoise2D(q.x, q.y))) << k;
        ASSERT_TRUE(sameBits(simplexNoise3D(q.x, q.y, q.z), oracle::simplexNoise3D(q.x, q.y, q.z)))
            << k;
        ASSERT_TRUE(sameBits(erosionNoise(q, w, type), oracle::erosionNoise(q, w, type))) << k;

        // All four distances: the pruning must hold for every n, not only the F1 of the field.
        const double pd[3] = {p.x * sweep.logUniform(1e-3f, 1e3f), p.y, p.z};
        const int n = 1 + k % 4;
        double fast[4], slow[4];
        cellularDistances(pd, n, fast);
        oracle::cellularDistances(pd, n, slow);
        for (int i = 0; i < n; ++i) ASSERT_TRUE(sameBits(fast[i], slow[i])) << k << " F" << i + 1;
    }
}
