#include "plugin/module.h"

HINSTANCE hInstance = nullptr;

namespace {
// Shared by every string load; the host calls the loader from its UI thread only.
MCHAR stringBuffer[256];
}  // namespace

const MCHAR* GetModuleString(int id) {
    // Every caller hands the text on to a host string, a list or the host itself, none of
    // which takes a null pointer: a missing text is an empty one.
    if (!hInstance) return _M("");
    const int n = LoadStringW(hInstance, static_cast<UINT>(id), stringBuffer,
                              static_cast<int>(sizeof stringBuffer / sizeof stringBuffer[0]));
    return n > 0 ? stringBuffer : _M("");
}
