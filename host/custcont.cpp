// The host's custom controls over plain Win32 windows. As a real control's, the state belongs to
// the window (its GWLP_USERDATA points to it), so that every copy of this code that reaches the
// window sees the same control: a module's and its host's, or a window procedure's. The copy
// that first meets a window owns the state and drops it once the window no longer exists.
#include "custcont.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <map>
#include <memory>

namespace {

struct SpinnerState {
    double value = 0.0;
    float min = -FLT_MAX, max = FLT_MAX;
    float scale = 0.1f;
    bool autoScale = false;
    bool indeterminate = false;
    EditSpinnerType type = EDITTYPE_FLOAT;
    HWND edit = nullptr;
};

struct ButtonState {
    int type = CBT_PUSH;
    bool checked = false;
};

struct SwatchState {
    AColor color{0.0f, 0.0f, 0.0f, 1.0f};
};

template <class State>
std::map<HWND, std::unique_ptr<State>>& States() {
    static std::map<HWND, std::unique_ptr<State>> states;
    return states;
}

template <class State>
void Prune() {
    auto& states = States<State>();
    for (auto it = states.begin(); it != states.end();) {
        it = IsWindow(it->first) ? std::next(it) : states.erase(it);
    }
}

bool HasClass(HWND h, const wchar_t* name) {
    wchar_t cls[64];
    return h && IsWindow(h) && GetClassNameW(h, cls, 64) > 0 && std::wcscmp(cls, name) == 0;
}

// The state of window h; a window met for the first time starts from the defaults.
template <class State>
State& StateOf(HWND h) {
    if (auto* s = reinterpret_cast<State*>(GetWindowLongPtrW(h, GWLP_USERDATA))) return *s;
    Prune<State>();
    std::unique_ptr<State>& owned = States<State>()[h];
    owned = std::make_unique<State>();
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.get()));
    return *owned;
}

bool IsIntType(EditSpinnerType t) {
    return t == EDITTYPE_INT || t == EDITTYPE_POS_INT || t == EDITTYPE_TIME;
}

bool IsUniverseType(EditSpinnerType t) {
    return t == EDITTYPE_UNIVERSE || t == EDITTYPE_POS_UNIVERSE;
}

// Nearest int of a value already kept within float limits; NaN never gets here.
int ToInt(double v) {
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(std::lround(v));
}

void Notify(HWND ctrl, UINT msg, LPARAM self) {
    if (HWND parent = GetParent(ctrl))
        SendMessageW(parent, msg, MAKEWPARAM(GetDlgCtrlID(ctrl), 0), self);
}

class Spinner : public ISpinnerControl {
public:
    explicit Spinner(HWND h) : hwnd(h) {}

    HWND GetHwnd() override { return hwnd; }
    void Enable(BOOL onOff) override {
        EnableWindow(hwnd, onOff);
        if (S().edit) EnableWindow(S().edit, onOff);
    }
    void Disable() override { Enable(FALSE); }
    BOOL IsEnabled() override { return IsWindowEnabled(hwnd); }

    float GetFVal() override { return static_cast<float>(S().value); }
    int GetIVal() override { return ToInt(S().value); }
    void SetAutoScale(BOOL on) override { S().autoScale = on != FALSE; }
    void SetScale(float s) override { S().scale = s; }
    void SetValue(float v, int notify) override { Set(static_cast<double>(v), notify); }
    void SetValue(int v, int notify) override { Set(static_cast<double>(v), notify); }
    void SetLimits(int min, int max, int limitCurValue) override {
        SetLimits(static_cast<float>(min), static_cast<float>(max), limitCurValue);
    }
    void SetLimits(float min, float max, int limitCurValue) override {
        SpinnerState& s = S();
        if (std::isnan(min) || std::isnan(max)) return;
        s.min = min <= max ? min : max;
        s.max = min <= max ? max : min;
        if (limitCurValue) Set(s.value, FALSE);
    }
    void LinkToEdit(HWND hEdit, EditSpinnerType type) override {
        S().edit = hEdit;
        S().type = type;
        Show();
    }
    void SetIndeterminate(BOOL i) override {
        S().indeterminate = i != FALSE;
        Show();
    }
    BOOL IsIndeterminate() override { return S().indeterminate ? TRUE : FALSE; }

    float GetMin() override { return S().min; }
    float GetMax() override { return S().max; }
    float GetScale() override { return S().scale; }
    BOOL GetAutoScale() override { return S().autoScale ? TRUE : FALSE; }
    EditSpinnerType GetEditType() override { return S().type; }
    HWND GetEdit() override { return S().edit; }

private:
    SpinnerState& S() { return StateOf<SpinnerState>(hwnd); }

    void Set(double v, int notify) {
        if (std::isnan(v)) return;
        SpinnerState& s = S();
        v = std::fmin(std::fmax(v, static_cast<double>(s.min)), static_cast<double>(s.max));
        if (IsIntType(s.type)) v = std::nearbyint(v);
        s.value = v;
        s.indeterminate = false;
        Show();
        if (notify) Notify(hwnd, CC_SPINNER_CHANGE, reinterpret_cast<LPARAM>(this));
    }

    void Show() {
        const SpinnerState& s = S();
        if (!s.edit) return;
        wchar_t text[64] = L"";
        if (!s.indeterminate) {
            // Scene distances in the stand-in's display unit, the centimetre (one scene unit),
            // so that a spinner shows which kind of number it holds.
            if (IsIntType(s.type))
                std::swprintf(text, 64, L"%d", ToInt(s.value));
            else if (IsUniverseType(s.type))
                std::swprintf(text, 64, L"%.1fcm", s.value);
            else
                std::swprintf(text, 64, L"%.3f", s.value);
        }
        SetWindowTextW(s.edit, text);
    }

    HWND hwnd;
};

class CustButton : public ICustButton {
public:
    explicit CustButton(HWND h) : hwnd(h) {}

    HWND GetHwnd() override { return hwnd; }
    void Enable(BOOL onOff) override { EnableWindow(hwnd, onOff); }
    void Disable() override { Enable(FALSE); }
    BOOL IsEnabled() override { return IsWindowEnabled(hwnd); }

    void GetText(MCHAR* text, int ct) override {
        if (text && ct > 0) GetWindowTextW(hwnd, text, ct);
    }
    void SetText(const MCHAR* text) override { SetWindowTextW(hwnd, text ? text : L""); }
    void SetType(int type) override { S().type = type; }
    void SetCheck(BOOL checked) override {
        S().checked = checked != FALSE;
        InvalidateRect(hwnd, nullptr, TRUE);  // a checked button is drawn pressed
    }
    BOOL IsChecked() override { return S().checked ? TRUE : FALSE; }

    void Click() override {
        if (!IsWindowEnabled(hwnd)) return;
        if (S().type == CBT_CHECK) SetCheck(!S().checked);
        if (HWND parent = GetParent(hwnd))
            SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_BUTTONUP),
                         reinterpret_cast<LPARAM>(hwnd));
    }

private:
    ButtonState& S() { return StateOf<ButtonState>(hwnd); }
    HWND hwnd;
};

class ColorSwatch : public IColorSwatch {
public:
    explicit ColorSwatch(HWND h) : hwnd(h) {}

    HWND GetHwnd() override { return hwnd; }
    void Enable(BOOL onOff) override { EnableWindow(hwnd, onOff); }
    void Disable() override { Enable(FALSE); }
    BOOL IsEnabled() override { return IsWindowEnabled(hwnd); }

    void SetAColor(const AColor& c, int notify) override {
        StateOf<SwatchState>(hwnd).color = c;
        if (notify) Notify(hwnd, CC_COLOR_CHANGE, reinterpret_cast<LPARAM>(this));
    }
    AColor GetAColor() override { return StateOf<SwatchState>(hwnd).color; }

private:
    HWND hwnd;
};

ISpinnerControl* SetupSpinner(HWND hwnd, int idSpin, int idEdit, float min, float max, float val,
                              float scale, EditSpinnerType type) {
    ISpinnerControl* spin = GetISpinner(GetDlgItem(hwnd, idSpin));
    if (!spin) return nullptr;
    spin->SetLimits(min, max, FALSE);
    spin->SetScale(scale);
    spin->LinkToEdit(GetDlgItem(hwnd, idEdit), type);
    spin->SetValue(val, FALSE);
    return spin;
}

}  // namespace

ISpinnerControl* GetISpinner(HWND hCtrl) {
    if (!HasClass(hCtrl, L"SpinnerControl")) return nullptr;
    StateOf<SpinnerState>(hCtrl);
    return new Spinner(hCtrl);
}

void ReleaseISpinner(ISpinnerControl* isc) {
    delete isc;
}

ISpinnerControl* SetupIntSpinner(HWND hwnd, int idSpin, int idEdit, int min, int max, int val) {
    return SetupSpinner(hwnd, idSpin, idEdit, static_cast<float>(min), static_cast<float>(max),
                        static_cast<float>(val), 1.0f, EDITTYPE_INT);
}

ISpinnerControl* SetupFloatSpinner(HWND hwnd, int idSpin, int idEdit, float min, float max,
                                   float val, float scale) {
    return SetupSpinner(hwnd, idSpin, idEdit, min, max, val, scale, EDITTYPE_FLOAT);
}

ISpinnerControl* SetupUniverseSpinner(HWND hwnd, int idSpin, int idEdit, float min, float max,
                                      float val, float scale) {
    return SetupSpinner(hwnd, idSpin, idEdit, min, max, val, scale, EDITTYPE_UNIVERSE);
}

ICustButton* GetICustButton(HWND hCtrl) {
    if (!HasClass(hCtrl, L"CustButton")) return nullptr;
    StateOf<ButtonState>(hCtrl);
    return new CustButton(hCtrl);
}

void ReleaseICustButton(ICustButton* icb) {
    delete icb;
}

IColorSwatch* GetIColorSwatch(HWND hCtrl) {
    if (!HasClass(hCtrl, L"ColorSwatch")) return nullptr;
    StateOf<SwatchState>(hCtrl);
    return new ColorSwatch(hCtrl);
}

void ReleaseIColorSwatch(IColorSwatch* ics) {
    delete ics;
}
