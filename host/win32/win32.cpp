// In-memory stand-in of the Win32 calls the plug-in and the host use: module loading on top
// of dlopen, and string resources registered by each module at static initialisation.
#include <dlfcn.h>
#include <link.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "resources.h"
#include "windows.h"

namespace {

typedef BOOL(WINAPI* DllMainProc)(HINSTANCE, DWORD, LPVOID);

struct LoadedModule {
    void* dl = nullptr;
    std::string path;
    DllMainProc main = nullptr;
    int count = 0;
};

std::mutex g_mutex;
std::map<HMODULE, LoadedModule>& Modules() {
    static std::map<HMODULE, LoadedModule> modules;
    return modules;
}
std::map<const void*, std::vector<StringResourceEntry>>& StringTables() {
    static std::map<const void*, std::vector<StringResourceEntry>> tables;
    return tables;
}
thread_local DWORD t_lastError = ERROR_SUCCESS;

// The load base of the module that holds address, which is that module's instance handle.
const void* ModuleBase(const void* address) {
    Dl_info info{};
    if (address && dladdr(address, &info) != 0 && info.dli_fbase) return info.dli_fbase;
    return address;
}

std::string ToUtf8(const wchar_t* s) {
    std::string out;
    for (; *s; ++s) {
        const uint32_t c = static_cast<uint32_t>(*s);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A module without an exported entry point is still identified by its dynamic section.
const void* BaseOfHandle(void* dl, DllMainProc main) {
    if (main) return ModuleBase(reinterpret_cast<const void*>(main));
    link_map* lm = nullptr;
    if (dlinfo(dl, RTLD_DI_LINKMAP, &lm) == 0 && lm && lm->l_ld)
        return ModuleBase(static_cast<const void*>(lm->l_ld));
    return nullptr;
}

}  // namespace

void RegisterModuleStrings(const void* addressInModule, const StringResourceEntry* table,
                           size_t count) {
    const void* base = ModuleBase(addressInModule);
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& entries = StringTables()[base];
    entries.clear();
    if (table) entries.assign(table, table + count);
}

void UnregisterModuleStrings(const void* addressInModule) {
    const void* base = ModuleBase(addressInModule);
    std::lock_guard<std::mutex> lock(g_mutex);
    StringTables().erase(base);
}

int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax < 0) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    const wchar_t* text = nullptr;
    auto it = StringTables().find(static_cast<const void*>(hInstance));
    if (it != StringTables().end()) {
        for (const StringResourceEntry& e : it->second) {
            if (e.id == uID) {
                text = e.text;
                break;
            }
        }
    }
    if (!text) {
        if (cchBufferMax > 0) lpBuffer[0] = L'\0';
        t_lastError = ERROR_RESOURCE_NAME_NOT_FOUND;
        return 0;
    }
    size_t length = 0;
    while (text[length] != L'\0') ++length;
    if (cchBufferMax == 0) {
        // Read-only form: a pointer to the resource itself, not terminated in general.
        *reinterpret_cast<const wchar_t**>(lpBuffer) = text;
        return static_cast<int>(length);
    }
    const size_t room = static_cast<size_t>(cchBufferMax) - 1;
    const size_t n = length < room ? length : room;
    for (size_t i = 0; i < n; ++i) lpBuffer[i] = text[i];
    lpBuffer[n] = L'\0';
    return static_cast<int>(n);
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule) {
    // Thread notifications are never sent here; nothing to switch off.
    return hLibModule ? TRUE : FALSE;
}

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) {
    if (!lpLibFileName) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    const std::string path = ToUtf8(lpLibFileName);
    void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        t_lastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    auto main = reinterpret_cast<DllMainProc>(dlsym(dl, "DllMain"));
    HMODULE base = static_cast<HMODULE>(const_cast<void*>(BaseOfHandle(dl, main)));
    if (!base) {
        dlclose(dl);
        t_lastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        LoadedModule& m = Modules()[base];
        first = m.count == 0;
        if (first) {
            m.dl = dl;
            m.path = path;
            m.main = main;
        }
        ++m.count;
    }
    // The entry point runs outside the lock: it may register strings or load strings.
    if (first && main && !main(base, DLL_PROCESS_ATTACH, nullptr)) {
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            Modules().erase(base);
        }
        dlclose(dl);
        t_lastError = ERROR_DLL_INIT_FAILED;
        return nullptr;
    }
    t_lastError = ERROR_SUCCESS;
    return base;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    void* dl = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = Modules().find(hModule);
        if (it != Modules().end()) dl = it->second.dl;
    }
    if (!dl || !lpProcName) {
        t_lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    void* sym = dlsym(dl, lpProcName);
    if (!sym) {
        t_lastError = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(sym);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    LoadedModule m;
    bool last = false;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = Modules().find(hLibModule);
        if (it == Modules().end()) {
            t_lastError = ERROR_INVALID_HANDLE;
            return FALSE;
        }
        m = it->second;
        last = --it->second.count == 0;
        if (last) Modules().erase(it);
    }
    if (last && m.main) m.main(hLibModule, DLL_PROCESS_DETACH, nullptr);
    dlclose(m.dl);
    if (last) {
        // A module that is really gone cannot serve its strings any more.
        void* still = dlopen(m.path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (still) {
            dlclose(still);
        } else {
            std::lock_guard<std::mutex> lock(g_mutex);
            StringTables().erase(static_cast<const void*>(hLibModule));
        }
    }
    return TRUE;
}

DWORD WINAPI GetLastError() {
    return t_lastError;
}
void WINAPI SetLastError(DWORD dwErrCode) {
    t_lastError = dwErrCode;
}
