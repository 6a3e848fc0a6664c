// The "Parameters" rollout and the map's editor: CreateParamDlg, the enabling of the erosion
// and distortion controls, and the texture output's rollout.
#include "plugin/params_rollout.h"

#include <new>

#include <shellapi.h>

#include "coords/xyz_rollout.h"
#include "map/quorv_scratches.h"
#include "map/scratches_class.h"
#include "plugin/homepage.h"
#include "plugin/module.h"
#include "choice_lists.h"
#include "resource.h"

namespace {

ParamDlg* texOutDlgSlot = nullptr;

void SelectType(IParamMap2* map, HWND hWnd, TimeValue t) {
    // The rollout may outlive its block (the map was deleted while the editor was open).
    IParamBlock2* pb = map ? map->GetParamBlock() : nullptr;
    const HWND combo = GetDlgItem(hWnd, IDC_TYPE);
    if (!pb || !combo) return;
    int type = 0;
    Interval iv = FOREVER;
    pb->GetValue(scratch_type, t, type, iv);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(type), 0);
}

}  // namespace

ParamDlg* GetTexOutDlgSlot() {
    return texOutDlgSlot;
}

void SetTexOutDlgSlot(ParamDlg* dlg) {
    texOutDlgSlot = dlg;
}

INT_PTR QuorvScratchesDlgProc::DlgProc(TimeValue t, IParamMap2* pmap, HWND hWnd, UINT msg,
                                       WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            if (const HWND combo = GetDlgItem(hWnd, IDC_TYPE)) {
                // A second WM_INITDIALOG must not add the items again.
                SendMessageW(combo, CB_RESETCONTENT, 0, 0);
                // A missing string is empty and still takes its place.
                for (int id : kTypeTexts)
                    SendMessageW(combo, CB_ADDSTRING, 0,
                                 reinterpret_cast<LPARAM>(GetModuleString(id)));
            }
            [[fallthrough]];
        case WM_SHOWWINDOW:
            SelectType(pmap, hWnd, t);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_HOMEPAGE && HIWORD(wParam) == BN_CLICKED)
                ShellExecuteW(nullptr, nullptr, kQuorvHomepageUrl, nullptr, nullptr, SW_SHOW);
            return FALSE;
        default:
            return FALSE;
    }
}

void QuorvScratchesDlgProc::DeleteThis() {
    if (texOutDlg && texOutDlgSlot == texOutDlg) texOutDlgSlot = nullptr;
    delete this;
}

void QuorvScratchesDlgProc::SetThing(ReferenceTarget* m) {
    // The editor only hands over maps of this class; anything else is not ours to serve.
    if (!m || m->ClassID() != QUORV_SCRATCHES_CLASS_ID) return;
    map = static_cast<QuorvScratches*>(m);
    // As on opening: the "Mapping" rollout would otherwise keep the previous map's enabling and
    // spinner units until this map next updates.
    map->UpdateControlEnables();
    map->RefreshCoordinateRollout(GetCOREInterface()->GetTime());
}

ParamDlg* QuorvScratches::CreateParamDlg(HWND hwMtlEdit, IMtlParams* imp) {
    IAutoMParamDlg* masterDlg = GetQuorvScratchesDesc()->CreateParamDlgs(hwMtlEdit, imp, this);
    if (!masterDlg) return nullptr;

    ParamDlg* texOutDlg = texout ? texout->CreateParamDlg(hwMtlEdit, imp) : nullptr;
    texOutDlgSlot = texOutDlg;
    if (texOutDlg) masterDlg->AddDlg(texOutDlg);

    GetScratchParamBlockDesc()->SetUserDlgProc(new (std::nothrow)
                                                   QuorvScratchesDlgProc(this, texOutDlg));
    GetXYZParamBlockDesc()->SetUserDlgProc(new (std::nothrow) QuorvXYZDlgProc(this));
    UpdateControlEnables();
    // The "Mapping" rollout's enabling and units also when this map's cache is still valid,
    // so that the next update would not refresh them.
    RefreshCoordinateRollout(imp->GetTime());
    return masterDlg;
}

void QuorvScratches::RefreshCoordinateRollout(TimeValue t) {
    xyzGen.RefreshCoordinateRollout(pblockXYZ, t);
}

BOOL QuorvScratches::SetDlgThing(ParamDlg* dlg) {
    if (!dlg || dlg != texOutDlgSlot) return FALSE;
    if (texout) dlg->SetThing(texout);
    return TRUE;
}

void QuorvScratches::UpdateControlEnables() {
    IParamMap2* map = pblock ? pblock->GetMap(0) : nullptr;
    if (!map) return;
    // Read into locals: the evaluation state is Update's alone, and evaluation may be running.
    int distort = 0, erode = 0;
    Interval iv = FOREVER;
    pblock->GetValue(scratch_useDistortion, 0, distort, iv);
    pblock->GetValue(scratch_useErosion, 0, erode, iv);
    map->Enable(scratch_distortStr, distort);
    map->Enable(scratch_distortMap, distort);
    map->Enable(scratch_distortStrMap, distort);
    map->Enable(scratch_dStrMapEnabled, distort);
    map->Enable(scratch_erosion, erode);
    map->Enable(scratch_erosionDelta, erode);
}
