// Nanoseconds per sample of the scratch field over a fixed set of random points.
// Arguments: type (0 = 2D, 1 = 3D), levels, erosion (0/1).
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "pattern.h"

namespace {

constexpr int pointCount = 4096;

struct Sample {
    Point3 p, dpdx, dpdy;
};

const std::vector<Sample>& samples() {
    static const std::vector<Sample> all = [] {
        std::mt19937 rng(1234);
        std::uniform_real_distribution<float> u(-4.0f, 4.0f), d(-0.002f, 0.002f);
        std::vector<Sample> s(pointCount);
        for (Sample& x : s)
            x = {Point3(u(rng), u(rng), u(rng)), Point3(d(rng), d(rng), d(rng)),
                 Point3(d(rng), d(rng), d(rng))};
        return s;
    }();
    return all;
}

ScratchInputs settings(const benchmark::State& state) {
    return ScratchInputs{
        0.0f, 1.0f, 10.0f, static_cast<int>(state.range(2)), 0.5f,
        0.5f, 1.0f, 0.8f,  static_cast<int>(state.range(0)), static_cast<int>(state.range(1))};
}

void BM_scratchPattern(benchmark::State& state) {
    const ScratchInputs in = settings(state);
    const auto& s = samples();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scratchPattern(s[i].p, in));
        i = (i + 1) % s.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_scratchPatternFiltered(benchmark::State& state) {
    const ScratchInputs in = settings(state);
    const auto& s = samples();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scratchPatternFiltered(s[i].p, s[i].dpdx, s[i].dpdy, in));
        i = (i + 1) % s.size();
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_scratchPattern)
    ->ArgNames({"type", "levels", "erosion"})
    ->ArgsProduct({{0, 1}, {1, 6, 8}, {0, 1}});
BENCHMARK(BM_scratchPatternFiltered)
    ->ArgNames({"type", "levels", "erosion"})
    ->ArgsProduct({{0, 1}, {1, 6, 8}, {0, 1}});
