// The items of the editor's drop-down lists as string-table entries, in value order: item i
// of a list is value i of its parameter. The rollouts fill their lists from these, and tools
// name a choice parameter's values with the same texts.
#pragma once

#include "resource.h"

// "params" block, type.
inline constexpr int kTypeTexts[] = {IDS_TYPE_2D, IDS_TYPE_3D};
// "Mapping" block, xyz_map.
inline constexpr int kMapTypeTexts[] = {IDS_MAP_EXPLICIT_2D, IDS_MAP_EXPLICIT_REAL_WORLD,
                                        IDS_MAP_OBJECT_XYZ, IDS_MAP_WORLD_XYZ, IDS_MAP_SCREEN};
// "Mapping" block, xyz_tile_x, xyz_tile_y and xyz_tile_z.
inline constexpr int kTilingTexts[] = {IDS_TILE_CONTINUE, IDS_TILE_STRETCH, IDS_TILE_TILE,
                                       IDS_TILE_MIRROR, IDS_TILE_NONE};
