// What the map adds around the scratch field: nanoseconds per sample of EvalColor through the
// loaded plug-in module (coordinates, inputs, blend, texture output, shading cache) against the
// bare pattern call at the same pattern points, with the overhead in percent. The map has its
// reset values; the sample context is the host's. Best of several rounds, this thread's CPU
// time only. Optional arguments: rounds, then "plain" or "filtered" for one case alone (for a
// profiler).
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <max.h>

#include "pattern.h"
#include "sample_shade_context.h"
#include "thread_timing.h"
#include "tool/module/plugin_module.h"

namespace {

struct Sample {
    Point3 p, dpdx, dpdy;
};

std::vector<Sample> makeSamples(int count) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> u(-40.0f, 40.0f), d(-0.02f, 0.02f);
    std::vector<Sample> s(count);
    for (Sample& x : s)
        x = {Point3(u(rng), u(rng), u(rng)), Point3(d(rng), d(rng), d(rng)),
             Point3(d(rng), d(rng), d(rng))};
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::string only = argc > 2 ? argv[2] : "";

    // Loaded as the tool loads it (and a host): exports, version, LibInitialize.
    const PluginModule module(std::filesystem::path(QUORV_MODULE_PATH).parent_path());
    auto* map = static_cast<Texmap*>(module.ScratchesClass()->Create(FALSE));
    Interval valid = FOREVER;
    map->Update(0, valid);

    // The reset map: object coordinates at unit scale, size 10, black to white, an identity
    // texture output; so its colour is the field at P / 10, which the check below confirms.
    const float size = 10.0f;
    const ScratchInputs in{0.0f, 1.0f, 10.0f, 0, 0.5f, size / 20.0f, 1.0f, 0.8f, 1, 6};
    const std::vector<Sample> samples = makeSamples(8192);

    std::printf("%-22s %12s %12s %10s\n", "case", "pattern ns", "EvalColor ns", "overhead");
    bool allSame = true;
    for (bool filtered : {false, true}) {
        if (!only.empty() && only != (filtered ? "filtered" : "plain")) continue;
        SampleShadeContext sc;
        sc.filterMaps = filtered;
        std::vector<double> bare, full;
        for (int r = 0; r < rounds; ++r) {
            uint64_t a = 0, b = 0;
            bare.push_back(timePass(
                samples,
                [&](const Sample& s) {
                    return filtered ? scratchPatternFiltered(s.p / size, s.dpdx / size,
                                                             s.dpdy / size, in)
                                    : scratchPattern(s.p / size, in);
                },
                a));
            full.push_back(timePass(
                samples,
                [&](const Sample& s) {
                    sc.SetP(s.p);
                    sc.SetDP(s.dpdx, s.dpdy);
                    return map->EvalColor(sc).r;
                },
                b));
            allSame = allSame && a == b;
        }
        const double p = *std::min_element(bare.begin(), bare.end());
        const double m = *std::min_element(full.begin(), full.end());
        std::printf("%-22s %12.1f %12.1f %9.1f%%\n",
                    filtered ? "default map filtered" : "default map", p, m, (m / p - 1.0) * 100.0);
    }
    std::printf("results %s\n", allSame ? "identical" : "DIFFER");

    map->DeleteThis();
    return allSame ? 0 : 1;
}
