// The reference system: animatables, reference makers and targets, cloning.
#pragma once

#include <vector>

#include "baseinterface.h"
#include "interval.h"
#include "maxheap.h"
#include "maxtypes.h"
#include "strclass.h"

class ReferenceTarget;
class RemapDir;
class IParamBlock2;
class ISave;
class ILoad;
typedef ReferenceTarget* RefTargetHandle;

class Animatable : public InterfaceServer {
public:
    Animatable() = default;
    Animatable(const Animatable&) = delete;
    Animatable& operator=(const Animatable&) = delete;
    virtual ~Animatable();

    virtual void DeleteThis();
    virtual Class_ID ClassID();
    virtual SClass_ID SuperClassID();
    virtual void GetClassName(MSTR& s, bool localized = true) const;

    virtual int NumSubs();
    virtual Animatable* SubAnim(int i);
    virtual MSTR SubAnimName(int i, bool localized = true);
    virtual int NumParamBlocks();
    virtual IParamBlock2* GetParamBlock(int i);
    virtual IParamBlock2* GetParamBlockByID(BlockID id);
    virtual int SubNumToRefNum(int subNum);

    // Interfaces beyond the class hierarchy; null for those the object does not serve.
    virtual void* GetInterface(ULONG id);
    BaseInterface* GetInterface(Interface_ID id) override;

    virtual BOOL IsRefMaker() { return FALSE; }
    virtual BOOL IsRefTarget() { return FALSE; }
};

// A maker holds numbered references to targets. The host keeps the count of makers per
// target: a target whose last maker drops it is deleted (DeleteThis).
class ReferenceMaker : public Animatable {
public:
    ReferenceMaker() = default;
    // Drops every reference still held.
    ~ReferenceMaker() override;

    BOOL IsRefMaker() override { return TRUE; }

    virtual int NumRefs();
    virtual RefTargetHandle GetReference(int i);

    // Makes newtarg reference `which` (SetReference), dropping the previous target; with
    // delOld the previous target is deleted when no maker references it any more.
    RefResult ReplaceReference(int which, RefTargetHandle newtarg, BOOL delOld = TRUE);
    RefResult DeleteReference(int which);
    void DeleteAllRefs();

    virtual RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget,
                                       PartID& partID, RefMessage message, BOOL propagate) = 0;

    virtual IOResult Save(ISave* isave);
    virtual IOResult Load(ILoad* iload);

protected:
    virtual void SetReference(int i, RefTargetHandle rtarg);

private:
    friend class ReferenceTarget;
    // Removes this maker from the target's makers (once); deletes an unused target.
    void Drop(ReferenceTarget* target, bool deleteIfUnused);
    // What this maker references, by reference number, as the reference system sees it.
    std::vector<RefTargetHandle> held;
};

class ReferenceTarget : public ReferenceMaker {
public:
    ReferenceTarget() = default;
    // Makers still referencing this target lose the reference (SetReference to null).
    ~ReferenceTarget() override;

    BOOL IsRefTarget() override { return TRUE; }

    // Sends the message to every maker that references this target. A maker that answers
    // anything but REF_STOP passes it on to its own makers when propagate is true.
    RefResult NotifyDependents(const Interval& changeInt, PartID partID, RefMessage message,
                               SClass_ID sclass = NOTIFY_ALL, BOOL propagate = TRUE,
                               RefTargetHandle hTarg = nullptr);

    virtual ReferenceTarget* Clone(RemapDir& remap);
    virtual void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap);

    // Stand-in extras: the makers referencing this target (one entry per reference).
    int NumDependents() const { return static_cast<int>(dependents.size()); }
    ReferenceMaker* GetDependent(int i) const { return dependents[static_cast<size_t>(i)]; }

private:
    friend class ReferenceMaker;
    std::vector<ReferenceMaker*> dependents;
};

// Keeps the old-to-new mapping of one clone operation, so that a target shared within the
// cloned graph is cloned once.
class RemapDir : public MaxHeapOperators {
public:
    virtual ~RemapDir() = default;
    // The clone of oldTarg made in this operation, cloning it on first request. Null for null.
    virtual RefTargetHandle CloneRef(RefTargetHandle oldTarg) = 0;
    virtual RefTargetHandle FindMapping(RefTargetHandle from) = 0;
    virtual void AddEntry(RefTargetHandle hfrom, RefTargetHandle hto) = 0;
    virtual void DeleteThis() = 0;
};

class DefaultRemapDir : public RemapDir {
public:
    RefTargetHandle CloneRef(RefTargetHandle oldTarg) override;
    RefTargetHandle FindMapping(RefTargetHandle from) override;
    void AddEntry(RefTargetHandle hfrom, RefTargetHandle hto) override;
    void DeleteThis() override { delete this; }

private:
    std::vector<std::pair<RefTargetHandle, RefTargetHandle>> map;
};

// A new directory on the heap; release it with DeleteThis.
RemapDir& NewRemapDir(bool use_A_WORK2 = false);
