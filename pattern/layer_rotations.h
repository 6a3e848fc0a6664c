// The layer angles of the scratch field and their rotations, built once at start-up: a
// rotation depends only on the type and the layer, never on the sample.
#pragma once

#include <array>

#include "host_geom.h"

// Layer slots: 0 is the only layer when levels is 1 or less; with more, 1 is the first layer
// and 2..8 follow the angle table.
inline constexpr int layerSlots = 9;

// The angle of a slot in radians, single precision, as the layer stack applies it.
float layerAngle(int type, int slot);

// The rotation of a slot, built exactly as a single layer builds its own: RotateZ, then for
// the 3D type (any type but 0) RotateX and RotateY, each by the slot's angle.
Matrix3 buildLayerRotation(float theta, int type);

// The slots of the 2D type, then those of the 3D type. Filled during static initialisation,
// before any evaluation, and only read afterwards: no guard and no lock on the sample path.
extern const std::array<Matrix3, 2 * layerSlots> layerRotations;

inline const Matrix3& layerRotation(int type, int slot) {
    return layerRotations[(type == 0 ? 0 : layerSlots) + slot];
}

// p * M for a row vector p, written out as the host's product computes it (translation row
// included) so that it can be inlined.
inline Point3 rotatePoint(const Point3& p, const Matrix3& M) {
    return Point3(p.x * M[0].x + p.y * M[1].x + p.z * M[2].x + M[3].x,
                  p.x * M[0].y + p.y * M[1].y + p.z * M[2].y + M[3].y,
                  p.x * M[0].z + p.y * M[1].z + p.z * M[2].z + M[3].z);
}

// The rotations of a whole layer stack side by side, one lane per layer, for working out all
// the layers of a sample together: element [row][column][lane]. Lane i holds slot first + i;
// lanes past the last slot repeat it, so every lane holds a real rotation.
struct LayerRotationLanes {
    float m[4][3][8];
};

// The stacks that start at slot 0 (a single layer) and at slot 1, for the 2D type, then the
// 3D type; filled with layerRotations and, like it, only read afterwards.
extern const std::array<LayerRotationLanes, 4> layerRotationLaneTable;

inline const LayerRotationLanes& layerRotationLanes(int type, int firstSlot) {
    return layerRotationLaneTable[(type == 0 ? 0 : 2) + (firstSlot == 0 ? 0 : 1)];
}
