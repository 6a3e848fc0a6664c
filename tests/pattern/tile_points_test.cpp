// The points made once for a tile answer each sample as the periodic search does, bit for bit,
// near the seams (where copies are nearest) as well as inside.
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "cellular.h"
#include "cellular_lattice.h"
#include "cellular_search.h"
#include "lattice_index.h"
#include "pattern.h"
#include "scratch_tile.h"
#include "tile_points.h"
#include "tiled_cellular.h"

namespace {

// The default bake's tile (5 units square), a sheared one off the axes, and the narrow tile of
// a 15-unit bake, smaller than a feature spacing across its short side.
const ScratchTile tiles[] = {
    {Point3(0.0f, 0.0f, 0.0f), Point3(5.0f, 0.0f, 0.0f), Point3(0.0f, 5.0f, 0.0f)},
    {Point3(0.3f, -1.2f, 0.5f), Point3(5.0f, 0.5f, 0.2f), Point3(-0.4f, 4.5f, 0.3f)},
    {Point3(-7.5f, 2.25f, 0.0f), Point3(1.5f, 0.0f, 0.0f), Point3(0.0f, 1.5f, 0.0f)},
};

double periodic(const double at[3], const cellular::LatticeTile& l) {
    const double d = cellular::tiledNearest(at, l, 0.8);
    return d < 0.8 ? d : cellular::tiledNearest(at, l, 3.0);
}

TEST(TilePoints, AnswerAsThePeriodicSearch) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0), seam(-0.04, 0.04), off(-0.45, 0.45);
    for (const ScratchTile& tile : tiles) {
        for (const int type : {0, 1}) {
            const auto points = cellular::makeTilePoints(tile, type, 60.0f, 1, 8);
            ASSERT_TRUE(points);
            int answered = 0, copies = 0;
            for (int slot = 1; slot <= 8; ++slot) {
                const cellular::TiledLayerPoints* layer = points->layer[slot].get();
                ASSERT_TRUE(layer) << "slot " << slot;
                const cellular::LatticeTile& l = layer->lattice;
                for (int k = 0; k < 1500; ++k) {
                    // Half on a seam, a few off the tile's plane.
                    double u = unit(rng), v = unit(rng);
                    if (k % 2) (k % 4 == 1 ? u : v) = (k % 8 < 4 ? 0.0 : 1.0) + seam(rng);
                    const double w = k % 16 == 0 ? off(rng) : 0.0;
                    double at[3];
                    for (int c = 0; c < 3; ++c)
                        at[c] = l.origin[c] + u * l.a[c] + v * l.b[c] + w * layer->axis[2][c];
                    double d = -1.0;
                    ASSERT_TRUE(cellular::bucketNearest(at, *layer, d));
                    ++answered;
                    ASSERT_EQ(d, periodic(at, l)) << "u " << u << " v " << v << " w " << w;
                    int32_t cell[3];
                    for (int c = 0; c < 3; ++c) ASSERT_TRUE(latticeIndex(at[c], cell[c]));
                    copies += d != cellular::nearestFeature(at, cell[0], cell[1], cell[2],
                                                            cellular::initialDistance);
                }
            }
            EXPECT_EQ(answered, 8 * 1500);
            // The check must see samples whose nearest point is a copy or a dropped one's
            // replacement, not only the plain field's.
            EXPECT_GT(copies, 200) << "type " << type;
        }
    }
}

TEST(TilePoints, SamplesOffTheTileAreLeftToTheSearch) {
    const ScratchTile& tile = tiles[0];
    const auto points = cellular::makeTilePoints(tile, 1, 60.0f, 0, 0);
    ASSERT_TRUE(points && points->layer[0]);
    const cellular::TiledLayerPoints& layer = *points->layer[0];
    const cellular::LatticeTile& l = layer.lattice;
    double d = 7.0;
    for (const double u : {-0.2, 1.2}) {
        const double at[3] = {l.origin[0] + u * l.a[0], l.origin[1] + u * l.a[1],
                              l.origin[2] + u * l.a[2]};
        EXPECT_FALSE(cellular::bucketNearest(at, layer, d));
    }
    const double above[3] = {l.origin[0] + 2.0 * layer.axis[2][0],
                             l.origin[1] + 2.0 * layer.axis[2][1],
                             l.origin[2] + 2.0 * layer.axis[2][2]};
    EXPECT_FALSE(cellular::bucketNearest(above, layer, d));
    EXPECT_EQ(d, 7.0);
    // A tile far smaller than a feature spacing has too many copies within reach for buckets.
    const ScratchTile tiny{Point3(0.0f, 0.0f, 0.0f), Point3(0.01f, 0.0f, 0.0f),
                           Point3(0.0f, 0.01f, 0.0f)};
    EXPECT_FALSE(cellular::makeTilePoints(tiny, 1, 60.0f, 0, 0));
}

// Through the field: the tile with its points gives what the tile without them gives, for the
// stretch they were made for and (searching) for another.
TEST(TilePoints, TheFieldIsTheSearchingFieldsBitForBit) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> unit(-0.03, 1.03), band(-0.03, 0.12);
    // Every other sample in the bands beside the seams, where the plain field's nearest point
    // can be farther than a copy's.
    auto coordinate = [&](int k) {
        if (k % 2 == 0) return static_cast<float>(unit(rng));
        const double b = band(rng);
        return static_cast<float>(rng() % 2 ? b : 1.0 - b);
    };
    for (const ScratchTile& plain : tiles) {
        for (const int type : {0, 1}) {
            for (const int levels : {1, 6}) {
                for (const int erosion : {0, 1}) {
                    const auto points = cellular::makeTilePoints(
                        plain, type, 60.0f, levels <= 1 ? 0 : 1, levels <= 1 ? 0 : levels);
                    ScratchTile fast = plain;
                    fast.points = points.get();
                    ScratchInputs in{0.0f, 1.0f, 10.0f, erosion, 0.8f,
                                     0.5f, 1.0f, 0.8f,  type,    levels};
                    for (int k = 0; k < 400; ++k) {
                        const float u = coordinate(k), v = coordinate(k / 2);
                        const Point3 p = plain.origin + plain.edgeU * u + plain.edgeV * v;
                        const Point3 dp(0.004f, 0.0f, 0.0f), dq(0.0f, 0.004f, 0.0f);
                        in.stretch = k % 10 == 0 ? 3.0f : 10.0f;
                        // A wide spread too, so that far nearest points do not all read as 1.
                        in.spread = k % 3 == 0 ? 0.8f : 6.0f;
                        ASSERT_EQ(tiledScratchPattern(p, in, fast),
                                  tiledScratchPattern(p, in, plain));
                        ASSERT_EQ(tiledScratchPatternFiltered(p, dp, dq, in, fast),
                                  tiledScratchPatternFiltered(p, dp, dq, in, plain));
                    }
                }
            }
        }
    }
}

}  // namespace
