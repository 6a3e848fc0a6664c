// The tool's shading sample. Object, world and camera frames all coincide (identity
// transforms), every map channel reads the same UVW, and one colour is cached for the map
// that stored it. Lives on the stack, one per sample: nothing here allocates or is shared.
#pragma once

#include <max.h>

class ToolShadeContext : public ShadeContext {
public:
    ToolShadeContext() { doMaps = TRUE; }

    INode* Node() override { return node_; }
    TimeValue CurTime() override { return time_; }
    Point3 P() override { return p_; }
    // Half the summed per-axis extents of the two screen derivatives.
    Point3 DP() override;
    void DP(Point3& dpdx, Point3& dpdy) override {
        dpdx = dpdx_;
        dpdy = dpdy_;
    }
    Point3 UVW(int) override { return uvw_; }
    Point3 DUVW(int) override { return duvw_; }
    void ScreenUV(Point2& uv, Point2& duv) override {
        uv = screenUV_;
        duv = screenDUV_;
    }
    Point3 PointTo(const Point3& q, RefFrame) override { return q; }
    Point3 PointFrom(const Point3& q, RefFrame) override { return q; }
    Point3 VectorTo(const Point3& v, RefFrame) override { return v; }
    Point3 VectorFrom(const Point3& v, RefFrame) override { return v; }

    BOOL GetCache(Texmap* map, AColor& c) override;
    void PutCache(Texmap* map, const AColor& c) override;

    // Every setter starts a new sample: the cached colour is forgotten.
    void SetPoint(const Point3& p, const Point3& dpdx, const Point3& dpdy) {
        p_ = p;
        dpdx_ = dpdx;
        dpdy_ = dpdy;
        cacheMap_ = nullptr;
    }
    void SetUVW(const Point3& uvw, const Point3& duvw) {
        uvw_ = uvw;
        duvw_ = duvw;
        cacheMap_ = nullptr;
    }
    void SetScreenUV(const Point2& uv, const Point2& duv) {
        screenUV_ = uv;
        screenDUV_ = duv;
        cacheMap_ = nullptr;
    }
    void SetNode(INode* node) {
        node_ = node;
        cacheMap_ = nullptr;
    }
    void SetMtlNum(int n) {
        mtlNum = n;
        cacheMap_ = nullptr;
    }
    void SetTime(TimeValue t) {
        time_ = t;
        cacheMap_ = nullptr;
    }
    void SetFiltered(bool on) {
        filterMaps = on ? TRUE : FALSE;
        cacheMap_ = nullptr;
    }

private:
    // Zero until set: the host's point types start unset.
    Point3 p_{0.0f, 0.0f, 0.0f}, dpdx_{0.0f, 0.0f, 0.0f}, dpdy_{0.0f, 0.0f, 0.0f};
    Point3 uvw_{0.0f, 0.0f, 0.0f}, duvw_{0.0f, 0.0f, 0.0f};
    Point2 screenUV_{0.0f, 0.0f}, screenDUV_{0.0f, 0.0f};
    INode* node_ = nullptr;
    TimeValue time_ = 0;
    Texmap* cacheMap_ = nullptr;
    AColor cacheColor_{0.0f, 0.0f, 0.0f, 0.0f};
};
