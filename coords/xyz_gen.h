// QuorvXYZGen: the map's own coordinate generator. Turns a shading sample into a point in
// texture space, with its screen derivatives or with a bump basis, from the "Mapping" block.
#pragma once

#include "plugin/host.h"

class QuorvXYZGen {
public:
    QuorvXYZGen();

    // Reads the block at t (narrowing valid by every parameter) and rebuilds the cache.
    // A null block changes nothing.
    void Update(IParamBlock2* pb, TimeValue t, Interval& valid);
    // The unvaried transform, its bump basis and whether variance is active.
    void RebuildCache();
    // The open "Mapping" rollout of the block follows its mapping type and lock at t: the
    // tiling lists only for the 2D channel type, the Y and Z size variances only without the
    // lock, and offset and size spinners in scene units for the types measured in the scene.
    // Nothing happens while the rollout is closed. Writes nothing of the generator.
    void RefreshCoordinateRollout(IParamBlock2* pb, TimeValue t) const;
    // Re-creates one float spinner of the rollout from the block's value at t: limits
    // -1000000 (0 without allowNegative) to 1000000, step 0.1, automatic scaling, in scene
    // units when universe is set.
    static void SetupCoordinateSpinner(IParamMap2* map, TimeValue t, ParamID id, int editID,
                                       int spinID, BOOL universe, BOOL allowNegative);
    // Writes the defaults into the block at the current time and sets valid to NEVER.
    void ResetParameters(IParamBlock2* pb, Interval& valid, int mapType, int tileX, int tileY,
                         int tileZ);

    // Both return 0 when a "None" tiling axis rejects the sample, 1 otherwise. An unknown
    // mapping type leaves the outputs as the caller set them.
    int GetPoint(ShadeContext& sc, Point3& p, Point3& dpdx, Point3& dpdy) const;
    // The same point without its derivatives, for callers that do not filter.
    int GetPoint(ShadeContext& sc, Point3& p) const;
    int GetPointAndBasis(ShadeContext& sc, Point3& p, Point3 basis[3]) const;

    // The transform varied by the sample's seed (seed factor, material ID, node).
    void BuildVariedTransform(ShadeContext& sc, Matrix3& tm) const;
    // Applies one tiling mode to v in place; 0 rejects the sample.
    static int ApplyTiling(int mode, float& v);

    int MappingType() const { return mapType; }
    int MapChannel() const { return mapChannel; }

private:
    // The point for one query with transform tm; derivatives only when dpdx is not null.
    int ComputePoint(ShadeContext& sc, const Matrix3& tm, Point3& p, Point3* dpdx,
                     Point3* dpdy) const;

    // Until the first Update these hold the block's defaults.
    int mapType = 2;
    float offsetX = 0.0f, offsetY = 0.0f, offsetZ = 0.0f;
    float sizeX = 1.0f, sizeY = 1.0f, sizeZ = 1.0f;
    int tileX = 0, tileY = 0, tileZ = 0;
    float offsetVarX = 0.0f, offsetVarY = 0.0f, offsetVarZ = 0.0f;
    float sizeVarX = 0.0f, sizeVarY = 0.0f, sizeVarZ = 0.0f;
    float angleVarX = 0.0f, angleVarY = 0.0f, angleVarZ = 0.0f;  // radians
    int seed = 12345;
    int randByObj = 1;
    int randByMat = 0;
    int lock = 1;
    bool varianceActive = false;
    Point3 bumpBasis[3];
    Matrix3 forwardTM;
    int mapChannel = 1;
    float angleX = 0.0f, angleY = 0.0f, angleZ = 0.0f;  // radians
};
