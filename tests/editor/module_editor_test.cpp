// The built module in the editor, as a host opens it: its own dialog templates and strings,
// found through its instance handle.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <max.h>
#include <mtl_editor.h>
#include <resources.h>

#include "resource.h"

namespace {

std::wstring Wide(const char* s) {
    return std::wstring(s, s + std::strlen(s));
}

TEST(ModuleEditor, OpensBothRolloutsFromTheModulesTemplates) {
    const HMODULE module = LoadLibraryW(Wide(QUORV_MODULE_PATH).c_str());
    ASSERT_NE(module, nullptr);
    auto classDesc = reinterpret_cast<ClassDesc* (*)(int)>(GetProcAddress(module, "LibClassDesc"));
    ASSERT_NE(classDesc, nullptr);
    ClassDesc* cd = classDesc(0);
    ASSERT_NE(cd, nullptr);
    EXPECT_NE(FindModuleDialog(module, IDD_PARAMS), nullptr);
    EXPECT_NE(FindModuleDialog(module, IDD_MAPPING), nullptr);

    auto* map = static_cast<MtlBase*>(static_cast<ReferenceTarget*>(cd->Create(FALSE)));
    ASSERT_NE(map, nullptr);
    {
        MtlEditorStandIn editor;
        ASSERT_TRUE(editor.Open(map));
        const HWND params = editor.FindPage(L"Parameters");
        const HWND mapping = editor.FindPage(L"Mapping");
        ASSERT_NE(params, nullptr);
        ASSERT_NE(mapping, nullptr);
        EXPECT_NE(editor.FindPage(L"Output"), nullptr);
        EXPECT_EQ(SendDlgItemMessageW(params, IDC_TYPE, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(SendDlgItemMessageW(params, IDC_TYPE, CB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(SendDlgItemMessageW(mapping, IDC_XYZ_MAP, CB_GETCURSEL, 0, 0), 2);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(mapping, IDC_XYZ_TILE_X)));
    }
    map->DeleteThis();
    EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
