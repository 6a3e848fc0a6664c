// The module's face to the host: its entry point and the six exported plug-in functions.
#include "plugin/host.h"
#include "plugin/module.h"
#include "resource.h"

// The SDK version the module is written for: release 27000 in the high 16 bits, API 66, SDK
// revision 0. Configuring against a real SDK compares it with the SDK's and says what differs.
constexpr ULONG kModuleSdkVersion = 0x69784200;
#if VERSION_3DSMAX != 0x69784200
#pragma message( \
    "The SDK's VERSION_3DSMAX is not the version LibVersion reports: see the configure warning")
#endif

QUORV_ENTRY_POINT BOOL WINAPI DllMain(HINSTANCE hinstDLL, ULONG fdwReason, LPVOID /*lpvReserved*/) {
    if (fdwReason == DLL_PROCESS_ATTACH) {
        hInstance = hinstDLL;
        DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

QUORV_EXPORT const MCHAR* LibDescription() {
    return GetModuleString(IDS_LIBDESCRIPTION);
}

QUORV_EXPORT int LibNumberClasses() {
    return 1;
}

QUORV_EXPORT ClassDesc* LibClassDesc(int i) {
    return i == 0 ? GetQuorvScratchesDesc() : nullptr;
}

QUORV_EXPORT ULONG LibVersion() {
    return kModuleSdkVersion;
}

QUORV_EXPORT int LibInitialize() {
    return TRUE;
}

QUORV_EXPORT int LibShutdown() {
    return TRUE;
}
