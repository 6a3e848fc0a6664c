// Minimal stand-in for <shellapi.h>: ShellExecuteW records the request instead of starting
// anything, so that tests can see what would have been opened.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

// Records the call; answers a value above 32 (success) as Windows does.
HINSTANCE WINAPI ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                               LPCWSTR lpDirectory, INT nShowCmd);

// Stand-in extras: the calls so far, oldest first. A null string argument is recorded as
// null (hasX false), not as an empty string.
struct ShellExecuteRecord {
    HWND hwnd = nullptr;
    bool hasOperation = false, hasFile = false, hasParameters = false, hasDirectory = false;
    std::wstring operation, file, parameters, directory;
    int showCmd = 0;
};
std::vector<ShellExecuteRecord> ShellExecuteCalls();
void ClearShellExecuteCalls();
