#include <gtest/gtest.h>

#include <max.h>
#include <sample_shade_context.h>

#include "test_objects.h"

using namespace hosttest;

TEST(SampleShadeContext, ConvertsBetweenFrames) {
    SampleShadeContext sc;
    Matrix3 tm;
    tm.IdentityMatrix();
    tm.RotateZ(1.57079632679f);
    tm.Translate(Point3(10.0f, 0.0f, 0.0f));
    sc.SetObjectToWorld(tm);
    const Point3 world(10.0f, 1.0f, 0.0f);  // object point (1, 0, 0)
    const Point3 obj = sc.PointTo(world, REF_OBJECT);
    EXPECT_NEAR(obj.x, 1.0f, 1e-5f);
    EXPECT_NEAR(obj.y, 0.0f, 1e-5f);
    const Point3 v = sc.VectorFrom(Point3(1.0f, 0.0f, 0.0f), REF_OBJECT);
    EXPECT_NEAR(v.y, 1.0f, 1e-6f);
    EXPECT_EQ(sc.PointTo(world, REF_WORLD), world);
}

TEST(SampleShadeContext, ChannelsAndCache) {
    SampleShadeContext sc;
    sc.SetUVW(3, Point3(0.5f, 0.25f, 0.0f), Point3(0.01f, 0.02f, 0.0f));
    EXPECT_EQ(sc.UVW(3), Point3(0.5f, 0.25f, 0.0f));
    EXPECT_EQ(sc.DUVW(3), Point3(0.01f, 0.02f, 0.0f));
    EXPECT_EQ(sc.UVW(100), Point3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(sc.UVW(101), Point3(0.0f, 0.0f, 0.0f));  // beyond the channels: zero
    EXPECT_EQ(sc.UVW(-1), Point3(0.0f, 0.0f, 0.0f));
    // One footprint for a map that asks for a single one: the mean extent of the two.
    sc.SetDP(Point3(0.2f, -0.4f, 0.0f), Point3(0.0f, 0.2f, -0.6f));
    EXPECT_EQ(sc.DP(), Point3(0.1f, 0.3f, 0.3f));

    auto* map = new TestMap();
    AColor c;
    EXPECT_FALSE(sc.GetCache(map, c));
    sc.PutCache(map, AColor(1.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_TRUE(sc.GetCache(map, c));
    EXPECT_EQ(c, AColor(1.0f, 0.0f, 0.0f, 1.0f));
    sc.SetP(Point3(1.0f, 0.0f, 0.0f));  // a new sample forgets it
    EXPECT_FALSE(sc.GetCache(map, c));
    map->DeleteThis();
}

TEST(Texmap, ViewportImageAndHandles) {
    auto* map = new TestMap(AColor(1.0f, 0.5f, 0.0f, 1.0f));
    CountingTexHandleMaker maker;
    maker.size = 8;
    Interval valid = NEVER;
    BITMAPINFO* bmi = map->GetVPDisplayDIB(0, maker, valid, FALSE, 4, 2);
    ASSERT_NE(bmi, nullptr);
    EXPECT_EQ(valid, FOREVER);
    EXPECT_EQ(bmi->bmiHeader.biWidth, 4);
    EXPECT_EQ(bmi->bmiHeader.biHeight, 2);
    const auto* px = reinterpret_cast<const BYTE*>(bmi) + sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(px[0], 0);                   // blue
    EXPECT_EQ(px[1], 128);                 // green
    EXPECT_EQ(px[2], 255);                 // red
    TexHandle* h = maker.MakeHandle(bmi);  // takes the image
    EXPECT_EQ(maker.alive, 1);
    EXPECT_NE(h->GetHandle(), 0u);
    h->DeleteThis();
    EXPECT_EQ(maker.alive, 0);
    SampleShadeContext sc;
    EXPECT_FLOAT_EQ(map->EvalMono(sc), 0.5f);
    map->DeleteThis();
}
