#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include <max.h>

TEST(Interval, ForeverAndNeverHaveTheExactEnds) {
    EXPECT_EQ(FOREVER.Start(), INT_MIN);
    EXPECT_EQ(FOREVER.End(), INT_MAX);
    EXPECT_EQ(NEVER.Start(), INT_MIN);
    EXPECT_EQ(NEVER.End(), INT_MIN);
    EXPECT_TRUE(NEVER.Empty());
    EXPECT_FALSE(FOREVER.Empty());
    EXPECT_EQ(Interval(), NEVER);
}

TEST(Interval, EmptyContainsNothing) {
    EXPECT_FALSE(NEVER.InInterval(TIME_NegInfinity));
    EXPECT_FALSE(NEVER.InInterval(0));
    EXPECT_TRUE(FOREVER.InInterval(TIME_NegInfinity));
    EXPECT_TRUE(FOREVER.InInterval(TIME_PosInfinity));
    EXPECT_TRUE(Interval(0, 10).InInterval(Interval(2, 10)));
    EXPECT_FALSE(Interval(0, 10).InInterval(Interval(2, 11)));
}

TEST(Interval, IntersectionNarrowsAndDisjointIsEmpty) {
    EXPECT_EQ(Interval(0, 10) & Interval(5, 20), Interval(5, 10));
    EXPECT_EQ(Interval(0, 10) & FOREVER, Interval(0, 10));
    EXPECT_EQ(Interval(0, 10) & Interval(11, 20), NEVER);
    EXPECT_EQ(FOREVER & NEVER, NEVER);
    Interval v(3, 7);
    v &= Interval(5, 5);
    EXPECT_EQ(v, Interval(5, 5));
    EXPECT_TRUE(v.InInterval(5));
    EXPECT_EQ(Interval(10, 0), Interval(0, 10));  // ends are ordered
}

namespace {
void ExpectNear(const Point3& a, const Point3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-6f);
    EXPECT_NEAR(a.y, b.y, 1e-6f);
    EXPECT_NEAR(a.z, b.z, 1e-6f);
}
const float kHalfPi = 1.57079632679f;
Matrix3 Identity() {
    Matrix3 m;
    m.IdentityMatrix();
    return m;
}
}  // namespace

TEST(Matrix3, DefaultConstructionLeavesNothingToRelyOn) {
    // As in the SDK, code must set the matrix and the points and colours it makes; the
    // stand-in makes forgetting visible.
    const Point3 p = Point3(1.0f, 2.0f, 3.0f) * Matrix3();
    EXPECT_TRUE(std::isnan(p.x) && std::isnan(p.y) && std::isnan(p.z));
    const Point3 q;
    const Point2 uv;
    const Color c;
    const AColor a;
    EXPECT_TRUE(std::isnan(q.x + q.y + q.z + uv.x + uv.y));
    EXPECT_TRUE(std::isnan(c.r + c.g + c.b + a.r + a.g + a.b + a.a));
}

TEST(Matrix3, RotationsAreRowVectorSteps) {
    Matrix3 m = Identity();
    m.RotateZ(kHalfPi);
    ExpectNear(Point3(1.0f, 0.0f, 0.0f) * m, Point3(0.0f, 1.0f, 0.0f));
    Matrix3 x = Identity();
    x.RotateX(kHalfPi);
    ExpectNear(Point3(0.0f, 1.0f, 0.0f) * x, Point3(0.0f, 0.0f, 1.0f));
    Matrix3 y = Identity();
    y.RotateY(kHalfPi);
    ExpectNear(Point3(0.0f, 0.0f, 1.0f) * y, Point3(1.0f, 0.0f, 0.0f));
}

TEST(Matrix3, OperationsAppendOnTheRight) {
    // Translate then rotate: the translation is rotated too.
    Matrix3 m = Identity();
    m.Translate(Point3(1.0f, 0.0f, 0.0f));
    m.RotateZ(kHalfPi);
    ExpectNear(Point3(0.0f, 0.0f, 0.0f) * m, Point3(0.0f, 1.0f, 0.0f));
    // Scale then translate: the translation is not scaled.
    Matrix3 s = Identity();
    s.Scale(Point3(2.0f, 2.0f, 2.0f));
    s.Translate(Point3(1.0f, 0.0f, 0.0f));
    ExpectNear(Point3(1.0f, 0.0f, 0.0f) * s, Point3(3.0f, 0.0f, 0.0f));
}

TEST(Matrix3, ScaleLeavesTheTranslationRowUnlessAsked) {
    Matrix3 m = Identity();
    m.Translate(Point3(1.0f, 2.0f, 3.0f));
    m.Scale(Point3(2.0f, 4.0f, 8.0f), false);
    EXPECT_EQ(m.GetTrans(), Point3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(m.GetRow(1), Point3(0.0f, 4.0f, 0.0f));
    m.Scale(Point3(2.0f, 2.0f, 2.0f), true);
    EXPECT_EQ(m.GetTrans(), Point3(2.0f, 4.0f, 6.0f));
    ExpectNear(VectorTransform(m, Point3(1.0f, 0.0f, 0.0f)), Point3(4.0f, 0.0f, 0.0f));
}

TEST(Random, FollowsTheWindowsRuntimeSequence) {
    Random r;
    r.srand(1);
    EXPECT_EQ(r.rand(), 41);
    EXPECT_EQ(r.rand(), 18467);
    EXPECT_EQ(r.rand(), 6334);
    Random unseeded;  // seed 1 by default, as the runtime
    EXPECT_EQ(unseeded.rand(), 41);
    r.srand(1);
    EXPECT_EQ(r.rand(), 41);
}

TEST(Random, GeneratorsAreIndependentAndLargeSeedsWrap) {
    Random a, b;
    a.srand(1);
    b.srand(1);
    EXPECT_EQ(a.rand(), 41);
    b.srand(12345);
    b.rand();
    EXPECT_EQ(a.rand(), 18467);  // b's draws do not disturb a
    a.srand(0xFFFFFFFFu);
    for (int i = 0; i < 1000; ++i) {
        const int v = a.rand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, Random::s_rand_max);
    }
}

TEST(BitArray, SetClearCountAndIgnoreOutOfRange) {
    BitArray b(8);
    b.Set(1);
    b.Set(7);
    b.Set(8);   // ignored
    b.Set(-1);  // ignored
    EXPECT_EQ(b.NumberSet(), 2);
    EXPECT_EQ(b[7], 1);
    EXPECT_EQ(b[8], 0);
    b.SetSize(16, 1);
    EXPECT_EQ(b[7], 1);
    b.Clear(7);
    EXPECT_EQ(b.NumberSet(), 1);
    b.SetSize(4);
    EXPECT_EQ(b.NumberSet(), 0);
}

TEST(MSTR, ComparesWithStringsBothWays) {
    MSTR s(_M("Output"));
    EXPECT_TRUE(s == _M("Output"));
    EXPECT_TRUE(_M("Output") == s);
    EXPECT_FALSE(s == MSTR(_M("output")));
    EXPECT_EQ(s.Length(), 6);
    EXPECT_TRUE(MSTR().isNull());
}

TEST(MSTRDeathTest, ANullPointerIsNoText) {
    // The SDK's string makes no promise for one; the stand-in stops where a caller hands it.
    const MCHAR* none = nullptr;
    EXPECT_DEATH(MSTR{none}, "null pointer");
}
