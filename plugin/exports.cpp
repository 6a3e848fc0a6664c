// The module's face to the host: its entry point and the six exported plug-in functions.
#include "plugin/host.h"
#include "plugin/module.h"
#include "resource.h"

// Release 27000 in the high 16 bits, API 66, SDK revision 0.
static_assert(VERSION_3DSMAX == 0x69784200);

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
    return VERSION_3DSMAX;
}

QUORV_EXPORT int LibInitialize() {
    return TRUE;
}

QUORV_EXPORT int LibShutdown() {
    return TRUE;
}
