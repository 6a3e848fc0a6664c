// The tagged argument list, read against the small table of test_objects.cpp.
#include <gtest/gtest.h>

#include <cwchar>

#include "test_objects.h"

using namespace hosttest;

TEST(ParamBlockDesc2, ReadsTheBlockHeader) {
    ParamBlockDesc2& d = TestParams();
    EXPECT_TRUE(d.ParsedOK());
    EXPECT_EQ(d.ID, kTestBlockID);
    EXPECT_STREQ(d.int_name, L"test");
    EXPECT_EQ(d.local_name, 3);
    EXPECT_EQ(d.flags, P_AUTO_CONSTRUCT | P_AUTO_UI);
    EXPECT_EQ(d.ref_no, kRefBlock);
    EXPECT_EQ(d.dlg_template, 101);
    EXPECT_EQ(d.title, 4);
    EXPECT_EQ(d.test_flags, 0);
    EXPECT_EQ(d.rollup_flags, APPENDROLL_CLOSED);
    EXPECT_EQ(d.dlgProc, nullptr);
    EXPECT_EQ(d.cd, &TestMapDesc());
    // Registered with its class descriptor.
    EXPECT_EQ(TestMapDesc().GetParamBlockDescByID(kTestBlockID), &d);
    EXPECT_EQ(TestMapDesc().GetParamBlockDesc(0), &d);
}

TEST(ParamBlockDesc2, KeepsDeclarationOrderApartFromIDs) {
    ParamBlockDesc2& d = TestParams();
    ASSERT_EQ(d.Count(), 9);
    const ParamID order[] = {pSize, pLevels, pColor, pMap, pMapOn, pType, pLock, pOutput, pOwnMap};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(d.IndextoID(i), order[i]);
        EXPECT_EQ(d.IDtoIndex(order[i]), i);
    }
    EXPECT_EQ(d.IDtoIndex(1), -1);
    EXPECT_EQ(d.IndextoID(9), -1);
    EXPECT_EQ(d.NameToIndex(L"color1map"), 3);
    EXPECT_EQ(d.NameToIndex(L"Color1Map"), -1);
    EXPECT_EQ(d.GetParamDef(99).ID, -1);
}

TEST(ParamBlockDesc2, ReadsTypesFlagsDefaultsAndRanges) {
    ParamBlockDesc2& d = TestParams();
    const ParamDef& size = d.GetParamDef(pSize);
    EXPECT_EQ(size.type, TYPE_FLOAT);
    EXPECT_EQ(size.flags, P_ANIMATABLE);
    EXPECT_EQ(size.local_name, 22);
    EXPECT_EQ(size.def.f, 1.0f);
    EXPECT_TRUE(size.has_range);
    EXPECT_EQ(size.range_low.f, 0.0f);
    EXPECT_EQ(size.range_high.f, 1000000.0f);

    const ParamDef& levels = d.GetParamDef(pLevels);
    EXPECT_EQ(levels.type, TYPE_INT);
    EXPECT_EQ(levels.def.i, 8);
    EXPECT_EQ(levels.range_low.i, 1);
    EXPECT_EQ(levels.range_high.i, 8);

    const ParamDef& color = d.GetParamDef(pColor);
    EXPECT_EQ(color.type, TYPE_RGBA);
    EXPECT_EQ(color.def.c, Color(0.25f, 0.5f, 1.0f));
    EXPECT_EQ(color.def.p, Point3(0.25f, 0.5f, 1.0f));
    EXPECT_FALSE(color.has_range);

    EXPECT_EQ(d.GetParamDef(pMapOn).type, TYPE_BOOL);
    EXPECT_EQ(d.GetParamDef(pMapOn).def.i, 1);
    EXPECT_EQ(d.GetParamDef(pMap).flags, P_OWNERS_REF);
    EXPECT_EQ(d.GetParamDef(pOutput).type, TYPE_REFTARG);
}

TEST(ParamBlockDesc2, ReadsControlsAndReferenceNumbers) {
    ParamBlockDesc2& d = TestParams();
    const ParamDef& size = d.GetParamDef(pSize);
    EXPECT_EQ(size.ctrl_type, TYPE_SPINNER);
    EXPECT_EQ(size.edit_type, EDITTYPE_FLOAT);
    EXPECT_EQ(size.ctrl_count, 2);
    EXPECT_EQ(size.ctrl_IDs[0], 1490);
    EXPECT_EQ(size.ctrl_IDs[1], 1496);
    EXPECT_EQ(size.scale, SPIN_AUTOSCALE);
    EXPECT_EQ(d.GetParamDef(pLevels).edit_type, EDITTYPE_INT);

    EXPECT_EQ(d.GetParamDef(pColor).ctrl_type, TYPE_COLORSWATCH);
    EXPECT_EQ(d.GetParamDef(pColor).ctrl_IDs[0], 1023);
    EXPECT_EQ(d.GetParamDef(pMapOn).ctrl_type, TYPE_SINGLECHEKBOX);
    EXPECT_EQ(d.GetParamDef(pLock).ctrl_type, TYPE_CHECKBUTTON);

    const ParamDef& map = d.GetParamDef(pMap);
    EXPECT_EQ(map.ctrl_type, TYPE_TEXMAPBUTTON);
    EXPECT_EQ(map.ctrl_IDs[0], 1029);
    EXPECT_EQ(map.refno, kRefSubMap);
    EXPECT_EQ(map.subtexno, 0);

    const ParamDef& type = d.GetParamDef(pType);
    EXPECT_EQ(type.ctrl_type, TYPE_INT_COMBOBOX);
    EXPECT_EQ(type.ctrl_IDs[0], 1001);
    EXPECT_EQ(type.combo_string_IDs, (std::vector<int>{48, 33}));

    const ParamDef& output = d.GetParamDef(pOutput);
    EXPECT_EQ(output.ctrl_type, -1);
    EXPECT_EQ(output.refno, kRefOutput);
    EXPECT_EQ(output.subtexno, -1);
}

TEST(ParamBlockDesc2, StopsAtAnUnknownTag) {
    ClassDesc2* none = nullptr;
    ParamBlockDesc2 d(1, L"broken", 0, none, 0, 0, L"a", TYPE_FLOAT, 0, 0, p_default, 2.0f, p_end,
                      1, L"b", TYPE_FLOAT, 0, 0, -5, p_end,  // -5 is no tag
                      p_end);
    EXPECT_FALSE(d.ParsedOK());
    EXPECT_EQ(d.Count(), 1);
    EXPECT_EQ(d.GetParamDef(0).def.f, 2.0f);
}
