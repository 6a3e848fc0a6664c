// The host's custom controls: spinners with their edit fields, custom buttons and colour
// swatches. Each is a window of the host's class ("SpinnerControl", "CustButton",
// "ColorSwatch") in a dialog; the interfaces are views of such a window, got with GetI... and
// given back with ReleaseI... The control's state lives as long as its window.
#pragma once

#include <windows.h>

#include "color.h"
#include "maxheap.h"
#include "maxtypes.h"

enum EditSpinnerType {
    EDITTYPE_INT = 0,
    EDITTYPE_FLOAT = 1,
    EDITTYPE_UNIVERSE = 2,
    EDITTYPE_POS_INT = 3,
    EDITTYPE_POS_FLOAT = 4,
    EDITTYPE_POS_UNIVERSE = 5,
    EDITTYPE_TIME = 6,
};

#define SPIN_AUTOSCALE -1.0f

// Notifications to the control's parent. A spinner sends CC_SPINNER_CHANGE with its ID in
// the low word of wParam and its ISpinnerControl in lParam; a custom button sends WM_COMMAND
// with BN_BUTTONUP; a swatch sends CC_COLOR_CHANGE like a spinner.
#define CC_SPINNER_CHANGE (WM_USER + 600)
#define CC_SPINNER_BUTTONDOWN (WM_USER + 601)
#define CC_SPINNER_BUTTONUP (WM_USER + 602)
#define CC_COLOR_CHANGE (WM_USER + 603)
#define BN_BUTTONDOWN 8
#define BN_BUTTONUP 9

// Custom button kinds.
#define CBT_PUSH 0
#define CBT_CHECK 1

class ICustomControl : public MaxHeapOperators {
public:
    virtual ~ICustomControl() = default;
    virtual HWND GetHwnd() = 0;
    virtual void Enable(BOOL onOff = TRUE) = 0;
    virtual void Disable() = 0;
    virtual BOOL IsEnabled() = 0;
};

class ISpinnerControl : public ICustomControl {
public:
    virtual float GetFVal() = 0;
    virtual int GetIVal() = 0;
    virtual void SetAutoScale(BOOL on = TRUE) = 0;
    virtual void SetScale(float s) = 0;
    // The value is kept within the limits (rounded for integer edit types). With notify the
    // parent gets CC_SPINNER_CHANGE, as when the user drags the spinner; a NaN is ignored.
    virtual void SetValue(float v, int notify) = 0;
    virtual void SetValue(int v, int notify) = 0;
    virtual void SetLimits(int min, int max, int limitCurValue = TRUE) = 0;
    virtual void SetLimits(float min, float max, int limitCurValue = TRUE) = 0;
    // The edit field that shows the value, and how it shows it (universe: scene units).
    virtual void LinkToEdit(HWND hEdit, EditSpinnerType type) = 0;
    virtual void SetIndeterminate(BOOL i = TRUE) = 0;
    virtual BOOL IsIndeterminate() = 0;

    // Stand-in extras: what the control was set up with.
    virtual float GetMin() = 0;
    virtual float GetMax() = 0;
    virtual float GetScale() = 0;
    virtual BOOL GetAutoScale() = 0;
    virtual EditSpinnerType GetEditType() = 0;
    virtual HWND GetEdit() = 0;
};

// Null when hCtrl is not a "SpinnerControl" window.
ISpinnerControl* GetISpinner(HWND hCtrl);
void ReleaseISpinner(ISpinnerControl* isc);

// The spinner idSpin of dialog hwnd linked to its edit idEdit, with limits, value and step
// scale; the caller releases it. Null when the dialog has no such spinner.
ISpinnerControl* SetupIntSpinner(HWND hwnd, int idSpin, int idEdit, int min, int max, int val);
ISpinnerControl* SetupFloatSpinner(HWND hwnd, int idSpin, int idEdit, float min, float max,
                                   float val, float scale = 0.1f);
ISpinnerControl* SetupUniverseSpinner(HWND hwnd, int idSpin, int idEdit, float min, float max,
                                      float val, float scale = 0.1f);

class ICustButton : public ICustomControl {
public:
    virtual void GetText(MCHAR* text, int ct) = 0;
    virtual void SetText(const MCHAR* text) = 0;
    virtual void SetType(int type) = 0;  // CBT_PUSH or CBT_CHECK
    virtual void SetCheck(BOOL checked) = 0;
    virtual BOOL IsChecked() = 0;

    // Stand-in extra: the user presses the button. A check button toggles; the parent gets
    // WM_COMMAND with BN_BUTTONUP. Nothing happens while the button is disabled.
    virtual void Click() = 0;
};

// Null when hCtrl is not a "CustButton" window.
ICustButton* GetICustButton(HWND hCtrl);
void ReleaseICustButton(ICustButton* icb);

class IColorSwatch : public ICustomControl {
public:
    virtual void SetAColor(const AColor& c, int notify = FALSE) = 0;
    virtual AColor GetAColor() = 0;
};

// Null when hCtrl is not a "ColorSwatch" window.
IColorSwatch* GetIColorSwatch(HWND hCtrl);
void ReleaseIColorSwatch(IColorSwatch* ics);
