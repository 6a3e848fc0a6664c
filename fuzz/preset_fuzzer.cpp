// JSON presets of quorv-scratches: a preset is either refused with a ToolError (any other
// exception is a finding) or leaves every parameter at a value the tool itself accepts, and
// the map evaluates to finite answers.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "plugin/module.h"
#include "tool/base/tool_error.h"
#include "tool/module/texmap_ptr.h"
#include "tool/params/parameters.h"
#include "tool/setup/preset.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    AttachPlugin();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ClassDesc2* cd = GetQuorvScratchesDesc();
    TexmapPtr map = CreateMap(cd);
    MapSources sources;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        // Relative image paths lead nowhere: the fuzzer must not wander the file system.
        LoadPresetText(text, "fuzzed.json", "/nonexistent-quorv-fuzz", map.get(), cd, 0, sources);
    } catch (const ToolError&) {
        return 0;
    }
    for (const ParamRef& p : MapParameters(map.get())) {
        if (p.kind == ValueKind::Map || p.kind == ValueKind::Other) continue;
        try {
            CheckParamValue(p, GetParamValue(p, 0));
        } catch (const ToolError&) {
            Require(false, "an accepted preset leaves every value acceptable");
        }
    }
    RequireFiniteEvaluation(map.get());
    return 0;
}
