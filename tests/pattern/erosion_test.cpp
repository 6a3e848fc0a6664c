#include <gtest/gtest.h>

#include "erosion.h"

namespace {
ScratchInputs eroded(int type) {
    return ScratchInputs{0.0f, 1.0f, 10.0f, 1, 0.6f, 0.5f, 1.0f, 0.8f, type, 4};
}
}  // namespace

TEST(Erosion, NoiseExtremes) {
    // Every octave of the origin sits on a lattice point: noise 0, signal 1, sum capped at 1.
    EXPECT_EQ(erosionNoise(Point3(0.0f, 0.0f, 0.0f), 0), 1.0f);
    EXPECT_EQ(erosionNoise(Point3(0.0f, 0.0f, 0.0f), 1), 1.0f);
    const Point3 q(3.7f, -1.2f, 0.4f);
    for (int type : {0, 1}) {
        const float e = erosionNoise(q, type);
        EXPECT_TRUE(e > 0.0f && e < 1.0f);
        EXPECT_EQ(erosionNoise(q, 0.0f, type), e);
        EXPECT_EQ(erosionNoise(q, 2.64f, type), 1.0f);  // every octave faded
    }
}

TEST(Erosion, AmountZeroKeepsOneRemovesAndSizeZeroSkips) {
    const Point3 p(0.0f, 1.3f, -2.2f);
    for (int type : {0, 1}) {
        ScratchInputs in = eroded(type);
        in.erosion = 0.0f;
        EXPECT_EQ(erodeLayerValue(-0.8f, p, type, in), -0.8f);
        in.erosion = 1.0f;
        // Seen from far away the noise is 1 everywhere: the scratch is gone.
        EXPECT_EQ(erodeLayerValue(-0.8f, p, 1000.0f, type, in), 1.0f);
        // Size 0 would put the noise at p / 0: the layers stay uneroded.
        in.sizeOver20 = 0.0f;
        EXPECT_EQ(erodeLayerValue(-0.3f, p, type, in), -0.3f);
        EXPECT_EQ(erodeLayerValue(-0.3f, p, 0.01f, type, in), -0.3f);
    }
}
