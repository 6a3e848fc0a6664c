// Basic types of the host SDK. Win32 base types (BOOL, DWORD, HINSTANCE, ...) come from
// <windows.h>, the real one on Windows and the stand-in in win32/ elsewhere.
#pragma once

#include <cstdint>
#include <windows.h>

// The SDK is built for Unicode only; without these, <windows.h> binds the generic Win32 names
// to their narrow versions.
#if !defined(UNICODE) || !defined(_UNICODE)
#error "The host SDK needs UNICODE and _UNICODE defined for every file that includes it"
#endif

typedef wchar_t MCHAR;
#define _M(x) L##x

typedef int TimeValue;
#define TIME_NegInfinity TimeValue(0x80000000)
#define TIME_PosInfinity TimeValue(0x7FFFFFFF)
#define TIME_TICKSPERSEC 4800

typedef ULONG SClass_ID;

class Class_ID {
public:
    Class_ID() : a(0xFFFFFFFF), b(0xFFFFFFFF) {}
    Class_ID(ULONG aa, ULONG bb) : a(aa), b(bb) {}
    ULONG PartA() const { return a; }
    ULONG PartB() const { return b; }
    void SetPartA(ULONG aa) { a = aa; }
    void SetPartB(ULONG bb) { b = bb; }
    bool operator==(const Class_ID& c) const { return a == c.a && b == c.b; }
    bool operator!=(const Class_ID& c) const { return !(*this == c); }

private:
    ULONG a, b;
};

// Names an interface that an object may serve (InterfaceServer::GetInterface).
class Interface_ID {
public:
    Interface_ID() : a(0), b(0) {}
    Interface_ID(ULONG aa, ULONG bb) : a(aa), b(bb) {}
    ULONG PartA() const { return a; }
    ULONG PartB() const { return b; }
    void SetPartA(ULONG aa) { a = aa; }
    void SetPartB(ULONG bb) { b = bb; }
    int operator==(const Interface_ID& id) const { return a == id.a && b == id.b; }
    int operator!=(const Interface_ID& id) const { return a != id.a || b != id.b; }

private:
    ULONG a, b;
};

#define TEXMAP_CLASS_ID 0x00000C10
#define MATERIAL_CLASS_ID 0x00000C00
#define REF_TARGET_CLASS_ID 0x00000200
#define TEXOUTPUT_CLASS_ID 0x00000C40
#define PARAMETER_BLOCK2_CLASS_ID 0x00000082

typedef short BlockID;
typedef short ParamID;
typedef short MapID;
typedef int StringResID;
typedef ULONG_PTR PartID;
typedef unsigned int RefMessage;

typedef int RefResult;
#define REF_FAIL 0
#define REF_SUCCEED 1
#define REF_DONTCARE 2
#define REF_STOP 3

#define REFMSG_TARGET_DELETED 0x00000008
#define REFMSG_CHANGE 0x00000050

#define PART_ALL PartID(0xFFFFFFFF)
#define NOTIFY_ALL 0xFFFFFFF0

enum IOResult { IO_OK = 0, IO_END = 1, IO_ERROR = 2 };
