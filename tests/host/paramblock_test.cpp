#include <gtest/gtest.h>

#include <cmath>

#include "test_objects.h"

using namespace hosttest;

namespace {
// A fresh map per test; animate mode is always left off.
class ParamBlockTest : public ::testing::Test {
protected:
    void SetUp() override { map = new TestMap(); }
    void TearDown() override {
        AnimateOff();
        map->DeleteThis();
    }
    IParamBlock2* pb() { return map->pblock; }
    void Key(ParamID id, TimeValue t, float v) {
        AnimateOn();
        pb()->SetValue(id, t, v);
        AnimateOff();
    }
    TestMap* map = nullptr;
};
}  // namespace

TEST_F(ParamBlockTest, StartsFromTheDescriptorDefaults) {
    ASSERT_NE(pb(), nullptr);
    EXPECT_EQ(pb()->ID(), kTestBlockID);
    EXPECT_EQ(pb()->GetOwner(), map);
    EXPECT_EQ(pb()->GetFloat(pSize), 1.0f);
    EXPECT_EQ(pb()->GetInt(pLevels), 8);
    EXPECT_EQ(pb()->GetColor(pColor), Color(0.25f, 0.5f, 1.0f));
    EXPECT_EQ(pb()->GetInt(pMapOn), 1);
    EXPECT_EQ(pb()->GetTexmap(pMap), nullptr);
    EXPECT_EQ(pb()->NameToID(L"levels"), pLevels);
    EXPECT_EQ(pb()->NameToID(L"nothing"), -1);
    EXPECT_EQ(pb()->GetMap(0), nullptr);
    EXPECT_EQ(pb()->LastNotifyParamID(), ParamID(0xFFFF));
}

TEST_F(ParamBlockTest, UnkeyedValuesHoldForever) {
    ASSERT_TRUE(pb()->SetValue(pSize, 50, 4.0f));
    Interval valid = FOREVER;
    float v = 0.0f;
    ASSERT_TRUE(pb()->GetValue(pSize, -1000, v, valid));
    EXPECT_EQ(v, 4.0f);
    EXPECT_EQ(valid, FOREVER);
    EXPECT_EQ(pb()->NumKeys(pSize), 0);
}

TEST_F(ParamBlockTest, KeysInterpolateLinearlyAndNarrowValidity) {
    Key(pSize, 0, 1.0f);
    Key(pSize, 100, 3.0f);
    ASSERT_EQ(pb()->NumKeys(pSize), 2);
    float v = 0.0f;
    Interval valid = FOREVER;
    pb()->GetValue(pSize, 50, v, valid);
    EXPECT_EQ(v, 2.0f);
    EXPECT_EQ(valid, Interval(50, 50));

    valid = FOREVER;
    pb()->GetValue(pSize, -30, v, valid);  // constant before the first key
    EXPECT_EQ(v, 1.0f);
    EXPECT_EQ(valid, Interval(TIME_NegInfinity, 0));

    valid = FOREVER;
    pb()->GetValue(pSize, 100, v, valid);  // constant from the last key on
    EXPECT_EQ(v, 3.0f);
    EXPECT_EQ(valid, Interval(100, TIME_PosInfinity));

    valid = Interval(120, 130);  // narrowing intersects with what the caller had
    pb()->GetValue(pSize, 125, v, valid);
    EXPECT_EQ(valid, Interval(120, 130));
}

TEST_F(ParamBlockTest, EqualNeighbouringKeysWidenTheConstantSpan) {
    Key(pSize, 0, 5.0f);
    Key(pSize, 100, 5.0f);
    Key(pSize, 200, 7.0f);
    float v = 0.0f;
    Interval valid = FOREVER;
    pb()->GetValue(pSize, 50, v, valid);
    EXPECT_EQ(v, 5.0f);
    EXPECT_EQ(valid, Interval(TIME_NegInfinity, 100));
    valid = FOREVER;
    pb()->GetValue(pSize, 100, v, valid);
    EXPECT_EQ(valid, Interval(TIME_NegInfinity, 100));
}

TEST_F(ParamBlockTest, SettingAKeyedValueOutsideAnimateModeKeysIt) {
    Key(pSize, 0, 1.0f);
    pb()->SetValue(pSize, 100, 3.0f);  // animate off, but the parameter is animated
    EXPECT_EQ(pb()->NumKeys(pSize), 2);
    pb()->SetValue(pSize, 100, 4.0f);  // same time: replaced
    EXPECT_EQ(pb()->NumKeys(pSize), 2);
    EXPECT_EQ(pb()->GetFloat(pSize, 100), 4.0f);
    // A parameter without P_ANIMATABLE never takes keys.
    AnimateOn();
    pb()->SetValue(pType, 10, 1);
    AnimateOff();
    EXPECT_EQ(pb()->NumKeys(pType), 0);
    EXPECT_EQ(pb()->GetInt(pType, -5), 1);
}

TEST_F(ParamBlockTest, IntegerAndColourKeysInterpolate) {
    AnimateOn();
    pb()->SetValue(pLevels, 0, 1);
    pb()->SetValue(pLevels, 100, 8);
    pb()->SetValue(pColor, 0, Color(0.0f, 0.0f, 0.0f));
    pb()->SetValue(pColor, 100, Color(1.0f, 0.5f, 0.0f));
    AnimateOff();
    EXPECT_EQ(pb()->GetInt(pLevels, 50), 5);  // 4.5 rounded
    EXPECT_EQ(pb()->GetColor(pColor, 50), Color(0.5f, 0.25f, 0.0f));
    Interval valid = FOREVER;
    AColor ac;
    pb()->GetValue(pColor, 50, ac, valid);
    EXPECT_EQ(ac, AColor(0.5f, 0.25f, 0.0f, 1.0f));
    EXPECT_EQ(valid, Interval(50, 50));
}

TEST_F(ParamBlockTest, ConvertsBetweenNumericTypesOnlyWhereSafe) {
    EXPECT_TRUE(pb()->SetValue(pSize, 0, 3));  // int into a float parameter
    EXPECT_EQ(pb()->GetFloat(pSize), 3.0f);
    EXPECT_TRUE(pb()->SetValue(pLevels, 0, 2.9f));  // truncated
    EXPECT_EQ(pb()->GetInt(pLevels), 2);
    EXPECT_FALSE(pb()->SetValue(pLevels, 0, NAN));
    EXPECT_FALSE(pb()->SetValue(pLevels, 0, 3e9f));
    EXPECT_EQ(pb()->GetInt(pLevels), 2);
    EXPECT_TRUE(pb()->SetValue(pMapOn, 0, 5));  // a bool is stored as 0 or 1
    EXPECT_EQ(pb()->GetInt(pMapOn), 1);
    Interval valid = FOREVER;
    float f = 0.0f;
    EXPECT_TRUE(pb()->GetValue(pMapOn, 0, f, valid));
    EXPECT_EQ(f, 1.0f);
    int i = 0;
    EXPECT_FALSE(pb()->GetValue(pSize, 0, i, valid));
    EXPECT_FALSE(pb()->GetValue(99, 0, f, valid));
    EXPECT_TRUE(pb()->SetValue(pLevels, 0, 100));  // ranges are not enforced here
    EXPECT_EQ(pb()->GetInt(pLevels), 100);
}

TEST_F(ParamBlockTest, SetValueNotifiesTheOwnerWithTheParameter) {
    const int before = map->changes;
    pb()->SetValue(pLevels, 0, 3);
    EXPECT_EQ(map->changes, before + 1);
    EXPECT_EQ(map->lastTarget, pb());
    EXPECT_EQ(map->lastParam, pLevels);
    EXPECT_EQ(pb()->LastNotifyParamID(), pLevels);
    pb()->ResetAll();
    EXPECT_EQ(map->lastParam, ParamID(-1));
    EXPECT_EQ(pb()->GetInt(pLevels), 8);
}

TEST_F(ParamBlockTest, OwnerReferenceMapsLiveInTheOwner) {
    bool deleted = false;
    auto* sub = new TestMap(AColor(1.0f, 0.0f, 0.0f, 1.0f));
    ASSERT_TRUE(pb()->SetValue(pMap, 0, sub));
    EXPECT_EQ(map->subMap, sub);
    EXPECT_EQ(map->GetReference(kRefSubMap), sub);
    EXPECT_EQ(pb()->GetTexmap(pMap), sub);
    EXPECT_EQ(pb()->NumRefs(), 1);  // only the block's own map parameter
    EXPECT_EQ(map->lastParam, pMap);

    // The owner's reference is what the block reads, however it was set.
    map->ReplaceReference(kRefSubMap, nullptr);
    EXPECT_EQ(pb()->GetTexmap(pMap), nullptr);

    // Something that is not a map is refused by a map parameter.
    auto* other = new Tracked(&deleted);
    EXPECT_FALSE(pb()->SetValue(pMap, 0, static_cast<ReferenceTarget*>(other)));
    EXPECT_EQ(pb()->GetTexmap(pMap), nullptr);
    other->DeleteThis();
    EXPECT_TRUE(deleted);

    TextureOutput* out = GetNewDefaultTextureOutput();
    EXPECT_TRUE(pb()->SetValue(pOutput, 0, static_cast<ReferenceTarget*>(out)));
    EXPECT_EQ(map->output, out);
    EXPECT_EQ(pb()->GetReferenceTarget(pOutput), out);
}

TEST_F(ParamBlockTest, AChangeInsideABlockMapReportsItsParameter) {
    auto* sub = new TestMap();
    ASSERT_TRUE(pb()->SetValue(pOwnMap, 0, sub));
    EXPECT_EQ(pb()->GetReference(0), sub);
    pb()->SetValue(pLevels, 0, 2);
    sub->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(map->lastTarget, pb());
    EXPECT_EQ(map->lastParam, pOwnMap);
}
