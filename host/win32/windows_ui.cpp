// In-memory stand-in of the Win32 window calls: dialogs from registered or in-memory
// templates, their controls, messages, enabling, visibility, geometry, and a recorder in place
// of ShellExecuteW. Dialog procedures run outside any lock, so they may call back in.
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "resources.h"
#include "shellapi.h"
#include "windows.h"

namespace {

// Base units of "MS Sans Serif" 8 at 96 dpi: 4 horizontal and 8 vertical dialog units.
constexpr int kBaseX = 6;
constexpr int kBaseY = 13;
// Height in dialog units of a drop-down combo box's closed field.
constexpr int kComboFieldUnits = 13;

struct Window {
    HWND parent = nullptr;
    std::vector<HWND> children;  // creation order, which is the tab and enumeration order
    std::wstring className;
    std::wstring text;
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;
    RECT rect{};  // in the parent's client coordinates, pixels
    HINSTANCE instance = nullptr;
    DLGPROC dlgProc = nullptr;  // dialogs only
    LONG_PTR msgResult = 0, user = 0, userData = 0;
    std::vector<std::wstring> items;  // combo box
    int curSel = CB_ERR;
    UINT check = BST_UNCHECKED;  // button
};

struct Model {
    std::mutex mutex;
    std::map<HWND, std::unique_ptr<Window>> windows;
    uintptr_t nextHandle = 0x1000;
    std::map<const void*, std::vector<DialogResource>> dialogs;
    std::vector<ShellExecuteRecord> shellCalls;
};

Model& M() {
    static Model model;
    return model;
}

void Fail(DWORD e) {
    SetLastError(e);
}

const void* ModuleBase(const void* address) {
    Dl_info info{};
    if (address && dladdr(address, &info) != 0 && info.dli_fbase) return info.dli_fbase;
    return address;
}

bool SameClass(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return i == a.size() && b[i] == L'\0';
}

// The window behind a handle, or null. The pointer stays valid until that window is destroyed;
// callers look it up again after anything that may run a dialog procedure.
Window* Find(HWND h) {
    std::lock_guard<std::mutex> lock(M().mutex);
    auto it = M().windows.find(h);
    return it == M().windows.end() ? nullptr : it->second.get();
}

bool IsCombo(const Window& w) {
    return SameClass(w.className, L"ComboBox");
}
bool IsButton(const Window& w) {
    return SameClass(w.className, L"Button");
}

LONG MulDivFloor(LONG v, int num, int den) {
    const long long x = static_cast<long long>(v) * num;
    return static_cast<LONG>(x >= 0 ? x / den : -((-x + den - 1) / den));
}

RECT DialogUnitsToPixels(int x, int y, int cx, int cy) {
    RECT r;
    r.left = MulDivFloor(x, kBaseX, 4);
    r.top = MulDivFloor(y, kBaseY, 8);
    r.right = MulDivFloor(x + cx, kBaseX, 4);
    r.bottom = MulDivFloor(y + cy, kBaseY, 8);
    return r;
}

HWND NewWindow(std::unique_ptr<Window> w) {
    std::lock_guard<std::mutex> lock(M().mutex);
    M().nextHandle += 4;
    HWND h = reinterpret_cast<HWND>(M().nextHandle);
    if (w->parent) {
        auto it = M().windows.find(w->parent);
        if (it != M().windows.end()) it->second->children.push_back(h);
    }
    M().windows.emplace(h, std::move(w));
    return h;
}

// One control of a template, whichever way the template arrived.
struct ItemDesc {
    DWORD style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::wstring className, text;
};

struct DialogDesc {
    DWORD style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::wstring caption;
    std::vector<ItemDesc> items;
};

HWND BuildDialog(HINSTANCE instance, const DialogDesc& d, HWND parent, DLGPROC proc, LPARAM param) {
    if ((d.style & WS_CHILD) && !(parent && Find(parent))) {
        Fail(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    auto dlg = std::make_unique<Window>();
    dlg->parent = parent;
    dlg->className = L"#32770";
    dlg->text = d.caption;
    // The dialog is shown only after WM_INITDIALOG, as on Windows.
    dlg->style = d.style & ~static_cast<DWORD>(WS_VISIBLE);
    dlg->exStyle = d.exStyle;
    dlg->rect = DialogUnitsToPixels(d.x, d.y, d.cx, d.cy);
    dlg->instance = instance;
    dlg->dlgProc = proc;
    const HWND hDlg = NewWindow(std::move(dlg));

    HWND firstTab = nullptr;
    for (const ItemDesc& item : d.items) {
        auto c = std::make_unique<Window>();
        c->parent = hDlg;
        c->className = item.className;
        c->text = item.text;
        c->style = item.style;
        c->exStyle = item.exStyle;
        c->id = item.id;
        c->instance = instance;
        int cy = item.cy;
        const DWORD comboType = item.style & 0x3;
        // The template height of a drop-down combo box is that of its open list.
        if (IsCombo(*c) && (comboType == CBS_DROPDOWN || comboType == CBS_DROPDOWNLIST))
            cy = kComboFieldUnits;
        c->rect = DialogUnitsToPixels(item.x, item.y, item.cx, cy);
        const bool tab = (item.style & WS_TABSTOP) != 0;
        const HWND h = NewWindow(std::move(c));
        if (tab && !firstTab) firstTab = h;
    }

    if (proc) proc(hDlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTab), param);
    // The procedure may have destroyed its dialog.
    if (!Find(hDlg)) return nullptr;
    if (d.style & WS_VISIBLE) ShowWindow(hDlg, SW_SHOW);
    return hDlg;
}

// --- DLGTEMPLATE parsing -----------------------------------------------------------------------

class TemplateReader {
public:
    explicit TemplateReader(const BYTE* p) : base(p), at(p) {}
    WORD Word() {
        WORD w;
        std::memcpy(&w, at, sizeof w);
        at += sizeof w;
        return w;
    }
    DWORD Dword() {
        DWORD d;
        std::memcpy(&d, at, sizeof d);
        at += sizeof d;
        return d;
    }
    short Short() { return static_cast<short>(Word()); }
    std::wstring Sz() {
        std::wstring s;
        for (WORD c = Word(); c != 0; c = Word()) s += static_cast<wchar_t>(c);
        return s;
    }
    // A string, or 0xFFFF and an ordinal; a null first word means none.
    std::wstring SzOrOrd(WORD* ordinal) {
        *ordinal = 0;
        WORD first;
        std::memcpy(&first, at, sizeof first);
        if (first == 0xFFFF) {
            Word();
            *ordinal = Word();
            return std::wstring();
        }
        return Sz();
    }
    void AlignDword() {
        const size_t off = static_cast<size_t>(at - base);
        at += (4 - off % 4) % 4;
    }

private:
    const BYTE* base;
    const BYTE* at;
};

const wchar_t* PredefinedClass(WORD atom) {
    switch (atom) {
        case 0x0080:
            return L"Button";
        case 0x0081:
            return L"Edit";
        case 0x0082:
            return L"Static";
        case 0x0083:
            return L"ListBox";
        case 0x0084:
            return L"ScrollBar";
        case 0x0085:
            return L"ComboBox";
        default:
            return L"";
    }
}

DialogDesc ParseTemplate(const DLGTEMPLATE* t) {
    TemplateReader r(reinterpret_cast<const BYTE*>(t));
    DialogDesc d;
    d.style = r.Dword();
    d.exStyle = r.Dword();
    const WORD count = r.Word();
    d.x = r.Short();
    d.y = r.Short();
    d.cx = r.Short();
    d.cy = r.Short();
    WORD ordinal = 0;
    r.SzOrOrd(&ordinal);  // menu
    r.SzOrOrd(&ordinal);  // class
    d.caption = r.Sz();
    if (d.style & DS_SETFONT) {
        r.Word();
        r.Sz();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        ItemDesc item;
        item.style = r.Dword();
        item.exStyle = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = static_cast<short>(r.Word());
        WORD atom = 0;
        item.className = r.SzOrOrd(&atom);
        if (atom) item.className = PredefinedClass(atom);
        WORD textOrdinal = 0;
        item.text = r.SzOrOrd(&textOrdinal);
        const WORD extra = r.Word();
        for (WORD k = 0; k < extra; k += 2) r.Word();
        d.items.push_back(std::move(item));
    }
    return d;
}

// --- control behaviour ---------------------------------------------------------------------------

LRESULT CopyText(const std::wstring& s, WPARAM capacity, LPARAM buffer) {
    auto* out = reinterpret_cast<wchar_t*>(buffer);
    if (!out || capacity == 0) return 0;
    const size_t n = std::min(s.size(), static_cast<size_t>(capacity) - 1);
    std::copy(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n), out);
    out[n] = L'\0';
    return static_cast<LRESULT>(n);
}

LRESULT ComboMessage(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, bool* handled) {
    *handled = true;
    const auto count = static_cast<LRESULT>(w.items.size());
    switch (msg) {
        case CB_ADDSTRING: {
            const auto* s = reinterpret_cast<const wchar_t*>(lParam);
            w.items.emplace_back(s ? s : L"");
            return count;
        }
        case CB_RESETCONTENT:
            w.items.clear();
            w.curSel = CB_ERR;
            return TRUE;
        case CB_GETCOUNT:
            return count;
        case CB_GETCURSEL:
            return w.curSel;
        case CB_SETCURSEL: {
            // An index outside the list clears the selection and answers CB_ERR.
            const auto i = static_cast<LRESULT>(static_cast<INT_PTR>(wParam));
            if (i < 0 || i >= count) {
                w.curSel = CB_ERR;
                return CB_ERR;
            }
            w.curSel = static_cast<int>(i);
            return i;
        }
        case CB_GETLBTEXTLEN: {
            const auto i = static_cast<LRESULT>(static_cast<INT_PTR>(wParam));
            if (i < 0 || i >= count) return CB_ERR;
            return static_cast<LRESULT>(w.items[static_cast<size_t>(i)].size());
        }
        case CB_GETLBTEXT: {
            // The caller's buffer holds CB_GETLBTEXTLEN + 1 characters.
            const auto i = static_cast<LRESULT>(static_cast<INT_PTR>(wParam));
            if (i < 0 || i >= count || !lParam) return CB_ERR;
            const std::wstring& s = w.items[static_cast<size_t>(i)];
            auto* out = reinterpret_cast<wchar_t*>(lParam);
            std::copy(s.begin(), s.end(), out);
            out[s.size()] = L'\0';
            return static_cast<LRESULT>(s.size());
        }
        default:
            *handled = false;
            return 0;
    }
}

// Messages every window answers the same way when no dialog procedure took them.
LRESULT DefaultMessage(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(h);
    if (!w) return 0;
    switch (msg) {
        case WM_SETTEXT: {
            const auto* s = reinterpret_cast<const wchar_t*>(lParam);
            w->text = s ? s : L"";
            return TRUE;
        }
        case WM_GETTEXT:
            return CopyText(w->text, wParam, lParam);
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(w->text.size());
        default:
            break;
    }
    if (IsCombo(*w)) {
        bool handled = false;
        const LRESULT r = ComboMessage(*w, msg, wParam, lParam, &handled);
        if (handled) return r;
    }
    if (IsButton(*w)) {
        const DWORD type = w->style & BS_TYPEMASK;
        switch (msg) {
            case BM_GETCHECK:
                return w->check;
            case BM_SETCHECK:
                if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX)
                    w->check = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
                return 0;
            case BM_CLICK: {
                // A disabled button cannot be clicked.
                if (w->style & WS_DISABLED) return 0;
                if (type == BS_AUTOCHECKBOX)
                    w->check = w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
                const HWND parent = w->parent;
                const int id = w->id;
                if (parent)
                    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(h));
                return 0;
            }
            default:
                break;
        }
    }
    return 0;
}

void DestroyTree(HWND h) {
    Window* w = Find(h);
    if (!w) return;
    if (w->dlgProc) w->dlgProc(h, WM_DESTROY, 0, 0);
    w = Find(h);
    if (!w) return;
    const std::vector<HWND> children = w->children;
    for (HWND c : children) DestroyTree(c);
    w = Find(h);
    if (!w) return;
    if (w->dlgProc) w->dlgProc(h, WM_NCDESTROY, 0, 0);
    std::lock_guard<std::mutex> lock(M().mutex);
    auto it = M().windows.find(h);
    if (it == M().windows.end()) return;
    const HWND parent = it->second->parent;
    M().windows.erase(it);
    auto p = M().windows.find(parent);
    if (p != M().windows.end()) {
        auto& siblings = p->second->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), h), siblings.end());
    }
}

}  // namespace

// --- registration ----------------------------------------------------------------------------

void RegisterModuleDialogs(const void* addressInModule, const DialogResource* table, size_t count) {
    const void* base = ModuleBase(addressInModule);
    std::lock_guard<std::mutex> lock(M().mutex);
    auto& entries = M().dialogs[base];
    entries.clear();
    if (table) entries.assign(table, table + count);
}

void UnregisterModuleDialogs(const void* addressInModule) {
    const void* base = ModuleBase(addressInModule);
    std::lock_guard<std::mutex> lock(M().mutex);
    M().dialogs.erase(base);
}

const DialogResource* FindModuleDialog(HINSTANCE hInstance, unsigned id) {
    std::lock_guard<std::mutex> lock(M().mutex);
    auto it = M().dialogs.find(static_cast<const void*>(hInstance));
    if (it == M().dialogs.end()) return nullptr;
    for (const DialogResource& d : it->second) {
        if (d.id == id) return &d;
    }
    return nullptr;
}

// --- creation and destruction ------------------------------------------------------------------

HWND WINAPI CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    // Only numbered templates are registered.
    if (!lpTemplateName || !IS_INTRESOURCE(lpTemplateName)) {
        Fail(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const auto id = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(lpTemplateName));
    const DialogResource* res = FindModuleDialog(hInstance, id);
    if (!res) {
        Fail(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    DialogDesc d;
    d.style = res->style;
    d.exStyle = res->exStyle;
    d.x = res->x;
    d.y = res->y;
    d.cx = res->cx;
    d.cy = res->cy;
    d.caption = res->caption ? res->caption : L"";
    for (size_t i = 0; i < res->count; ++i) {
        const DialogItemResource& r = res->items[i];
        ItemDesc item;
        item.style = r.style;
        item.exStyle = r.exStyle;
        item.x = r.x;
        item.y = r.y;
        item.cx = r.cx;
        item.cy = r.cy;
        item.id = r.id;
        item.className = r.className ? r.className : L"";
        item.text = r.text ? r.text : L"";
        d.items.push_back(std::move(item));
    }
    return BuildDialog(hInstance, d, hWndParent, lpDialogFunc, dwInitParam);
}

HWND WINAPI CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate,
                                       HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    if (!lpTemplate) {
        Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return BuildDialog(hInstance, ParseTemplate(lpTemplate), hWndParent, lpDialogFunc, dwInitParam);
}

HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                            DWORD dwStyle, int X, int Y, int nWidth, int nHeight, HWND hWndParent,
                            HMENU hMenu, HINSTANCE hInstance, LPVOID) {
    if (!lpClassName || IS_INTRESOURCE(lpClassName)) {
        Fail(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if ((dwStyle & WS_CHILD) && !(hWndParent && Find(hWndParent))) {
        Fail(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    auto w = std::make_unique<Window>();
    w->parent = hWndParent;
    w->className = lpClassName;
    w->text = lpWindowName ? lpWindowName : L"";
    w->style = dwStyle;
    w->exStyle = dwExStyle;
    // For a child window the menu argument carries its ID.
    w->id = (dwStyle & WS_CHILD) ? static_cast<int>(reinterpret_cast<INT_PTR>(hMenu)) : 0;
    w->rect = RECT{X, Y, X + nWidth, Y + nHeight};
    w->instance = hInstance;
    return NewWindow(std::move(w));
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    if (!Find(hWnd)) {
        Fail(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    DestroyTree(hWnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
    return Find(hWnd) ? TRUE : FALSE;
}

// --- relations ---------------------------------------------------------------------------------

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    std::lock_guard<std::mutex> lock(M().mutex);
    auto it = M().windows.find(hDlg);
    if (it == M().windows.end()) return nullptr;
    for (HWND c : it->second->children) {
        auto ci = M().windows.find(c);
        if (ci != M().windows.end() && ci->second->id == nIDDlgItem) return c;
    }
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    Window* w = Find(hWnd);
    return w ? w->id : 0;
}

HWND WINAPI GetParent(HWND hWnd) {
    Window* w = Find(hWnd);
    return w ? w->parent : nullptr;
}

BOOL WINAPI EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    if (!lpEnumFunc) return FALSE;
    // Every descendant, depth first in creation order, as Windows enumerates them.
    std::vector<HWND> order;
    std::vector<HWND> stack;
    {
        std::lock_guard<std::mutex> lock(M().mutex);
        auto root = M().windows.find(hWndParent);
        if (root == M().windows.end()) return FALSE;
        stack.assign(root->second->children.rbegin(), root->second->children.rend());
        while (!stack.empty()) {
            const HWND h = stack.back();
            stack.pop_back();
            auto it = M().windows.find(h);
            if (it == M().windows.end()) continue;
            order.push_back(h);
            stack.insert(stack.end(), it->second->children.rbegin(), it->second->children.rend());
        }
    }
    for (HWND h : order) {
        if (Find(h) && !lpEnumFunc(h, lParam)) break;
    }
    return TRUE;
}

// --- messages ----------------------------------------------------------------------------------

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hWnd);
    if (!w) {
        Fail(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (DLGPROC proc = w->dlgProc) {
        const INT_PTR handled = proc(hWnd, Msg, wParam, lParam);
        if (handled) {
            // A dialog procedure answers most messages through DWLP_MSGRESULT.
            if (Msg == WM_INITDIALOG) return handled;
            Window* after = Find(hWnd);
            return after ? after->msgResult : 0;
        }
    }
    return DefaultMessage(hWnd, Msg, wParam, lParam);
}

LRESULT WINAPI SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                   LPARAM lParam) {
    const HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    const HWND item = GetDlgItem(hDlg, nIDButton);
    if (!item) return FALSE;
    SendMessageW(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    const HWND item = GetDlgItem(hDlg, nIDButton);
    return item ? static_cast<UINT>(SendMessageW(item, BM_GETCHECK, 0, 0)) : 0;
}

// --- state -------------------------------------------------------------------------------------

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    Window* w = Find(hWnd);
    if (!w) return FALSE;
    const bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (bEnable)
        w->style &= ~static_cast<DWORD>(WS_DISABLED);
    else
        w->style |= WS_DISABLED;
    if (wasDisabled == !bEnable) return wasDisabled ? TRUE : FALSE;
    if (w->dlgProc) w->dlgProc(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    Window* w = Find(hWnd);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    Window* w = Find(hWnd);
    if (!w) return FALSE;
    const bool wasVisible = (w->style & WS_VISIBLE) != 0;
    const bool show = nCmdShow != SW_HIDE;
    if (wasVisible == show) return wasVisible ? TRUE : FALSE;
    // WM_SHOWWINDOW arrives before the window changes, as on Windows.
    if (w->dlgProc) w->dlgProc(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if ((w = Find(hWnd)) != nullptr) {
        if (show)
            w->style |= WS_VISIBLE;
        else
            w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    for (HWND h = hWnd; h;) {
        Window* w = Find(h);
        if (!w || !(w->style & WS_VISIBLE)) return FALSE;
        if (!(w->style & WS_CHILD)) return TRUE;
        h = w->parent;
    }
    return FALSE;
}

BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    if (!Find(hWnd)) return FALSE;
    return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) return 0;
    lpString[0] = L'\0';
    if (!Find(hWnd)) return 0;
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                         reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthW(HWND hWnd) {
    return Find(hWnd) ? static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
    Window* w = Find(hWnd);
    if (!w || !lpClassName || nMaxCount <= 0) return 0;
    return static_cast<int>(CopyText(w->className, static_cast<WPARAM>(nMaxCount),
                                     reinterpret_cast<LPARAM>(lpClassName)));
}

LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex) {
    Window* w = Find(hWnd);
    if (!w) return 0;
    switch (nIndex) {
        case GWL_STYLE:
            return static_cast<LONG>(w->style);
        case GWL_EXSTYLE:
            return static_cast<LONG>(w->exStyle);
        case GWLP_ID:
            return w->id;
        default:
            return 0;
    }
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex) {
    Window* w = Find(hWnd);
    if (!w) return 0;
    switch (nIndex) {
        case GWLP_USERDATA:
            return w->userData;
        case DWLP_USER:
            return w->dlgProc ? w->user : 0;
        case DWLP_MSGRESULT:
            return w->dlgProc ? w->msgResult : 0;
        default:
            return GetWindowLongW(hWnd, nIndex);
    }
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    Window* w = Find(hWnd);
    if (!w) return 0;
    LONG_PTR* slot = nullptr;
    if (nIndex == GWLP_USERDATA) slot = &w->userData;
    if (w->dlgProc && nIndex == DWLP_USER) slot = &w->user;
    if (w->dlgProc && nIndex == DWLP_MSGRESULT) slot = &w->msgResult;
    if (!slot) return 0;
    const LONG_PTR old = *slot;
    *slot = dwNewLong;
    return old;
}

// --- geometry ----------------------------------------------------------------------------------

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    Window* w = Find(hWnd);
    if (!w || !lpRect) return FALSE;
    RECT r = w->rect;
    // Screen coordinates: every parent's origin added; top-level windows sit at their place.
    for (HWND p = w->parent; p;) {
        Window* pw = Find(p);
        if (!pw) break;
        r.left += pw->rect.left;
        r.right += pw->rect.left;
        r.top += pw->rect.top;
        r.bottom += pw->rect.top;
        p = pw->parent;
    }
    *lpRect = r;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    Window* w = Find(hWnd);
    if (!w || !lpRect) return FALSE;
    *lpRect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
    Window* w = Find(hDlg);
    if (!w || !w->dlgProc || !lpRect) return FALSE;
    *lpRect = DialogUnitsToPixels(lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                                  lpRect->bottom - lpRect->top);
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL) {
    Window* w = Find(hWnd);
    if (!w) return FALSE;
    w->rect = RECT{X, Y, X + nWidth, Y + nHeight};
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT*, BOOL) {
    return Find(hWnd) ? TRUE : FALSE;
}

// --- shell -------------------------------------------------------------------------------------

HINSTANCE WINAPI ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                               LPCWSTR lpDirectory, INT nShowCmd) {
    ShellExecuteRecord r;
    r.hwnd = hwnd;
    r.hasOperation = lpOperation != nullptr;
    r.hasFile = lpFile != nullptr;
    r.hasParameters = lpParameters != nullptr;
    r.hasDirectory = lpDirectory != nullptr;
    if (lpOperation) r.operation = lpOperation;
    if (lpFile) r.file = lpFile;
    if (lpParameters) r.parameters = lpParameters;
    if (lpDirectory) r.directory = lpDirectory;
    r.showCmd = nShowCmd;
    std::lock_guard<std::mutex> lock(M().mutex);
    M().shellCalls.push_back(std::move(r));
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

std::vector<ShellExecuteRecord> ShellExecuteCalls() {
    std::lock_guard<std::mutex> lock(M().mutex);
    return M().shellCalls;
}

void ClearShellExecuteCalls() {
    std::lock_guard<std::mutex> lock(M().mutex);
    M().shellCalls.clear();
}
