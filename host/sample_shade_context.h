// A shading sample that tests and the tool fill in. The internal frame is world space:
// P is a world position; camera and object frames are set by their transforms to world.
#pragma once

#include "imtl.h"
#include "geom/matrix3.h"

class SampleShadeContext : public ShadeContext {
public:
    static constexpr int kChannels = MAX_MESHMAPS + 1;  // channels 0 .. 100

    SampleShadeContext();

    INode* Node() override { return node; }
    TimeValue CurTime() override { return time; }
    Point3 P() override { return p; }
    // Half the summed per-axis extents of the two screen derivatives.
    Point3 DP() override;
    void DP(Point3& dx, Point3& dy) override {
        dx = dpdx;
        dy = dpdy;
    }
    // Channels outside 0..100 read as zero.
    Point3 UVW(int channel = 0) override;
    Point3 DUVW(int channel = 0) override;
    void ScreenUV(Point2& uv, Point2& duv) override {
        uv = screenUV;
        duv = screenDUV;
    }
    Point3 PointTo(const Point3& q, RefFrame ito) override;
    Point3 PointFrom(const Point3& q, RefFrame ifrom) override;
    Point3 VectorTo(const Point3& v, RefFrame ito) override;
    Point3 VectorFrom(const Point3& v, RefFrame ifrom) override;

    // One cached colour, for the map that stored it; every setter below forgets it.
    BOOL GetCache(Texmap* map, AColor& c) override;
    void PutCache(Texmap* map, const AColor& c) override;
    void ResetCache() { cacheMap = nullptr; }

    void SetP(const Point3& q) {
        p = q;
        ResetCache();
    }
    void SetDP(const Point3& dx, const Point3& dy) {
        dpdx = dx;
        dpdy = dy;
        ResetCache();
    }
    void SetUVW(int channel, const Point3& uvw, const Point3& duvw = Point3(0.0f, 0.0f, 0.0f));
    void SetScreenUV(const Point2& uv, const Point2& duv) {
        screenUV = uv;
        screenDUV = duv;
        ResetCache();
    }
    void SetNode(INode* n) {
        node = n;
        ResetCache();
    }
    void SetMtlNum(int n) {
        mtlNum = n;
        ResetCache();
    }
    void SetTime(TimeValue t) {
        time = t;
        ResetCache();
    }
    // Transforms from the object frame and from the camera frame to world space; they must be
    // invertible (the inverse is kept).
    void SetObjectToWorld(const Matrix3& tm);
    void SetCameraToWorld(const Matrix3& tm);

private:
    // Zero until set (the SDK's point types start unset).
    Point3 p{0.0f, 0.0f, 0.0f}, dpdx{0.0f, 0.0f, 0.0f}, dpdy{0.0f, 0.0f, 0.0f};
    Point3 uvw[kChannels], duvw[kChannels];
    Point2 screenUV{0.0f, 0.0f}, screenDUV{0.0f, 0.0f};
    INode* node = nullptr;
    TimeValue time = 0;
    Matrix3 objToWorld, worldToObj, camToWorld, worldToCam;
    Texmap* cacheMap = nullptr;
    AColor cacheColor{0.0f, 0.0f, 0.0f, 0.0f};
};

// Inverse of an affine transform; the identity when it is singular.
Matrix3 InverseAffine(const Matrix3& m);
