#include <cmath>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "layer_rotations.h"
#include "nearest_scratch.h"
#include "pattern.h"

namespace {

ScratchInputs inputs(int type, int levels, int useErosion) {
    return ScratchInputs{0.0f, 1.0f, 10.0f, useErosion, 0.8f, 0.5f, 1.0f, 0.8f, type, levels};
}

struct Case {
    int type, levels;
};
const Case cases[] = {{0, 8}, {1, 8}, {0, 1}, {1, 3}, {0, 2}};

// The layer values of every slot the settings use, as the field's single-layer entry has them.
float layerAt(const Point3& p, const ScratchInputs& in, int layer) {
    const int slot = in.levels <= 1 ? 0 : layer + 1;
    return scratchLayer(p, layerAngle(in.type, slot), in.type, in);
}

}  // namespace

// The nearest scratch is the layer whose value is the field's minimum, with the random value of
// its own identity; erosion and thresholds do not change it.
TEST(NearestScratch, IsTheLayerThatDecidesTheField) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> coord(-40.0f, 40.0f);
    for (const Case& c : cases) {
        const ScratchInputs in = inputs(c.type, c.levels, 0);
        ScratchInputs eroded = inputs(c.type, c.levels, 1);
        eroded.thresholdLow = 0.2f;
        eroded.thresholdHigh = 0.6f;
        const int layers = c.levels <= 1 ? 1 : c.levels;
        std::set<int> seen;
        for (int k = 0; k < 3000; ++k) {
            const Point3 p(coord(rng), coord(rng), coord(rng) * (c.type == 0 ? 0.0f : 1.0f));
            NearestScratch n, e;
            ASSERT_TRUE(nearestScratch(p, in, n));
            ASSERT_TRUE(nearestScratch(p, eroded, e));
            float lowest = HUGE_VALF;
            for (int l = 0; l < layers; ++l) lowest = std::min(lowest, layerAt(p, in, l));
            ASSERT_GE(n.layer, 0);
            ASSERT_LT(n.layer, layers);
            EXPECT_EQ(layerAt(p, in, n.layer), lowest) << "type " << c.type << " at " << k;
            EXPECT_EQ(n.random, scratchRandom(n.cube, n.point, n.layer));
            EXPECT_EQ(e.random, n.random);
            EXPECT_GE(n.random, 0.0f);
            EXPECT_LT(n.random, 1.0f);
            seen.insert(n.layer);
        }
        EXPECT_EQ(static_cast<int>(seen.size()), layers) << "every layer wins somewhere";
    }
}

// The hash separates neighbouring cubes, indices and layers and spreads over [0, 1).
TEST(NearestScratch, RandomSeparatesIdentities) {
    const int32_t cube[3] = {4, -7, 2};
    const float r = scratchRandom(cube, 1, 2);
    const int32_t nextX[3] = {5, -7, 2}, nextZ[3] = {4, -7, 3};
    EXPECT_NE(r, scratchRandom(nextX, 1, 2));
    EXPECT_NE(r, scratchRandom(nextZ, 1, 2));
    EXPECT_NE(r, scratchRandom(cube, 0, 2));
    EXPECT_NE(r, scratchRandom(cube, 1, 3));
    double sum = 0.0;
    int low = 0;
    for (int x = 0; x < 4000; ++x) {
        const int32_t c[3] = {x, x / 7, -x};
        const float v = scratchRandom(c, x % 5, x % 8);
        sum += v;
        low += v < 0.25f;
    }
    EXPECT_NEAR(sum / 4000.0, 0.5, 0.02);
    EXPECT_NEAR(low / 4000.0, 0.25, 0.03);
}

// The axis across a layer's scratches: the single 2D layer at 90 degrees draws marks along X,
// so it is +-Y; a 3D stack's first layer is the rotated Y axis, unit length.
TEST(NearestScratch, AcrossIsTheStretchedAxis) {
    NearestScratch n;
    ASSERT_TRUE(nearestScratch(Point3(3.0f, 4.0f, 0.0f), inputs(0, 1, 0), n));
    EXPECT_NEAR(std::fabs(n.across.y), 1.0f, 1e-6f);
    EXPECT_NEAR(n.across.x, 0.0f, 1e-6f);
    EXPECT_NEAR(n.across.z, 0.0f, 1e-6f);

    const ScratchInputs in = inputs(1, 8, 0);
    for (float x = 0.0f; x < 30.0f; x += 1.7f) {
        ASSERT_TRUE(nearestScratch(Point3(x, 2.0f * x, 1.0f), in, n));
        const Matrix3& m = layerRotation(1, n.layer + 1);
        const Point3 column(m[0][1], m[1][1], m[2][1]);
        EXPECT_NEAR(DotProd(n.across, column), 1.0f, 1e-5f);
    }
    // Nothing where the field has no feature point.
    ScratchInputs none = inputs(2, 8, 0);
    EXPECT_FALSE(nearestScratch(Point3(1.0f, 2.0f, 3.0f), none, n));
    none = inputs(0, 8, 0);
    none.spread = 0.0f;
    EXPECT_FALSE(nearestScratch(Point3(1.0f, 2.0f, 3.0f), none, n));
}

// Over a tile, a point and its copy one period on (either edge) name the same feature point,
// the one whose distance the repeating field draws (half the points hug the seam, where the
// plain nearest point is often not the kept one), and inside the tile the plain one wherever
// the field is the plain one.
TEST(NearestScratch, TiledCopiesShareTheIdentity) {
    const ScratchTile tile{Point3(0.3f, -1.2f, 0.0f), Point3(5.0f, 0.5f, 0.0f),
                           Point3(-0.4f, 4.5f, 0.0f)};
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const Case& c : cases) {
        const ScratchInputs in = inputs(c.type, c.levels, 0);
        int differ = 0, plainDiffer = 0, inside = 0, drawn = 0, wrongPoint = 0;
        for (int k = 0; k < 1500; ++k) {
            const double u = k % 2 ? unit(rng) * 0.05 : unit(rng), v = unit(rng);
            auto at = [&](double a, double b) {
                return tile.origin + tile.edgeU * static_cast<float>(a) +
                       tile.edgeV * static_cast<float>(b);
            };
            NearestScratch n, nu, nv, plain;
            ASSERT_TRUE(tiledNearestScratch(at(u, v), in, tile, n));
            ASSERT_TRUE(tiledNearestScratch(at(u + 1.0, v), in, tile, nu));
            ASSERT_TRUE(tiledNearestScratch(at(u, v + 1.0), in, tile, nv));
            differ += nu.random != n.random || nv.random != n.random || nu.layer != n.layer;
            // The feature point is the one whose distance the repeating field shows (kept in
            // the tile, not the plain nearest beside the seam).
            const float field = tiledScratchPattern(at(u, v), in, tile);
            if (field < 1.0f) {
                ++drawn;
                const float a =
                    static_cast<float>(n.f1 / static_cast<double>(in.spread) * 2.0 - 1.0);
                wrongPoint += (a + 1.0f) * 0.5f != field;
            }
            if (u > 0.3 && u < 0.7 && v > 0.3 && v < 0.7 &&
                tiledScratchPattern(at(u, v), in, tile) == scratchPattern(at(u, v), in)) {
                ASSERT_TRUE(nearestScratch(at(u, v), in, plain));
                ++inside;
                plainDiffer += plain.random != n.random;
            }
        }
        // Only points whose two nearest features are all but equidistant may round apart.
        EXPECT_LE(differ, 4) << "type " << c.type << " levels " << c.levels;
        EXPECT_GT(inside, 50);
        EXPECT_GT(drawn, 10);
        EXPECT_EQ(wrongPoint, 0);
        EXPECT_LE(plainDiffer, inside / 50);
    }
}
