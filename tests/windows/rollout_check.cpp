#include "tests/windows/rollout_check.h"

#include <cstdio>
#include <vector>

#include <custcont.h>
#include <mtl_editor.h>

#include "coords/xyz_params.h"
#include "map/params_ids.h"
#include "resource.h"
#include "tests/windows/check.h"
#include "tests/windows/dialog_template.h"
#include "tests/windows/import_hook.h"
#include "tests/windows/map_access.h"
#include "tests/windows/stand_in_controls.h"

namespace {

// --- ShellExecuteW as the module calls it, recorded instead of run.
struct ShellCall {
    HWND hwnd;
    bool hasVerb, hasFile, hasParameters, hasDirectory;
    std::wstring file;
    int show;
};
std::vector<ShellCall> shellCalls;

HINSTANCE WINAPI RecordShellExecute(HWND hwnd, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                    LPCWSTR directory, INT show) {
    shellCalls.push_back({hwnd, verb != nullptr, file != nullptr, parameters != nullptr,
                          directory != nullptr, file ? file : L"", show});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));  // success, as Windows says
}

// --- Window helpers.
std::wstring Text(HWND h) {
    wchar_t buf[256] = L"";
    GetWindowTextW(h, buf, 256);
    return buf;
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[64] = L"";
    GetClassNameW(h, buf, 64);
    return buf;
}

std::wstring ModuleText(HMODULE module, int id) {
    wchar_t buf[256] = L"";
    LoadStringW(module, static_cast<UINT>(id), buf, 256);
    return buf;
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buf[256] = L"";
        if (SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 256)
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(buf));
        items.emplace_back(buf);
    }
    return items;
}

std::vector<std::wstring> ModuleTexts(HMODULE module, std::initializer_list<int> ids) {
    std::vector<std::wstring> texts;
    for (int id : ids) texts.push_back(ModuleText(module, id));
    return texts;
}

int Selection(HWND dlg, int id) {
    return static_cast<int>(SendDlgItemMessageW(dlg, id, CB_GETCURSEL, 0, 0));
}

// What the user does: pick a list item, click a button.
void Choose(HWND dlg, int id, int item) {
    SendDlgItemMessageW(dlg, id, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

void Click(HWND dlg, int id) {
    SendDlgItemMessageW(dlg, id, BM_CLICK, 0, 0);
}

bool Enabled(HWND dlg, int id) {
    const HWND h = GetDlgItem(dlg, id);
    return h && IsWindowEnabled(h);
}

// A left click on a custom button, as the mouse sends it.
void PressWithMouse(HWND button) {
    const LPARAM at = MAKELPARAM(3, 3);
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(button, WM_LBUTTONUP, 0, at);
}

bool LockChecked(HWND lock) {
    ICustButton* b = GetICustButton(lock);
    const bool checked = b && b->IsChecked();
    if (b) ReleaseICustButton(b);
    return checked;
}

bool AllEnabled(HWND dlg, std::initializer_list<int> ids, bool on) {
    for (int id : ids) {
        if (Enabled(dlg, id) != on) return false;
    }
    return true;
}

// Appends the pieces one by one (GCC 12 warns falsely on chains of string +).
template <class... Parts>
void Append(std::string& out, const Parts&... parts) {
    (out.append(parts), ...);
}

RECT RectIn(HWND dlg, HWND ctrl) {
    RECT r{};
    GetWindowRect(ctrl, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Meet(const RECT& a, const RECT& b) {
    RECT i;
    return IntersectRect(&i, &a, &b) != FALSE;
}

// Every control of the template exists, in order, with its class, ID and text; none leaves
// the dialog; none overlaps another, except that a group box holds whole controls.
void CheckDialogAgainstTemplate(HMODULE module, HWND dlg, int dialogId, const char* name) {
    const std::vector<TemplateItem> items = ReadDialogTemplate(module, dialogId);
    CHECK_DETAIL(items.size() > 20, name);
    std::vector<HWND> controls;
    for (HWND h = GetWindow(dlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) controls.push_back(h);
    if (!CHECK_DETAIL(controls.size() == items.size(),
                      std::string(name) + ": " + std::to_string(controls.size()) + " windows, " +
                          std::to_string(items.size()) + " template items"))
        return;
    RECT client{};
    GetClientRect(dlg, &client);
    int wrong = 0;
    std::string wrongList;
    std::vector<RECT> rects;
    std::vector<bool> isGroup;
    for (size_t i = 0; i < items.size(); ++i) {
        const TemplateItem& item = items[i];
        const HWND h = controls[i];
        const std::wstring cls = ClassOf(h);
        const bool textual = item.className == L"Static" || item.className == L"Button";
        const bool ok = _wcsicmp(cls.c_str(), item.className.c_str()) == 0 &&
                        static_cast<WORD>(GetDlgCtrlID(h)) == static_cast<WORD>(item.id) &&
                        (!textual || Text(h) == item.text);
        if (!ok) {
            ++wrong;
            Append(wrongList, " ", std::to_string(item.id), ":", Utf8(item.className), "/",
                   Utf8(cls));
        }
        rects.push_back(RectIn(dlg, h));
        isGroup.push_back(item.className == L"Button" && (item.style & BS_TYPEMASK) == BS_GROUPBOX);
    }
    CHECK_DETAIL(wrong == 0, std::string(name) + ": controls unlike the template:" + wrongList);
    std::string outside, overlaps;
    for (size_t i = 0; i < rects.size(); ++i) {
        if (!Inside(rects[i], client)) Append(outside, " ", std::to_string(items[i].id));
        for (size_t j = i + 1; j < rects.size(); ++j) {
            if (!Meet(rects[i], rects[j])) continue;
            if (isGroup[i] != isGroup[j]) {
                const size_t g = isGroup[i] ? i : j, c = isGroup[i] ? j : i;
                if (Inside(rects[c], rects[g])) continue;
            }
            Append(overlaps, " ", std::to_string(items[i].id), "#", std::to_string(i), "/",
                   std::to_string(items[j].id), "#", std::to_string(j));
        }
    }
    CHECK_DETAIL(outside.empty(), std::string(name) + ": items leave the dialog:" + outside);
    CHECK_DETAIL(overlaps.empty(), std::string(name) + ": items overlap:" + overlaps);
}

struct OpenEditor {
    MtlEditorStandIn editor;
    Texmap* map = nullptr;
    HWND params = nullptr;
    HWND mapping = nullptr;

    explicit OpenEditor(ClassDesc* cd) : map(static_cast<Texmap*>(cd->Create(FALSE))) {}
    ~OpenEditor() {
        editor.Close();
        if (map) map->DeleteThis();
    }
    bool Open() {
        if (!map || !editor.Open(map)) return false;
        // The two rollouts share control IDs; each has one the other lacks.
        for (const MtlEditorStandIn::Page& p : editor.Pages()) {
            if (GetDlgItem(p.hwnd, IDC_HOMEPAGE) && GetDlgItem(p.hwnd, IDC_TYPE)) params = p.hwnd;
            if (GetDlgItem(p.hwnd, IDC_XYZ_LOCK) && GetDlgItem(p.hwnd, IDC_XYZ_SEED_SPIN))
                mapping = p.hwnd;
        }
        return params && mapping;
    }
};

void CheckParametersRollout(HMODULE module, OpenEditor& e) {
    const HWND dlg = e.params;
    CHECK(e.editor.FindPage(ModuleText(module, IDS_PARAMS).c_str()) == dlg);
    CHECK(IsWindowVisible(dlg));
    CheckDialogAgainstTemplate(module, dlg, IDD_PARAMS, "Parameters");

    // The type list: exactly "2D" then "3D" from the string table, showing the block's type.
    const HWND type = GetDlgItem(dlg, IDC_TYPE);
    CHECK(ComboItems(type) == ModuleTexts(module, {IDS_TYPE_2D, IDS_TYPE_3D}));
    CHECK((ComboItems(type) == std::vector<std::wstring>{L"2D", L"3D"}));
    CHECK(Selection(dlg, IDC_TYPE) == IntParameter(e.map, scratch_params, scratch_type));
    Choose(dlg, IDC_TYPE, 0);
    CHECK(IntParameter(e.map, scratch_params, scratch_type) == 0);
    Choose(dlg, IDC_TYPE, 1);
    CHECK(IntParameter(e.map, scratch_params, scratch_type) == 1);

    // Greying follows the switches, clicked as the user does.
    const std::initializer_list<int> erosion = {IDC_EROSION_EDIT, IDC_EROSION_SPIN,
                                                IDC_EROSION_DELTA_EDIT, IDC_EROSION_DELTA_SPIN};
    const std::initializer_list<int> distortion = {IDC_DISTORT_STR_EDIT, IDC_DISTORT_STR_SPIN,
                                                   IDC_DISTORT_MAP, IDC_DISTORT_STR_MAP,
                                                   IDC_DISTORT_STR_MAP_ON};
    const std::initializer_list<int> always = {IDC_BUMP_DELTA_EDIT, IDC_BUMP_DELTA_SPIN,
                                               IDC_LEVELS_EDIT,     IDC_LEVELS_SPIN,
                                               IDC_USE_EROSION,     IDC_USE_DISTORTION};
    for (int round = 0; round < 2; ++round) {
        const bool useErosion = IntParameter(e.map, scratch_params, scratch_useErosion) != 0;
        const bool useDistortion = IntParameter(e.map, scratch_params, scratch_useDistortion) != 0;
        CHECK(IsDlgButtonChecked(dlg, IDC_USE_EROSION) == (useErosion ? BST_CHECKED : 0u));
        CHECK(AllEnabled(dlg, erosion, useErosion));
        CHECK(AllEnabled(dlg, distortion, useDistortion));
        CHECK(AllEnabled(dlg, always, true));
        Click(dlg, IDC_USE_EROSION);
        Click(dlg, IDC_USE_DISTORTION);
        CHECK(IntParameter(e.map, scratch_params, scratch_useErosion) == !useErosion);
        CHECK(IntParameter(e.map, scratch_params, scratch_useDistortion) == !useDistortion);
    }

    // "Homepage" asks the shell to open the page, and changes nothing.
    shellCalls.clear();
    const std::vector<std::wstring> before = ParameterSnapshot(e.map);
    Click(dlg, IDC_HOMEPAGE);
    if (CHECK(shellCalls.size() == 1)) {
        const ShellCall& c = shellCalls[0];
        CHECK(c.hwnd == nullptr && !c.hasVerb && !c.hasParameters && !c.hasDirectory);
        CHECK_DETAIL(c.file == L"https://quorv.example/scratches", Utf8(c.file));
        CHECK(c.show == SW_SHOW);
    }
    CHECK(ParameterSnapshot(e.map) == before);
}

void CheckMappingRollout(HMODULE module, OpenEditor& e) {
    const HWND dlg = e.mapping;
    CheckDialogAgainstTemplate(module, dlg, IDD_MAPPING, "Mapping");
    const HWND lock = GetDlgItem(dlg, IDC_XYZ_LOCK);
    CHECK(Text(lock) == ModuleText(module, IDS_LOCK) && Text(lock) == L"L");

    const auto types = ModuleTexts(module, {IDS_MAP_EXPLICIT_2D, IDS_MAP_EXPLICIT_REAL_WORLD,
                                            IDS_MAP_OBJECT_XYZ, IDS_MAP_WORLD_XYZ, IDS_MAP_SCREEN});
    const auto tiles = ModuleTexts(module, {IDS_TILE_CONTINUE, IDS_TILE_STRETCH, IDS_TILE_TILE,
                                            IDS_TILE_MIRROR, IDS_TILE_NONE});
    CHECK(ComboItems(GetDlgItem(dlg, IDC_XYZ_MAP)) == types);
    CHECK(types[0] == L"Explicit Map Channel 2D" && tiles[4] == L"None");
    const struct {
        int ctrl;
        ParamID id;
    } combos[] = {{IDC_XYZ_MAP, xyz_map},
                  {IDC_XYZ_TILE_X, xyz_tile_x},
                  {IDC_XYZ_TILE_Y, xyz_tile_y},
                  {IDC_XYZ_TILE_Z, xyz_tile_z}};
    for (const auto& c : combos) {
        if (c.ctrl != IDC_XYZ_MAP) CHECK(ComboItems(GetDlgItem(dlg, c.ctrl)) == tiles);
        CHECK(Selection(dlg, c.ctrl) == IntParameter(e.map, 0, c.id));
    }
    // A new map: "Object XYZ", "Continue", tiling greyed.
    CHECK(Selection(dlg, IDC_XYZ_MAP) == 2 && Selection(dlg, IDC_XYZ_TILE_X) == 0);

    const std::initializer_list<int> tiling = {IDC_XYZ_TILE_X, IDC_XYZ_TILE_Y, IDC_XYZ_TILE_Z};
    CHECK(AllEnabled(dlg, tiling, false));
    Choose(dlg, IDC_XYZ_MAP, 0);  // "Explicit Map Channel 2D"
    CHECK(IntParameter(e.map, 0, xyz_map) == 0);
    CHECK(AllEnabled(dlg, tiling, true));
    Choose(dlg, IDC_XYZ_MAP, 3);  // "World XYZ"
    CHECK(IntParameter(e.map, 0, xyz_map) == 3);
    CHECK(AllEnabled(dlg, tiling, false));

    // The lock, pressed with the mouse: the block follows, and the Y and Z size variances grey.
    const std::initializer_list<int> sizeYZ = {IDC_XYZ_SIZE_Y2_EDIT, IDC_XYZ_SIZE_Y2_SPIN,
                                               IDC_XYZ_SIZE_Z2_EDIT, IDC_XYZ_SIZE_Z2_SPIN};
    CHECK(IntParameter(e.map, 0, xyz_lock) == 1 && LockChecked(lock));
    for (int locked : {0, 1, 0}) {
        PressWithMouse(lock);
        CHECK(IntParameter(e.map, 0, xyz_lock) == locked);
        CHECK(LockChecked(lock) == (locked != 0));
        CHECK(AllEnabled(dlg, sizeYZ, locked == 0));
        CHECK(AllEnabled(dlg, {IDC_XYZ_SIZE_X2_EDIT, IDC_XYZ_SIZE_X2_SPIN}, true));
    }
}

// The coordinate spinners measure in scene units exactly for the types placed in the scene,
// and keep their limits (offsets may be negative, sizes not) across a change of type.
void CheckSpinnerUnits(OpenEditor& e) {
    const HWND dlg = e.mapping;
    const struct {
        int spin;
        float min;
    } spinners[] = {{IDC_XYZ_OFFSET_X_SPIN, -1e6f},
                    {IDC_XYZ_OFFSET_Z_SPIN, -1e6f},
                    {IDC_XYZ_SIZE_Y_SPIN, 0.0f},
                    {IDC_XYZ_OFFSET_Y2_SPIN, 0.0f},
                    {IDC_XYZ_SIZE_Z2_SPIN, 0.0f}};
    // As left, then through every type, into and out of scene units.
    for (int type : {-1, 0, 1, 2, 3, 4, 1}) {
        if (type < 0)
            type = IntParameter(e.map, 0, xyz_map);
        else
            Choose(dlg, IDC_XYZ_MAP, type);
        const bool scene = type >= 1 && type <= 3;
        for (const auto& s : spinners) {
            ISpinnerControl* spin = GetISpinner(GetDlgItem(dlg, s.spin));
            if (!CHECK_DETAIL(spin != nullptr, std::to_string(s.spin))) continue;
            // What the user reads: a distance with its unit, or a plain number.
            const std::wstring shown = Text(spin->GetEdit());
            const std::string what = "type " + std::to_string(type) + ", spinner " +
                                     std::to_string(s.spin) + ": " + Utf8(shown);
            CHECK_DETAIL(spin->GetEditType() == (scene ? EDITTYPE_UNIVERSE : EDITTYPE_FLOAT), what);
            CHECK_DETAIL(spin->GetMin() == s.min && spin->GetMax() == 1e6f, what);
            CHECK_DETAIL((shown.size() > 2 && shown.ends_with(L"cm")) == scene, what);
            ReleaseISpinner(spin);
        }
    }
}

void PumpMessages(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

COLORREF ToColorRef(const Color& c) {
    auto byte = [](float v) {
        const float clamped = v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
        return static_cast<BYTE>(clamped * 255.0f + 0.5f);
    };
    return RGB(byte(c.r), byte(c.g), byte(c.b));
}

bool WriteBmp(const std::wstring& path, int width, int height, const std::vector<BYTE>& bgr) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(stride * height);
    ih.biSize = sizeof ih;
    ih.biWidth = width;
    ih.biHeight = -height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
                    std::fwrite(&ih, sizeof ih, 1, f) == 1 &&
                    std::fwrite(bgr.data(), 1, bgr.size(), f) == bgr.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

void CheckRollouts(HMODULE module, ClassDesc* cd) {
    CHECK(ReplaceImport(module, "shell32.dll", "ShellExecuteW",
                        reinterpret_cast<void*>(&RecordShellExecute)) != nullptr);
    OpenEditor e(cd);
    if (!CHECK(e.Open())) return;
    // A new map opens with "Parameters" open and "Mapping" closed (the output rollout is the
    // host's own).
    for (const MtlEditorStandIn::Page& p : e.editor.Pages()) {
        if (p.hwnd != e.params && p.hwnd != e.mapping) continue;
        const bool open = p.hwnd == e.params;
        CHECK_DETAIL(p.open == open && e.editor.IsRollupPanelOpen(p.hwnd) == open &&
                         (IsWindowVisible(p.hwnd) != FALSE) == open,
                     Utf8(p.title));
    }
    CheckParametersRollout(module, e);
    e.editor.SetPageOpen(e.mapping, true);
    CheckMappingRollout(module, e);
    CheckSpinnerUnits(e);
}

bool WriteRolloutScreenshot(ClassDesc* cd, bool withOptions, const std::wstring& bmpFile) {
    OpenEditor e(cd);
    if (withOptions && e.map) {
        SetParameter(e.map, "useErosion", "1");
        SetParameter(e.map, "useDistortion", "1");
        SetParameter(e.map, "xyz_map", "0");
        UpdateMap(e.map);
    }
    if (!e.Open()) return false;
    const HWND panel = e.editor.GetPanel();
    SetWindowTextW(panel, L"");
    // A new map as it opens, with "Mapping" closed; the options picture shows it open.
    if (withOptions) e.editor.SetPageOpen(e.mapping, true);
    // The host's rollout title bars, and the swatches' colours (the host's swatch draws them).
    int bottom = 0, width = 0;
    for (const MtlEditorStandIn::Page& p : e.editor.Pages()) {
        const RECT r = RectIn(panel, p.hwnd);
        const std::wstring title = (p.open ? L"-  " : L"+  ") + p.title;
        // In the rollout's own font, whose descenders fit the bar.
        const HWND bar = CreateWindowExW(0, L"Button", title.c_str(),
                                         WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, r.left, r.top - 16,
                                         r.right - r.left, 15, panel, nullptr, nullptr, nullptr);
        SendMessageW(bar, WM_SETFONT, static_cast<WPARAM>(SendMessageW(p.hwnd, WM_GETFONT, 0, 0)),
                     FALSE);
        const LONG end = p.open ? r.bottom : r.top;
        bottom = end > bottom ? end : bottom;
        width = r.right > width ? r.right : width;
    }
    IParamBlock2* pb = e.map->GetParamBlockByID(scratch_params);
    for (const auto& [ctrl, id] :
         {std::pair{IDC_COLOR1, scratch_color1}, {IDC_COLOR2, scratch_color2}}) {
        Color c;
        Interval iv = FOREVER;
        pb->GetValue(id, 0, c, iv);
        SetSwatchColor(GetDlgItem(e.params, ctrl), ToColorRef(c));
    }
    SetFocus(panel);  // no focus rectangle in the picture
    RedrawWindow(panel, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages(1500);

    RECT screenRect{};
    GetWindowRect(panel, &screenRect);
    const int height = bottom + 4;
    width += 0;
    const HDC screen = GetDC(nullptr);
    const HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(mem, dib);
    const bool copied =
        BitBlt(mem, 0, 0, width, height, screen, screenRect.left, screenRect.top, SRCCOPY) != FALSE;
    GdiFlush();
    const int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<const BYTE*>(bits),
                             static_cast<const BYTE*>(bits) + stride * height);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return copied && WriteBmp(bmpFile, width, height, pixels);
}
