// Object graphs to bytes and back.
#include "scenefile.h"

#include <cstdint>
#include <map>

#include "classdir.h"
#include "ioapi.h"
#include "iparamb2.h"
#include "paramtypes.h"

namespace {

constexpr USHORT kSceneChunk = 0x2A00;
constexpr USHORT kHeaderChunk = 0x2A01;
constexpr USHORT kObjectChunk = 0x2A10;
constexpr USHORT kClassChunk = 0x2A11;
constexpr USHORT kBlockChunk = 0x2A12;
constexpr USHORT kRefsChunk = 0x2A13;
constexpr USHORT kDataChunk = 0x2A14;
constexpr uint32_t kVersion = 1;

bool Put(ISave& s, const void* p, ULONG n) {
    ULONG w = 0;
    return s.Write(p, n, &w) == IO_OK;
}
template <typename T>
bool Get(ILoad& l, T& v) {
    ULONG r = 0;
    return l.Read(&v, sizeof v, &r) == IO_OK;
}

void Collect(ReferenceTarget* t, std::vector<ReferenceTarget*>& order,
             std::map<ReferenceTarget*, int>& index) {
    if (!t || index.count(t)) return;
    index[t] = static_cast<int>(order.size());
    order.push_back(t);
    for (int r = 0; r < t->NumRefs(); ++r) Collect(t->GetReference(r), order, index);
}

// Holds every loaded object until the graph is attached, so that a failure anywhere
// releases everything built so far.
class LoadPin : public ReferenceMaker {
public:
    ~LoadPin() override { DeleteAllRefs(); }
    int NumRefs() override { return static_cast<int>(slots.size()); }
    RefTargetHandle GetReference(int i) override { return slots[static_cast<size_t>(i)]; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage,
                               BOOL) override {
        return REF_DONTCARE;
    }
    void Hold(ReferenceTarget* t) {
        slots.push_back(nullptr);
        ReplaceReference(NumRefs() - 1, t);
    }

protected:
    void SetReference(int i, RefTargetHandle r) override { slots[static_cast<size_t>(i)] = r; }

private:
    std::vector<RefTargetHandle> slots;
};

struct Loaded {
    ReferenceTarget* object = nullptr;
    std::vector<int> refs;
};

ReferenceTarget* Create(SClass_ID sc, const Class_ID& cid, bool isBlock, BlockID bid) {
    ClassDesc* cd = ClassDirectory::GetInstance().FindClass(sc, cid);
    if (!cd) return nullptr;
    if (isBlock) {
        auto* cd2 = dynamic_cast<ClassDesc2*>(cd);
        ParamBlockDesc2* desc = cd2 ? cd2->GetParamBlockDescByID(bid) : nullptr;
        return desc ? CreateParameterBlock2(desc, nullptr) : nullptr;
    }
    // A class descriptor returns its new object as void*, the address of the whole object,
    // where an Animatable begins.
    auto* a = static_cast<Animatable*>(cd->Create(TRUE));
    if (!a) return nullptr;
    if (!a->IsRefTarget() || a->SuperClassID() != sc || a->ClassID() != cid) {
        a->DeleteThis();
        return nullptr;
    }
    return static_cast<ReferenceTarget*>(a);
}

// One object chunk: its class, its references and its own data, in that order.
bool LoadOne(MemoryLoad& in, LoadPin& pin, Loaded& out) {
    bool haveClass = false, isBlock = false;
    uint32_t sc = 0, a = 0, b = 0;
    int16_t bid = 0;
    IOResult res;
    while ((res = in.OpenChunk()) == IO_OK) {
        const USHORT id = in.CurChunkID();
        if (id == kClassChunk) {
            if (!Get(in, sc) || !Get(in, a) || !Get(in, b)) return false;
            haveClass = true;
        } else if (id == kBlockChunk) {
            if (!Get(in, bid)) return false;
            isBlock = true;
        } else if (id == kRefsChunk || id == kDataChunk) {
            if (!haveClass) return false;
            if (!out.object) {
                out.object = Create(sc, Class_ID(a, b), isBlock, bid);
                if (!out.object) return false;
                pin.Hold(out.object);
            }
            if (id == kRefsChunk) {
                int32_t n = 0;
                if (!Get(in, n) || n < 0 || n > out.object->NumRefs()) return false;
                for (int32_t r = 0; r < n; ++r) {
                    int32_t idx = 0;
                    if (!Get(in, idx)) return false;
                    out.refs.push_back(idx);
                }
            } else {
                const int depth = in.CurChunkDepth();
                if (out.object->Load(&in) != IO_OK || in.HadError()) return false;
                if (in.CurChunkDepth() < depth) return false;
                while (in.CurChunkDepth() > depth) in.CloseChunk();
            }
        }
        if (in.CloseChunk() != IO_OK) return false;
    }
    return res == IO_END && out.object;
}

// The host forbids reference loops; bytes that describe one are corrupt.
bool HasCycle(const std::vector<Loaded>& objs) {
    std::vector<int> state(objs.size(), 0);  // 0 new, 1 on the path, 2 done
    std::vector<std::pair<int, size_t>> stack;
    for (size_t s = 0; s < objs.size(); ++s) {
        if (state[s]) continue;
        stack.push_back({static_cast<int>(s), 0});
        state[s] = 1;
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            const auto& refs = objs[static_cast<size_t>(node)].refs;
            if (next == refs.size()) {
                state[static_cast<size_t>(node)] = 2;
                stack.pop_back();
                continue;
            }
            const int to = refs[next++];
            if (to < 0) continue;
            if (state[static_cast<size_t>(to)] == 1) return true;
            if (state[static_cast<size_t>(to)] == 0) {
                state[static_cast<size_t>(to)] = 1;
                stack.push_back({to, 0});
            }
        }
    }
    return false;
}

bool TypeFits(int type, ReferenceTarget* target) {
    if (!target) return true;
    if (type == TYPE_TEXMAP) return target->SuperClassID() == TEXMAP_CLASS_ID;
    if (type == TYPE_MTL) return target->SuperClassID() == MATERIAL_CLASS_ID;
    return type == TYPE_REFTARG;
}

// Whether the bytes may put target into maker's reference slot. Plug-ins convert what they
// receive in SetReference to the type they expect, so a slot takes only what the host knows
// it was made for: the class of the object the constructor put there, and the type of the
// map parameter that the slot stores.
bool SlotAccepts(ReferenceTarget* maker, int slot, ReferenceTarget* target) {
    if (ReferenceTarget* current = maker->GetReference(slot); current && target) {
        if (current->SuperClassID() != target->SuperClassID()) return false;
        auto* was = dynamic_cast<IParamBlock2*>(current);
        auto* now = dynamic_cast<IParamBlock2*>(target);
        if ((was != nullptr) != (now != nullptr)) return false;
        if (was && was->GetDesc() != now->GetDesc()) return false;
    }
    if (auto* block = dynamic_cast<IParamBlock2*>(maker)) {
        // The block's own references belong to its map parameters, in declaration order.
        ParamBlockDesc2* desc = block->GetDesc();
        int ref = 0;
        for (int i = 0; i < desc->Count(); ++i) {
            const ParamDef& def = desc->GetParamDefByIndex(i);
            if (KindOf(def.type) != ValueKind::Ref || (def.flags & P_OWNERS_REF)) continue;
            if (ref++ == slot) return TypeFits(def.type, target);
        }
        return false;
    }
    ClassDesc* cd =
        ClassDirectory::GetInstance().FindClass(maker->SuperClassID(), maker->ClassID());
    if (auto* cd2 = dynamic_cast<ClassDesc2*>(cd)) {
        for (int b = 0; b < cd2->NumParamBlockDescs(); ++b) {
            ParamBlockDesc2* desc = cd2->GetParamBlockDesc(b);
            if ((desc->flags & P_AUTO_CONSTRUCT) && desc->ref_no == slot) {
                auto* block = dynamic_cast<IParamBlock2*>(target);
                if (target && (!block || block->GetDesc() != desc)) return false;
            }
            for (int i = 0; i < desc->Count(); ++i) {
                const ParamDef& def = desc->GetParamDefByIndex(i);
                if ((def.flags & P_OWNERS_REF) && def.refno == slot && !TypeFits(def.type, target))
                    return false;
            }
        }
    }
    return true;
}

}  // namespace

std::vector<unsigned char> SaveObject(ReferenceTarget* root) {
    if (!root) return {};
    std::vector<ReferenceTarget*> order;
    std::map<ReferenceTarget*, int> index;
    Collect(root, order, index);

    MemorySave out;
    out.BeginChunk(kSceneChunk);
    out.BeginChunk(kHeaderChunk);
    const uint32_t count = static_cast<uint32_t>(order.size());
    bool ok = Put(out, &kVersion, 4) && Put(out, &count, 4);
    out.EndChunk();
    for (ReferenceTarget* t : order) {
        if (!ok) break;
        out.BeginChunk(kObjectChunk);
        out.BeginChunk(kClassChunk);
        uint32_t sc = t->SuperClassID(), a = t->ClassID().PartA(), b = t->ClassID().PartB();
        auto* block = dynamic_cast<IParamBlock2*>(t);
        if (block) {
            // A block is re-created from its descriptor, found through its owner's class.
            ParamBlockDesc2* desc = block->GetDesc();
            if (!desc || !desc->cd) {
                ok = false;
                break;
            }
            sc = desc->cd->SuperClassID();
            a = desc->cd->ClassID().PartA();
            b = desc->cd->ClassID().PartB();
        }
        ok = Put(out, &sc, 4) && Put(out, &a, 4) && Put(out, &b, 4);
        out.EndChunk();
        if (block) {
            out.BeginChunk(kBlockChunk);
            const int16_t bid = block->ID();
            ok = ok && Put(out, &bid, 2);
            out.EndChunk();
        }
        out.BeginChunk(kRefsChunk);
        const int32_t n = t->NumRefs();
        ok = ok && Put(out, &n, 4);
        for (int r = 0; r < n && ok; ++r) {
            ReferenceTarget* to = t->GetReference(r);
            const int32_t idx = to ? index[to] : -1;
            ok = Put(out, &idx, 4);
        }
        out.EndChunk();
        out.BeginChunk(kDataChunk);
        ok = ok && t->Save(&out) == IO_OK;
        out.EndChunk();
        out.EndChunk();
    }
    out.EndChunk();
    if (!ok || out.Status() != IO_OK || out.ChunksOpen()) return {};
    return out.Bytes();
}

ReferenceTarget* LoadObject(const std::vector<unsigned char>& bytes, IOResult* result) {
    if (result) *result = IO_ERROR;
    MemoryLoad in(bytes);
    LoadPin pin;
    std::vector<Loaded> objs;
    uint32_t declared = 0;
    bool haveHeader = false;

    if (in.OpenChunk() != IO_OK || in.CurChunkID() != kSceneChunk) return nullptr;
    IOResult res;
    while ((res = in.OpenChunk()) == IO_OK) {
        const USHORT id = in.CurChunkID();
        if (id == kHeaderChunk) {
            uint32_t version = 0;
            if (!Get(in, version) || version != kVersion || !Get(in, declared)) return nullptr;
            haveHeader = true;
        } else if (id == kObjectChunk) {
            if (!haveHeader || objs.size() >= declared) return nullptr;
            objs.emplace_back();
            if (!LoadOne(in, pin, objs.back())) return nullptr;
        }
        if (in.CloseChunk() != IO_OK) return nullptr;
    }
    if (res != IO_END || in.CloseChunk() != IO_OK || in.HadError()) return nullptr;
    // The scene chunk is the whole of the bytes: anything after it is damage, not more scene.
    if (in.OpenChunk() != IO_END) return nullptr;
    if (objs.empty() || objs.size() != declared) return nullptr;
    for (const Loaded& o : objs) {
        for (int idx : o.refs) {
            if (idx < -1 || idx >= static_cast<int>(objs.size())) return nullptr;
        }
    }
    if (HasCycle(objs)) return nullptr;
    for (const Loaded& o : objs) {
        for (size_t r = 0; r < o.refs.size(); ++r) {
            ReferenceTarget* to =
                o.refs[r] >= 0 ? objs[static_cast<size_t>(o.refs[r])].object : nullptr;
            if (!SlotAccepts(o.object, static_cast<int>(r), to)) return nullptr;
        }
    }

    // Blocks belong to the maker that attaches them, not to the pin.
    for (const Loaded& o : objs) {
        auto* block = dynamic_cast<IParamBlock2*>(o.object);
        if (block && block->GetOwner() == &pin) block->SetOwner(nullptr);
    }
    for (const Loaded& o : objs) {
        for (size_t r = 0; r < o.refs.size(); ++r) {
            ReferenceTarget* to =
                o.refs[r] >= 0 ? objs[static_cast<size_t>(o.refs[r])].object : nullptr;
            o.object->ReplaceReference(static_cast<int>(r), to);
        }
    }
    // The root goes to the caller; objects nothing references any more go away with the pin.
    ReferenceTarget* root = objs[0].object;
    pin.ReplaceReference(0, nullptr, FALSE);
    pin.DeleteAllRefs();
    if (result) *result = IO_OK;
    return root;
}
