#include "fuzz_support.h"

#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "classdir.h"
#include "plugin/module.h"
#include "sample_shade_context.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, ULONG fdwReason, LPVOID lpvReserved);

namespace {

bool Finite(const AColor& c) {
    return std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b) && std::isfinite(c.a);
}

bool Finite(const Point3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

void AttachPlugin() {
    // The objects are linked into this executable: its load base is the module handle.
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&DllMain), &info);
    DllMain(static_cast<HINSTANCE>(info.dli_fbase), DLL_PROCESS_ATTACH, nullptr);
    ClassDirectory::GetInstance().AddClass(GetQuorvScratchesDesc());
}

void Require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "requirement failed: %s\n", what);
    std::abort();
}

void RequireFiniteEvaluation(Texmap* map) {
    Interval valid = FOREVER;
    map->Update(0, valid);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Point3 points[] = {Point3(1.5f, -2.25f, 3.0f), Point3(-17.0f, 40.0f, 0.5f),
                             Point3(1e30f, -1e30f, 7.0f), Point3(nan, 0.0f, 1.0f)};
    INode node(7);
    for (const Point3& p : points) {
        for (BOOL filtered : {FALSE, TRUE}) {
            SampleShadeContext sc;
            sc.SetP(p);
            sc.SetDP(Point3(0.05f, 0.0f, 0.0f), Point3(0.0f, 0.05f, 0.0f));
            sc.SetUVW(1, p, Point3(0.05f, 0.05f, 0.0f));
            sc.SetScreenUV(Point2(p.x, p.y), Point2(0.05f, 0.05f));
            sc.SetNode(&node);
            sc.filterMaps = filtered;
            Require(Finite(map->EvalColor(sc)), "finite colour");
            sc.ResetCache();
            Require(std::isfinite(map->EvalMono(sc)), "finite mono value");
            Require(Finite(map->EvalNormalPerturb(sc)), "finite bump vector");
        }
    }
}
