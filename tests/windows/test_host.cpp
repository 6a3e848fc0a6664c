// The Windows test host: loads QuorvScratches.dlt with the system loader, calls every export,
// evaluates the map against the Linux build's answers and checks both rollouts as real
// dialogs. Ends with "N passed, N failed"; the exit status is 1 on any failure.
//   quorv_test_host [--eval REFERENCE] [--screenshot new|options FILE.bmp]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include <plugapi.h>

#include "resource.h"
#include "tests/windows/check.h"
#include "tests/windows/eval_check.h"
#include "tests/windows/rollout_check.h"
#include "tests/windows/stand_in_controls.h"

namespace {

// Class identity and SDK version the host expects.
constexpr ULONG kVersion = 0x69784200;
const Class_ID kClassID(0x8DB6A691, 0x8D486002);

template <class Fn>
Fn Export(HMODULE module, const char* name) {
    // Through void (*)(): FARPROC returns INT_PTR, and GCC warns on a direct cast.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

ClassDesc* CheckExports(HMODULE module) {
    const auto description = Export<const MCHAR* (*)()>(module, "LibDescription");
    const auto numberClasses = Export<int (*)()>(module, "LibNumberClasses");
    const auto classDesc = Export<ClassDesc* (*)(int)>(module, "LibClassDesc");
    const auto version = Export<ULONG (*)()>(module, "LibVersion");
    const auto initialize = Export<int (*)()>(module, "LibInitialize");
    const auto shutdown = Export<int (*)()>(module, "LibShutdown");
    if (!CHECK(description && numberClasses && classDesc && version && initialize && shutdown))
        return nullptr;
    CHECK(GetProcAddress(module, "DllMain") == nullptr);  // the loader finds the entry point

    CHECK(initialize() == 1);
    const MCHAR* text = description();
    CHECK(text && std::wcscmp(text, L"Procedural Scratches texmap") == 0);
    // Straight from the string table through the real LoadStringW, too.
    wchar_t buffer[256] = L"";
    CHECK(LoadStringW(module, IDS_LIBDESCRIPTION, buffer, 256) == 27 &&
          std::wcscmp(buffer, L"Procedural Scratches texmap") == 0);
    CHECK(LoadStringW(module, IDS_MAP_EXPLICIT_REAL_WORLD, buffer, 256) == 31);
    CHECK(LoadStringW(module, 2, buffer, 256) == 0);  // not in the table
    CHECK(numberClasses() == 1);
    CHECK(version() == kVersion);
    CHECK(classDesc(1) == nullptr && classDesc(-1) == nullptr);

    ClassDesc* cd = classDesc(0);
    if (!CHECK(cd != nullptr)) return nullptr;
    CHECK(cd->ClassID() == kClassID);
    CHECK(cd->SuperClassID() == TEXMAP_CLASS_ID);
    CHECK(cd->IsPublic() == 1);
    CHECK(cd->HInstance() == module);
    CHECK(cd->ClassName() && std::wcscmp(cd->ClassName(), L"QuorvScratches") == 0);
    CHECK(cd->InternalName() && std::wcscmp(cd->InternalName(), L"QuorvScratches") == 0);
    return cd;
}

int Finish() {
    std::printf("%d passed, %d failed\n", Totals().passed, Totals().failed);
    std::fflush(stdout);
    return Totals().failed ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring reference, screenshotKind, screenshotFile;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--eval" && i + 1 < argc) {
            reference = argv[++i];
        } else if (a == L"--screenshot" && i + 2 < argc) {
            screenshotKind = argv[++i];
            screenshotFile = argv[++i];
        } else {
            std::printf(
                "usage: quorv_test_host [--eval REFERENCE] [--screenshot new|options FILE.bmp]\n");
            return 2;
        }
    }
    CHECK(RegisterStandInControls(GetModuleHandleW(nullptr)));
    const std::wstring path = ModuleFolder() + L"QuorvScratches.dlt";
    const HMODULE module = LoadLibraryW(path.c_str());
    if (!CHECK_DETAIL(module != nullptr, "LoadLibraryW " + Utf8(path) + " failed, error " +
                                             std::to_string(GetLastError())))
        return Finish();

    if (!screenshotKind.empty()) {
        ClassDesc* cd = Export<ClassDesc* (*)(int)>(module, "LibClassDesc")(0);
        CHECK(cd && WriteRolloutScreenshot(cd, screenshotKind == L"options", screenshotFile));
    } else if (ClassDesc* cd = CheckExports(module)) {
        if (!reference.empty()) CheckEvaluation(cd, reference);
        CheckRollouts(module, cd);
        CHECK(Export<int (*)()>(module, "LibShutdown")() == 1);
    }
    CHECK(FreeLibrary(module) != FALSE);
    return Finish();
}
