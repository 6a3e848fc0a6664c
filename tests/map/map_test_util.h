// Shared by the map suites: a constant test map, maps made from the linked plug-in objects,
// and sample contexts.
#pragma once

#include <dlfcn.h>

#include <memory>
#include <vector>

#include "map/params_ids.h"
#include "map/quorv_scratches.h"
#include "plugin/module.h"
#include "sample_shade_context.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, ULONG fdwReason, LPVOID lpvReserved);

// One colour and one bump vector everywhere; the mono value is the host's mean of the colour.
class ConstantMap : public Texmap {
public:
    explicit ConstantMap(AColor c = AColor(0.0f, 0.0f, 0.0f, 1.0f), Point3 b = Point3())
        : color(c), bump(b) {}
    AColor EvalColor(ShadeContext&) override { return color; }
    Point3 EvalNormalPerturb(ShadeContext&) override { return bump; }
    void Update(TimeValue, Interval&) override { ++updates; }
    void Reset() override {}
    Interval Validity(TimeValue) override { return FOREVER; }
    ParamDlg* CreateParamDlg(HWND, IMtlParams*) override { return nullptr; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage,
                               BOOL) override {
        return REF_SUCCEED;
    }
    Class_ID ClassID() override { return Class_ID(0x51A7E001, 0x51A7E002); }
    ReferenceTarget* Clone(RemapDir& remap) override {
        auto* copy = new ConstantMap(color, bump);
        BaseClone(this, copy, remap);
        return copy;
    }
    IOResult Save(ISave* isave) override {
        ULONG n = 0;
        return isave->Write(&color, sizeof color, &n);
    }
    IOResult Load(ILoad* iload) override {
        ULONG n = 0;
        return iload->Read(&color, sizeof color, &n);
    }
    // Tells the maps that reference this one that it changed.
    void Touch() { NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE); }

    AColor color;
    Point3 bump;
    int updates = 0;
};

inline ConstantMap* Constant(float v, Point3 bump = Point3()) {
    return new ConstantMap(AColor(v, v, v, 1.0f), bump);
}

// Lets scenes that hold the map and ConstantMap load.
inline void RegisterClasses() {
    struct Desc : ClassDesc2 {
        int IsPublic() override { return 0; }
        void* Create(BOOL) override { return new ConstantMap(); }
        const MCHAR* ClassName() override { return _M("ConstantMap"); }
        const MCHAR* NonLocalizedClassName() override { return _M("ConstantMap"); }
        SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }
        Class_ID ClassID() override { return Class_ID(0x51A7E001, 0x51A7E002); }
        const MCHAR* Category() override { return _M(""); }
    };
    static Desc desc;
    ClassDirectory::GetInstance().AddClass(&desc);
    ClassDirectory::GetInstance().AddClass(GetQuorvScratchesDesc());
}

struct AnimatableDeleter {
    void operator()(Animatable* a) const {
        if (a) a->DeleteThis();
    }
};
using ScratchPtr = std::unique_ptr<QuorvScratches, AnimatableDeleter>;

inline ScratchPtr NewScratches() {
    // The linked objects' strings are registered under this executable's load base.
    static const bool attached = [] {
        Dl_info info{};
        dladdr(reinterpret_cast<void*>(&DllMain), &info);
        return DllMain(static_cast<HINSTANCE>(info.dli_fbase), DLL_PROCESS_ATTACH, nullptr);
    }();
    (void)attached;
    return ScratchPtr(new QuorvScratches());
}

inline IParamBlock2* Params(QuorvScratches* m) {
    return m->GetParamBlockByID(1);
}
inline IParamBlock2* Mapping(QuorvScratches* m) {
    return m->GetParamBlockByID(0);
}

inline void Refresh(QuorvScratches* m, TimeValue t = 0) {
    Interval valid = FOREVER;
    m->Update(t, valid);
}

// A sample at p in object (= world) space with screen derivatives a and b.
inline SampleShadeContext SampleAt(Point3 p, Point3 a = Point3(), Point3 b = Point3()) {
    SampleShadeContext sc;
    sc.SetP(p);
    sc.SetDP(a, b);
    return sc;
}

// Points across a few cells of the pattern at its reset size of 10.
inline std::vector<Point3> SamplePoints(int n = 96, float scale = 1.0f) {
    std::vector<Point3> pts;
    for (int i = 0; i < n; ++i) {
        const float s = static_cast<float>(i);
        pts.emplace_back(scale * (0.731f * s - 20.0f), scale * (0.377f * s + 3.1f),
                         scale * (-0.519f * s + 7.7f));
    }
    return pts;
}

// Colour (filtered and not) and bump of two maps agree exactly at every sample point.
inline void ExpectSameRender(QuorvScratches* a, QuorvScratches* b, float scale = 1.0f) {
    for (const Point3& p : SamplePoints(64, scale)) {
        for (BOOL filtered : {FALSE, TRUE}) {
            SampleShadeContext sa =
                SampleAt(p, Point3(0.02f, 0.0f, 0.0f) * scale, Point3(0.0f, 0.02f, 0.0f) * scale);
            SampleShadeContext sb = sa;
            sa.filterMaps = sb.filterMaps = filtered;
            const AColor ca = a->EvalColor(sa), cb = b->EvalColor(sb);
            EXPECT_TRUE(ca == cb) << p.x << " " << p.y << " " << p.z;
            EXPECT_EQ(a->EvalNormalPerturb(sa), b->EvalNormalPerturb(sb));
        }
    }
}
