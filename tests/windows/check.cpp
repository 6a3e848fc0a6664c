#include "tests/windows/check.h"

#include <windows.h>

#include <cstdio>

CheckTotals& Totals() {
    static CheckTotals totals;
    return totals;
}

bool Check(bool ok, const char* what, const std::string& detail, const char* file, int line) {
    if (ok) {
        ++Totals().passed;
        return true;
    }
    ++Totals().failed;
    std::printf("FAILED %s:%d: %s%s%s\n", file, line, what, detail.empty() ? "" : " -- ",
                detail.c_str());
    std::fflush(stdout);
    return false;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}
