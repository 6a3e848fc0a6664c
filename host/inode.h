// INode: a node of the scene. The stand-in carries only the node's handle.
#pragma once

#include "maxheap.h"
#include "maxtypes.h"

class INode : public MaxHeapOperators {
public:
    explicit INode(ULONG handle = 0) : handle(handle) {}
    virtual ~INode() = default;
    // An identifier of the node that stays the same from one render to the next.
    virtual ULONG GetHandle() { return handle; }

private:
    ULONG handle;
};
