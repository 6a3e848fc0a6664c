// A stand-in material editor for tests and tools: it opens an object's editor in a panel
// window as the host's editor does (CreateParamDlg, then shows the open rollouts) and lets the
// caller act on the rollouts. Not part of the SDK.
#pragma once

#include <string>
#include <vector>

#include "imtl.h"
#include "iparamm2.h"

class MtlEditorStandIn : public IMtlParams {
public:
    struct Page {
        HWND hwnd;
        std::wstring title;
        bool open;
    };

    MtlEditorStandIn();
    ~MtlEditorStandIn() override;
    MtlEditorStandIn(const MtlEditorStandIn&) = delete;
    MtlEditorStandIn& operator=(const MtlEditorStandIn&) = delete;

    // Closes what is open, then opens mtl's editor. False when mtl makes no dialog.
    bool Open(MtlBase* mtl);
    // Shows another object of the same class in the open editor, as when the user activates
    // another sample slot of that class.
    void SetThing(MtlBase* mtl);
    // Deletes the editor's dialog, then any page it left behind.
    void Close();

    ParamDlg* GetDialog() const { return dlg; }
    MtlBase* GetThing() const { return thing; }
    HWND GetPanel() const { return panel; }
    const std::vector<Page>& Pages() const { return pages; }
    // The page with this title, or null.
    HWND FindPage(const MCHAR* title) const;
    // Opens or closes a page as the user does by clicking its title bar.
    void SetPageOpen(HWND page, bool open);
    int MtlChangedCount() const { return changes; }

    // IMtlParams. A change through a rollout updates the object at the editor's time, as the
    // editor does when it redraws the sample slot.
    void MtlChanged() override;
    HWND AddRollupPage(HINSTANCE hInst, const MCHAR* dlgTemplate, DLGPROC dlgProc,
                       const MCHAR* title, LPARAM param, DWORD flags, int category) override;
    HWND AddRollupPage(HINSTANCE hInst, DLGTEMPLATE* dlgTemplate, DLGPROC dlgProc,
                       const MCHAR* title, LPARAM param, DWORD flags, int category) override;
    void DeleteRollupPage(HWND hRollup) override;
    int IsRollupPanelOpen(HWND hwnd) override;
    TimeValue GetTime() override;

private:
    HWND AddPage(HWND page, const MCHAR* title, DWORD flags);
    void Layout();

    HWND panel = nullptr;
    ParamDlg* dlg = nullptr;
    MtlBase* thing = nullptr;
    std::vector<Page> pages;
    bool displaying = false;
    int changes = 0;
};
