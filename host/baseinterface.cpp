#include "baseinterface.h"

InterfaceServer::~InterfaceServer() = default;

BaseInterface* InterfaceServer::GetInterface(Interface_ID) {
    return nullptr;
}

BaseInterface::~BaseInterface() = default;

BaseInterface* BaseInterface::GetInterface(Interface_ID id) {
    return id == GetID() ? this : nullptr;
}

Interface_ID BaseInterface::GetID() {
    return Interface_ID(0, 0);
}

BaseInterface::LifetimeType BaseInterface::LifetimeControl() {
    return noRelease;
}

bool BaseInterface::RegisterNotifyCallback(InterfaceNotifyCallback*) {
    return false;
}

BaseInterface* BaseInterface::AcquireInterface() {
    return this;
}

void BaseInterface::ReleaseInterface() {}

void BaseInterface::DeleteInterface() {}

BaseInterface* BaseInterface::CloneInterface(void*) {
    return nullptr;
}
