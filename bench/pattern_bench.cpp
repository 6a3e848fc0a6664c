// Nanoseconds per sample of the scratch field, the literal oracle against the product, on the
// same points in the same run, with the speed-up; the best of several rounds each. Single
// thread. Optional argument: rounds.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "oracle.h"
#include "pattern.h"
#include "thread_timing.h"

namespace {

struct Sample {
    Point3 p, dpdx, dpdy;
};

std::vector<Sample> makeSamples(int count) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> u(-4.0f, 4.0f), d(-0.002f, 0.002f);
    std::vector<Sample> s(count);
    for (Sample& x : s)
        x = {Point3(u(rng), u(rng), u(rng)), Point3(d(rng), d(rng), d(rng)),
             Point3(d(rng), d(rng), d(rng))};
    return s;
}

// The map's reset values: type 3D, six levels, erosion off (amount 0.5 once switched on).
ScratchInputs resetInputs() {
    return ScratchInputs{0.0f, 1.0f, 10.0f, 0, 0.5f, 0.5f, 1.0f, 0.8f, 1, 6};
}

struct Case {
    const char* name;
    ScratchInputs in;
    bool filtered;
};

// One pass over the samples; the bit sum keeps the calls alive and compares the two sides.
template <typename Plain, typename Filtered>
double timePass(const std::vector<Sample>& s, const Case& c, Plain plain, Filtered filtered,
                uint64_t& bits) {
    const double start = threadSeconds();
    uint64_t sum = 0;
    if (c.filtered)
        for (const Sample& x : s)
            sum += std::bit_cast<uint32_t>(filtered(x.p, x.dpdx, x.dpdy, c.in));
    else
        for (const Sample& x : s) sum += std::bit_cast<uint32_t>(plain(x.p, c.in));
    const double stop = threadSeconds();
    bits = sum;
    return (stop - start) * 1e9 / s.size();
}

// Best of the rounds: other work on the machine only ever adds time.
double best(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::vector<Sample> samples = makeSamples(8192);

    std::vector<Case> cases;
    for (bool filtered : {false, true})
        for (int type : {1, 0}) {
            ScratchInputs in = resetInputs();
            in.type = type;
            const char* dim = type == 1 ? "3D" : "2D";
            static char names[12][48];
            auto add = [&](const char* what, const ScratchInputs& x) {
                char* name = names[cases.size()];
                std::snprintf(name, 48, "%s %s%s", what, dim, filtered ? " filtered" : "");
                cases.push_back({name, x, filtered});
            };
            add("default map", in);
            ScratchInputs eight = in;
            eight.levels = 8;
            add("levels 8   ", eight);
            ScratchInputs eroded = in;
            eroded.useErosion = 1;
            eroded.erosion = 0.5f;
            add("erosion on ", eroded);
        }

    std::printf("%-32s %12s %12s %8s\n", "case", "oracle ns", "product ns", "ratio");
    bool allSame = true;
    for (const Case& c : cases) {
        std::vector<double> slow, fast;
        for (int r = 0; r < rounds; ++r) {
            uint64_t a = 0, b = 0;
            slow.push_back(timePass(
                samples, c,
                [](const Point3& p, const ScratchInputs& in) {
                    return oracle::scratchPattern(p, in);
                },
                [](const Point3& p, const Point3& dx, const Point3& dy, const ScratchInputs& in) {
                    return oracle::scratchPatternFiltered(p, dx, dy, in);
                },
                a));
            fast.push_back(timePass(
                samples, c,
                [](const Point3& p, const ScratchInputs& in) { return scratchPattern(p, in); },
                [](const Point3& p, const Point3& dx, const Point3& dy, const ScratchInputs& in) {
                    return scratchPatternFiltered(p, dx, dy, in);
                },
                b));
            allSame = allSame && a == b;
        }
        const double o = best(slow), f = best(fast);
        std::printf("%-32s %12.1f %12.1f %7.2fx\n", c.name, o, f, o / f);
    }
    std::printf("results %s\n", allSame ? "identical" : "DIFFER");
    return allSame ? 0 : 1;
}
