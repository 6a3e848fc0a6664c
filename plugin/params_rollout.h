// The "Parameters" rollout's dialog procedure, and the module-wide slot that remembers the
// texture output's rollout of the editor opened last.
#pragma once

#include "plugin/host.h"

class QuorvScratches;

class QuorvScratchesDlgProc : public ParamMap2UserDlgProc {
public:
    // map is the object whose rollout this is, texOutDlg the texture output's rollout made
    // with it; neither is owned.
    QuorvScratchesDlgProc(QuorvScratches* map, ParamDlg* texOutDlg)
        : map(map), texOutDlg(texOutDlg) {}

    // WM_INITDIALOG fills the "Type" list, then selects as for WM_SHOWWINDOW: the list shows
    // `type` from the rollout's block. "Homepage" opens the page. The host's bindings do
    // everything else.
    INT_PTR DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam,
                    LPARAM lParam) override;
    // Forgets the texture output's rollout if the slot still names it: it closes with this.
    void DeleteThis() override;
    // The editor now shows m, which gets its controls' enabling.
    void SetThing(ReferenceTarget* m) override;

    QuorvScratches* GetThing() const { return map; }

private:
    QuorvScratches* map;
    ParamDlg* texOutDlg;
};

// The texture output's rollout of the editor opened last; null when none is open.
ParamDlg* GetTexOutDlgSlot();
void SetTexOutDlgSlot(ParamDlg* dlg);
