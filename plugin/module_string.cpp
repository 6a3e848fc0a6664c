#include "plugin/module.h"

HINSTANCE hInstance = nullptr;

namespace {
// Shared by every string load; the host calls the loader from its UI thread only.
MCHAR stringBuffer[256];
}  // namespace

const MCHAR* GetModuleString(int id) {
    if (!hInstance) return nullptr;
    const int n = LoadStringW(hInstance, static_cast<UINT>(id), stringBuffer,
                              static_cast<int>(sizeof stringBuffer / sizeof stringBuffer[0]));
    return n > 0 ? stringBuffer : nullptr;
}
