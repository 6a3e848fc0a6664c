// Parameter IDs of the "params" block and the map's reference layout. The IDs are what
// scripts and saved scenes key on, so they never change; the descriptor declares the
// parameters in a different order.
#pragma once

// Block ID of "params"; it is also the block's reference number in the map.
enum { scratch_params = 1 };

enum ScratchParamID {
    scratch_size = 0,
    scratch_thresholdLow = 1,
    scratch_thresholdHigh = 2,
    scratch_sizeMap = 3,
    scratch_sizeMapEnabled = 4,
    scratch_color1 = 5,
    scratch_color2 = 6,
    scratch_color1map = 7,
    scratch_color2map = 8,
    scratch_col1mapEnabled = 9,
    scratch_col2mapEnabled = 10,
    scratch_spreadMap = 11,
    scratch_stretchMap = 12,
    scratch_spreadMapEnabled = 13,  // internal name "spreasdMapEnabled"
    scratch_stretchMapEnabled = 14,
    scratch_stretch = 15,
    scratch_erosion = 16,
    scratch_erosionDelta = 17,
    scratch_spread = 18,
    scratch_type = 19,
    scratch_levels = 20,
    scratch_useErosion = 21,
    scratch_bumpDelta = 22,
    scratch_distortMap = 23,
    scratch_distortStrMap = 24,
    scratch_useDistortion = 25,
    scratch_dStrMapEnabled = 26,
    scratch_distortStr = 27,
    scratch_output = 28,
};

// Sub-map slots, numbered as the block declares the maps.
inline constexpr int SUBTEX_COLOR1 = 0;
inline constexpr int SUBTEX_COLOR2 = 1;
inline constexpr int SUBTEX_SIZE = 2;
inline constexpr int SUBTEX_SPREAD = 3;
inline constexpr int SUBTEX_STRETCH = 4;
inline constexpr int SUBTEX_DISTORT = 5;
inline constexpr int SUBTEX_DISTORT_STR = 6;
inline constexpr int NSUBTEX = 7;

// References of the map; sub-map slot i is reference i + SUBTEX_REF_BASE.
inline constexpr int COORDS_REF = 0;
inline constexpr int PBLOCK_REF = 1;
inline constexpr int SUBTEX_REF_BASE = 2;
inline constexpr int OUTPUT_REF = 9;
inline constexpr int NUM_REFS = 10;
