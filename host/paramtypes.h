// How the stand-in stores each parameter type (internal to the host layer).
#pragma once

#include "iparamb2.h"

enum class ValueKind { Float, Int, Color, String, Ref, None };

inline ValueKind KindOf(int type) {
    switch (type) {
        case TYPE_FLOAT:
        case TYPE_ANGLE:
        case TYPE_PCNT_FRAC:
        case TYPE_WORLD:
        case TYPE_COLOR_CHANNEL:
            return ValueKind::Float;
        case TYPE_INT:
        case TYPE_BOOL:
        case TYPE_TIMEVALUE:
        case TYPE_RADIOBTN_INDEX:
            return ValueKind::Int;
        case TYPE_RGBA:
        case TYPE_HSV:
        case TYPE_POINT3:
            return ValueKind::Color;
        case TYPE_STRING:
        case TYPE_FILENAME:
            return ValueKind::String;
        case TYPE_MTL:
        case TYPE_TEXMAP:
        case TYPE_REFTARG:
            return ValueKind::Ref;
        default:
            return ValueKind::None;
    }
}
