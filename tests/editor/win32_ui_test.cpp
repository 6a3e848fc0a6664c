// The in-memory window model and the host's custom controls under the rollouts.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <custcont.h>
#include <resources.h>
#include <windows.h>

namespace {

const DialogItemResource kItems[] = {
    {WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 4, 4, 10, 10, 10, L"Button", L""},
    {WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP, 0, 20, 4, 60, 60, 11, L"ComboBox", L""},
    {WS_CHILD | WS_VISIBLE, 0, 4, 20, 30, 10, 12, L"CustEdit", L""},
    {WS_CHILD | WS_VISIBLE, 0, 35, 20, 7, 10, 13, L"SpinnerControl", L""},
};
const DialogResource kDialogs[] = {
    {7, WS_CHILD | DS_SETFONT, 0, 0, 0, 100, 40, L"", 8, L"MS Sans Serif", kItems, 4},
};

struct Registration {
    Registration() { RegisterModuleDialogs(kDialogs, kDialogs, 1); }
    ~Registration() { UnregisterModuleDialogs(kDialogs); }
};

std::vector<UINT>& Log() {
    static std::vector<UINT> log;
    return log;
}

INT_PTR CALLBACK Recorder(HWND, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND)
        Log().push_back(0x10000 | HIWORD(wParam) << 8 | LOWORD(wParam));
    else
        Log().push_back(msg);
    return FALSE;
}

class Win32UI : public ::testing::Test {
protected:
    void SetUp() override {
        Log().clear();
        parent = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400, nullptr,
                                 nullptr, nullptr, nullptr);
        Dl_info info{};
        dladdr(static_cast<const void*>(kDialogs), &info);
        instance = static_cast<HINSTANCE>(info.dli_fbase);
        dlg = CreateDialogParamW(instance, MAKEINTRESOURCEW(7), parent, Recorder, 0);
        ASSERT_NE(dlg, nullptr);
    }
    void TearDown() override { DestroyWindow(parent); }

    Registration registration;
    HINSTANCE instance = nullptr;
    HWND parent = nullptr, dlg = nullptr;
};

TEST_F(Win32UI, DialogMessagesFollowWindows) {
    EXPECT_EQ(Log(), std::vector<UINT>{WM_INITDIALOG});
    // WM_SHOWWINDOW only when the visibility changes.
    EXPECT_FALSE(ShowWindow(dlg, SW_SHOW));
    EXPECT_TRUE(ShowWindow(dlg, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(Log(), (std::vector<UINT>{WM_INITDIALOG, WM_SHOWWINDOW}));

    // A click on a check box toggles it and tells the dialog; not while disabled.
    SendDlgItemMessageW(dlg, 10, BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 10), BST_CHECKED);
    EXPECT_EQ(Log().back(), 0x10000u | BN_CLICKED << 8 | 10u);
    EnableWindow(GetDlgItem(dlg, 10), FALSE);
    SendDlgItemMessageW(dlg, 10, BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 10), BST_CHECKED);

    const HWND child = GetDlgItem(dlg, 12);
    DestroyWindow(dlg);
    EXPECT_EQ(Log().back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_FALSE(IsWindow(child));
}

TEST_F(Win32UI, ComboBoxKeepsItsItemsAndSelection) {
    const HWND combo = GetDlgItem(dlg, 11);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"one"));
    SendMessageW(combo, CB_ADDSTRING, 0, 0);  // a null text is an empty item
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 1, 0), 1);
    EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 5, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-3), 0), CB_ERR);
    wchar_t text[8] = L"x";
    EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text)), 3);
    EXPECT_STREQ(text, L"one");
    EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text)), CB_ERR);
}

TEST_F(Win32UI, MissingTemplatesAndParentsFail) {
    EXPECT_EQ(CreateDialogParamW(instance, MAKEINTRESOURCEW(8), parent, Recorder, 0), nullptr);
    EXPECT_EQ(CreateDialogParamW(instance, MAKEINTRESOURCEW(7), nullptr, Recorder, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));
    EXPECT_EQ(GetDlgItem(nullptr, 10), nullptr);
    EXPECT_EQ(SendMessageW(nullptr, CB_GETCOUNT, 0, 0), 0);
}

TEST_F(Win32UI, SpinnersClampRoundAndNotify) {
    EXPECT_EQ(GetISpinner(GetDlgItem(dlg, 12)), nullptr);  // an edit field is no spinner
    ISpinnerControl* spin = SetupIntSpinner(dlg, 13, 12, 1, 8, 3);
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->GetIVal(), 3);
    spin->SetValue(5.6f, FALSE);
    EXPECT_EQ(spin->GetIVal(), 6);
    spin->SetValue(std::nanf(""), FALSE);
    EXPECT_EQ(spin->GetIVal(), 6);
    spin->SetValue(100, TRUE);
    EXPECT_EQ(spin->GetIVal(), 8);
    EXPECT_EQ(Log().back(), static_cast<UINT>(CC_SPINNER_CHANGE));
    wchar_t text[16];
    GetWindowTextW(GetDlgItem(dlg, 12), text, 16);
    EXPECT_STREQ(text, L"8");
    spin->Disable();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, 12)));
    ReleaseISpinner(spin);

    // State lives with the window: a second view sees it.
    ISpinnerControl* again = GetISpinner(GetDlgItem(dlg, 13));
    EXPECT_EQ(again->GetMax(), 8.0f);
    ReleaseISpinner(again);
}

}  // namespace
