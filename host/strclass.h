// MSTR: the SDK's wide string.
#pragma once

#include <string>

#include "maxtypes.h"

// A null pointer is not a text: the SDK's string does not promise to survive one, so the
// stand-in stops the process with a message where a caller hands it one.
[[noreturn]] void NullStringPointer();

class MSTR {
public:
    MSTR() = default;
    MSTR(const MCHAR* s) : str(Text(s)) {}
    MSTR(const std::wstring& s) : str(s) {}

    MSTR& operator=(const MCHAR* s) {
        str = Text(s);
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
    static const MCHAR* Text(const MCHAR* s) {
        if (!s) NullStringPointer();
        return s;
    }
    std::wstring str;
};

typedef MSTR TSTR;
