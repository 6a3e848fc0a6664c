// ScratchInputs: the pattern settings of one evaluation, filled afresh by the map for each sample.
#pragma once

struct ScratchInputs {
    float thresholdLow;   // lower threshold, 0..1
    float thresholdHigh;  // upper threshold, 0..1, not below thresholdLow
    float stretch;        // the scaled axis is multiplied by stretch + 50
    int useErosion;       // non-zero: erode the layer stack
    float erosion;        // weight of the erosion noise, 0..1
    float sizeOver20;     // pattern size / 20, the erosion scale
    float erosionDelta;   // erosion scale factor, 0.01..100
    float spread;         // F1 is divided by it
    int type;             // 0 = 2D, 1 = 3D; anything else gives 0
    int levels;           // layers, 1..8
};

static_assert(sizeof(ScratchInputs) == 40, "ten 4-byte fields");
