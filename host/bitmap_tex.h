// BitmapTex: a texture map showing an image over the unit square of one map channel,
// repeated outside it, bilinearly interpolated. The stand-in takes the image as pixels;
// reading image files is the caller's business.
#pragma once

#include <vector>

#include "imtl.h"

#define BMTEX_CLASS_ID 0x00000240

class BitmapTex : public Texmap {
public:
    BitmapTex() = default;

    // RGBA pixels, row by row from the top of the image (v = 1) down. An empty image (or a
    // pixel count that does not match) shows transparent black.
    void SetImage(int width, int height, std::vector<AColor> pixels);
    int Width() const { return width; }
    int Height() const { return height; }
    // The map channel whose UVW places the image; 1 by default.
    void SetMapChannel(int channel) { mapChannel = channel; }
    int GetMapChannel() const { return mapChannel; }

    AColor EvalColor(ShadeContext& sc) override;
    // The gradient of the intensity over the channel's u and v (per unit of UVW), handed out
    // as an object-space vector.
    Point3 EvalNormalPerturb(ShadeContext& sc) override;

    Class_ID ClassID() override { return Class_ID(BMTEX_CLASS_ID, 0); }
    void GetClassName(MSTR& s, bool localized = true) const override;
    void Update(TimeValue, Interval&) override {}
    void Reset() override {}
    Interval Validity(TimeValue) override { return FOREVER; }
    ParamDlg* CreateParamDlg(HWND, IMtlParams*) override { return nullptr; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage,
                               BOOL) override {
        return REF_SUCCEED;
    }
    ReferenceTarget* Clone(RemapDir& remap) override;

    // The interpolated colour at (u, v); u and v repeat with period 1.
    AColor Sample(float u, float v) const;

private:
    int width = 0;
    int height = 0;
    int mapChannel = 1;
    std::vector<AColor> pixels;
};

// A new, empty bitmap map allocated on the host's heap.
BitmapTex* NewDefaultBitmapTex();
