#include <cmath>

#include "sample_shade_context.h"

Matrix3 InverseAffine(const Matrix3& m) {
    // Rows are the images of the axes: the inverse of the linear part is the transposed
    // cofactor matrix over the determinant, and the translation is mapped back through it.
    const Point3 a = m.GetRow(0), b = m.GetRow(1), c = m.GetRow(2);
    const Point3 ca = CrossProd(b, c), cb = CrossProd(c, a), cc = CrossProd(a, b);
    const float det = DotProd(a, ca);
    if (det == 0.0f || !std::isfinite(det)) {
        Matrix3 identity;
        identity.IdentityMatrix();
        return identity;
    }
    const Point3 r0(ca.x / det, cb.x / det, cc.x / det);
    const Point3 r1(ca.y / det, cb.y / det, cc.y / det);
    const Point3 r2(ca.z / det, cb.z / det, cc.z / det);
    Matrix3 inv(r0, r1, r2, Point3(0.0f, 0.0f, 0.0f));
    inv.SetTrans(-VectorTransform(inv, m.GetTrans()));
    return inv;
}

SampleShadeContext::SampleShadeContext() {
    // Every frame is world space until set.
    for (Matrix3* tm : {&objToWorld, &worldToObj, &camToWorld, &worldToCam}) tm->IdentityMatrix();
    for (int c = 0; c < kChannels; ++c) uvw[c] = duvw[c] = Point3(0.0f, 0.0f, 0.0f);
}

Point3 SampleShadeContext::DP() {
    const Point3 s(std::fabs(dpdx.x) + std::fabs(dpdy.x), std::fabs(dpdx.y) + std::fabs(dpdy.y),
                   std::fabs(dpdx.z) + std::fabs(dpdy.z));
    return s * 0.5f;
}

Point3 SampleShadeContext::UVW(int channel) {
    return channel >= 0 && channel < kChannels ? uvw[channel] : Point3(0.0f, 0.0f, 0.0f);
}

Point3 SampleShadeContext::DUVW(int channel) {
    return channel >= 0 && channel < kChannels ? duvw[channel] : Point3(0.0f, 0.0f, 0.0f);
}

void SampleShadeContext::SetUVW(int channel, const Point3& w, const Point3& dw) {
    if (channel < 0 || channel >= kChannels) return;
    uvw[channel] = w;
    duvw[channel] = dw;
    ResetCache();
}

Point3 SampleShadeContext::PointTo(const Point3& q, RefFrame ito) {
    switch (ito) {
        case REF_OBJECT:
            return q * worldToObj;
        case REF_CAMERA:
            return q * worldToCam;
        default:
            return q;
    }
}

Point3 SampleShadeContext::PointFrom(const Point3& q, RefFrame ifrom) {
    switch (ifrom) {
        case REF_OBJECT:
            return q * objToWorld;
        case REF_CAMERA:
            return q * camToWorld;
        default:
            return q;
    }
}

Point3 SampleShadeContext::VectorTo(const Point3& v, RefFrame ito) {
    switch (ito) {
        case REF_OBJECT:
            return VectorTransform(worldToObj, v);
        case REF_CAMERA:
            return VectorTransform(worldToCam, v);
        default:
            return v;
    }
}

Point3 SampleShadeContext::VectorFrom(const Point3& v, RefFrame ifrom) {
    switch (ifrom) {
        case REF_OBJECT:
            return VectorTransform(objToWorld, v);
        case REF_CAMERA:
            return VectorTransform(camToWorld, v);
        default:
            return v;
    }
}

BOOL SampleShadeContext::GetCache(Texmap* map, AColor& c) {
    if (!map || map != cacheMap) return FALSE;
    c = cacheColor;
    return TRUE;
}

void SampleShadeContext::PutCache(Texmap* map, const AColor& c) {
    cacheMap = map;
    cacheColor = c;
}

void SampleShadeContext::SetObjectToWorld(const Matrix3& tm) {
    objToWorld = tm;
    worldToObj = InverseAffine(tm);
    ResetCache();
}

void SampleShadeContext::SetCameraToWorld(const Matrix3& tm) {
    camToWorld = tm;
    worldToCam = InverseAffine(tm);
    ResetCache();
}
