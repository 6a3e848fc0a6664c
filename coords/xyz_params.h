// Parameter IDs of the "Mapping" block. Scripts and saved scenes key on these values, so they
// never change; the descriptor declares them in a different order.
#pragma once

enum XYZParamID {
    xyz_map = 0,
    xyz_chan = 1,
    xyz_offset_x = 2,
    xyz_offset_y = 3,
    xyz_offset_z = 4,
    xyz_size_x = 5,
    xyz_size_y = 6,
    xyz_size_z = 7,
    xyz_angle_x = 8,
    xyz_angle_y = 9,
    xyz_angle_z = 10,
    xyz_tile_x = 11,
    xyz_tile_y = 12,
    xyz_tile_z = 13,
    xyz_offset_x2 = 14,
    xyz_offset_y2 = 15,
    xyz_offset_z2 = 16,
    xyz_size_x2 = 17,
    xyz_size_y2 = 18,
    xyz_size_z2 = 19,
    xyz_angle_x2 = 20,
    xyz_angle_y2 = 21,
    xyz_angle_z2 = 22,
    xyz_seed = 23,
    xyz_randByMat = 24,
    xyz_randByObj = 25,
    xyz_lock = 26,
};

// Values of xyz_map, in the order of the rollout's type list.
enum XYZMapType {
    XYZ_MAP_EXPLICIT_2D = 0,
    XYZ_MAP_EXPLICIT_REAL_WORLD = 1,
    XYZ_MAP_OBJECT = 2,
    XYZ_MAP_WORLD = 3,
    XYZ_MAP_SCREEN = 4,
};

// Values of xyz_tile_x/y/z, in the order of the rollout's tiling lists.
enum XYZTileMode {
    XYZ_TILE_CONTINUE = 0,
    XYZ_TILE_STRETCH = 1,
    XYZ_TILE_TILE = 2,
    XYZ_TILE_MIRROR = 3,
    XYZ_TILE_NONE = 4,
};
