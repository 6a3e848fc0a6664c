// The parameter block instance: values, keys, references, change notification, save/load.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core.h"
#include "imtl.h"
#include "ioapi.h"
#include "iparamb2.h"
#include "parammap_impl.h"
#include "paramtypes.h"

namespace {

constexpr USHORT kParamChunk = 0x0110;

struct Key {
    TimeValue t;
    PB2Value v;
};

struct Slot {
    PB2Value value;
    std::wstring text;      // storage of a string value
    std::vector<Key> keys;  // sorted by time, one per time
};

int Components(ValueKind k) {
    return k == ValueKind::Color ? 3 : 1;
}

double Component(const PB2Value& v, ValueKind k, int c) {
    if (k == ValueKind::Float) return v.f;
    if (k == ValueKind::Int) return v.i;
    return v.p[c];
}

bool Same(const PB2Value& a, const PB2Value& b, ValueKind k) {
    if (k == ValueKind::Float) return a.f == b.f;
    if (k == ValueKind::Int) return a.i == b.i;
    return a.p == b.p;
}

void SyncColor(PB2Value& v) {
    v.c = Color(v.p.x, v.p.y, v.p.z);
}

// Linear interpolation between two keys at t0 < t < t1. Integers round to nearest; the result
// lies between the two key values, so the conversion cannot overflow.
PB2Value Interpolate(const Key& a, const Key& b, ValueKind k, TimeValue t) {
    const double f = static_cast<double>(static_cast<int64_t>(t) - a.t) /
                     static_cast<double>(static_cast<int64_t>(b.t) - a.t);
    PB2Value v = a.v;
    for (int c = 0; c < Components(k); ++c) {
        const double x0 = Component(a.v, k, c), x1 = Component(b.v, k, c);
        const double x = x0 + (x1 - x0) * f;
        if (k == ValueKind::Float)
            v.f = static_cast<float>(x);
        else if (k == ValueKind::Int)
            v.i = static_cast<int>(std::lround(x));
        else
            v.p[c] = static_cast<float>(x);
    }
    if (k == ValueKind::Color) SyncColor(v);
    return v;
}

// The value at t, and the widest interval around t over which it stays the same.
PB2Value Evaluate(const Slot& s, ValueKind k, TimeValue t, Interval& constant) {
    constant = FOREVER;
    const std::vector<Key>& keys = s.keys;
    if (keys.empty()) return s.value;
    const int n = static_cast<int>(keys.size());
    // Segment j lies between key j and key j + 1; segments -1 and n - 1 reach to infinity
    // and are flat, the others are flat when both ends hold the same value.
    auto flat = [&](int j) { return j < 0 || j >= n - 1 || Same(keys[j].v, keys[j + 1].v, k); };
    PB2Value v;
    TimeValue lo = t, hi = t;
    int left = -2, right = -2;  // keys from which to widen; -2: no widening on that side
    if (t < keys[0].t) {
        v = keys[0].v;
        lo = TIME_NegInfinity;
        hi = keys[0].t;
        right = 0;
    } else if (t > keys[n - 1].t) {
        v = keys[n - 1].v;
        lo = keys[n - 1].t;
        hi = TIME_PosInfinity;
        left = n - 1;
    } else {
        int j = 0;
        while (j + 1 < n && keys[j + 1].t <= t) ++j;
        if (keys[j].t == t) {
            v = keys[j].v;
            left = right = j;
        } else {
            v = Interpolate(keys[j], keys[j + 1], k, t);
            if (!flat(j)) {
                constant = Interval(t, t);
                return v;
            }
            lo = keys[j].t;
            hi = keys[j + 1].t;
            left = j;
            right = j + 1;
        }
    }
    if (left >= 0) {
        for (int l = left; flat(l - 1); --l) {
            if (l - 1 < 0) {
                lo = TIME_NegInfinity;
                break;
            }
            lo = keys[l - 1].t;
        }
    }
    if (right >= 0) {
        for (int r = right; flat(r); ++r) {
            if (r >= n - 1) {
                hi = TIME_PosInfinity;
                break;
            }
            hi = keys[r + 1].t;
        }
    }
    constant = Interval(lo, hi);
    return v;
}

class ParamBlock2Impl;
ParamBlock2Impl* AsBlock(ReferenceTarget* t);

class ParamBlock2Impl : public IParamBlock2 {
public:
    ParamBlock2Impl(ParamBlockDesc2* d, ReferenceMaker* o) : desc(d), owner(o) {
        const int n = desc->Count();
        slots.resize(static_cast<size_t>(n));
        refOf.assign(static_cast<size_t>(n), -1);
        for (int i = 0; i < n; ++i) {
            const ParamDef& def = desc->GetParamDefByIndex(i);
            if (KindOf(def.type) == ValueKind::Ref && !(def.flags & P_OWNERS_REF)) {
                refOf[static_cast<size_t>(i)] = static_cast<int>(refs.size());
                refs.push_back(nullptr);
            }
        }
        SetDefaults();
    }
    ~ParamBlock2Impl() override {
        if (map0) ForgetDeletedBlock(map0, this);
        DeleteAllRefs();
    }

    // --- identity and references
    Class_ID ClassID() override { return Class_ID(PARAMETER_BLOCK2_CLASS_ID, 0); }
    SClass_ID SuperClassID() override { return PARAMETER_BLOCK2_CLASS_ID; }
    void GetClassName(MSTR& s, bool) const override { s = _M("ParamBlock2"); }
    int NumRefs() override { return static_cast<int>(refs.size()); }
    RefTargetHandle GetReference(int i) override {
        return i >= 0 && i < NumRefs() ? refs[static_cast<size_t>(i)] : nullptr;
    }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage,
                               BOOL) override {
        // A change inside a map held by a parameter is a change of that parameter.
        for (size_t i = 0; i < refOf.size(); ++i) {
            if (refOf[i] >= 0 && refs[static_cast<size_t>(refOf[i])] == hTarget)
                lastNotify = desc->IndextoID(static_cast<int>(i));
        }
        return REF_SUCCEED;
    }

    // --- description
    BlockID ID() override { return desc->ID; }
    ParamBlockDesc2* GetDesc() override { return desc; }
    ReferenceMaker* GetOwner() override { return owner; }
    void SetOwner(ReferenceMaker* o) override { owner = o; }
    int NumParams() override { return desc->Count(); }
    ParamID IndextoID(int i) override { return desc->IndextoID(i); }
    int IDtoIndex(ParamID id) override { return desc->IDtoIndex(id); }
    ParamType2 GetParameterType(ParamID id) override {
        const int i = desc->IDtoIndex(id);
        return static_cast<ParamType2>(i >= 0 ? Def(i).type : -1);
    }
    MSTR GetLocalName(ParamID id, int) override {
        const int i = desc->IDtoIndex(id);
        if (i < 0 || !desc->cd) return MSTR();
        return MSTR(desc->cd->GetRsrcString(Def(i).local_name));
    }
    ParamID NameToID(const MCHAR* name) override {
        return desc->IndextoID(desc->NameToIndex(name));
    }
    int NumKeys(ParamID id) override {
        const int i = desc->IDtoIndex(id);
        return i >= 0 ? static_cast<int>(Slot_(i).keys.size()) : 0;
    }
    TimeValue GetKeyTime(ParamID id, int k) override {
        const int i = desc->IDtoIndex(id);
        if (i < 0 || k < 0 || k >= static_cast<int>(Slot_(i).keys.size())) return 0;
        return Slot_(i).keys[static_cast<size_t>(k)].t;
    }
    void DeleteKeys(ParamID id) override {
        const int i = desc->IDtoIndex(id);
        if (i >= 0) Slot_(i).keys.clear();
    }

    ParamID LastNotifyParamID() override { return lastNotify; }
    // Only map 0 exists: the stand-in's rollouts show one map per block.
    IParamMap2* GetMap(MapID id) override { return id == 0 ? map0 : nullptr; }
    void SetMap(IParamMap2* m, MapID id) override {
        if (id == 0) map0 = m;
    }

    void ResetAll(BOOL, BOOL) override {
        SetDefaults();
        for (int r = 0; r < NumRefs(); ++r) DeleteReference(r);
        Changed(-1);
    }

    // --- set
    BOOL SetValue(ParamID id, TimeValue t, float v, int) override {
        const int i = desc->IDtoIndex(id);
        if (i < 0) return FALSE;
        PB2Value x;
        switch (KindOf(Def(i).type)) {
            case ValueKind::Float:
                x.f = v;
                break;
            case ValueKind::Int:
                // Only values an int can hold; truncated toward zero as a C cast would.
                if (!std::isfinite(v) || v >= 2147483648.0f || v < -2147483648.0f) return FALSE;
                x.i = static_cast<int>(v);
                break;
            default:
                return FALSE;
        }
        return Store(i, t, x);
    }
    BOOL SetValue(ParamID id, TimeValue t, int v, int) override {
        const int i = desc->IDtoIndex(id);
        if (i < 0) return FALSE;
        PB2Value x;
        switch (KindOf(Def(i).type)) {
            case ValueKind::Float:
                x.f = static_cast<float>(v);
                break;
            case ValueKind::Int:
                x.i = v;
                break;
            default:
                return FALSE;
        }
        return Store(i, t, x);
    }
    BOOL SetValue(ParamID id, TimeValue t, const Point3& v, int) override {
        const int i = desc->IDtoIndex(id);
        if (i < 0 || KindOf(Def(i).type) != ValueKind::Color) return FALSE;
        PB2Value x;
        x.p = v;
        SyncColor(x);
        return Store(i, t, x);
    }
    BOOL SetValue(ParamID id, TimeValue t, const Color& v, int tab) override {
        return SetValue(id, t, Point3(v.r, v.g, v.b), tab);
    }
    BOOL SetValue(ParamID id, TimeValue t, const AColor& v, int tab) override {
        return SetValue(id, t, Point3(v.r, v.g, v.b), tab);
    }
    BOOL SetValue(ParamID id, TimeValue t, Texmap* v, int tab) override {
        return SetValue(id, t, static_cast<ReferenceTarget*>(v), tab);
    }
    BOOL SetValue(ParamID id, TimeValue, ReferenceTarget* v, int) override {
        const int i = desc->IDtoIndex(id);
        if (i < 0) return FALSE;
        const ParamDef& def = Def(i);
        if (KindOf(def.type) != ValueKind::Ref) return FALSE;
        if (v && def.type == TYPE_TEXMAP && v->SuperClassID() != TEXMAP_CLASS_ID) return FALSE;
        if (v && def.type == TYPE_MTL && v->SuperClassID() != MATERIAL_CLASS_ID) return FALSE;
        RefResult r = REF_FAIL;
        if (def.flags & P_OWNERS_REF) {
            if (owner) r = owner->ReplaceReference(def.refno, v);
        } else {
            r = ReplaceReference(refOf[static_cast<size_t>(i)], v);
        }
        if (r != REF_SUCCEED) return FALSE;
        Changed(id);
        return TRUE;
    }

    // --- get
    BOOL GetValue(ParamID id, TimeValue t, float& v, Interval& ivalid, int) override {
        const int i = desc->IDtoIndex(id);
        if (i < 0) return FALSE;
        const ValueKind k = KindOf(Def(i).type);
        if (k != ValueKind::Float && k != ValueKind::Int) return FALSE;
        const PB2Value x = At(i, t, ivalid);
        v = k == ValueKind::Float ? x.f : static_cast<float>(x.i);
        return TRUE;
    }
    BOOL GetValue(ParamID id, TimeValue t, int& v, Interval& ivalid, int) override {
        const int i = desc->IDtoIndex(id);
        if (i < 0 || KindOf(Def(i).type) != ValueKind::Int) return FALSE;
        v = At(i, t, ivalid).i;
        return TRUE;
    }
    BOOL GetValue(ParamID id, TimeValue t, Point3& v, Interval& ivalid, int) override {
        const int i = desc->IDtoIndex(id);
        if (i < 0 || KindOf(Def(i).type) != ValueKind::Color) return FALSE;
        v = At(i, t, ivalid).p;
        return TRUE;
    }
    BOOL GetValue(ParamID id, TimeValue t, Color& v, Interval& ivalid, int tab) override {
        Point3 p;
        if (!GetValue(id, t, p, ivalid, tab)) return FALSE;
        v = Color(p.x, p.y, p.z);
        return TRUE;
    }
    BOOL GetValue(ParamID id, TimeValue t, AColor& v, Interval& ivalid, int tab) override {
        Point3 p;
        if (!GetValue(id, t, p, ivalid, tab)) return FALSE;
        v = AColor(p.x, p.y, p.z, 1.0f);
        return TRUE;
    }
    BOOL GetValue(ParamID id, TimeValue t, Texmap*& v, Interval& ivalid, int tab) override {
        ReferenceTarget* r = nullptr;
        if (!GetValue(id, t, r, ivalid, tab)) return FALSE;
        if (r && r->SuperClassID() != TEXMAP_CLASS_ID) return FALSE;
        v = static_cast<Texmap*>(r);
        return TRUE;
    }
    BOOL GetValue(ParamID id, TimeValue, ReferenceTarget*& v, Interval&, int) override {
        const int i = desc->IDtoIndex(id);
        if (i < 0 || KindOf(Def(i).type) != ValueKind::Ref) return FALSE;
        v = RefValue(i);
        return TRUE;
    }

    float GetFloat(ParamID id, TimeValue t, int tab) override {
        float v = 0.0f;
        Interval iv = FOREVER;
        GetValue(id, t, v, iv, tab);
        return v;
    }
    int GetInt(ParamID id, TimeValue t, int tab) override {
        int v = 0;
        Interval iv = FOREVER;
        GetValue(id, t, v, iv, tab);
        return v;
    }
    Color GetColor(ParamID id, TimeValue t, int tab) override {
        Color v;
        Interval iv = FOREVER;
        GetValue(id, t, v, iv, tab);
        return v;
    }
    Point3 GetPoint3(ParamID id, TimeValue t, int tab) override {
        Point3 v;
        Interval iv = FOREVER;
        GetValue(id, t, v, iv, tab);
        return v;
    }
    Texmap* GetTexmap(ParamID id, TimeValue t, int tab) override {
        Texmap* v = nullptr;
        Interval iv = FOREVER;
        GetValue(id, t, v, iv, tab);
        return v;
    }
    ReferenceTarget* GetReferenceTarget(ParamID id, TimeValue t, int tab) override {
        ReferenceTarget* v = nullptr;
        Interval iv = FOREVER;
        GetValue(id, t, v, iv, tab);
        return v;
    }

    // --- clone, save, load
    ReferenceTarget* Clone(RemapDir& remap) override {
        auto* copy = new ParamBlock2Impl(desc, nullptr);
        copy->slots = slots;
        for (size_t i = 0; i < copy->slots.size(); ++i) copy->FixText(static_cast<int>(i));
        for (int r = 0; r < NumRefs(); ++r)
            copy->ReplaceReference(r, remap.CloneRef(refs[static_cast<size_t>(r)]));
        BaseClone(this, copy, remap);
        return copy;
    }

    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

protected:
    void SetReference(int i, RefTargetHandle r) override {
        if (i >= 0 && i < NumRefs()) refs[static_cast<size_t>(i)] = r;
    }

private:
    const ParamDef& Def(int i) { return desc->GetParamDefByIndex(i); }
    Slot& Slot_(int i) { return slots[static_cast<size_t>(i)]; }

    void SetDefaults() {
        for (int i = 0; i < NumParams(); ++i) {
            Slot& s = Slot_(i);
            s.keys.clear();
            s.value = Def(i).def;
            s.value.r = nullptr;
            s.text = s.value.s ? s.value.s : L"";
            FixText(i);
        }
    }
    void FixText(int i) {
        Slot& s = Slot_(i);
        if (KindOf(Def(i).type) == ValueKind::String) s.value.s = s.text.c_str();
    }

    ReferenceTarget* RefValue(int i) {
        const ParamDef& def = Def(i);
        if (def.flags & P_OWNERS_REF) return owner ? owner->GetReference(def.refno) : nullptr;
        return refs[static_cast<size_t>(refOf[static_cast<size_t>(i)])];
    }

    PB2Value At(int i, TimeValue t, Interval& ivalid) {
        Interval constant;
        const PB2Value v = Evaluate(Slot_(i), KindOf(Def(i).type), t, constant);
        ivalid &= constant;
        return v;
    }

    BOOL Store(int i, TimeValue t, PB2Value x) {
        const ParamDef& def = Def(i);
        if (def.type == TYPE_BOOL) x.i = x.i != 0 ? 1 : 0;
        Slot& s = Slot_(i);
        if ((def.flags & P_ANIMATABLE) && (Animating() || !s.keys.empty())) {
            auto it = s.keys.begin();
            while (it != s.keys.end() && it->t < t) ++it;
            if (it != s.keys.end() && it->t == t)
                it->v = x;
            else
                s.keys.insert(it, Key{t, x});
        } else {
            s.value = x;
        }
        Changed(def.ID);
        return TRUE;
    }

    void Changed(ParamID id) {
        lastNotify = id;
        NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    }

    friend ParamBlock2Impl* AsBlock(ReferenceTarget* t);
    ParamBlockDesc2* desc;
    ReferenceMaker* owner;
    std::vector<Slot> slots;
    std::vector<int> refOf;  // per parameter: its reference number in this block, or -1
    std::vector<ReferenceTarget*> refs;
    ParamID lastNotify = -1;
    IParamMap2* map0 = nullptr;  // the open rollout showing this block
};

ParamBlock2Impl* AsBlock(ReferenceTarget* t) {
    return dynamic_cast<ParamBlock2Impl*>(t);
}

// --- save and load: one chunk per stored parameter: ID, type, value, key count, keys.

bool WriteValue(ISave* s, ValueKind k, const PB2Value& v) {
    ULONG n = 0;
    if (k == ValueKind::Float) return s->Write(&v.f, 4, &n) == IO_OK;
    if (k == ValueKind::Int) return s->Write(&v.i, 4, &n) == IO_OK;
    if (k == ValueKind::Color) {
        const float c[3] = {v.p.x, v.p.y, v.p.z};
        return s->Write(c, sizeof c, &n) == IO_OK;
    }
    return s->WriteWString(v.s ? v.s : L"") == IO_OK;
}

bool ReadValue(ILoad* l, ValueKind k, PB2Value& v, std::wstring& text) {
    ULONG n = 0;
    if (k == ValueKind::Float) return l->Read(&v.f, 4, &n) == IO_OK;
    if (k == ValueKind::Int) return l->Read(&v.i, 4, &n) == IO_OK;
    if (k == ValueKind::Color) {
        float c[3];
        if (l->Read(c, sizeof c, &n) != IO_OK) return false;
        v.p = Point3(c[0], c[1], c[2]);
        SyncColor(v);
        return true;
    }
    wchar_t* s = nullptr;
    if (l->ReadWStringChunk(s) != IO_OK) return false;
    text = s;
    return true;
}

}  // namespace

IOResult ParamBlock2Impl::Save(ISave* isave) {
    for (int i = 0; i < NumParams(); ++i) {
        const ParamDef& def = Def(i);
        const ValueKind k = KindOf(def.type);
        if (k == ValueKind::Ref || k == ValueKind::None) continue;
        const Slot& s = Slot_(i);
        isave->BeginChunk(kParamChunk);
        ULONG n = 0;
        const int16_t id = def.ID;
        const int32_t type = def.type;
        const uint32_t count = static_cast<uint32_t>(s.keys.size());
        bool ok = isave->Write(&id, 2, &n) == IO_OK && isave->Write(&type, 4, &n) == IO_OK &&
                  WriteValue(isave, k, s.value) && isave->Write(&count, 4, &n) == IO_OK;
        for (const Key& key : s.keys) {
            ok = ok && isave->Write(&key.t, 4, &n) == IO_OK && WriteValue(isave, k, key.v);
        }
        isave->EndChunk();
        if (!ok) return IO_ERROR;
    }
    return IO_OK;
}

IOResult ParamBlock2Impl::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        if (iload->CurChunkID() == kParamChunk) {
            ULONG n = 0;
            int16_t id = 0;
            int32_t type = 0;
            if (iload->Read(&id, 2, &n) != IO_OK || iload->Read(&type, 4, &n) != IO_OK)
                return IO_ERROR;
            const int i = desc->IDtoIndex(id);
            // A parameter this version does not know, or knows with another type, is skipped.
            if (i >= 0 && Def(i).type == type) {
                const ValueKind k = KindOf(type);
                Slot s;
                uint32_t count = 0;
                if (!ReadValue(iload, k, s.value, s.text) || iload->Read(&count, 4, &n) != IO_OK)
                    return IO_ERROR;
                // The count is not trusted for allocation: each key is read before it is kept.
                for (uint32_t c = 0; c < count; ++c) {
                    Key key{};
                    std::wstring unused;
                    if (iload->Read(&key.t, 4, &n) != IO_OK || !ReadValue(iload, k, key.v, unused))
                        return IO_ERROR;
                    if (!s.keys.empty() && key.t <= s.keys.back().t) return IO_ERROR;
                    s.keys.push_back(key);
                }
                if (!(Def(i).flags & P_ANIMATABLE) || k == ValueKind::String) s.keys.clear();
                if (Def(i).type == TYPE_BOOL) {
                    s.value.i = s.value.i != 0;
                    for (Key& key : s.keys) key.v.i = key.v.i != 0;
                }
                Slot_(i) = std::move(s);
                FixText(i);
            }
        }
        if (iload->CloseChunk() != IO_OK) return IO_ERROR;
    }
    return res == IO_END ? IO_OK : IO_ERROR;
}

IParamBlock2* CreateParameterBlock2(ParamBlockDesc2* pdesc, ReferenceMaker* owner) {
    if (!pdesc) return nullptr;
    return new ParamBlock2Impl(pdesc, owner);
}

void AdoptBlockOwner(ReferenceTarget* target, ReferenceMaker* maker) {
    if (ParamBlock2Impl* block = AsBlock(target)) {
        if (!block->GetOwner()) block->SetOwner(maker);
    }
}

void ReleaseBlockOwner(ReferenceTarget* target, ReferenceMaker* maker) {
    if (ParamBlock2Impl* block = AsBlock(target)) {
        if (block->GetOwner() == maker) block->SetOwner(nullptr);
    }
}
