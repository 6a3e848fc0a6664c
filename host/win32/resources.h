// Resources of loaded modules, standing in for the resource section of a Windows module:
// string tables and dialog templates. A module registers them at static initialisation;
// LoadStringW and CreateDialogParamW serve them by instance.
#pragma once

#include <cstddef>

#include "windows.h"

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

// One control of a dialog template, in dialog units, as the resource compiler writes it:
// style includes WS_CHILD | WS_VISIBLE and what the statement implies.
struct DialogItemResource {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    int id;
    const wchar_t* className;
    const wchar_t* text;
};

struct DialogResource {
    unsigned id;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    const wchar_t* caption;
    WORD pointSize;
    const wchar_t* typeface;
    const DialogItemResource* items;
    size_t count;
};

// As for strings; the tables must outlive the registration.
void RegisterModuleDialogs(const void* addressInModule, const DialogResource* table, size_t count);
void UnregisterModuleDialogs(const void* addressInModule);
// Stand-in extra: the template of dialog id in the module, or null.
const DialogResource* FindModuleDialog(HINSTANCE hInstance, unsigned id);
