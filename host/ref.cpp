#include "ref.h"

#include <algorithm>

Animatable::~Animatable() = default;
void Animatable::DeleteThis() {
    delete this;
}
void* Animatable::GetInterface(ULONG) {
    return nullptr;
}
BaseInterface* Animatable::GetInterface(Interface_ID id) {
    return InterfaceServer::GetInterface(id);
}
Class_ID Animatable::ClassID() {
    return Class_ID(0, 0);
}
SClass_ID Animatable::SuperClassID() {
    return 0;
}
void Animatable::GetClassName(MSTR& s, bool) const {
    s = MSTR();
}
int Animatable::NumSubs() {
    return 0;
}
Animatable* Animatable::SubAnim(int) {
    return nullptr;
}
MSTR Animatable::SubAnimName(int, bool) {
    return MSTR();
}
int Animatable::NumParamBlocks() {
    return 0;
}
IParamBlock2* Animatable::GetParamBlock(int) {
    return nullptr;
}
IParamBlock2* Animatable::GetParamBlockByID(BlockID) {
    return nullptr;
}
int Animatable::SubNumToRefNum(int) {
    return -1;
}

// --- ReferenceMaker -------------------------------------------------------------------------

// A block without owner adopts the first maker that references it, and forgets an owner
// that drops it; defined with the blocks.
void AdoptBlockOwner(ReferenceTarget* target, ReferenceMaker* maker);
void ReleaseBlockOwner(ReferenceTarget* target, ReferenceMaker* maker);

ReferenceMaker::~ReferenceMaker() {
    // The derived parts are gone: drop the references without calling SetReference.
    for (size_t i = 0; i < held.size(); ++i) {
        ReferenceTarget* target = held[i];
        held[i] = nullptr;
        if (target) Drop(target, true);
    }
}

int ReferenceMaker::NumRefs() {
    return 0;
}
RefTargetHandle ReferenceMaker::GetReference(int) {
    return nullptr;
}
void ReferenceMaker::SetReference(int, RefTargetHandle) {}
IOResult ReferenceMaker::Save(ISave*) {
    return IO_OK;
}
IOResult ReferenceMaker::Load(ILoad*) {
    return IO_OK;
}

void ReferenceMaker::Drop(ReferenceTarget* target, bool deleteIfUnused) {
    auto& deps = target->dependents;
    auto it = std::find(deps.begin(), deps.end(), this);
    if (it != deps.end()) deps.erase(it);
    if (std::find(deps.begin(), deps.end(), this) == deps.end()) ReleaseBlockOwner(target, this);
    if (deleteIfUnused && deps.empty()) target->DeleteThis();
}

RefResult ReferenceMaker::ReplaceReference(int which, RefTargetHandle newtarg, BOOL delOld) {
    if (which < 0 || which >= NumRefs()) return REF_FAIL;
    const size_t slot = static_cast<size_t>(which);
    if (held.size() <= slot) held.resize(slot + 1, nullptr);
    // The new target is counted before the old one is dropped, so that replacing a target by
    // itself does not delete it.
    if (newtarg) {
        newtarg->dependents.push_back(this);
        AdoptBlockOwner(newtarg, this);
    }
    ReferenceTarget* old = held[slot];
    held[slot] = newtarg;
    SetReference(which, newtarg);
    if (old) Drop(old, delOld != FALSE);
    return REF_SUCCEED;
}

RefResult ReferenceMaker::DeleteReference(int which) {
    return ReplaceReference(which, nullptr, TRUE);
}

void ReferenceMaker::DeleteAllRefs() {
    for (size_t i = 0; i < held.size(); ++i) {
        if (held[i]) DeleteReference(static_cast<int>(i));
    }
}

// --- ReferenceTarget ------------------------------------------------------------------------

ReferenceTarget::~ReferenceTarget() {
    while (!dependents.empty()) {
        ReferenceMaker* maker = dependents.back();
        PartID part = PART_ALL;
        maker->NotifyRefChanged(FOREVER, this, part, REFMSG_TARGET_DELETED, FALSE);
        for (size_t i = 0; i < maker->held.size(); ++i) {
            if (maker->held[i] == this) {
                maker->held[i] = nullptr;
                maker->SetReference(static_cast<int>(i), nullptr);
            }
        }
        dependents.erase(std::remove(dependents.begin(), dependents.end(), maker),
                         dependents.end());
    }
}

namespace {
thread_local int t_notifyDepth = 0;
// Guards against reference cycles, which the host forbids.
constexpr int kMaxNotifyDepth = 64;
}  // namespace

RefResult ReferenceTarget::NotifyDependents(const Interval& changeInt, PartID partID,
                                            RefMessage message, SClass_ID sclass, BOOL propagate,
                                            RefTargetHandle hTarg) {
    if (t_notifyDepth >= kMaxNotifyDepth) return REF_FAIL;
    ++t_notifyDepth;
    std::vector<ReferenceMaker*> makers;
    for (ReferenceMaker* m : dependents) {
        if (std::find(makers.begin(), makers.end(), m) == makers.end()) makers.push_back(m);
    }
    ReferenceTarget* sender = hTarg ? hTarg : this;
    for (ReferenceMaker* m : makers) {
        // A maker may have dropped this target while an earlier one was notified.
        if (std::find(dependents.begin(), dependents.end(), m) == dependents.end()) continue;
        if (sclass != NOTIFY_ALL && m->SuperClassID() != sclass) continue;
        PartID part = partID;
        const RefResult r = m->NotifyRefChanged(changeInt, sender, part, message, propagate);
        if (r != REF_STOP && propagate && m->IsRefTarget())
            static_cast<ReferenceTarget*>(m)->NotifyDependents(changeInt, part, message, sclass,
                                                               propagate);
    }
    --t_notifyDepth;
    return REF_SUCCEED;
}

ReferenceTarget* ReferenceTarget::Clone(RemapDir&) {
    return nullptr;
}
void ReferenceTarget::BaseClone(ReferenceTarget*, ReferenceTarget*, RemapDir&) {}

// --- RemapDir -------------------------------------------------------------------------------

RefTargetHandle DefaultRemapDir::CloneRef(RefTargetHandle oldTarg) {
    if (!oldTarg) return nullptr;
    if (RefTargetHandle done = FindMapping(oldTarg)) return done;
    RefTargetHandle copy = oldTarg->Clone(*this);
    if (copy && !FindMapping(oldTarg)) AddEntry(oldTarg, copy);
    return copy;
}

RefTargetHandle DefaultRemapDir::FindMapping(RefTargetHandle from) {
    for (const auto& e : map) {
        if (e.first == from) return e.second;
    }
    return nullptr;
}

void DefaultRemapDir::AddEntry(RefTargetHandle hfrom, RefTargetHandle hto) {
    map.emplace_back(hfrom, hto);
}

RemapDir& NewRemapDir(bool) {
    return *new DefaultRemapDir();
}
