// Small host objects for the stand-in's tests: a texture map with a parameter block, an
// owner-referenced sub-map, a block-owned map and a texture output; and a plain target.
#pragma once

#include <max.h>

namespace hosttest {

// Parameter IDs of the test block; declaration order differs from ID order.
enum : ParamID {
    pSize = 0,
    pLevels = 12,
    pColor = 5,
    pMap = 7,
    pMapOn = 9,
    pType = 19,
    pLock = 26,
    pOutput = 28,
    pOwnMap = 30,
};

// References of TestMap.
enum { kRefBlock = 0, kRefSubMap = 1, kRefOutput = 2, kNumRefs = 3 };

constexpr BlockID kTestBlockID = 7;
const Class_ID kTestMapClassID(0x1234, 0x5678);

ClassDesc2& TestMapDesc();
ParamBlockDesc2& TestParams();

class TestMap : public Texmap {
public:
    TestMap();
    explicit TestMap(const AColor& c);
    ~TestMap() override;

    AColor color{0.0f, 0.0f, 0.0f, 1.0f};
    IParamBlock2* pblock = nullptr;
    Texmap* subMap = nullptr;
    TextureOutput* output = nullptr;

    // What NotifyRefChanged saw.
    int changes = 0;
    RefTargetHandle lastTarget = nullptr;
    ParamID lastParam = -2;
    RefResult answer = REF_SUCCEED;

    Class_ID ClassID() override { return kTestMapClassID; }
    void GetClassName(MSTR& s, bool) const override { s = _M("TestMap"); }
    int NumRefs() override { return kNumRefs; }
    RefTargetHandle GetReference(int i) override;
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&,
                               RefMessage message, BOOL) override;
    ReferenceTarget* Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    AColor EvalColor(ShadeContext&) override { return color; }
    Point3 EvalNormalPerturb(ShadeContext&) override { return Point3(0.0f, 0.0f, 0.0f); }
    void Update(TimeValue, Interval&) override {}
    void Reset() override {}
    Interval Validity(TimeValue) override { return FOREVER; }
    ParamDlg* CreateParamDlg(HWND, IMtlParams*) override { return nullptr; }

protected:
    void SetReference(int i, RefTargetHandle r) override;
};

// A target that records its deletion, and a maker with a few plain slots.
class Tracked : public ReferenceTarget {
public:
    explicit Tracked(bool* deleted = nullptr) : deleted(deleted) {}
    ~Tracked() override {
        if (deleted) *deleted = true;
    }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage,
                               BOOL) override {
        return REF_SUCCEED;
    }

private:
    bool* deleted;
};

class Holder : public ReferenceTarget {
public:
    ~Holder() override { DeleteAllRefs(); }
    RefTargetHandle slots[4] = {};
    int messages = 0;
    RefResult answer = REF_SUCCEED;
    int NumRefs() override { return 4; }
    RefTargetHandle GetReference(int i) override { return slots[i]; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage m,
                               BOOL) override {
        if (m == REFMSG_CHANGE) ++messages;
        return answer;
    }

protected:
    void SetReference(int i, RefTargetHandle r) override { slots[i] = r; }
};

}  // namespace hosttest
