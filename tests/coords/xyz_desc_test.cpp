// The "Mapping" descriptor against the published table: scripts and saved scenes depend on
// every ID, name, default and range.
#include <gtest/gtest.h>

#include "coords/xyz_desc.h"
#include "coords/xyz_params.h"
#include "plugin/module.h"
#include "resource.h"

namespace {

constexpr int F = TYPE_FLOAT, I = TYPE_INT, B = TYPE_BOOL;
constexpr int SP = TYPE_SPINNER, CB = TYPE_INT_COMBOBOX, CK = TYPE_SINGLECHEKBOX;
constexpr int EI = EDITTYPE_INT, EF = EDITTYPE_FLOAT;
constexpr float kBig = 1000000.0f;

// ID, name, type, label, default, has range, low, high, control, edit type, control IDs.
struct Row {
    int id;
    const wchar_t* name;
    int type, label;
    float def;
    bool range;
    float lo, hi;
    int ctrl, edit, ctrl0, ctrl1;
};
// clang-format off
const Row kTable[] = {
    {0, L"xyz_map", I, 0, 2, false, 0, 0, CB, 0, 1001, 0},
    {1, L"xyz_chan", I, 8, 1, true, 0, 100, SP, EI, 1002, 1003},
    {2, L"xyz_offset_x", F, 0, 0, true, -kBig, kBig, SP, EF, 1491, 1497},
    {3, L"xyz_offset_y", F, 0, 0, true, -kBig, kBig, SP, EF, 1492, 1498},
    {4, L"xyz_offset_z", F, 0, 0, true, -kBig, kBig, SP, EF, 1493, 1499},
    {5, L"xyz_size_x", F, 0, 1, true, 1e-4f, kBig, SP, EF, 1494, 1500},
    {6, L"xyz_size_y", F, 0, 1, true, 1e-4f, kBig, SP, EF, 1495, 1501},
    {7, L"xyz_size_z", F, 0, 1, true, 1e-4f, kBig, SP, EF, 1496, 1502},
    {8, L"xyz_angle_x", F, 0, 0, true, -kBig, kBig, SP, EF, 1007, 1008},
    {9, L"xyz_angle_y", F, 0, 0, true, -kBig, kBig, SP, EF, 1009, 1010},
    {10, L"xyz_angle_z", F, 0, 0, true, -kBig, kBig, SP, EF, 1011, 1012},
    {11, L"xyz_tile_x", I, 0, 0, false, 0, 0, CB, 0, 1004, 0},
    {12, L"xyz_tile_y", I, 0, 0, false, 0, 0, CB, 0, 1005, 0},
    {13, L"xyz_tile_z", I, 0, 0, false, 0, 0, CB, 0, 1006, 0},
    {23, L"seed", I, 19, 12345, true, 1, 99999, SP, EI, 1515, 1516},
    {24, L"randByMat", B, 20, 0, false, 0, 0, CK, 0, 1021, 0},
    {25, L"randByObj", B, 21, 1, false, 0, 0, CK, 0, 1022, 0},
    {14, L"xyz_offset_x2", F, 0, 0, true, 0, kBig, SP, EF, 1503, 1504},
    {15, L"xyz_offset_y2", F, 0, 0, true, 0, kBig, SP, EF, 1505, 1506},
    {16, L"xyz_offset_z2", F, 0, 0, true, 0, kBig, SP, EF, 1507, 1508},
    {17, L"xyz_size_x2", F, 0, 0, true, 0, kBig, SP, EF, 1509, 1510},
    {18, L"xyz_size_y2", F, 0, 0, true, 0, kBig, SP, EF, 1511, 1512},
    {19, L"xyz_size_z2", F, 0, 0, true, 0, kBig, SP, EF, 1513, 1514},
    {20, L"xyz_angle_x2", F, 0, 0, true, 0, kBig, SP, EF, 1013, 1014},
    {21, L"xyz_angle_y2", F, 0, 0, true, 0, kBig, SP, EF, 1015, 1016},
    {22, L"xyz_angle_z2", F, 0, 0, true, 0, kBig, SP, EF, 1017, 1018},
    {26, L"xyz_lock", B, 0, 1, false, 0, 0, TYPE_CHECKBUTTON, 0, 1023, 0},
};
// clang-format on

TEST(XYZDesc, ParametersMatchTheTableInOrder) {
    XYZ_Desc desc(nullptr, 0, 2, 0, APPENDROLL_CLOSED);
    ASSERT_TRUE(desc.ParsedOK());
    ASSERT_EQ(desc.Count(), 27);
    for (int i = 0; i < 27; ++i) {
        const Row& r = kTable[i];
        const ParamDef& d = desc.GetParamDefByIndex(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(d.ID, r.id);
        EXPECT_STREQ(d.int_name, r.name);
        EXPECT_EQ(d.type, r.type);
        EXPECT_EQ(d.flags, P_ANIMATABLE);
        EXPECT_EQ(d.local_name, r.label);
        ASSERT_TRUE(d.has_default);
        EXPECT_EQ(r.type == F ? d.def.f : static_cast<float>(d.def.i), r.def);
        ASSERT_EQ(d.has_range, r.range);
        EXPECT_EQ(d.range_low.f, r.lo);  // the size floor is exactly 1e-4f
        EXPECT_EQ(d.range_high.f, r.hi);
        EXPECT_EQ(d.ctrl_type, r.ctrl);
        EXPECT_EQ(d.ctrl_IDs[0], r.ctrl0);
        EXPECT_EQ(d.ctrl_count, r.ctrl == SP ? 2 : 1);
        if (r.ctrl == SP) {
            EXPECT_EQ(d.ctrl_IDs[1], r.ctrl1);
            EXPECT_EQ(d.edit_type, r.edit);
            EXPECT_EQ(d.scale, SPIN_AUTOSCALE);
        }
        EXPECT_TRUE(d.combo_string_IDs.empty());
    }
}

// The module's one descriptor: block and reference 0, "Object XYZ", "Continue", closed.
TEST(XYZDesc, ModuleDescriptor) {
    ParamBlockDesc2* desc = GetXYZParamBlockDesc();
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(GetQuorvScratchesDesc()->GetParamBlockDescByID(0), desc);
    EXPECT_STREQ(desc->int_name, L"Mapping");
    EXPECT_EQ(desc->local_name, 0);
    EXPECT_EQ(desc->flags, P_AUTO_CONSTRUCT | P_AUTO_UI);
    EXPECT_EQ(desc->ref_no, 0);
    EXPECT_EQ(desc->dlg_template, IDD_MAPPING);
    EXPECT_EQ(desc->title, IDS_MAPPING);
    EXPECT_EQ(desc->test_flags, 0);
    EXPECT_EQ(desc->rollup_flags, APPENDROLL_CLOSED);
    EXPECT_EQ(desc->GetParamDef(xyz_map).def.i, 2);
    EXPECT_EQ(desc->GetParamDef(xyz_tile_z).def.i, 0);
}

}  // namespace
