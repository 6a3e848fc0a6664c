#include "test_objects.h"

namespace hosttest {

namespace {
class TestMapClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 1; }
    void* Create(BOOL) override { return new TestMap(); }
    const MCHAR* ClassName() override { return _M("TestMap"); }
    const MCHAR* NonLocalizedClassName() override { return _M("TestMap"); }
    SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }
    Class_ID ClassID() override { return kTestMapClassID; }
    const MCHAR* Category() override { return TEXMAP_CAT_3D; }
};

constexpr USHORT kColorChunk = 0x4100;
constexpr USHORT kBaseChunk = 0x4000;
}  // namespace

ClassDesc2& TestMapDesc() {
    static TestMapClassDesc cd;
    return cd;
}

// clang-format off
ParamBlockDesc2& TestParams() {
    static ParamBlockDesc2 desc(kTestBlockID, _M("test"), 3, &TestMapDesc(),
        P_AUTO_CONSTRUCT | P_AUTO_UI, kRefBlock,
        101, 4, 0, APPENDROLL_CLOSED, nullptr,
        pSize, _M("size"), TYPE_FLOAT, P_ANIMATABLE, 22,
            p_default, 1.0f, p_range, 0.0f, 1000000.0f,
            p_ui, TYPE_SPINNER, EDITTYPE_FLOAT, 1490, 1496, SPIN_AUTOSCALE, p_end,
        pLevels, _M("levels"), TYPE_INT, P_ANIMATABLE, 52,
            p_default, 8, p_range, 1, 8,
            p_ui, TYPE_SPINNER, EDITTYPE_INT, 1508, 1509, SPIN_AUTOSCALE, p_end,
        pColor, _M("color1"), TYPE_RGBA, P_ANIMATABLE, 25,
            p_default, Color(0.25f, 0.5f, 1.0f), p_ui, TYPE_COLORSWATCH, 1023, p_end,
        pMap, _M("color1map"), TYPE_TEXMAP, P_OWNERS_REF, 27,
            p_refno, kRefSubMap, p_subtexno, 0, p_ui, TYPE_TEXMAPBUTTON, 1029, p_end,
        pMapOn, _M("mapOn"), TYPE_BOOL, 0, 29,
            p_default, TRUE, p_ui, TYPE_SINGLECHEKBOX, 1035, p_end,
        pType, _M("type"), TYPE_INT, 0, 34,
            p_default, 0, p_ui, TYPE_INT_COMBOBOX, 1001, 2, 48, 33, p_end,
        pLock, _M("lock"), TYPE_BOOL, P_ANIMATABLE, 0,
            p_default, 1, p_ui, TYPE_CHECKBUTTON, 1023, p_end,
        pOutput, _M("output"), TYPE_REFTARG, P_OWNERS_REF, 5, p_refno, kRefOutput, p_end,
        pOwnMap, _M("ownMap"), TYPE_TEXMAP, 0, 0, p_end,
        p_end);
    return desc;
}
// clang-format on

TestMap::TestMap() {
    TestParams();
    TestMapDesc().MakeAutoParamBlocks(this);
    ReplaceReference(kRefOutput, GetNewDefaultTextureOutput());
}

TestMap::TestMap(const AColor& c) : TestMap() {
    color = c;
}

TestMap::~TestMap() {
    DeleteAllRefs();
}

RefTargetHandle TestMap::GetReference(int i) {
    switch (i) {
        case kRefBlock:
            return pblock;
        case kRefSubMap:
            return subMap;
        case kRefOutput:
            return output;
        default:
            return nullptr;
    }
}

void TestMap::SetReference(int i, RefTargetHandle r) {
    switch (i) {
        case kRefBlock:
            pblock = static_cast<IParamBlock2*>(r);
            break;
        case kRefSubMap:
            subMap = static_cast<Texmap*>(r);
            break;
        case kRefOutput:
            output = static_cast<TextureOutput*>(r);
            break;
        default:
            break;
    }
}

RefResult TestMap::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&,
                                    RefMessage message, BOOL) {
    if (message != REFMSG_CHANGE) return REF_SUCCEED;
    ++changes;
    lastTarget = hTarget;
    if (hTarget == pblock) lastParam = pblock->LastNotifyParamID();
    return answer;
}

ReferenceTarget* TestMap::Clone(RemapDir& remap) {
    auto* m = new TestMap(color);
    *static_cast<MtlBase*>(m) = *this;
    m->ReplaceReference(kRefBlock, remap.CloneRef(pblock));
    m->ReplaceReference(kRefSubMap, remap.CloneRef(subMap));
    m->ReplaceReference(kRefOutput, remap.CloneRef(output));
    BaseClone(this, m, remap);
    return m;
}

IOResult TestMap::Save(ISave* isave) {
    isave->BeginChunk(kBaseChunk);
    IOResult r = MtlBase::Save(isave);
    isave->EndChunk();
    if (r != IO_OK) return r;
    isave->BeginChunk(kColorChunk);
    ULONG n = 0;
    r = isave->Write(&color, sizeof color, &n);
    isave->EndChunk();
    return r;
}

IOResult TestMap::Load(ILoad* iload) {
    IOResult r;
    while ((r = iload->OpenChunk()) == IO_OK) {
        IOResult res = IO_OK;
        ULONG n = 0;
        if (iload->CurChunkID() == kBaseChunk) res = MtlBase::Load(iload);
        if (iload->CurChunkID() == kColorChunk) res = iload->Read(&color, sizeof color, &n);
        iload->CloseChunk();
        if (res != IO_OK) return res;
    }
    return r == IO_END ? IO_OK : IO_ERROR;
}

}  // namespace hosttest
