// The bake's grid in-process, one thread: `bake --res 1024 --extent 100 --output mono
// --unfiltered` samples the reset map at P = (u e, v e, 0), pixel centres of the unit square
// scaled by the extent, and the reset map's value there is the field at P / 10. Nanoseconds per
// sample of the literal pattern (the oracle the fast one is held to), the fast pattern and,
// through the loaded module, the field alone (its extra interface) and EvalMono, at the same
// points, with the speed-ups over the literal form; whole rows, every `stride`-th one. Best of
// several rounds, this thread's CPU time. Optional arguments: rounds, stride, resolution.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <max.h>

#include "map/iquorv_scratches.h"
#include "oracle.h"
#include "pattern.h"
#include "sample_shade_context.h"
#include "thread_timing.h"
#include "tool/module/plugin_module.h"

namespace {

// The mono value of a grey colour, as EvalMono averages the channels.
float mono(float f) {
    return ((f + f) + f) / 3.0f;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int stride = argc > 2 ? std::max(1, std::atoi(argv[2])) : 8;
    const int res = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1024;
    const float extent = 100.0f, size = 10.0f;

    // Loaded as the tool loads it (and a host): exports, version, LibInitialize.
    const PluginModule module(std::filesystem::path(QUORV_MODULE_PATH).parent_path());
    auto* map = static_cast<Texmap*>(module.ScratchesClass()->Create(FALSE));
    Interval valid = FOREVER;
    map->Update(0, valid);
    const ScratchInputs in{0.0f, 1.0f, 10.0f, 0, 0.5f, size / 20.0f, 1.0f, 0.8f, 1, 6};

    // The bake's pixel centres, as its row loop computes them.
    std::vector<Point3> points;
    const float w = static_cast<float>(res), h = static_cast<float>(res);
    for (int y = 0; y < res; y += stride) {
        const float v = 1.0f - (static_cast<float>(y) + 0.5f) / h;
        for (int x = 0; x < res; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / w;
            points.emplace_back(u * extent, v * extent, 0.0f);
        }
    }

    SampleShadeContext sc;
    sc.filterMaps = FALSE;
    IQuorvScratches* scratches = GetQuorvScratchesInterface(map);
    std::vector<double> literal, fast, field, full;
    bool allSame = true;
    for (int r = 0; r < rounds; ++r) {
        uint64_t a = 0, b = 0, c = 0, d = 0;
        literal.push_back(timePass(
            points, [&](const Point3& p) { return mono(oracle::scratchPattern(p / size, in)); },
            a));
        fast.push_back(timePass(
            points, [&](const Point3& p) { return mono(scratchPattern(p / size, in)); }, b));
        field.push_back(timePass(
            points,
            [&](const Point3& p) {
                sc.SetP(p);
                return mono(scratches->EvalField(sc));
            },
            d));
        full.push_back(timePass(
            points,
            [&](const Point3& p) {
                sc.SetP(p);
                return map->EvalMono(sc);
            },
            c));
        allSame = allSame && a == b && b == c && c == d;
    }
    const double l = *std::min_element(literal.begin(), literal.end());
    const double f = *std::min_element(fast.begin(), fast.end());
    const double e = *std::min_element(field.begin(), field.end());
    const double m = *std::min_element(full.begin(), full.end());
    std::printf("%zu samples of the %d x %d bake grid (every %d-th row)\n", points.size(), res, res,
                stride);
    std::printf("%-26s %10s %10s\n", "", "ns", "speed-up");
    std::printf("%-26s %10.1f %10s\n", "literal pattern", l, "1.00x");
    std::printf("%-26s %10.1f %9.2fx\n", "fast pattern", f, l / f);
    std::printf("%-26s %10.1f %9.2fx\n", "field through module", e, l / e);
    std::printf("%-26s %10.1f %9.2fx\n", "EvalMono through module", m, l / m);
    std::printf("results %s\n", allSame ? "identical" : "DIFFER");

    map->DeleteThis();
    return allSame ? 0 : 1;
}
