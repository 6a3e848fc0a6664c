// The host's default texture output.
#include "core.h"
#include "iparamb2.h"
#include "parammap_impl.h"
#include "stdmat.h"
#include "texout_ids.h"

namespace {

enum { kOutAmount = 0, kRGBLevel = 1, kRGBOffset = 2, kInvert = 3 };

class TexOutClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL) override;
    const MCHAR* ClassName() override { return _M("Output"); }
    const MCHAR* NonLocalizedClassName() override { return _M("Output"); }
    SClass_ID SuperClassID() override { return TEXOUTPUT_CLASS_ID; }
    Class_ID ClassID() override { return Class_ID(0x7E0A0001, 0); }
    const MCHAR* Category() override { return _M(""); }
    const MCHAR* InternalName() override { return _M("StdTexOutGen"); }
};

TexOutClassDesc& OutputClassDesc() {
    static TexOutClassDesc cd;
    return cd;
}

ParamBlockDesc2& OutputParams() {
    // The controls are those of the output's rollout (texout_dlg.cpp).
    // clang-format off
    static ParamBlockDesc2 desc(0, _M("parameters"), 0, &OutputClassDesc(), P_AUTO_CONSTRUCT, 0,
        kOutAmount, _M("outputAmount"), TYPE_FLOAT, P_ANIMATABLE, 0, p_default, 1.0,
            p_ui, TYPE_SPINNER, EDITTYPE_FLOAT, IDC_TEXOUT_AMOUNT_EDIT, IDC_TEXOUT_AMOUNT_SPIN,
            SPIN_AUTOSCALE, p_end,
        kRGBLevel, _M("rgbLevel"), TYPE_FLOAT, P_ANIMATABLE, 0, p_default, 1.0,
            p_ui, TYPE_SPINNER, EDITTYPE_FLOAT, IDC_TEXOUT_LEVEL_EDIT, IDC_TEXOUT_LEVEL_SPIN,
            SPIN_AUTOSCALE, p_end,
        kRGBOffset, _M("rgbOffset"), TYPE_FLOAT, P_ANIMATABLE, 0, p_default, 0.0,
            p_ui, TYPE_SPINNER, EDITTYPE_FLOAT, IDC_TEXOUT_OFFSET_EDIT, IDC_TEXOUT_OFFSET_SPIN,
            SPIN_AUTOSCALE, p_end,
        kInvert, _M("invert"), TYPE_BOOL, 0, 0, p_default, FALSE,
            p_ui, TYPE_SINGLECHEKBOX, IDC_TEXOUT_INVERT, p_end,
        p_end);
    // clang-format on
    return desc;
}

class DefaultTexOut : public StdTexoutGen {
public:
    DefaultTexOut() {
        OutputParams();
        OutputClassDesc().MakeAutoParamBlocks(this);
        lastTime = GetCOREInterface()->GetTime();
        Refresh();
    }
    ~DefaultTexOut() override { DeleteAllRefs(); }

    Class_ID ClassID() override { return OutputClassDesc().ClassID(); }
    SClass_ID SuperClassID() override { return TEXOUTPUT_CLASS_ID; }
    void GetClassName(MSTR& s, bool) const override { s = _M("Output"); }

    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? pblock : nullptr; }
    int NumSubs() override { return 1; }
    Animatable* SubAnim(int i) override { return i == 0 ? pblock : nullptr; }
    MSTR SubAnimName(int i, bool) override { return i == 0 ? MSTR(_M("Parameters")) : MSTR(); }
    int SubNumToRefNum(int subNum) override { return subNum == 0 ? 0 : -1; }
    int NumParamBlocks() override { return 1; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? pblock : nullptr; }
    IParamBlock2* GetParamBlockByID(BlockID id) override {
        return pblock && pblock->ID() == id ? pblock : nullptr;
    }

    RefResult NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&,
                               RefMessage message, BOOL) override {
        if (message == REFMSG_CHANGE && hTarget == pblock) Refresh();
        return REF_SUCCEED;
    }

    AColor Filter(AColor c) override { return AColor(Apply(c.r), Apply(c.g), Apply(c.b), c.a); }
    float Filter(float f) override { return Apply(f); }
    Point3 Filter(Point3 p) override {
        const float s = (invert ? -level : level) * amount;
        return p * s;
    }

    float GetOutputLevel(TimeValue t) override { return GetOutAmt(t); }
    void SetOutputLevel(TimeValue t, float v) override { SetOutAmt(v, t); }
    void SetInvert(BOOL onoff) override {
        if (pblock) pblock->SetValue(kInvert, lastTime, onoff ? 1 : 0);
    }
    BOOL GetInvert() override { return pblock ? pblock->GetInt(kInvert, lastTime) : FALSE; }

    float GetOutAmt(TimeValue t) override { return Get(kOutAmount, t); }
    void SetOutAmt(float v, TimeValue t) override { Set(kOutAmount, v, t); }
    float GetRGBAmt(TimeValue t) override { return Get(kRGBLevel, t); }
    void SetRGBAmt(float v, TimeValue t) override { Set(kRGBLevel, v, t); }
    float GetRGBOff(TimeValue t) override { return Get(kRGBOffset, t); }
    void SetRGBOff(float v, TimeValue t) override { Set(kRGBOffset, v, t); }

    void Update(TimeValue t, Interval& valid) override {
        lastTime = t;
        Interval iv = FOREVER;
        Read(iv);
        valid &= iv;
    }
    void Reset() override {
        if (pblock) pblock->ResetAll();
        Refresh();
    }
    Interval Validity(TimeValue t) override {
        Interval iv = FOREVER;
        if (pblock) {
            float f = 0.0f;
            int i = 0;
            pblock->GetValue(kOutAmount, t, f, iv);
            pblock->GetValue(kRGBLevel, t, f, iv);
            pblock->GetValue(kRGBOffset, t, f, iv);
            pblock->GetValue(kInvert, t, i, iv);
        }
        return iv;
    }
    // The output's values are its block's; the material base's own data (name, G-buffer ID)
    // is not saved for it.
    IOResult Save(ISave* isave) override { return ReferenceTarget::Save(isave); }
    IOResult Load(ILoad* iload) override { return ReferenceTarget::Load(iload); }
    ParamDlg* CreateParamDlg(HWND hwMtlEdit, IMtlParams* imp) override {
        return CreateTexOutParamDlg(this, hwMtlEdit, imp);
    }

    ReferenceTarget* Clone(RemapDir& remap) override {
        auto* copy = new DefaultTexOut();
        copy->ReplaceReference(0, remap.CloneRef(pblock));
        copy->lastTime = lastTime;
        copy->Refresh();
        BaseClone(this, copy, remap);
        return copy;
    }

protected:
    void SetReference(int i, RefTargetHandle r) override {
        if (i != 0) return;
        pblock = static_cast<IParamBlock2*>(r);
        Refresh();
    }

private:
    float Apply(float x) const { return ((invert ? 1.0f - x : x) * level + offset) * amount; }
    float Get(ParamID id, TimeValue t) { return pblock ? pblock->GetFloat(id, t) : 0.0f; }
    void Set(ParamID id, float v, TimeValue t) {
        if (pblock) pblock->SetValue(id, t, v);
    }
    void Read(Interval& iv) {
        if (!pblock) return;
        pblock->GetValue(kOutAmount, lastTime, amount, iv);
        pblock->GetValue(kRGBLevel, lastTime, level, iv);
        pblock->GetValue(kRGBOffset, lastTime, offset, iv);
        pblock->GetValue(kInvert, lastTime, invert, iv);
    }
    void Refresh() {
        Interval iv = FOREVER;
        Read(iv);
    }

    IParamBlock2* pblock = nullptr;
    TimeValue lastTime = 0;
    // The values Filter applies, cached by Update so that evaluation only reads.
    float amount = 1.0f, level = 1.0f, offset = 0.0f;
    int invert = 0;
};

void* TexOutClassDesc::Create(BOOL) {
    return new DefaultTexOut();
}

}  // namespace

ClassDesc* DefaultTextureOutputClassDesc() {
    return &OutputClassDesc();
}

TextureOutput* GetNewDefaultTextureOutput() {
    return new DefaultTexOut();
}
