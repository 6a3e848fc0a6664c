#include "mtl_editor.h"

#include <algorithm>

#include "core.h"
#include "iparamb2.h"

namespace {
// Pixels between the stacked pages, and the height of a closed page's title bar.
constexpr int kGap = 4;
constexpr int kTitleBar = 16;
}  // namespace

MtlEditorStandIn::MtlEditorStandIn() {
    panel = CreateWindowExW(0, L"Static", L"Material Editor", WS_POPUP | WS_VISIBLE, 0, 0, 340,
                            2000, nullptr, nullptr, nullptr, nullptr);
}

MtlEditorStandIn::~MtlEditorStandIn() {
    Close();
    if (panel) DestroyWindow(panel);
}

bool MtlEditorStandIn::Open(MtlBase* mtl) {
    Close();
    if (!mtl || !panel) return false;
    thing = mtl;
    displaying = false;
    dlg = mtl->CreateParamDlg(panel, this);
    if (!dlg) {
        Close();
        return false;
    }
    // The editor shows the pages once the object has built them.
    displaying = true;
    Layout();
    const std::vector<Page> shown = pages;
    for (const Page& p : shown) {
        if (p.open) ShowWindow(p.hwnd, SW_SHOW);
    }
    return true;
}

void MtlEditorStandIn::SetThing(MtlBase* mtl) {
    if (!dlg || !mtl) return;
    thing = mtl;
    dlg->SetThing(mtl);
}

void MtlEditorStandIn::Close() {
    if (dlg) {
        ParamDlg* d = dlg;
        dlg = nullptr;
        d->DeleteThis();
    }
    while (!pages.empty()) DeleteRollupPage(pages.back().hwnd);
    thing = nullptr;
    displaying = false;
}

HWND MtlEditorStandIn::FindPage(const MCHAR* title) const {
    for (const Page& p : pages) {
        if (title && p.title == title) return p.hwnd;
    }
    return nullptr;
}

void MtlEditorStandIn::SetPageOpen(HWND page, bool open) {
    for (Page& p : pages) {
        if (p.hwnd != page || p.open == open) continue;
        p.open = open;
        ShowWindow(page, open ? SW_SHOW : SW_HIDE);
        Layout();
        return;
    }
}

void MtlEditorStandIn::MtlChanged() {
    ++changes;
    if (!thing) return;
    Interval valid = FOREVER;
    thing->Update(GetTime(), valid);
}

HWND MtlEditorStandIn::AddRollupPage(HINSTANCE hInst, const MCHAR* dlgTemplate, DLGPROC dlgProc,
                                     const MCHAR* title, LPARAM param, DWORD flags, int) {
    if (!panel) return nullptr;
    return AddPage(CreateDialogParamW(hInst, dlgTemplate, panel, dlgProc, param), title, flags);
}

HWND MtlEditorStandIn::AddRollupPage(HINSTANCE hInst, DLGTEMPLATE* dlgTemplate, DLGPROC dlgProc,
                                     const MCHAR* title, LPARAM param, DWORD flags, int) {
    if (!panel) return nullptr;
    return AddPage(CreateDialogIndirectParamW(hInst, dlgTemplate, panel, dlgProc, param), title,
                   flags);
}

HWND MtlEditorStandIn::AddPage(HWND page, const MCHAR* title, DWORD flags) {
    if (!page) return nullptr;
    const bool open = !(flags & APPENDROLL_CLOSED);
    pages.push_back(Page{page, title ? title : L"", open});
    if (displaying) {
        Layout();
        if (open) ShowWindow(page, SW_SHOW);
    }
    return page;
}

void MtlEditorStandIn::DeleteRollupPage(HWND hRollup) {
    auto it =
        std::find_if(pages.begin(), pages.end(), [&](const Page& p) { return p.hwnd == hRollup; });
    if (it == pages.end()) return;
    pages.erase(it);
    DestroyWindow(hRollup);
    Layout();
}

int MtlEditorStandIn::IsRollupPanelOpen(HWND hwnd) {
    for (const Page& p : pages) {
        if (p.hwnd == hwnd) return p.open ? TRUE : FALSE;
    }
    return FALSE;
}

TimeValue MtlEditorStandIn::GetTime() {
    return GetCOREInterface()->GetTime();
}

// The pages one below the other, each under its title bar.
void MtlEditorStandIn::Layout() {
    int y = 0;
    for (const Page& p : pages) {
        RECT r{};
        GetWindowRect(p.hwnd, &r);
        const int width = r.right - r.left, height = r.bottom - r.top;
        y += kTitleBar;
        MoveWindow(p.hwnd, 0, y, width, height, TRUE);
        if (p.open) y += height;
        y += kGap;
    }
}
