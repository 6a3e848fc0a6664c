// String tables of loaded modules, standing in for the resource section of a Windows module.
// A module registers its table at static initialisation; LoadStringW serves it by instance.
#pragma once

#include <cstddef>

struct StringResourceEntry {
    unsigned id;
    const wchar_t* text;
};

// addressInModule is any address inside the registering module (a function or a static);
// it is resolved to the module's load base, which is the module's instance handle.
// The table and its texts must outlive the registration.
void RegisterModuleStrings(const void* addressInModule, const StringResourceEntry* table,
                           size_t count);
void UnregisterModuleStrings(const void* addressInModule);
