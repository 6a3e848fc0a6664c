// The scratch field from arbitrary bytes: a point, its two derivatives and the ten pattern
// inputs, every bit pattern allowed (NaN, infinities, any type and level count). Both entries
// must answer a finite value in [0, 1].
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "scratch.h"

namespace {

struct FuzzedSample {
    float p[3], dpdx[3], dpdy[3];
    ScratchInputs inputs;
};
static_assert(sizeof(FuzzedSample) == 76, "no padding: every byte comes from the input");

void RequireUnit(float v, const char* entry) {
    if (v >= 0.0f && v <= 1.0f) return;  // false for NaN
    std::fprintf(stderr, "%s answered %.9g, outside [0, 1]\n", entry, static_cast<double>(v));
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Short inputs are padded with zeros, so every prefix is a sample too.
    FuzzedSample s;
    std::memset(&s, 0, sizeof s);
    std::memcpy(&s, data, size < sizeof s ? size : sizeof s);
    const Point3 p(s.p[0], s.p[1], s.p[2]);
    const Point3 dpdx(s.dpdx[0], s.dpdx[1], s.dpdx[2]);
    const Point3 dpdy(s.dpdy[0], s.dpdy[1], s.dpdy[2]);
    RequireUnit(scratchPattern(p, s.inputs), "scratchPattern");
    RequireUnit(scratchPatternFiltered(p, dpdx, dpdy, s.inputs), "scratchPatternFiltered");
    return 0;
}
