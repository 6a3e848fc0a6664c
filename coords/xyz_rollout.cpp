// The "Mapping" rollout: its dialog procedure, and the enabling and spinner units that follow
// the mapping type and the lock.
#include "coords/xyz_rollout.h"

#include <iterator>

#include "coords/xyz_gen.h"
#include "coords/xyz_params.h"
#include "plugin/module.h"
#include "choice_lists.h"
#include "resource.h"

namespace {

// The lists whose item index is the parameter's value.
constexpr struct {
    ParamID id;
    int combo;
} kLists[] = {{xyz_map, IDC_XYZ_MAP},
              {xyz_tile_x, IDC_XYZ_TILE_X},
              {xyz_tile_y, IDC_XYZ_TILE_Y},
              {xyz_tile_z, IDC_XYZ_TILE_Z}};

constexpr float kSpinnerLimit = 1000000.0f;
constexpr float kSpinnerStep = 0.1f;

template <size_t N>
void FillList(HWND hWnd, int comboID, const int (&texts)[N]) {
    const HWND combo = GetDlgItem(hWnd, comboID);
    if (!combo) return;
    // A second WM_INITDIALOG must not add the items again.
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    // A missing string is empty and still takes its place: item positions stay the values.
    for (int id : texts)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GetModuleString(id)));
}

void InitControls(HWND hWnd) {
    if (ICustButton* lock = GetICustButton(GetDlgItem(hWnd, IDC_XYZ_LOCK))) {
        lock->SetText(GetModuleString(IDS_LOCK));
        ReleaseICustButton(lock);
    }
    FillList(hWnd, IDC_XYZ_MAP, kMapTypeTexts);
    FillList(hWnd, IDC_XYZ_TILE_X, kTilingTexts);
    FillList(hWnd, IDC_XYZ_TILE_Y, kTilingTexts);
    FillList(hWnd, IDC_XYZ_TILE_Z, kTilingTexts);
}

void SelectFromBlock(IParamMap2* map, HWND hWnd, TimeValue t) {
    // The rollout may outlive its block (the object was deleted while the editor was open).
    IParamBlock2* pb = map ? map->GetParamBlock() : nullptr;
    if (!pb) return;
    for (const auto& list : kLists) {
        int value = 0;
        Interval iv = FOREVER;
        pb->GetValue(list.id, t, value, iv);
        const HWND combo = GetDlgItem(hWnd, list.combo);
        if (combo) SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
    }
}

}  // namespace

INT_PTR QuorvXYZDlgProc::DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM,
                                 LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            InitControls(hWnd);
            [[fallthrough]];
        case WM_SHOWWINDOW:
            SelectFromBlock(map, hWnd, t);
            return TRUE;
        default:
            return FALSE;
    }
}

void QuorvXYZGen::RefreshCoordinateRollout(IParamBlock2* pb, TimeValue t) const {
    IParamMap2* map = pb ? pb->GetMap(0) : nullptr;
    if (!map) return;

    // The block's values at t, which Update has just cached as well: read here, the rollout
    // can also be refreshed when it opens on a map whose cache is still valid.
    int type = XYZ_MAP_OBJECT, locked = 1;
    Interval iv = FOREVER;
    pb->GetValue(xyz_map, t, type, iv);
    pb->GetValue(xyz_lock, t, locked, iv);

    // With the lock only the X size variance is used.
    map->Enable(xyz_size_y2, !locked);
    map->Enable(xyz_size_z2, !locked);
    // Only the 2D channel type is tiled.
    const BOOL tiled = type == XYZ_MAP_EXPLICIT_2D;
    map->Enable(xyz_tile_x, tiled);
    map->Enable(xyz_tile_y, tiled);
    map->Enable(xyz_tile_z, tiled);

    // These types measure their coordinates in the scene; the others in texture space.
    const BOOL universe =
        type == XYZ_MAP_EXPLICIT_REAL_WORLD || type == XYZ_MAP_OBJECT || type == XYZ_MAP_WORLD;
    const struct {
        ParamID id;
        int edit, spin;
        BOOL negative;
    } spinners[] = {
        {xyz_offset_x, IDC_XYZ_OFFSET_X_EDIT, IDC_XYZ_OFFSET_X_SPIN, TRUE},
        {xyz_offset_y, IDC_XYZ_OFFSET_Y_EDIT, IDC_XYZ_OFFSET_Y_SPIN, TRUE},
        {xyz_offset_z, IDC_XYZ_OFFSET_Z_EDIT, IDC_XYZ_OFFSET_Z_SPIN, TRUE},
        {xyz_size_x, IDC_XYZ_SIZE_X_EDIT, IDC_XYZ_SIZE_X_SPIN, FALSE},
        {xyz_size_y, IDC_XYZ_SIZE_Y_EDIT, IDC_XYZ_SIZE_Y_SPIN, FALSE},
        {xyz_size_z, IDC_XYZ_SIZE_Z_EDIT, IDC_XYZ_SIZE_Z_SPIN, FALSE},
        {xyz_offset_x2, IDC_XYZ_OFFSET_X2_EDIT, IDC_XYZ_OFFSET_X2_SPIN, FALSE},
        {xyz_offset_y2, IDC_XYZ_OFFSET_Y2_EDIT, IDC_XYZ_OFFSET_Y2_SPIN, FALSE},
        {xyz_offset_z2, IDC_XYZ_OFFSET_Z2_EDIT, IDC_XYZ_OFFSET_Z2_SPIN, FALSE},
        {xyz_size_x2, IDC_XYZ_SIZE_X2_EDIT, IDC_XYZ_SIZE_X2_SPIN, FALSE},
        {xyz_size_y2, IDC_XYZ_SIZE_Y2_EDIT, IDC_XYZ_SIZE_Y2_SPIN, FALSE},
        {xyz_size_z2, IDC_XYZ_SIZE_Z2_EDIT, IDC_XYZ_SIZE_Z2_SPIN, FALSE},
    };
    for (const auto& s : spinners)
        SetupCoordinateSpinner(map, t, s.id, s.edit, s.spin, universe, s.negative);
}

void QuorvXYZGen::SetupCoordinateSpinner(IParamMap2* map, TimeValue t, ParamID id, int editID,
                                         int spinID, BOOL universe, BOOL allowNegative) {
    const HWND hWnd = map ? map->GetHWnd() : nullptr;
    IParamBlock2* pb = map ? map->GetParamBlock() : nullptr;
    if (!hWnd || !pb) return;
    float value = 0.0f;
    Interval iv = FOREVER;
    pb->GetValue(id, t, value, iv);
    const float low = allowNegative ? -kSpinnerLimit : 0.0f;
    ISpinnerControl* spin =
        universe
            ? SetupUniverseSpinner(hWnd, spinID, editID, low, kSpinnerLimit, value, kSpinnerStep)
            : SetupFloatSpinner(hWnd, spinID, editID, low, kSpinnerLimit, value, kSpinnerStep);
    if (!spin) return;
    spin->SetAutoScale(TRUE);
    ReleaseISpinner(spin);
}
