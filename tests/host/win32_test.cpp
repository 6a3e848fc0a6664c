#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

#include <max.h>
#include <resources.h>

namespace {
int AnchorInThisExecutable = 0;

HINSTANCE ThisInstance() {
    Dl_info info{};
    dladdr(&AnchorInThisExecutable, &info);
    return static_cast<HINSTANCE>(info.dli_fbase);
}

const std::wstring kLong(300, L'x');
const StringResourceEntry kTable[] = {
    {10, L"Explicit map Channel Real World"},
    {11, kLong.c_str()},
    {12, L""},
};

std::wstring Widen(const char* s) {
    return std::wstring(s, s + std::char_traits<char>::length(s));
}
}  // namespace

TEST(LoadStringW, CopiesAtMostTheBufferLessOne) {
    RegisterModuleStrings(&AnchorInThisExecutable, kTable, 3);
    const HINSTANCE self = ThisInstance();
    wchar_t buf[256];
    EXPECT_EQ(LoadStringW(self, 10, buf, 256), 31);
    EXPECT_STREQ(buf, L"Explicit map Channel Real World");

    EXPECT_EQ(LoadStringW(self, 11, buf, 256), 255);
    EXPECT_EQ(buf[254], L'x');
    EXPECT_EQ(buf[255], L'\0');

    wchar_t small[6];
    EXPECT_EQ(LoadStringW(self, 10, small, 6), 5);
    EXPECT_STREQ(small, L"Expli");
    EXPECT_EQ(LoadStringW(self, 10, small, 1), 0);
    EXPECT_EQ(small[0], L'\0');

    EXPECT_EQ(LoadStringW(self, 99, buf, 256), 0);  // missing
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadStringW(nullptr, 10, buf, 256), 0);  // no such module

    const wchar_t* direct = nullptr;  // read-only form
    EXPECT_EQ(LoadStringW(self, 11, reinterpret_cast<LPWSTR>(&direct), 0), 300);
    EXPECT_EQ(direct, kLong.c_str());

    UnregisterModuleStrings(&AnchorInThisExecutable);
    EXPECT_EQ(LoadStringW(self, 10, buf, 256), 0);
}

TEST(LoadLibraryW, LoadsAModuleThroughItsEntryPoint) {
    const std::wstring path = Widen(HOST_TEST_MODULE);
    HMODULE mod = LoadLibraryW(path.c_str());
    ASSERT_NE(mod, nullptr);
    auto instance = reinterpret_cast<HINSTANCE (*)()>(GetProcAddress(mod, "ModuleInstance"));
    auto attaches = reinterpret_cast<int (*)()>(GetProcAddress(mod, "Attaches"));
    auto own = reinterpret_cast<int (*)(UINT, wchar_t*, int)>(GetProcAddress(mod, "OwnString"));
    ASSERT_TRUE(instance && attaches && own);
    EXPECT_EQ(GetProcAddress(mod, "NoSuchExport"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

    // The entry point got the module's own instance, which also finds its strings.
    EXPECT_EQ(instance(), mod);
    wchar_t buf[64];
    EXPECT_EQ(LoadStringW(mod, 1, buf, 64), 13);
    EXPECT_STREQ(buf, L"Module string");
    EXPECT_EQ(own(2, buf, 64), 12);

    // A second load is counted, not attached again.
    HMODULE again = LoadLibraryW(path.c_str());
    EXPECT_EQ(again, mod);
    EXPECT_EQ(attaches(), 1);
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_TRUE(FreeLibrary(mod));
    EXPECT_FALSE(FreeLibrary(mod));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(LoadLibraryW, FailsForMissingModulesAndRefusedAttach) {
    EXPECT_EQ(LoadLibraryW(L"/nonexistent/module.so"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    const std::wstring refusing = Widen(HOST_TEST_MODULE_REFUSING);
    EXPECT_EQ(LoadLibraryW(refusing.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
}
