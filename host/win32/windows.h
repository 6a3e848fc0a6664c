// Minimal stand-in for the few Win32 declarations the plug-in and the host layer use,
// for builds where no Windows headers exist. Modules are shared objects loaded with dlopen;
// an instance handle is the module's load base address.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int BOOL;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef unsigned long ULONG;
typedef uint32_t DWORD;
typedef unsigned short USHORT;
typedef unsigned short WORD;
typedef unsigned char BYTE;
typedef long LONG;
typedef unsigned int UINT;
typedef uintptr_t DWORD_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef void* LPVOID;
typedef wchar_t WCHAR;
typedef wchar_t* LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef const char* LPCSTR;

struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
struct HWND__;
typedef HWND__* HWND;

// Windows declares INT_PTR (*)(); void (*)() is the one function type GCC lets callers cast to
// any other without a warning, and nothing calls a FARPROC unconverted.
typedef void (*FARPROC)();

#define WINAPI
#define APIENTRY
#define CALLBACK

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define ERROR_SUCCESS 0
#define ERROR_INVALID_HANDLE 6
#define ERROR_INVALID_PARAMETER 87
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_DLL_INIT_FAILED 1114
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

// As on Windows, the pixels of a packed DIB follow the header in the same allocation.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

#define BI_RGB 0

BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule);

// Copies at most cchBufferMax - 1 characters and a terminator; returns the number copied,
// 0 for a missing string. With cchBufferMax 0, stores a read-only pointer to the
// (unterminated) resource text in *(LPCWSTR*)lpBuffer and returns its length.
int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);

// dlopen; then calls the module's exported entry point DllMain (extern "C") with
// DLL_PROCESS_ATTACH on the first load. Null on failure or when DllMain answers FALSE.
HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// DllMain with DLL_PROCESS_DETACH on the last release, then dlclose.
BOOL WINAPI FreeLibrary(HMODULE hLibModule);
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD dwErrCode);
