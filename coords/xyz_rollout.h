// QuorvXYZDlgProc: what the "Mapping" rollout needs beyond its parameter bindings: the texts
// of its four lists, their selections, and the lock button's label.
#pragma once

#include "plugin/host.h"

class QuorvXYZDlgProc : public ParamMap2UserDlgProc {
public:
    // map is the object whose rollout this is; it is not owned.
    explicit QuorvXYZDlgProc(ReferenceTarget* map) : map(map) {}

    // WM_INITDIALOG fills the lists and labels the lock, then selects as for WM_SHOWWINDOW:
    // each list shows its value from the rollout's block. Every other message is left to
    // the host.
    INT_PTR DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam,
                    LPARAM lParam) override;
    void DeleteThis() override { delete this; }
    void SetThing(ReferenceTarget* m) override { map = m; }

    ReferenceTarget* GetThing() const { return map; }

private:
    ReferenceTarget* map;
};
