#include "coords/xyz_gen.h"

#include <cmath>
#include <cstdint>

#include "coords/xyz_params.h"

namespace {

constexpr float kDegToRad = 0.017453292f;
constexpr float kVarianceEpsilon = 1e-4f;
constexpr float kMinSize = 1e-4f;
// Coordinates at or beyond this magnitude do not fit the 32-bit truncation of Tile and Mirror.
constexpr float kTruncLimit = 2147483648.0f;

// The size of the unvaried transform. The rollout accepts 0, whose reciprocal is infinite, so
// sizes near zero are kept at 1e-4 in magnitude. A negative size mirrors its axis and stays
// negative; NaN becomes the floor.
float UnvariedSize(float s) {
    if (std::isnan(s)) return kMinSize;
    if (s >= 0.0f && s < kMinSize) return kMinSize;
    if (s < 0.0f && s > -kMinSize) return -kMinSize;
    return s;
}

// The varied path raises everything below 1e-4 to it; written so that NaN is raised too.
float VariedSize(float s) {
    return s >= kMinSize ? s : kMinSize;
}

// The seed hash of the variance: 32-bit wrap-around, as unsigned arithmetic.
uint32_t SeedHash(uint32_t h) {
    return h * (h * h * 15731u + 789221u);
}

// One uniform value in [-1, 1] from the query's generator.
float Draw(Random& rng) {
    return static_cast<float>(rng.rand()) / static_cast<float>(Random::s_rand_max) * 2.0f - 1.0f;
}

Point3 RowDirection(const Matrix3& tm, int i) {
    return Normalize(tm.GetRow(i));
}

}  // namespace

QuorvXYZGen::QuorvXYZGen() {
    RebuildCache();
}

void QuorvXYZGen::Update(IParamBlock2* pb, TimeValue t, Interval& valid) {
    if (pb == nullptr) return;

    pb->GetValue(xyz_offset_x, t, offsetX, valid);
    pb->GetValue(xyz_offset_y, t, offsetY, valid);
    pb->GetValue(xyz_offset_z, t, offsetZ, valid);
    pb->GetValue(xyz_size_x, t, sizeX, valid);
    pb->GetValue(xyz_size_y, t, sizeY, valid);
    pb->GetValue(xyz_size_z, t, sizeZ, valid);
    pb->GetValue(xyz_angle_x, t, angleX, valid);
    pb->GetValue(xyz_angle_y, t, angleY, valid);
    pb->GetValue(xyz_angle_z, t, angleZ, valid);
    pb->GetValue(xyz_offset_x2, t, offsetVarX, valid);
    pb->GetValue(xyz_offset_y2, t, offsetVarY, valid);
    pb->GetValue(xyz_offset_z2, t, offsetVarZ, valid);
    pb->GetValue(xyz_size_x2, t, sizeVarX, valid);
    pb->GetValue(xyz_size_y2, t, sizeVarY, valid);
    pb->GetValue(xyz_size_z2, t, sizeVarZ, valid);
    pb->GetValue(xyz_angle_x2, t, angleVarX, valid);
    pb->GetValue(xyz_angle_y2, t, angleVarY, valid);
    pb->GetValue(xyz_angle_z2, t, angleVarZ, valid);

    pb->GetValue(xyz_tile_x, t, tileX, valid);
    pb->GetValue(xyz_tile_y, t, tileY, valid);
    pb->GetValue(xyz_tile_z, t, tileZ, valid);
    pb->GetValue(xyz_seed, t, seed, valid);
    pb->GetValue(xyz_randByObj, t, randByObj, valid);
    pb->GetValue(xyz_randByMat, t, randByMat, valid);
    pb->GetValue(xyz_map, t, mapType, valid);
    pb->GetValue(xyz_chan, t, mapChannel, valid);
    pb->GetValue(xyz_lock, t, lock, valid);

    // The block holds degrees.
    angleX *= kDegToRad;
    angleY *= kDegToRad;
    angleZ *= kDegToRad;
    angleVarX *= kDegToRad;
    angleVarY *= kDegToRad;
    angleVarZ *= kDegToRad;

    RefreshCoordinateRollout(pb, t);
    RebuildCache();
}

void QuorvXYZGen::RebuildCache() {
    forwardTM.IdentityMatrix();
    forwardTM.Translate(Point3(offsetX, offsetY, offsetZ));
    forwardTM.RotateX(angleX);
    forwardTM.RotateY(angleY);
    forwardTM.RotateZ(angleZ);
    forwardTM.Scale(
        Point3(1.0f / UnvariedSize(sizeX), 1.0f / UnvariedSize(sizeY), 1.0f / UnvariedSize(sizeZ)),
        false);

    for (int i = 0; i < 3; ++i) bumpBasis[i] = RowDirection(forwardTM, i);

    varianceActive = offsetVarX > kVarianceEpsilon || offsetVarY > kVarianceEpsilon ||
                     offsetVarZ > kVarianceEpsilon || sizeVarX > kVarianceEpsilon ||
                     sizeVarY > kVarianceEpsilon || sizeVarZ > kVarianceEpsilon ||
                     angleVarX > kVarianceEpsilon || angleVarY > kVarianceEpsilon ||
                     angleVarZ > kVarianceEpsilon;
}

void QuorvXYZGen::ResetParameters(IParamBlock2* pb, Interval& valid, int mapType, int tileX,
                                  int tileY, int tileZ) {
    if (pb == nullptr) return;
    const TimeValue t = GetCOREInterface()->GetTime();

    pb->SetValue(xyz_offset_x, t, 0.0f);
    pb->SetValue(xyz_offset_y, t, 0.0f);
    pb->SetValue(xyz_offset_z, t, 0.0f);
    pb->SetValue(xyz_size_x, t, 1.0f);
    pb->SetValue(xyz_size_y, t, 1.0f);
    pb->SetValue(xyz_size_z, t, 1.0f);
    pb->SetValue(xyz_angle_x, t, 0.0f);
    pb->SetValue(xyz_angle_y, t, 0.0f);
    pb->SetValue(xyz_angle_z, t, 0.0f);
    pb->SetValue(xyz_offset_x2, t, 0.0f);
    pb->SetValue(xyz_offset_y2, t, 0.0f);
    pb->SetValue(xyz_offset_z2, t, 0.0f);
    pb->SetValue(xyz_size_x2, t, 0.0f);
    pb->SetValue(xyz_size_y2, t, 0.0f);
    pb->SetValue(xyz_size_z2, t, 0.0f);
    pb->SetValue(xyz_angle_x2, t, 0.0f);
    pb->SetValue(xyz_angle_y2, t, 0.0f);
    pb->SetValue(xyz_angle_z2, t, 0.0f);
    pb->SetValue(xyz_tile_x, t, tileX);
    pb->SetValue(xyz_tile_y, t, tileY);
    pb->SetValue(xyz_tile_z, t, tileZ);
    pb->SetValue(xyz_seed, t, 12345);
    pb->SetValue(xyz_randByObj, t, 1);
    pb->SetValue(xyz_randByMat, t, 0);
    pb->SetValue(xyz_map, t, mapType);
    pb->SetValue(xyz_chan, t, 1);
    pb->SetValue(xyz_lock, t, 1);

    // The next update must read everything again.
    valid = NEVER;
}

void QuorvXYZGen::BuildVariedTransform(ShadeContext& sc, Matrix3& tm) const {
    uint32_t s = randByMat ? static_cast<uint32_t>(sc.mtlNum) + 1u : 1u;
    if (randByObj) {
        if (INode* node = sc.Node()) s += SeedHash(static_cast<uint32_t>(node->GetHandle()));
    }
    s *= static_cast<uint32_t>(seed);

    // A generator of this query's own: queries on other threads cannot disturb the sequence.
    Random rng;
    rng.srand(SeedHash(s));

    // The draws are consumed in this fixed order whatever the ranges, so one variance does
    // not shift the values the others get.
    const float oz = Draw(rng) * offsetVarZ + offsetZ;
    const float oy = Draw(rng) * offsetVarY + offsetY;
    const float ox = Draw(rng) * offsetVarX + offsetX;
    tm.IdentityMatrix();
    tm.Translate(Point3(ox, oy, oz));
    tm.RotateX(Draw(rng) * angleVarX + angleX);
    tm.RotateY(Draw(rng) * angleVarY + angleY);
    tm.RotateZ(Draw(rng) * angleVarZ + angleZ);

    float sx, sy, sz;
    if (lock) {
        const float d = Draw(rng) * sizeVarX;
        sx = sizeX + d;
        sy = sizeY + d;
        sz = sizeZ + d;
    } else {
        sz = Draw(rng) * sizeVarZ + sizeZ;
        sy = Draw(rng) * sizeVarY + sizeY;
        sx = Draw(rng) * sizeVarX + sizeX;
    }
    tm.Scale(Point3(1.0f / VariedSize(sx), 1.0f / VariedSize(sy), 1.0f / VariedSize(sz)), false);
}

int QuorvXYZGen::ApplyTiling(int mode, float& v) {
    switch (mode) {
        case XYZ_TILE_STRETCH:
            if (v < 0.0f) {
                v = 0.0f;
            } else if (v > 1.0f) {
                v = 1.0f;
            }
            return 1;
        case XYZ_TILE_TILE: {
            // Beyond the 32-bit range every float is an even integer: its fraction is 0.
            // NaN and infinities get the same finite answer.
            if (!(std::fabs(v) < kTruncLimit)) {
                v = 0.0f;
                return 1;
            }
            const float f = v - static_cast<float>(static_cast<int32_t>(v));
            v = f < 0.0f ? f + 1.0f : f;
            return 1;
        }
        case XYZ_TILE_MIRROR: {
            const float a = std::fabs(v);
            if (!(a < kTruncLimit)) {
                v = 0.0f;
                return 1;
            }
            const int32_t n = static_cast<int32_t>(a);
            const float f = a - static_cast<float>(n);
            v = (n % 2 == 0) ? f : 1.0f - f;
            return 1;
        }
        case XYZ_TILE_NONE:
            return (v >= 0.0f && v <= 1.0f) ? 1 : 0;
        default:  // Continue, and modes this version does not know
            return 1;
    }
}

int QuorvXYZGen::ComputePoint(ShadeContext& sc, const Matrix3& tm, Point3& p, Point3* dpdx,
                              Point3* dpdy) const {
    switch (mapType) {
        case XYZ_MAP_EXPLICIT_2D:
        case XYZ_MAP_EXPLICIT_REAL_WORLD: {
            const Point3 w = sc.UVW(mapChannel);
            if (mapType == XYZ_MAP_EXPLICIT_2D) {
                // The 2D channel turns and scales about the centre of the unit square.
                p = tm * Point3(w.x - 0.5f, w.y - 0.5f, w.z) + Point3(0.5f, 0.5f, 0.0f);
            } else {
                p = tm * w;
            }
            if (dpdx != nullptr) {
                const Point3 d = VectorTransform(tm, sc.DUVW(mapChannel));
                *dpdx = Point3(d.x, 0.0f, 0.0f);
                *dpdy = Point3(0.0f, d.y, 0.0f);
            }
            break;
        }
        case XYZ_MAP_OBJECT:
        case XYZ_MAP_WORLD: {
            const RefFrame frame = mapType == XYZ_MAP_OBJECT ? REF_OBJECT : REF_WORLD;
            p = tm * sc.PointTo(sc.P(), frame);
            if (dpdx != nullptr) {
                Point3 dx, dy;
                sc.DP(dx, dy);
                *dpdx = VectorTransform(tm, sc.VectorTo(dx, frame));
                *dpdy = VectorTransform(tm, sc.VectorTo(dy, frame));
            }
            break;
        }
        case XYZ_MAP_SCREEN: {
            Point2 uv(0.0f, 0.0f), duv(0.0f, 0.0f);
            sc.ScreenUV(uv, duv);
            p = tm * Point3(uv.x, uv.y, 0.0f);
            if (dpdx != nullptr) {
                *dpdx = VectorTransform(tm, Point3(duv.x, 0.0f, 0.0f));
                *dpdy = VectorTransform(tm, Point3(0.0f, duv.y, 0.0f));
            }
            break;
        }
        default:
            return 1;
    }

    // Only the 2D channel type tiles; the derivatives stay as they are.
    if (mapType == XYZ_MAP_EXPLICIT_2D) {
        if (!ApplyTiling(tileX, p.x)) return 0;
        if (!ApplyTiling(tileY, p.y)) return 0;
        if (!ApplyTiling(tileZ, p.z)) return 0;
    }
    return 1;
}

int QuorvXYZGen::GetPoint(ShadeContext& sc, Point3& p, Point3& dpdx, Point3& dpdy) const {
    if (!varianceActive) return ComputePoint(sc, forwardTM, p, &dpdx, &dpdy);
    Matrix3 tm;
    BuildVariedTransform(sc, tm);
    return ComputePoint(sc, tm, p, &dpdx, &dpdy);
}

int QuorvXYZGen::GetPoint(ShadeContext& sc, Point3& p) const {
    if (!varianceActive) return ComputePoint(sc, forwardTM, p, nullptr, nullptr);
    Matrix3 tm;
    BuildVariedTransform(sc, tm);
    return ComputePoint(sc, tm, p, nullptr, nullptr);
}

int QuorvXYZGen::GetPointAndBasis(ShadeContext& sc, Point3& p, Point3 basis[3]) const {
    if (!varianceActive) {
        for (int i = 0; i < 3; ++i) basis[i] = bumpBasis[i];
        return ComputePoint(sc, forwardTM, p, nullptr, nullptr);
    }
    Matrix3 tm;
    BuildVariedTransform(sc, tm);
    for (int i = 0; i < 3; ++i) basis[i] = RowDirection(tm, i);
    return ComputePoint(sc, tm, p, nullptr, nullptr);
}
