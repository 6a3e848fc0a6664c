#include "layer_rotations.h"

#include <algorithm>
#include <array>

namespace {

// One layer at 90 degrees; with more, the first at -10 (2D) or 22.5 (3D) degrees and then
// these, in degrees, as far as levels reaches.
constexpr float singleLayerAngle = 1.5707964f;
constexpr float firstLayerAngle2D = -0.17453292f;
constexpr float firstLayerAngle3D = 0.39269909f;
constexpr float layerAngles[7] = {35.0f, 55.0f, 75.0f, -15.0f, -35.0f, -55.0f, -75.0f};
constexpr float degToRad = 0.017453292f;

}  // namespace

float layerAngle(int type, int slot) {
    if (slot == 0) return singleLayerAngle;
    if (slot == 1) return type == 0 ? firstLayerAngle2D : firstLayerAngle3D;
    return layerAngles[slot - 2] * degToRad;
}

Matrix3 buildLayerRotation(float theta, int type) {
    Matrix3 m;
    m.IdentityMatrix();
    m.NoRot();
    m.RotateZ(theta);
    if (type != 0) {
        m.RotateX(theta);
        m.RotateY(theta);
    }
    return m;
}

namespace {

std::array<Matrix3, 2 * layerSlots> buildRotationTable() {
    std::array<Matrix3, 2 * layerSlots> table;
    for (int type = 0; type < 2; ++type)
        for (int slot = 0; slot < layerSlots; ++slot)
            table[type * layerSlots + slot] = buildLayerRotation(layerAngle(type, slot), type);
    return table;
}

std::array<LayerRotationLanes, 4> buildLaneTable(const std::array<Matrix3, 2 * layerSlots>& r) {
    std::array<LayerRotationLanes, 4> table{};
    for (int type = 0; type < 2; ++type)
        for (int first = 0; first < 2; ++first)
            for (int lane = 0; lane < 8; ++lane) {
                const int slot = first == 0 ? 0 : std::min(1 + lane, layerSlots - 1);
                const Matrix3& m = r[type * layerSlots + slot];
                for (int row = 0; row < 4; ++row) {
                    LayerRotationLanes& t = table[type * 2 + first];
                    t.m[row][0][lane] = m[row].x;
                    t.m[row][1][lane] = m[row].y;
                    t.m[row][2][lane] = m[row].z;
                }
            }
    return table;
}

}  // namespace

const std::array<Matrix3, 2 * layerSlots> layerRotations = buildRotationTable();
// Defined after layerRotations in the same file, so built after it.
const std::array<LayerRotationLanes, 4> layerRotationLaneTable = buildLaneTable(layerRotations);
