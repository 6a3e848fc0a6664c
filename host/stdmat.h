// The standard texture output: the last adjustment a map applies to its result.
#pragma once

#include "imtl.h"

// A material base, as in the SDK: a texture output is itself an editable, updatable object.
class TextureOutput : public MtlBase {
public:
    virtual AColor Filter(AColor c) = 0;
    virtual float Filter(float f) = 0;
    virtual Point3 Filter(Point3 p) = 0;
    virtual float GetOutputLevel(TimeValue t) = 0;
    virtual void SetOutputLevel(TimeValue t, float v) = 0;
    virtual void SetInvert(BOOL onoff) = 0;
    virtual BOOL GetInvert() = 0;
};

// The host's default output: output amount, RGB level, RGB offset and invert, kept in a
// parameter block (reference 0) so they animate, clone and save like any parameter.
//   colour: rgb' = ((invert ? 1 - rgb : rgb) * level + offset) * amount, alpha kept;
//   mono:   the same formula;
//   bump:   p' = p * level * amount, negated when inverted (the slope of the filtered value).
// Identity at the defaults: amount 1, level 1, offset 0, invert off. Filter uses the values
// of the last Update (or set call).
class StdTexoutGen : public TextureOutput {
public:
    virtual float GetOutAmt(TimeValue t) = 0;
    virtual void SetOutAmt(float v, TimeValue t) = 0;
    virtual float GetRGBAmt(TimeValue t) = 0;
    virtual void SetRGBAmt(float v, TimeValue t) = 0;
    virtual float GetRGBOff(TimeValue t) = 0;
    virtual void SetRGBOff(float v, TimeValue t) = 0;
};

TextureOutput* GetNewDefaultTextureOutput();
