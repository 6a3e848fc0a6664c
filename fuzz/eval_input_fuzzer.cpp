// The `eval` input of quorv-scratches: text is either refused with a ToolError naming the line
// or read into samples of finite numbers, which the map then evaluates to finite answers.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/eval_command.h"
#include "fuzz_support.h"
#include "plugin/module.h"
#include "tool/base/tool_error.h"
#include "tool/module/texmap_ptr.h"

namespace {

bool Finite(const Point3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    AttachPlugin();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<EvalSample> samples;
    try {
        samples = ParseEvalInput(in);
    } catch (const ToolError& e) {
        Require(std::string(e.what()).rfind("line ", 0) == 0, "a refusal names the line");
        return 0;
    }
    for (const EvalSample& s : samples)
        Require(Finite(s.p) && Finite(s.a) && Finite(s.b), "samples hold finite numbers");

    // The first few samples through the tool's own evaluation, in each output.
    if (samples.size() > 4) samples.resize(4);
    // One map for the whole run, never deleted: it must outlive nothing at exit.
    static Texmap* const map = [] {
        Texmap* m = CreateMap(GetQuorvScratchesDesc()).release();
        Interval valid = FOREVER;
        m->Update(0, valid);
        return m;
    }();
    for (EvalOutput output : {EvalOutput::Color, EvalOutput::Mono, EvalOutput::Bump}) {
        EvalOptions options;
        options.output = output;
        options.filtered = output == EvalOutput::Color;
        for (const EvalResult& r : EvaluateSamples(map, samples, options)) {
            for (float v : r.v) Require(std::isfinite(v), "finite results");
        }
    }
    return 0;
}
