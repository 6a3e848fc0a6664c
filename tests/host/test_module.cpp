// A loadable module for the Win32 stand-in's tests: an entry point, a string table registered
// at static initialisation, and two exports.
#include <windows.h>

#include <resources.h>

namespace {
HINSTANCE g_instance = nullptr;
int g_attaches = 0;

const StringResourceEntry kStrings[] = {
    {1, L"Module string"},
    {2, L"A second one"},
};

struct Strings {
    Strings() { RegisterModuleStrings(&g_instance, kStrings, 2); }
    ~Strings() { UnregisterModuleStrings(&g_instance); }
};
const Strings strings;
}  // namespace

extern "C" {

__attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE hinst, ULONG reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = hinst;
        ++g_attaches;
        DisableThreadLibraryCalls(hinst);
    }
#ifdef REFUSE_ATTACH
    return FALSE;
#else
    return TRUE;
#endif
}

__attribute__((visibility("default"))) HINSTANCE ModuleInstance() {
    return g_instance;
}
__attribute__((visibility("default"))) int Attaches() {
    return g_attaches;
}

// Loads through the module's own instance, as a plug-in's string loader does.
__attribute__((visibility("default"))) int OwnString(UINT id, wchar_t* buf, int n) {
    return LoadStringW(g_instance, id, buf, n);
}
}
