// Parameter maps (the rollouts that show a parameter block). Declared here; the editor
// stand-in that implements them comes later.
#pragma once

#include "maxheap.h"
#include "maxtypes.h"

class IParamMap2;
class IParamBlock2;
class ReferenceTarget;
class IAutoMParamDlg;

class ParamMap2UserDlgProc : public MaxHeapOperators {
public:
    virtual ~ParamMap2UserDlgProc() = default;
    virtual INT_PTR DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam,
                            LPARAM lParam) = 0;
    virtual void DeleteThis() = 0;
    virtual void SetThing(ReferenceTarget*) {}
    virtual void Update(TimeValue) {}
};

class IParamMap2 : public MaxHeapOperators {
public:
    virtual ~IParamMap2() = default;
    virtual void Enable(ParamID id, BOOL onOff, int tabIndex = -1) = 0;
    virtual IParamBlock2* GetParamBlock() = 0;
    virtual HWND GetHWnd() = 0;
    virtual void SetUserDlgProc(ParamMap2UserDlgProc* proc = nullptr) = 0;
    virtual ParamMap2UserDlgProc* GetUserDlgProc() = 0;
    virtual void Invalidate(ParamID id = -1, int tabIndex = -1) = 0;
};
