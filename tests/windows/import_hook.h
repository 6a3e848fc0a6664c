// Replaces one function a module imports by name, in the module's import table: the test host
// sees the module's ShellExecuteW calls without opening anything.
#pragma once

#include <windows.h>

// The previous address, or null when the module does not import dll!function by name.
void* ReplaceImport(HMODULE module, const char* dll, const char* function, void* replacement);
