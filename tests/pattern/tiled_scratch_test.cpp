#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "pattern.h"
#include "scratch_tile.h"

namespace {

ScratchInputs inputs(int type, int levels, int useErosion) {
    return ScratchInputs{0.0f, 1.0f, 10.0f, useErosion, 0.8f, 0.5f, 1.0f, 0.8f, type, levels};
}

// A sheared tile off the axes, a few feature spacings across (the default bake's size).
const ScratchTile tile{Point3(0.3f, -1.2f, 0.5f), Point3(5.0f, 0.5f, 0.2f),
                       Point3(-0.4f, 4.5f, 0.3f)};

Point3 at(const ScratchTile& t, double u, double v) {
    return t.origin + t.edgeU * static_cast<float>(u) + t.edgeV * static_cast<float>(v);
}

struct Case {
    int type, levels, erosion;
};
const Case cases[] = {{0, 8, 0}, {1, 6, 0}, {1, 8, 1}, {0, 1, 1}, {0, 3, 1}};

}  // namespace

// The field at u (or v) and one period on agrees wherever the scratch is not so steep that the
// rounding of the two points matters, including across the erosion's blend band and at the
// seam itself.
TEST(TiledScratch, RepeatsByBothEdges) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const Case& c : cases) {
        const ScratchInputs in = inputs(c.type, c.levels, c.erosion);
        int differ = 0, scratched = 0;
        for (int k = 0; k < 2000; ++k) {
            // Half the samples hug the seams, where the copies and the blend act.
            const double u = k % 2 ? unit(rng) * 0.05 : unit(rng);
            const double v = unit(rng);
            const float f = tiledScratchPattern(at(tile, u, v), in, tile);
            const float fu = tiledScratchPattern(at(tile, u + 1.0, v), in, tile);
            const float fv = tiledScratchPattern(at(tile, v, u + 1.0), in, tile);
            const float g = tiledScratchPattern(at(tile, v, u), in, tile);
            differ += std::fabs(f - fu) > 0.02f;
            differ += std::fabs(g - fv) > 0.02f;
            scratched += f < 0.9f;
        }
        EXPECT_LE(differ, 5) << "type " << c.type << " levels " << c.levels;
        EXPECT_GT(scratched, 2) << "the test must see scratches";
    }
}

// Away from the edges the tiled field is the plain one, bit for bit; near them it differs.
TEST(TiledScratch, EqualsThePlainFieldInsideTheTile) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> middle(0.25, 0.75), edge(0.0, 0.03);
    for (const Case& c : cases) {
        const ScratchInputs in = inputs(c.type, c.levels, c.erosion);
        int nearEdgeDiffer = 0;
        for (int k = 0; k < 1000; ++k) {
            const Point3 p = at(tile, middle(rng), middle(rng));
            ASSERT_EQ(tiledScratchPattern(p, in, tile), scratchPattern(p, in));
            const Point3 dx(0.01f, 0.0f, 0.0f), dy(0.0f, 0.01f, 0.0f);
            ASSERT_EQ(tiledScratchPatternFiltered(p, dx, dy, in, tile),
                      scratchPatternFiltered(p, dx, dy, in));
            const Point3 q = at(tile, edge(rng), middle(rng));
            nearEdgeDiffer += tiledScratchPattern(q, in, tile) != scratchPattern(q, in);
        }
        EXPECT_GT(nearEdgeDiffer, 0) << "type " << c.type << " levels " << c.levels;
    }
}

// A tile much smaller than the feature spacing still repeats (many copies in reach), and one
// that spans no area is refused and gives the plain field.
TEST(TiledScratch, SmallAndDegenerateTiles) {
    const ScratchTile small{Point3(1.0f, 2.0f, 0.0f), Point3(0.3f, 0.05f, 0.0f),
                            Point3(0.0f, 0.25f, 0.1f)};
    const ScratchInputs in = inputs(1, 8, 1);
    int differ = 0;
    for (int k = 0; k < 24; ++k) {
        const double u = (k % 6) / 6.0, v = (k / 6) / 4.0;
        differ += std::fabs(tiledScratchPattern(at(small, u, v), in, small) -
                            tiledScratchPattern(at(small, u + 3.0, v - 2.0), in, small)) > 0.02f;
    }
    EXPECT_LE(differ, 1);

    const ScratchTile flat{Point3(0.0f, 0.0f, 0.0f), Point3(1.0f, 2.0f, 3.0f),
                           Point3(2.0f, 4.0f, 6.0f)};
    EXPECT_FALSE(tileIsUsable(flat));
    EXPECT_TRUE(tileIsUsable(tile));
    const Point3 p(0.7f, 0.2f, 0.1f);
    EXPECT_EQ(tiledScratchPattern(p, in, flat), scratchPattern(p, in));
    const Point3 zero(0.0f, 0.0f, 0.0f);
    EXPECT_FALSE(
        tileIsUsable(ScratchTile{zero, Point3(NAN, 1.0f, 0.0f), Point3(0.0f, 1.0f, 0.0f)}));
}
