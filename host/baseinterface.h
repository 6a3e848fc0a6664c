// Interfaces an object serves beside its class hierarchy: a caller asks an InterfaceServer for
// one by Interface_ID and gets null when the object does not serve it.
#pragma once

#include "maxheap.h"
#include "maxtypes.h"

class BaseInterface;
class InterfaceNotifyCallback;

class InterfaceServer : public MaxHeapOperators {
public:
    virtual ~InterfaceServer();
    // Null unless this object serves the interface.
    virtual BaseInterface* GetInterface(Interface_ID id);
};

class BaseInterface : public InterfaceServer {
public:
    ~BaseInterface() override;
    // This interface itself when asked for its own ID.
    BaseInterface* GetInterface(Interface_ID id) override;
    virtual Interface_ID GetID();

    // Who ends the interface's life: noRelease, the default, is an interface owned by its
    // object, which callers neither acquire nor release.
    enum LifetimeType { noRelease, immediateRelease, wantsRelease, serverControlled };
    virtual LifetimeType LifetimeControl();
    virtual bool RegisterNotifyCallback(InterfaceNotifyCallback* incb);
    virtual void UnRegisterNotifyCallback(InterfaceNotifyCallback*) {}
    virtual BaseInterface* AcquireInterface();
    virtual void ReleaseInterface();
    virtual void DeleteInterface();
    virtual BaseInterface* CloneInterface(void* remapDir = nullptr);
};
