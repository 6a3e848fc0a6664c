// The editor's life: opening again, several editors, and rollouts that outlive their map or
// are closed while the map updates.
#include "coords/xyz_gen.h"
#include "coords/xyz_rollout.h"
#include "editor_test_util.h"
#include "plugin/params_rollout.h"

namespace {

using EditorLifecycle = EditorTest;

TEST_F(EditorLifecycle, ReopeningBuildsFreshRollouts) {
    editor.Close();
    // Closing deletes both procedures and forgets them everywhere.
    EXPECT_EQ(GetScratchParamBlockDesc()->GetUserDlgProc(), nullptr);
    EXPECT_EQ(GetXYZParamBlockDesc()->GetUserDlgProc(), nullptr);
    EXPECT_EQ(GetTexOutDlgSlot(), nullptr);
    EXPECT_EQ(Params()->GetMap(0), nullptr);
    EXPECT_TRUE(editor.Pages().empty());

    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(editor.Open(map.get()));
        const HWND page = editor.FindPage(ModuleText(IDS_PARAMS).c_str());
        EXPECT_EQ(SendMessageW(GetDlgItem(page, IDC_TYPE), CB_GETCOUNT, 0, 0), 2);
        auto* proc =
            static_cast<QuorvScratchesDlgProc*>(GetScratchParamBlockDesc()->GetUserDlgProc());
        ASSERT_NE(proc, nullptr);
        EXPECT_EQ(proc->GetThing(), map.get());
        EXPECT_EQ(Params()->GetMap(0)->GetUserDlgProc(), proc);
    }
}

TEST_F(EditorLifecycle, RepeatedInitDoesNotDuplicateListItems) {
    IParamMap2* pmap = Mapping()->GetMap(0);
    ASSERT_NE(pmap, nullptr);
    ParamMap2UserDlgProc* proc = pmap->GetUserDlgProc();
    ASSERT_NE(proc, nullptr);
    proc->DlgProc(0, pmap, mapping, WM_INITDIALOG, 0, 0);
    EXPECT_EQ(SendMessageW(Item(mapping, IDC_XYZ_MAP), CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageW(Item(mapping, IDC_XYZ_TILE_Z), CB_GETCOUNT, 0, 0), 5);
}

TEST_F(EditorLifecycle, RolloutsOutliveTheirMap) {
    QuorvScratches* gone = map.release();
    gone->DeleteThis();
    // The rollouts are left without blocks; showing them or using a control does nothing.
    ASSERT_EQ(editor.FindPage(ModuleText(IDS_PARAMS).c_str()), params);
    editor.SetPageOpen(mapping, true);
    editor.SetPageOpen(params, false);
    editor.SetPageOpen(params, true);
    Click(params, IDC_USE_EROSION);
    Click(params, IDC_HOMEPAGE);
    Choose(mapping, IDC_XYZ_MAP, XYZ_MAP_SCREEN);
    Spin(params, IDC_SIZE_SPIN, 3.0f);
    EXPECT_EQ(ShellExecuteCalls().size(), 1u);
    editor.Close();
}

TEST_F(EditorLifecycle, UpdatesWithTheRolloutClosed) {
    IParamMap2* pmap = Mapping()->GetMap(0);
    ASSERT_NE(pmap, nullptr);
    // The dialog goes first, as when the editor's window is torn down.
    DestroyWindow(mapping);
    EXPECT_EQ(pmap->GetHWnd(), nullptr);
    Mapping()->SetValue(xyz_map, 0, XYZ_MAP_EXPLICIT_2D);
    Interval valid = FOREVER;
    map->Update(0, valid);
    QuorvXYZGen::SetupCoordinateSpinner(pmap, 0, xyz_size_x, IDC_XYZ_SIZE_X_EDIT,
                                        IDC_XYZ_SIZE_X_SPIN, TRUE, FALSE);
    QuorvXYZGen::SetupCoordinateSpinner(nullptr, 0, xyz_size_x, IDC_XYZ_SIZE_X_EDIT,
                                        IDC_XYZ_SIZE_X_SPIN, TRUE, FALSE);

    editor.Close();
    EXPECT_EQ(Mapping()->GetMap(0), nullptr);
    Params()->SetValue(scratch_useErosion, 0, 1);
    map->Update(0, valid);
    QuorvXYZGen gen;
    gen.RefreshCoordinateRollout(nullptr, 0);
    gen.RefreshCoordinateRollout(Mapping(), 0);
    map->UpdateControlEnables();
}

TEST_F(EditorLifecycle, TwoEditorsKeepTheirOwnOutputRollouts) {
    MapPtr second = NewMap();
    MapPtr third = NewMap();
    {
        MtlEditorStandIn other;
        ASSERT_TRUE(other.Open(second.get()));
        ParamDlg* otherOut = GetTexOutDlgSlot();
        ASSERT_NE(otherOut, nullptr);
        // Closing the first editor leaves the slot to the editor still open.
        editor.Close();
        EXPECT_EQ(GetTexOutDlgSlot(), otherOut);
        other.SetThing(third.get());
        EXPECT_EQ(otherOut->GetThing(), third->GetReference(OUTPUT_REF));
    }
    EXPECT_EQ(GetTexOutDlgSlot(), nullptr);
}

TEST(EditorProcedures, IgnoreObjectsOfAnotherClass) {
    MapPtr m = NewMap();
    QuorvScratchesDlgProc proc(m.get(), nullptr);
    ReferenceTarget* notAMap = m->GetReference(OUTPUT_REF);
    proc.SetThing(notAMap);
    proc.SetThing(nullptr);
    EXPECT_EQ(proc.GetThing(), m.get());
    // Without a rollout nothing reaches the block or the shell.
    EXPECT_FALSE(proc.DlgProc(0, nullptr, nullptr, WM_COMMAND, MAKEWPARAM(IDC_TYPE, 0), 0));
    EXPECT_TRUE(proc.DlgProc(0, nullptr, nullptr, WM_SHOWWINDOW, TRUE, 0));
}

TEST(EditorProcedures, NoDialogWithoutAnEditor) {
    MapPtr m = NewMap();
    EXPECT_EQ(m->CreateParamDlg(nullptr, nullptr), nullptr);
    EXPECT_EQ(GetScratchParamBlockDesc()->GetUserDlgProc(), nullptr);
}

}  // namespace
