// The controls of a dialog template in a module's resources, as the resource compiler
// wrote them (DIALOGEX).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TemplateItem {
    int id;
    DWORD style;
    std::wstring className;  // predefined classes by name: "Button", "Static", "ComboBox", ...
    std::wstring text;
};

// Empty when the module has no such DIALOGEX template.
std::vector<TemplateItem> ReadDialogTemplate(HMODULE module, int dialogId);
