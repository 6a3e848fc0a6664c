#include "tests/windows/stand_in_controls.h"

#include <custcont.h>

namespace {

// Extra window bytes: the font the dialog gave the control, and a swatch's colour.
constexpr int kFontSlot = 0;
constexpr int kColorSlot = sizeof(LONG_PTR);

void DrawLabel(HWND hwnd, HDC dc, RECT r, UINT format) {
    wchar_t text[128] = L"";
    GetWindowTextW(hwnd, text, 128);
    const auto font = reinterpret_cast<HFONT>(GetWindowLongPtrW(hwnd, kFontSlot));
    const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawTextW(dc, text, -1, &r, format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
}

void Paint(HWND hwnd, const wchar_t* kind) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    if (kind[0] == L'E') {  // edit field of a spinner
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        FillRect(dc, &r, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
        r.left += 2;
        DrawLabel(hwnd, dc, r, DT_LEFT);
    } else if (kind[0] == L'S') {  // spinner: two arrow buttons
        RECT up = r, down = r;
        up.bottom = down.top = (r.top + r.bottom) / 2;
        const UINT state = enabled ? 0 : DFCS_INACTIVE;
        DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP | state);
        DrawFrameControl(dc, &down, DFC_SCROLL, DFCS_SCROLLDOWN | state);
    } else if (kind[0] == L'B') {  // custom button; a checked one is drawn pressed
        bool checked = false;
        if (ICustButton* b = GetICustButton(hwnd)) {
            checked = b->IsChecked() != FALSE;
            ReleaseICustButton(b);
        }
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (checked ? DFCS_PUSHED : 0));
        DrawLabel(hwnd, dc, r, DT_CENTER);
    } else {  // colour swatch
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        const HBRUSH brush =
            CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(hwnd, kColorSlot)));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    EndPaint(hwnd, &ps);
}

template <wchar_t Kind>
LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    static constexpr wchar_t kind[2] = {Kind, 0};
    switch (msg) {
        case WM_SETFONT:
            SetWindowLongPtrW(hwnd, kFontSlot, static_cast<LONG_PTR>(wParam));
            return 0;
        case WM_GETFONT:
            return GetWindowLongPtrW(hwnd, kFontSlot);
        case WM_PAINT:
            Paint(hwnd, kind);
            return 0;
        case WM_LBUTTONUP:
            // The host's button acts on release; its interface does the rest (toggle, notify).
            if constexpr (Kind == L'B') {
                if (ICustButton* b = GetICustButton(hwnd)) {
                    b->Click();
                    ReleaseICustButton(b);
                }
                return 0;
            }
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        case WM_SETTEXT:
        case WM_ENABLE: {
            const LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
            InvalidateRect(hwnd, nullptr, TRUE);
            return r;
        }
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

bool Register(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

bool RegisterStandInControls(HINSTANCE instance) {
    return Register(instance, L"CustEdit", ControlProc<L'E'>) &&
           Register(instance, L"SpinnerControl", ControlProc<L'S'>) &&
           Register(instance, L"CustButton", ControlProc<L'B'>) &&
           Register(instance, L"ColorSwatch", ControlProc<L'C'>);
}

void SetSwatchColor(HWND swatch, COLORREF color) {
    SetWindowLongPtrW(swatch, kColorSlot, static_cast<LONG_PTR>(color));
    InvalidateRect(swatch, nullptr, TRUE);
}
