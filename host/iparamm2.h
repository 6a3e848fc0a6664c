// Parameter maps: the rollouts that show a parameter block in the material editor, their
// user dialog procedures, and the master dialog that gathers an object's rollouts.
#pragma once

#include <windows.h>

#include "imtl.h"
#include "maxheap.h"
#include "maxtypes.h"

class IParamMap2;
class IParamBlock2;
class ParamBlockDesc2;
class ReferenceTarget;
class IMtlParams;

// What a plug-in adds to a rollout: every message of the rollout's dialog reaches DlgProc
// after the map's own handling; it is deleted through DeleteThis when the rollout closes.
class ParamMap2UserDlgProc : public MaxHeapOperators {
public:
    virtual ~ParamMap2UserDlgProc() = default;
    virtual INT_PTR DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam,
                            LPARAM lParam) = 0;
    virtual void DeleteThis() = 0;
    virtual void SetThing(ReferenceTarget*) {}
    virtual void Update(TimeValue) {}
};

// One rollout: a dialog whose controls are bound to the block's parameters by the
// descriptor's p_ui entries. A change made in a control is written to the block at the
// editor's time, after which the editor is told (MtlChanged).
class IParamMap2 : public MaxHeapOperators {
public:
    virtual ~IParamMap2() = default;
    // Enables or greys every control of the parameter.
    virtual void Enable(ParamID id, BOOL onOff, int tabIndex = 0) = 0;
    // The block shown; null once it has been deleted.
    virtual IParamBlock2* GetParamBlock() = 0;
    // Shows another block of the same descriptor (the editor switched objects).
    virtual void SetParamBlock(IParamBlock2* pb) = 0;
    virtual ParamBlockDesc2* GetDesc() = 0;
    // The rollout's dialog; null once it has been destroyed.
    virtual HWND GetHWnd() = 0;
    // Installs proc (the map owns it from now on and deletes a different previous one);
    // an open rollout sends it WM_INITDIALOG at once.
    virtual void SetUserDlgProc(ParamMap2UserDlgProc* proc = nullptr) = 0;
    virtual ParamMap2UserDlgProc* GetUserDlgProc() = 0;
    // Shows the block's current value of id (-1: every parameter) in its controls.
    virtual void Invalidate(ParamID id = -1, int tabIndex = -1) = 0;
    virtual void UpdateUI(TimeValue t) = 0;
};

// The editor's dialog for one object: its rollouts, and the secondary dialogs (such as the
// texture output's) added with AddDlg, which it deletes with itself.
class IAutoMParamDlg : public ParamDlg {
public:
    virtual int NumDlgs() = 0;
    virtual void AddDlg(ParamDlg* dlg) = 0;
    virtual ParamDlg* GetDlg(int i) = 0;
    virtual void DeleteDlg(ParamDlg* dlg) = 0;
    virtual int NumMaps() = 0;
    virtual IParamMap2* GetMap(int i) = 0;
    virtual void InvalidateUI() = 0;
};

// A rollout of block pb in the editor ip, from the dialog template dlgTemplate of module
// hInst (or an in-memory template), with the rollout flags of the descriptor. Null when the
// page cannot be made.
IParamMap2* CreateMParamMap2(IParamBlock2* pb, IMtlParams* ip, HINSTANCE hInst, HWND hmedit,
                             const MCHAR* dlgTemplate, const MCHAR* title, DWORD flags,
                             ParamMap2UserDlgProc* dlgProc = nullptr);
IParamMap2* CreateMParamMap2(IParamBlock2* pb, IMtlParams* ip, HINSTANCE hInst, HWND hmedit,
                             DLGTEMPLATE* dlgTemplate, const MCHAR* title, DWORD flags,
                             ParamMap2UserDlgProc* dlgProc = nullptr);
// Closes the rollout; its user dialog procedure is deleted.
void DestroyMParamMap2(IParamMap2* m);
