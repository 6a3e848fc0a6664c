// MSTR: the SDK's wide string.
#pragma once

#include <string>

#include "maxtypes.h"

class MSTR {
public:
    MSTR() = default;
    MSTR(const MCHAR* s) : str(s ? s : L"") {}
    MSTR(const std::wstring& s) : str(s) {}

    MSTR& operator=(const MCHAR* s) {
        str = s ? s : L"";
        return *this;
    }

    const MCHAR* data() const { return str.c_str(); }
    int Length() const { return static_cast<int>(str.size()); }
    int length() const { return Length(); }
    bool isNull() const { return str.empty(); }
    operator const MCHAR*() const { return str.c_str(); }

    MSTR operator+(const MSTR& s) const { return MSTR(str + s.str); }
    MSTR& operator+=(const MSTR& s) {
        str += s.str;
        return *this;
    }

    bool operator==(const MSTR& s) const { return str == s.str; }
    bool operator==(const MCHAR* s) const { return str == (s ? s : L""); }
    bool operator!=(const MSTR& s) const { return !(*this == s); }
    bool operator!=(const MCHAR* s) const { return !(*this == s); }

    const std::wstring& ToStdWString() const { return str; }

private:
    std::wstring str;
};

typedef MSTR TSTR;
