// Shared by the editor suites: a map opened in the stand-in material editor, and the user's
// actions on its rollouts through the Win32 calls.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <mtl_editor.h>
#include <shellapi.h>

#include "coords/xyz_params.h"
#include "map/params_ids.h"
#include "map/quorv_scratches.h"
#include "plugin/module.h"
#include "resource.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, ULONG fdwReason, LPVOID lpvReserved);

// The linked objects' resources are registered under this executable's load base.
inline HINSTANCE AttachModule() {
    static const HINSTANCE instance = [] {
        Dl_info info{};
        dladdr(reinterpret_cast<void*>(&DllMain), &info);
        const auto h = static_cast<HINSTANCE>(info.dli_fbase);
        DllMain(h, DLL_PROCESS_ATTACH, nullptr);
        return h;
    }();
    return instance;
}

struct MapDeleter {
    void operator()(Animatable* a) const {
        if (a) a->DeleteThis();
    }
};
using MapPtr = std::unique_ptr<QuorvScratches, MapDeleter>;

inline MapPtr NewMap() {
    AttachModule();
    return MapPtr(static_cast<QuorvScratches*>(GetQuorvScratchesDesc()->Create(FALSE)));
}

inline std::wstring WindowText(HWND h) {
    wchar_t buf[256] = L"";
    GetWindowTextW(h, buf, 256);
    return buf;
}

inline std::wstring ClassOf(HWND h) {
    wchar_t buf[64] = L"";
    GetClassNameW(h, buf, 64);
    return buf;
}

inline std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const auto n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        std::wstring s(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)), L'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(s.data()));
        items.push_back(s);
    }
    return items;
}

inline std::wstring ModuleText(int id) {
    return GetModuleString(id);
}

// Releases a control interface at the end of a scope.
struct SpinnerRef {
    explicit SpinnerRef(HWND h) : spin(GetISpinner(h)) {}
    ~SpinnerRef() { ReleaseISpinner(spin); }
    SpinnerRef(const SpinnerRef&) = delete;
    SpinnerRef& operator=(const SpinnerRef&) = delete;
    ISpinnerControl* operator->() const { return spin; }
    explicit operator bool() const { return spin != nullptr; }
    ISpinnerControl* spin;
};

// A new map opened in the editor, with its three rollouts.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearShellExecuteCalls();
        map = NewMap();
        ASSERT_TRUE(map);
        ASSERT_TRUE(editor.Open(map.get()));
        params = editor.FindPage(ModuleText(IDS_PARAMS).c_str());
        mapping = editor.FindPage(ModuleText(IDS_MAPPING).c_str());
        ASSERT_NE(params, nullptr);
        ASSERT_NE(mapping, nullptr);
    }
    void TearDown() override { editor.Close(); }

    IParamBlock2* Params() { return map->GetParamBlockByID(scratch_params); }
    IParamBlock2* Mapping() { return map->GetParamBlockByID(0); }

    HWND Item(HWND page, int id) {
        const HWND h = GetDlgItem(page, id);
        EXPECT_NE(h, nullptr) << "control " << id;
        return h;
    }
    bool Enabled(HWND page, int id) { return IsWindowEnabled(Item(page, id)) != FALSE; }
    LRESULT Selection(HWND page, int id) {
        return SendMessageW(Item(page, id), CB_GETCURSEL, 0, 0);
    }

    // The user's actions, delivered as Windows delivers them.
    void Choose(HWND page, int comboID, int index) {
        const HWND combo = Item(page, comboID);
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(comboID, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    void Click(HWND page, int id) { SendMessageW(Item(page, id), BM_CLICK, 0, 0); }
    void Press(HWND page, int id) {
        ICustButton* b = GetICustButton(Item(page, id));
        ASSERT_NE(b, nullptr);
        b->Click();
        ReleaseICustButton(b);
    }
    void Spin(HWND page, int spinID, float v) {
        SpinnerRef spin(Item(page, spinID));
        ASSERT_TRUE(spin);
        spin->SetValue(v, TRUE);
    }

    MtlEditorStandIn editor;
    MapPtr map;
    HWND params = nullptr;
    HWND mapping = nullptr;
};
