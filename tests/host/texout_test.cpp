#include <gtest/gtest.h>

#include "test_objects.h"

using namespace hosttest;

namespace {
class TexOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        holder = new Holder();
        out = static_cast<StdTexoutGen*>(GetNewDefaultTextureOutput());
        holder->ReplaceReference(0, out);
    }
    void TearDown() override {
        AnimateOff();
        holder->DeleteThis();
    }
    Holder* holder = nullptr;
    StdTexoutGen* out = nullptr;
};
}  // namespace

TEST_F(TexOutTest, IsTheIdentityAtItsDefaults) {
    const AColor c(0.2f, 0.4f, 0.9f, 0.5f);
    EXPECT_EQ(out->Filter(c), c);
    EXPECT_EQ(out->Filter(0.3f), 0.3f);
    EXPECT_EQ(out->Filter(Point3(0.1f, -2.0f, 3.0f)), Point3(0.1f, -2.0f, 3.0f));
    EXPECT_EQ(out->GetOutputLevel(0), 1.0f);
    EXPECT_FALSE(out->GetInvert());
    Interval valid = FOREVER;
    out->Update(0, valid);
    EXPECT_EQ(valid, FOREVER);
}

TEST_F(TexOutTest, AppliesLevelOffsetAmountAndInvert) {
    out->SetOutAmt(0.5f, 0);
    out->SetRGBAmt(2.0f, 0);
    out->SetRGBOff(0.1f, 0);
    const AColor f = out->Filter(AColor(0.25f, 0.5f, 1.0f, 0.7f));
    EXPECT_FLOAT_EQ(f.r, (0.25f * 2.0f + 0.1f) * 0.5f);
    EXPECT_FLOAT_EQ(f.b, (1.0f * 2.0f + 0.1f) * 0.5f);
    EXPECT_EQ(f.a, 0.7f);                                                        // alpha is kept
    EXPECT_EQ(out->Filter(Point3(1.0f, 0.0f, 0.0f)), Point3(1.0f, 0.0f, 0.0f));  // 2 * 0.5
    out->SetInvert(TRUE);
    EXPECT_TRUE(out->GetInvert());
    EXPECT_FLOAT_EQ(out->Filter(0.25f), ((1.0f - 0.25f) * 2.0f + 0.1f) * 0.5f);
    EXPECT_EQ(out->Filter(Point3(1.0f, 0.0f, 0.0f)), Point3(-1.0f, 0.0f, 0.0f));
    out->Reset();
    EXPECT_EQ(out->Filter(0.25f), 0.25f);
    EXPECT_FALSE(out->GetInvert());
}

TEST_F(TexOutTest, AnimatedAmountNarrowsUpdate) {
    AnimateOn();
    out->SetOutputLevel(0, 1.0f);
    out->SetOutputLevel(100, 0.0f);
    AnimateOff();
    Interval valid = FOREVER;
    out->Update(50, valid);
    EXPECT_EQ(valid, Interval(50, 50));
    EXPECT_FLOAT_EQ(out->Filter(1.0f), 0.5f);
    valid = FOREVER;
    out->Update(200, valid);
    EXPECT_EQ(valid, Interval(100, TIME_PosInfinity));
    EXPECT_EQ(out->Filter(1.0f), 0.0f);
}

TEST_F(TexOutTest, CloneAndSaveKeepTheSettings) {
    out->SetRGBOff(0.25f, 0);
    out->SetInvert(TRUE);
    RemapDir& remap = NewRemapDir();
    auto* copy = static_cast<StdTexoutGen*>(remap.CloneRef(out));
    remap.DeleteThis();
    holder->ReplaceReference(1, copy);
    EXPECT_EQ(copy->GetRGBOff(0), 0.25f);
    EXPECT_TRUE(copy->GetInvert());
    copy->SetRGBOff(0.5f, 0);
    EXPECT_EQ(out->GetRGBOff(0), 0.25f);

    IOResult result = IO_ERROR;
    auto* loaded = static_cast<StdTexoutGen*>(LoadObject(SaveObject(out), &result));
    ASSERT_NE(loaded, nullptr);
    holder->ReplaceReference(2, loaded);
    EXPECT_EQ(loaded->Filter(0.0f), out->Filter(0.0f));
    EXPECT_TRUE(loaded->GetInvert());
}
