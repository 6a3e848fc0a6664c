// Both rollouts of a map in the editor: what a new map shows, and how the controls follow
// the user's choices.
#include <cfloat>

#include "editor_test_util.h"
#include "plugin/homepage.h"
#include "plugin/params_rollout.h"
#include "texout_ids.h"

namespace {

constexpr int kTilingLists[] = {IDC_XYZ_TILE_X, IDC_XYZ_TILE_Y, IDC_XYZ_TILE_Z};
// Edit and spinner of the offsets and sizes, whose units follow the mapping type.
constexpr int kUnitSpinners[][2] = {
    {IDC_XYZ_OFFSET_X_EDIT, IDC_XYZ_OFFSET_X_SPIN}, {IDC_XYZ_OFFSET_Y_EDIT, IDC_XYZ_OFFSET_Y_SPIN},
    {IDC_XYZ_OFFSET_Z_EDIT, IDC_XYZ_OFFSET_Z_SPIN}, {IDC_XYZ_SIZE_X_EDIT, IDC_XYZ_SIZE_X_SPIN},
    {IDC_XYZ_SIZE_Y_EDIT, IDC_XYZ_SIZE_Y_SPIN},     {IDC_XYZ_SIZE_Z_EDIT, IDC_XYZ_SIZE_Z_SPIN},
};

std::vector<std::wstring> Texts(std::initializer_list<int> ids) {
    std::vector<std::wstring> out;
    for (int id : ids) out.push_back(ModuleText(id));
    return out;
}

using Rollouts = EditorTest;

TEST_F(Rollouts, NewMapShowsItsDefaults) {
    // The three rollouts; only "Mapping" starts closed.
    ASSERT_EQ(editor.Pages().size(), 3u);
    const HWND output = editor.FindPage(L"Output");
    ASSERT_NE(output, nullptr);
    EXPECT_FALSE(editor.IsRollupPanelOpen(mapping));
    EXPECT_FALSE(IsWindowVisible(mapping));
    EXPECT_TRUE(editor.IsRollupPanelOpen(params));
    EXPECT_TRUE(IsWindowVisible(params));

    EXPECT_EQ(ComboItems(Item(mapping, IDC_XYZ_MAP)),
              Texts({IDS_MAP_EXPLICIT_2D, IDS_MAP_EXPLICIT_REAL_WORLD, IDS_MAP_OBJECT_XYZ,
                     IDS_MAP_WORLD_XYZ, IDS_MAP_SCREEN}));
    EXPECT_EQ(Selection(mapping, IDC_XYZ_MAP), XYZ_MAP_OBJECT);
    for (int list : kTilingLists) {
        EXPECT_EQ(ComboItems(Item(mapping, list)),
                  Texts({IDS_TILE_CONTINUE, IDS_TILE_STRETCH, IDS_TILE_TILE, IDS_TILE_MIRROR,
                         IDS_TILE_NONE}));
        EXPECT_EQ(Selection(mapping, list), XYZ_TILE_CONTINUE);
        EXPECT_FALSE(Enabled(mapping, list));
    }
    // "3D" for the reset's type 1, in a list of exactly "2D" then "3D".
    EXPECT_EQ(ComboItems(Item(params, IDC_TYPE)), Texts({IDS_TYPE_2D, IDS_TYPE_3D}));
    EXPECT_EQ(Selection(params, IDC_TYPE), 1);

    ICustButton* lock = GetICustButton(Item(mapping, IDC_XYZ_LOCK));
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(WindowText(lock->GetHwnd()), ModuleText(IDS_LOCK));
    EXPECT_EQ(ModuleText(IDS_LOCK), L"L");
    EXPECT_TRUE(lock->IsChecked());
    ReleaseICustButton(lock);

    // Object XYZ measures offsets and sizes in scene units.
    for (const auto& s : kUnitSpinners) {
        SpinnerRef spin(Item(mapping, s[1]));
        ASSERT_TRUE(spin);
        EXPECT_EQ(spin->GetEditType(), EDITTYPE_UNIVERSE);
        EXPECT_EQ(spin->GetEdit(), Item(mapping, s[0]));
    }
    // The bound values reach the controls.
    EXPECT_EQ(WindowText(Item(params, IDC_SIZE_EDIT)), L"10.000");
    EXPECT_EQ(WindowText(Item(params, IDC_LEVELS_EDIT)), L"6");
    EXPECT_EQ(WindowText(Item(mapping, IDC_XYZ_SEED_EDIT)), L"12345");
    EXPECT_EQ(IsDlgButtonChecked(mapping, IDC_XYZ_RAND_OBJ), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(mapping, IDC_XYZ_RAND_MAT), BST_UNCHECKED);
    EXPECT_EQ(WindowText(Item(params, IDC_COLOR1_MAP)), L"None");
}

TEST_F(Rollouts, OpeningTheMappingRolloutSelectsFromTheBlock) {
    // Values changed by script while the rollout was closed show when it opens.
    Mapping()->SetValue(xyz_tile_y, 0, XYZ_TILE_MIRROR);
    SendMessageW(Item(mapping, IDC_XYZ_TILE_Y), CB_SETCURSEL, 0, 0);
    editor.SetPageOpen(mapping, true);
    EXPECT_TRUE(IsWindowVisible(mapping));
    EXPECT_EQ(Selection(mapping, IDC_XYZ_TILE_Y), XYZ_TILE_MIRROR);
}

TEST_F(Rollouts, MappingTypeSwitchesTilingAndUnits) {
    editor.SetPageOpen(mapping, true);
    Choose(mapping, IDC_XYZ_MAP, XYZ_MAP_EXPLICIT_2D);
    EXPECT_EQ(Mapping()->GetInt(xyz_map, 0), XYZ_MAP_EXPLICIT_2D);
    for (int list : kTilingLists) EXPECT_TRUE(Enabled(mapping, list));
    for (const auto& s : kUnitSpinners) {
        SpinnerRef spin(Item(mapping, s[1]));
        EXPECT_EQ(spin->GetEditType(), EDITTYPE_FLOAT);
    }
    EXPECT_EQ(map->LocalRequirements(0), static_cast<ULONG>(MTLREQ_UV));

    Choose(mapping, IDC_XYZ_MAP, XYZ_MAP_WORLD);
    EXPECT_EQ(Mapping()->GetInt(xyz_map, 0), XYZ_MAP_WORLD);
    for (int list : kTilingLists) EXPECT_FALSE(Enabled(mapping, list));
    for (const auto& s : kUnitSpinners) {
        SpinnerRef spin(Item(mapping, s[1]));
        EXPECT_EQ(spin->GetEditType(), EDITTYPE_UNIVERSE);
    }
    // Screen coordinates are plain numbers too, and not tiled.
    Choose(mapping, IDC_XYZ_MAP, XYZ_MAP_SCREEN);
    for (int list : kTilingLists) EXPECT_FALSE(Enabled(mapping, list));
    SpinnerRef offset(Item(mapping, IDC_XYZ_OFFSET_X_SPIN));
    EXPECT_EQ(offset->GetEditType(), EDITTYPE_FLOAT);
}

TEST_F(Rollouts, LockGreysTheYAndZSizeVariances) {
    const int yz[] = {IDC_XYZ_SIZE_Y2_EDIT, IDC_XYZ_SIZE_Y2_SPIN, IDC_XYZ_SIZE_Z2_EDIT,
                      IDC_XYZ_SIZE_Z2_SPIN};
    for (int id : yz) EXPECT_FALSE(Enabled(mapping, id)) << id;
    EXPECT_TRUE(Enabled(mapping, IDC_XYZ_SIZE_X2_SPIN));

    Press(mapping, IDC_XYZ_LOCK);
    EXPECT_EQ(Mapping()->GetInt(xyz_lock, 0), 0);
    for (int id : yz) EXPECT_TRUE(Enabled(mapping, id)) << id;

    Press(mapping, IDC_XYZ_LOCK);
    EXPECT_EQ(Mapping()->GetInt(xyz_lock, 0), 1);
    for (int id : yz) EXPECT_FALSE(Enabled(mapping, id)) << id;
}

TEST_F(Rollouts, ErosionAndDistortionGreyWhatIsSwitchedOff) {
    const int erosion[] = {IDC_EROSION_EDIT, IDC_EROSION_SPIN, IDC_EROSION_DELTA_EDIT,
                           IDC_EROSION_DELTA_SPIN};
    const int distortion[] = {IDC_DISTORT_STR_EDIT, IDC_DISTORT_STR_SPIN, IDC_DISTORT_MAP,
                              IDC_DISTORT_STR_MAP, IDC_DISTORT_STR_MAP_ON};
    // Never greyed: the switches themselves, bump delta and levels.
    const int always[] = {IDC_USE_EROSION,     IDC_USE_DISTORTION, IDC_BUMP_DELTA_EDIT,
                          IDC_BUMP_DELTA_SPIN, IDC_LEVELS_EDIT,    IDC_LEVELS_SPIN};

    for (int id : erosion) EXPECT_FALSE(Enabled(params, id)) << id;
    for (int id : distortion) EXPECT_FALSE(Enabled(params, id)) << id;
    for (int id : always) EXPECT_TRUE(Enabled(params, id)) << id;

    Click(params, IDC_USE_EROSION);
    EXPECT_EQ(Params()->GetInt(scratch_useErosion, 0), 1);
    for (int id : erosion) EXPECT_TRUE(Enabled(params, id)) << id;
    for (int id : distortion) EXPECT_FALSE(Enabled(params, id)) << id;

    Click(params, IDC_USE_DISTORTION);
    EXPECT_EQ(Params()->GetInt(scratch_useDistortion, 0), 1);
    for (int id : distortion) EXPECT_TRUE(Enabled(params, id)) << id;

    // A script change greys again at the map's next update.
    Params()->SetValue(scratch_useErosion, 0, 0);
    Interval valid = FOREVER;
    map->Update(0, valid);
    for (int id : erosion) EXPECT_FALSE(Enabled(params, id)) << id;
    for (int id : always) EXPECT_TRUE(Enabled(params, id)) << id;
}

TEST_F(Rollouts, SpinnersKeepTheirLimits) {
    editor.SetPageOpen(mapping, true);
    // The block's ranges, through the "Parameters" spinners.
    Spin(params, IDC_LEVELS_SPIN, 20.0f);
    EXPECT_EQ(Params()->GetInt(scratch_levels, 0), 8);
    Spin(params, IDC_LEVELS_SPIN, 0.0f);
    EXPECT_EQ(Params()->GetInt(scratch_levels, 0), 1);
    Spin(params, IDC_LEVELS_SPIN, 4.6f);
    EXPECT_EQ(Params()->GetInt(scratch_levels, 0), 5);
    Spin(params, IDC_SPREAD_SPIN, 0.05f);
    EXPECT_EQ(Params()->GetFloat(scratch_spread, 0), 0.1f);
    Spin(params, IDC_EROSION_DELTA_SPIN, 0.001f);
    EXPECT_EQ(Params()->GetFloat(scratch_erosionDelta, 0), 0.01f);
    Spin(params, IDC_THRESH_HIGH_SPIN, 3.0f);
    EXPECT_EQ(Params()->GetFloat(scratch_thresholdHigh, 0), 1.0f);
    Spin(mapping, IDC_XYZ_SEED_SPIN, 0.0f);
    EXPECT_EQ(Mapping()->GetInt(xyz_seed, 0), 1);
    Spin(mapping, IDC_XYZ_SEED_SPIN, 200000.0f);
    EXPECT_EQ(Mapping()->GetInt(xyz_seed, 0), 99999);
    Spin(mapping, IDC_XYZ_CHAN_SPIN, 101.0f);
    EXPECT_EQ(Mapping()->GetInt(xyz_chan, 0), 100);

    // The coordinate spinners as the rollout re-creates them.
    for (int spin : {IDC_XYZ_OFFSET_X_SPIN, IDC_XYZ_OFFSET_Y_SPIN, IDC_XYZ_OFFSET_Z_SPIN}) {
        SpinnerRef s(Item(mapping, spin));
        EXPECT_EQ(s->GetMin(), -1000000.0f);
        EXPECT_EQ(s->GetMax(), 1000000.0f);
        EXPECT_EQ(s->GetScale(), 0.1f);
        EXPECT_TRUE(s->GetAutoScale());
    }
    for (int spin :
         {IDC_XYZ_SIZE_X_SPIN, IDC_XYZ_SIZE_Z_SPIN, IDC_XYZ_OFFSET_Y2_SPIN, IDC_XYZ_SIZE_X2_SPIN}) {
        SpinnerRef s(Item(mapping, spin));
        EXPECT_EQ(s->GetMin(), 0.0f);
        EXPECT_EQ(s->GetMax(), 1000000.0f);
    }
    Spin(mapping, IDC_XYZ_OFFSET_X_SPIN, -2000000.0f);
    EXPECT_EQ(Mapping()->GetFloat(xyz_offset_x, 0), -1000000.0f);
    Spin(mapping, IDC_XYZ_SIZE_X_SPIN, -5.0f);
    EXPECT_EQ(Mapping()->GetFloat(xyz_size_x, 0), 0.0f);
    Spin(mapping, IDC_XYZ_SIZE_X2_SPIN, -1.0f);
    EXPECT_EQ(Mapping()->GetFloat(xyz_size_x2, 0), 0.0f);
}

// Every value of both blocks at time 0, to see that something changed none of them.
std::vector<std::wstring> Snapshot(IParamBlock2* pb) {
    std::vector<std::wstring> values;
    for (int i = 0; i < pb->NumParams(); ++i) {
        const ParamID id = pb->IndextoID(i);
        const Point3 c = pb->GetPoint3(id, 0);
        values.push_back(
            std::to_wstring(pb->GetFloat(id, 0)) + L" " + std::to_wstring(pb->GetInt(id, 0)) +
            L" " + std::to_wstring(c.x) + std::to_wstring(c.y) + std::to_wstring(c.z) + L" " +
            std::to_wstring(reinterpret_cast<uintptr_t>(pb->GetReferenceTarget(id, 0))));
    }
    return values;
}

TEST_F(Rollouts, HomepageOpensThePageAndChangesNothing) {
    const auto paramsBefore = Snapshot(Params());
    const auto mappingBefore = Snapshot(Mapping());
    const int changesBefore = editor.MtlChangedCount();

    Click(params, IDC_HOMEPAGE);

    const auto calls = ShellExecuteCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].hwnd, nullptr);
    EXPECT_FALSE(calls[0].hasOperation);  // the default verb
    EXPECT_EQ(calls[0].file, kQuorvHomepageUrl);
    EXPECT_FALSE(calls[0].hasParameters);
    EXPECT_FALSE(calls[0].hasDirectory);
    EXPECT_EQ(calls[0].showCmd, SW_SHOW);
    EXPECT_EQ(Snapshot(Params()), paramsBefore);
    EXPECT_EQ(Snapshot(Mapping()), mappingBefore);
    EXPECT_EQ(editor.MtlChangedCount(), changesBefore);

    // Control 1003 of the "Mapping" rollout is the map channel's spinner, not a page; and
    // only a click opens the page, not the button's other notifications.
    SendMessageW(mapping, WM_COMMAND, MAKEWPARAM(IDC_XYZ_CHAN_SPIN, BN_CLICKED), 0);
    constexpr WORD kSetFocus = 6;  // BN_SETFOCUS
    SendMessageW(params, WM_COMMAND, MAKEWPARAM(IDC_HOMEPAGE, kSetFocus), 0);
    EXPECT_EQ(ShellExecuteCalls().size(), 1u);
}

TEST_F(Rollouts, EditorFollowsAnotherMapOfTheClass) {
    MapPtr other = NewMap();
    other->GetParamBlockByID(scratch_params)->SetValue(scratch_useErosion, 0, 1);
    other->GetParamBlockByID(scratch_params)->SetValue(scratch_type, 0, 0);
    other->GetParamBlockByID(0)->SetValue(xyz_map, 0, XYZ_MAP_EXPLICIT_2D);
    other->GetParamBlockByID(0)->SetValue(xyz_lock, 0, 0);
    editor.SetThing(other.get());

    // "Mapping" shows the other map's tiling, units and lock at once, not after its update.
    for (int list : kTilingLists) EXPECT_TRUE(Enabled(mapping, list));
    for (const auto& s : kUnitSpinners) {
        SpinnerRef spin(Item(mapping, s[1]));
        EXPECT_EQ(spin->GetEditType(), EDITTYPE_FLOAT);
    }
    EXPECT_TRUE(Enabled(mapping, IDC_XYZ_SIZE_Z2_SPIN));

    // The rollouts show the other map's blocks, and only those blocks know them.
    EXPECT_EQ(Params()->GetMap(0), nullptr);
    ASSERT_NE(other->GetParamBlockByID(scratch_params)->GetMap(0), nullptr);
    EXPECT_EQ(other->GetParamBlockByID(scratch_params)->GetMap(0)->GetHWnd(), params);
    EXPECT_EQ(Selection(params, IDC_TYPE), 0);
    EXPECT_EQ(Selection(mapping, IDC_XYZ_MAP), XYZ_MAP_EXPLICIT_2D);
    EXPECT_TRUE(Enabled(params, IDC_EROSION_SPIN));

    // The texture output's rollout follows the map's own output.
    ParamDlg* outDlg = GetTexOutDlgSlot();
    ASSERT_NE(outDlg, nullptr);
    EXPECT_EQ(outDlg->GetThing(), other->GetReference(OUTPUT_REF));
    EXPECT_FALSE(map->SetDlgThing(nullptr));
    // Another dialogue handed to the map (the host asks each map of the editor in turn) is
    // not the map's to set.
    struct OtherDlg : ParamDlg {
        Class_ID ClassID() override { return Class_ID(1, 2); }
        void SetThing(ReferenceTarget* m) override { thing = m; }
        ReferenceTarget* GetThing() override { return thing; }
        void SetTime(TimeValue) override {}
        void ReloadDialog() override {}
        void DeleteThis() override {}
        void ActivateDlg(BOOL) override {}
        ReferenceTarget* thing = nullptr;
    } otherDlg;
    EXPECT_FALSE(other->SetDlgThing(&otherDlg));
    EXPECT_EQ(otherDlg.thing, nullptr);

    // A change through the editor reaches the other map only.
    Click(params, IDC_USE_DISTORTION);
    EXPECT_EQ(other->GetParamBlockByID(scratch_params)->GetInt(scratch_useDistortion, 0), 1);
    EXPECT_EQ(Params()->GetInt(scratch_useDistortion, 0), 0);
    editor.Close();
}

TEST_F(Rollouts, OutputRolloutEditsTheTextureOutput) {
    const HWND output = editor.FindPage(L"Output");
    ASSERT_NE(output, nullptr);
    auto* texout = static_cast<TextureOutput*>(map->GetReference(OUTPUT_REF));
    ASSERT_NE(texout, nullptr);
    Click(output, IDC_TEXOUT_INVERT);
    EXPECT_TRUE(texout->GetInvert());
}

}  // namespace
