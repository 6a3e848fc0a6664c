// The coordinate generator through the stand-in's block and sample shading context.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <thread>
#include <tuple>
#include <vector>

#include "coords/xyz_desc.h"
#include "coords/xyz_gen.h"
#include "coords/xyz_params.h"
#include "sample_shade_context.h"

namespace {

// Owns the block for the test and records the parameter of each change it announces.
class BlockHolder : public ReferenceMaker {
public:
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int) override { return pb; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage msg,
                               BOOL) override {
        if (msg == REFMSG_CHANGE && pb) changes.push_back(pb->LastNotifyParamID());
        return REF_SUCCEED;
    }
    IParamBlock2* pb = nullptr;
    std::vector<int> changes;

protected:
    void SetReference(int, RefTargetHandle t) override { pb = static_cast<IParamBlock2*>(t); }
};

// Length of column j of the linear part: 1 / (that axis's size) whatever the rotation.
float InverseSize(const Matrix3& m, int j) {
    return std::sqrt(m[0][j] * m[0][j] + m[1][j] * m[1][j] + m[2][j] * m[2][j]);
}

// The unvaried transform written out step by step in double: turns about x, y and z (a
// positive angle turns y towards z, z towards x and x towards y) of the point and its offset,
// then a division of the point alone by the size.
struct TransformSteps {
    double offset[3], degrees[3], size[3];

    static Point3 Turned(const Point3& v, const double (&degrees)[3]) {
        double q[3] = {v.x, v.y, v.z};
        for (int axis = 0; axis < 3; ++axis) {
            const double a = degrees[axis] * std::numbers::pi / 180.0;
            const int i = (axis + 1) % 3, j = (axis + 2) % 3;
            const double qi = q[i], qj = q[j];
            q[i] = qi * std::cos(a) - qj * std::sin(a);
            q[j] = qi * std::sin(a) + qj * std::cos(a);
        }
        return Point3(q[0], q[1], q[2]);
    }
    Point3 Vector(const Point3& v) const {
        const Point3 t = Turned(v, degrees);
        return Point3(t.x / size[0], t.y / size[1], t.z / size[2]);
    }
    Point3 Point(const Point3& p) const {
        return Vector(p) + Turned(Point3(offset[0], offset[1], offset[2]), degrees);
    }
};

void ExpectNear(const Point3& got, const Point3& want, float tolerance) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

class XYZGenTest : public ::testing::Test {
protected:
    XYZGenTest() : desc(nullptr, 0, 2, 0, APPENDROLL_CLOSED) {
        holder.ReplaceReference(0, CreateParameterBlock2(&desc, &holder));
    }
    void Set(int id, float v) { holder.pb->SetValue(static_cast<ParamID>(id), 0, v); }
    void Set(int id, int v) { holder.pb->SetValue(static_cast<ParamID>(id), 0, v); }
    QuorvXYZGen Updated() {
        QuorvXYZGen g;
        Interval valid = FOREVER;
        g.Update(holder.pb, 0, valid);
        return g;
    }
    Matrix3 Varied(const QuorvXYZGen& g, int mtl, INode* node) {
        sc.SetMtlNum(mtl);
        sc.SetNode(node);
        Matrix3 tm;
        g.BuildVariedTransform(sc, tm);
        return tm;
    }

    XYZ_Desc desc;
    BlockHolder holder;
    SampleShadeContext sc;
    Point3 p, dx, dy, basis[3];
};

TEST(XYZTiling, Modes) {
    const struct {
        int mode;
        float in, out;
        int ret;
    } cases[] = {{1, 1.5f, 1.0f, 1},    {1, -0.5f, 0.0f, 1},  {2, -0.25f, 0.75f, 1},
                 {2, 3.25f, 0.25f, 1},  {3, 1.25f, 0.75f, 1}, {3, 2.25f, 0.25f, 1},
                 {3, -1.25f, 0.75f, 1}, {4, 1.0f, 1.0f, 1},   {4, 1.2f, 1.2f, 0},
                 {4, -0.1f, -0.1f, 0},  {0, 7.5f, 7.5f, 1},   {9, 7.5f, 7.5f, 1}};
    for (const auto& c : cases) {
        float v = c.in;
        EXPECT_EQ(QuorvXYZGen::ApplyTiling(c.mode, v), c.ret) << c.mode << " " << c.in;
        EXPECT_EQ(v, c.out) << c.mode << " " << c.in;
    }
    // Truncation through 32 bits cannot hold these; the result must still be finite.
    const float inf = std::numeric_limits<float>::infinity();
    for (int mode : {XYZ_TILE_TILE, XYZ_TILE_MIRROR}) {
        for (float in : {2147483648.0f, -3e9f, 1e30f, inf, -inf, std::nanf("")}) {
            float v = in;
            EXPECT_EQ(QuorvXYZGen::ApplyTiling(mode, v), 1);
            EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << mode << " " << in << " -> " << v;
        }
    }
}

TEST_F(XYZGenTest, ResetWritesDefaultsInOrderAtTheCurrentTime) {
    for (int id = xyz_offset_x; id <= xyz_angle_z2; ++id) Set(id, 5.0f);
    for (int id : {xyz_map, xyz_chan, xyz_tile_x, xyz_tile_y, xyz_seed}) Set(id, 3);
    for (int id : {xyz_randByObj, xyz_randByMat, xyz_lock}) Set(id, 1 - desc.GetParamDef(id).def.i);
    AnimateOn();  // a keyed parameter takes the reset as a key at the current time
    holder.pb->SetValue(xyz_size_z, 10, 2.0f);
    AnimateOff();
    GetCOREInterface()->SetTime(160);
    holder.changes.clear();
    Interval valid = FOREVER;
    QuorvXYZGen().ResetParameters(holder.pb, valid, 2, 0, 0, 0);
    GetCOREInterface()->SetTime(0);

    EXPECT_EQ(valid, NEVER);
    EXPECT_EQ(holder.changes,
              std::vector<int>({2,  3,  4,  5,  6,  7,  8,  9,  10, 14, 15, 16, 17, 18,
                                19, 20, 21, 22, 11, 12, 13, 23, 25, 24, 0,  1,  26}));
    EXPECT_EQ(holder.pb->GetKeyTime(xyz_size_z, holder.pb->NumKeys(xyz_size_z) - 1), 160);
    for (int i = 0; i < desc.Count(); ++i) {
        const ParamDef& d = desc.GetParamDefByIndex(i);
        const bool f = d.type == TYPE_FLOAT;
        EXPECT_EQ(f ? holder.pb->GetFloat(d.ID, 160) : float(holder.pb->GetInt(d.ID, 160)),
                  f ? d.def.f : float(d.def.i))
            << d.ID;
    }
    valid = FOREVER;
    QuorvXYZGen().ResetParameters(nullptr, valid, 2, 0, 0, 0);
    EXPECT_EQ(valid, FOREVER);
}

TEST_F(XYZGenTest, Type0TurnsAboutTheCentreAndOnlyItIsTiled) {
    // The block's channel, not the first or the default: the others hold other coordinates.
    Set(xyz_map, XYZ_MAP_EXPLICIT_2D);
    Set(xyz_chan, 2);
    sc.SetUVW(0, Point3(0.1f, 0.2f, 0.3f), Point3(0.7f, 0.9f, 0.0f));
    sc.SetUVW(1, Point3(0.4f, 0.8f, 0.6f), Point3(0.3f, 0.6f, 0.0f));
    Set(xyz_angle_z, 90.0f);
    sc.SetUVW(2, Point3(1.0f, 0.5f, 0.25f));
    ASSERT_EQ(Updated().GetPoint(sc, p, dx, dy), 1);
    EXPECT_NEAR(p.x, 0.5f, 1e-6f);
    EXPECT_NEAR(p.y, 1.0f, 1e-6f);
    EXPECT_EQ(p.z, 0.25f);

    Set(xyz_angle_z, 0.0f);
    Set(xyz_tile_x, XYZ_TILE_TILE);
    Set(xyz_tile_y, XYZ_TILE_MIRROR);
    sc.SetUVW(2, Point3(-0.25f, 1.25f, 0.0f), Point3(0.5f, 0.25f, 0.0f));
    ASSERT_EQ(Updated().GetPoint(sc, p, dx, dy), 1);
    EXPECT_EQ(p, Point3(0.75f, 0.75f, 0.0f));
    EXPECT_EQ(dx, Point3(0.5f, 0.0f, 0.0f));  // derivatives are not tiled
    EXPECT_EQ(dy, Point3(0.0f, 0.25f, 0.0f));

    Set(xyz_tile_x, XYZ_TILE_NONE);
    sc.SetUVW(2, Point3(1.2f, 0.5f, 0.0f));
    EXPECT_EQ(Updated().GetPoint(sc, p, dx, dy), 0);
    EXPECT_EQ(Updated().GetPointAndBasis(sc, p, basis), 0);

    Set(xyz_map, XYZ_MAP_EXPLICIT_REAL_WORLD);
    EXPECT_EQ(Updated().GetPoint(sc, p, dx, dy), 1);
    EXPECT_EQ(p, Point3(1.2f, 0.5f, 0.0f));
    EXPECT_EQ(Updated().GetPointAndBasis(sc, p, basis), 1);
}

// Every offset, angle and size at once, in the three spaces that take them: the object's
// (under an object that is turned, scaled and moved), the world's and the screen's. The
// varied path with a barely active variance must build nearly the same transform, and the
// bump basis must follow the transform's axes on both paths.
TEST_F(XYZGenTest, EveryTransformParameterInEachSpace) {
    const TransformSteps steps{{1.5, -2.0, 0.25}, {20.0, -35.0, 50.0}, {2.0, 0.5, 4.0}};
    const int ids[3][3] = {{xyz_offset_x, xyz_offset_y, xyz_offset_z},
                           {xyz_angle_x, xyz_angle_y, xyz_angle_z},
                           {xyz_size_x, xyz_size_y, xyz_size_z}};
    for (int k = 0; k < 3; ++k) {
        Set(ids[0][k], static_cast<float>(steps.offset[k]));
        Set(ids[1][k], static_cast<float>(steps.degrees[k]));
        Set(ids[2][k], static_cast<float>(steps.size[k]));
    }
    // The object: a quarter turn about z, doubled and moved, so that a world point w is the
    // object point ((w.y + 3) / 2, (5 - w.x) / 2, (w.z - 1) / 2).
    sc.SetObjectToWorld(Matrix3(Point3(0.0f, 2.0f, 0.0f), Point3(-2.0f, 0.0f, 0.0f),
                                Point3(0.0f, 0.0f, 2.0f), Point3(5.0f, -3.0f, 1.0f)));
    const Point3 world(3.0f, 4.0f, -1.0f), wa(0.1f, 0.0f, 0.02f), wb(0.0f, -0.3f, 0.0f);
    sc.SetP(world);
    sc.SetDP(wa, wb);
    sc.SetScreenUV(Point2(0.3f, 0.6f), Point2(0.01f, 0.04f));
    INode node(5);
    sc.SetNode(&node);
    const struct {
        int type;
        Point3 p, a, b;
    } spaces[] = {
        {XYZ_MAP_OBJECT, Point3(3.5f, 1.0f, -1.0f), Point3(0.0f, -0.05f, 0.01f),
         Point3(-0.15f, 0.0f, 0.0f)},
        {XYZ_MAP_WORLD, world, wa, wb},
        {XYZ_MAP_SCREEN, Point3(0.3f, 0.6f, 0.0f), Point3(0.01f, 0.0f, 0.0f),
         Point3(0.0f, 0.04f, 0.0f)},
    };
    // Unvaried; then an offset variance just above the threshold, which may move the point by
    // 2e-4 / 0.5.
    for (float variance : {0.0f, 2e-4f}) {
        Set(xyz_offset_x2, variance);
        const float tolerance = variance == 0.0f ? 2e-5f : 1e-3f;
        for (const auto& space : spaces) {
            SCOPED_TRACE(testing::Message() << "type " << space.type << " variance " << variance);
            Set(xyz_map, space.type);
            const QuorvXYZGen g = Updated();
            ASSERT_EQ(g.GetPoint(sc, p, dx, dy), 1);
            ExpectNear(p, steps.Point(space.p), tolerance);
            ExpectNear(dx, steps.Vector(space.a), tolerance);
            ExpectNear(dy, steps.Vector(space.b), tolerance);
            ASSERT_EQ(g.GetPointAndBasis(sc, p, basis), 1);
            ExpectNear(p, steps.Point(space.p), tolerance);
            const Point3 axes[3] = {Point3(1.0f, 0.0f, 0.0f), Point3(0.0f, 1.0f, 0.0f),
                                    Point3(0.0f, 0.0f, 1.0f)};
            for (int i = 0; i < 3; ++i)
                ExpectNear(basis[i], Normalize(steps.Vector(axes[i])), 1e-5f);
        }
    }

    // With large variances the basis is that of the sample's own varied transform: the
    // directions in which its point moves along the world axes.
    Set(xyz_map, XYZ_MAP_WORLD);
    for (int id = xyz_offset_x2; id <= xyz_angle_z2; ++id) Set(id, 40.0f);
    const QuorvXYZGen g = Updated();
    Point3 at;
    ASSERT_EQ(g.GetPointAndBasis(sc, at, basis), 1);
    for (int i = 0; i < 3; ++i) {
        Point3 step(0.0f, 0.0f, 0.0f);
        step[i] = 1.0f;
        sc.SetP(world + step);
        g.GetPoint(sc, p);
        ExpectNear(basis[i], Normalize(p - at), 1e-5f);
    }
}

// Each variance alone varies the transform (the lock off, so that the Y and Z size variances
// are used).
TEST_F(XYZGenTest, EachVarianceAloneVariesThePoint) {
    Set(xyz_map, XYZ_MAP_WORLD);
    Set(xyz_lock, 0);
    sc.SetP(Point3(1.0f, 2.0f, 3.0f));
    INode node(5);
    sc.SetNode(&node);
    Point3 plain;
    Updated().GetPoint(sc, plain);
    for (int id = xyz_offset_x2; id <= xyz_angle_z2; ++id) {
        Set(id, 0.5f);
        Updated().GetPoint(sc, p);
        EXPECT_NE(p, plain) << id;
        Set(id, 0.0f);
    }
}

TEST_F(XYZGenTest, DegenerateSizesKeepTheTransformFinite) {
    Set(xyz_map, XYZ_MAP_WORLD);
    sc.SetP(Point3(1.0f, 1.0f, 1.0f));
    Set(xyz_size_x, 0.0f);
    Set(xyz_size_y, -2.0f);  // a negative size mirrors its axis and is kept
    Set(xyz_size_z, -1e-39f);
    QuorvXYZGen g = Updated();
    g.GetPoint(sc, p, dx, dy);
    EXPECT_EQ(p.x, 1.0f / 1e-4f);
    EXPECT_EQ(p.y, -0.5f);
    EXPECT_EQ(p.z, -1.0f / 1e-4f);  // a tiny negative size keeps its sign
    g.GetPointAndBasis(sc, p, basis);
    for (const Point3& b : basis) EXPECT_NEAR(b.Length(), 1.0f, 1e-6f);
}

TEST_F(XYZGenTest, VarianceAtTheThresholdDrawsNothing) {
    Set(xyz_map, XYZ_MAP_WORLD);
    Set(xyz_angle_y, 30.0f);
    sc.SetP(Point3(1.0f, 2.0f, 3.0f));
    Point3 plain;
    Updated().GetPoint(sc, plain, dx, dy);
    for (int id = xyz_offset_x2; id <= xyz_angle_z2; ++id) Set(id, 1e-4f);
    INode node(5);
    sc.SetNode(&node);
    sc.SetMtlNum(3);
    Updated().GetPoint(sc, p, dx, dy);
    EXPECT_EQ(p, plain);
    Set(xyz_offset_x2, 0.5f);
    Updated().GetPoint(sc, p, dx, dy);
    EXPECT_NE(p, plain);
}

// The seed formula recomputed in 32-bit wrap-around; the extreme case runs under UBSan.
TEST_F(XYZGenTest, SeedFromMaterialNodeAndFactor) {
    Set(xyz_randByMat, 1);
    Set(xyz_offset_z2, 1.0f);  // draw 1 becomes the z translation
    for (auto [mtl, handle, seed] :
         {std::tuple{3, 5ul, 7}, std::tuple{INT_MAX, 0xFFFFFFFFul, 99999}}) {
        Set(xyz_seed, seed);
        const uint32_t h = static_cast<uint32_t>(handle);
        uint32_t s = (static_cast<uint32_t>(mtl) + 1u + h * (h * h * 15731u + 789221u)) *
                     static_cast<uint32_t>(seed);
        Random r;
        r.srand(s * (s * s * 15731u + 789221u));
        INode node(handle);
        EXPECT_EQ(Varied(Updated(), mtl, &node).GetTrans().z,
                  static_cast<float>(r.rand()) / 32767.0f * 2.0f - 1.0f);
    }
    QuorvXYZGen g = Updated();
    INode n5(5), n6(6), wide(static_cast<ULONG>((uint64_t{1} << 32) | 5u));
    EXPECT_EQ(Varied(g, 0, &n5), Varied(g, 0, &wide));  // the handle's low 32 bits
    EXPECT_FALSE(Varied(g, 0, &n5) == Varied(g, 1, &n5));
    EXPECT_FALSE(Varied(g, 0, &n5) == Varied(g, 0, &n6));
    const Matrix3 noNode = Varied(g, 0, nullptr);
    Set(xyz_randByMat, 0);
    Set(xyz_randByObj, 0);
    g = Updated();
    EXPECT_EQ(Varied(g, 0, &n5), Varied(g, 1, &n6));
    EXPECT_EQ(Varied(g, 0, &n5), noNode);  // a missing node skips only the node term
}

TEST_F(XYZGenTest, SizeDrawsComeAfterTheOthersWhateverTheRanges) {
    Set(xyz_lock, 0);
    for (int id : {xyz_size_x2, xyz_size_y2, xyz_size_z2}) Set(id, 0.5f);
    INode node(42);
    const Matrix3 sizeOnly = Varied(Updated(), 2, &node);
    for (int id = xyz_offset_x2; id <= xyz_offset_z2; ++id) Set(id, 3.0f);
    for (int id = xyz_angle_x2; id <= xyz_angle_z2; ++id) Set(id, 40.0f);
    const Matrix3 all = Varied(Updated(), 2, &node);
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(InverseSize(all, j), InverseSize(sizeOnly, j), 1e-5f);
    EXPECT_NE(InverseSize(sizeOnly, 0), 1.0f);
}

TEST_F(XYZGenTest, LockSharesOneSizeChange) {
    Set(xyz_size_y, 2.0f);
    Set(xyz_size_z, 3.0f);
    Set(xyz_size_x2, 0.5f);
    Set(xyz_size_y2, 10.0f);  // unused while locked
    Set(xyz_randByMat, 1);
    QuorvXYZGen g = Updated();
    for (int mtl = 0; mtl < 16; ++mtl) {
        const Matrix3 tm = Varied(g, mtl, nullptr);
        const float d = 1.0f / InverseSize(tm, 0) - 1.0f;
        EXPECT_LE(std::fabs(d), 0.5f + 1e-6f);
        EXPECT_NEAR(1.0f / InverseSize(tm, 1) - 2.0f, d, 1e-5f);
        EXPECT_NEAR(1.0f / InverseSize(tm, 2) - 3.0f, d, 1e-5f);
    }
}

TEST_F(XYZGenTest, ThreadsSeeWhatOneThreadSees) {
    Set(xyz_map, XYZ_MAP_WORLD);
    Set(xyz_randByMat, 1);
    Set(xyz_lock, 0);
    for (int id = xyz_offset_x2; id <= xyz_angle_z2; ++id) Set(id, 0.3f);
    const QuorvXYZGen g = Updated();
    std::vector<INode> nodes;
    for (ULONG h = 0; h < 8; ++h) nodes.emplace_back(h * 977u);
    auto run = [&](std::vector<Point3>& out) {
        SampleShadeContext s;
        Point3 q, qx, qy, b[3];
        for (int i = 0; i < 256; ++i) {
            s.SetMtlNum(i % 5);
            s.SetNode(&nodes[static_cast<size_t>(i) % nodes.size()]);
            s.SetP(Point3(0.1f * static_cast<float>(i), 1.0f, -2.0f));
            g.GetPoint(s, q, qx, qy);
            g.GetPointAndBasis(s, q, b);
            out.insert(out.end(), {q, qx, b[1]});
        }
    };
    std::vector<Point3> expected;
    run(expected);
    std::vector<std::vector<Point3>> results(8);
    std::vector<std::thread> threads;
    for (auto& r : results) threads.emplace_back(run, std::ref(r));
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_EQ(r, expected);
}

}  // namespace
