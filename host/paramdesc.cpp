// ParamBlockDesc2: parsing of the SDK's tagged argument list.
#include <cfloat>
#include <cmath>
#include <climits>
#include <cstdarg>
#include <cwchar>

#include "iparamb2.h"

namespace {

bool IsFloatType(int type) {
    return type == TYPE_FLOAT || type == TYPE_ANGLE || type == TYPE_PCNT_FRAC ||
           type == TYPE_WORLD || type == TYPE_COLOR_CHANNEL;
}
bool IsIntType(int type) {
    return type == TYPE_INT || type == TYPE_BOOL || type == TYPE_TIMEVALUE ||
           type == TYPE_RADIOBTN_INDEX;
}
bool IsColorType(int type) {
    return type == TYPE_RGBA || type == TYPE_HSV;
}
bool IsRefType(int type) {
    return type == TYPE_MTL || type == TYPE_TEXMAP || type == TYPE_INODE || type == TYPE_REFTARG ||
           type == TYPE_BITMAP;
}
bool IsStringType(int type) {
    return type == TYPE_STRING || type == TYPE_FILENAME;
}

// Floats travel through the list as doubles; beyond the float range they become infinite.
float ToFloat(double d) {
    if (d > FLT_MAX) return HUGE_VALF;
    if (d < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(d);
}

// One value of the parameter's type, as the list passes it.
bool ReadValue(va_list& ap, int type, PB2Value& v) {
    if (IsFloatType(type)) {
        v.f = ToFloat(va_arg(ap, double));
    } else if (IsIntType(type)) {
        v.i = va_arg(ap, int);
    } else if (IsColorType(type)) {
        v.c = va_arg(ap, Color);
        v.p = Point3(v.c.r, v.c.g, v.c.b);
    } else if (type == TYPE_POINT3) {
        v.p = va_arg(ap, Point3);
        v.c = Color(v.p.x, v.p.y, v.p.z);
    } else if (IsStringType(type)) {
        v.s = va_arg(ap, const MCHAR*);
    } else if (IsRefType(type)) {
        (void)va_arg(ap, void*);  // references start empty
    } else {
        return false;
    }
    return true;
}

// Range ends: two ints for integer types, two floating values for every other numeric type.
bool ReadRange(va_list& ap, int type, PB2Value& lo, PB2Value& hi) {
    if (IsIntType(type)) {
        lo.i = va_arg(ap, int);
        hi.i = va_arg(ap, int);
        lo.f = static_cast<float>(lo.i);
        hi.f = static_cast<float>(hi.i);
        return true;
    }
    if (IsFloatType(type) || IsColorType(type) || type == TYPE_POINT3) {
        lo.f = ToFloat(va_arg(ap, double));
        hi.f = ToFloat(va_arg(ap, double));
        return true;
    }
    return false;
}

bool ReadControl(va_list& ap, ParamDef& d) {
    d.ctrl_type = va_arg(ap, int);
    switch (d.ctrl_type) {
        case TYPE_SPINNER:
            d.edit_type = static_cast<EditSpinnerType>(va_arg(ap, int));
            d.ctrl_IDs[0] = va_arg(ap, int);
            d.ctrl_IDs[1] = va_arg(ap, int);
            d.ctrl_count = 2;
            d.scale = ToFloat(va_arg(ap, double));
            return true;
        case TYPE_RADIO: {
            const int count = va_arg(ap, int);
            if (count < 0 || count > ParamDef::kMaxCtrls) return false;
            for (int i = 0; i < count; ++i) d.ctrl_IDs[i] = va_arg(ap, int);
            d.ctrl_count = count;
            return true;
        }
        case TYPE_SINGLECHEKBOX:
        case TYPE_COLORSWATCH:
        case TYPE_EDITBOX:
        case TYPE_CHECKBUTTON:
        case TYPE_PICKNODEBUTTON:
        case TYPE_TEXMAPBUTTON:
        case TYPE_MTLBUTTON:
        case TYPE_BITMAPBUTTON:
        case TYPE_FILEOPENBUTTON:
        case TYPE_FILESAVEBUTTON:
            d.ctrl_IDs[0] = va_arg(ap, int);
            d.ctrl_count = 1;
            return true;
        case TYPE_INT_COMBOBOX: {
            d.ctrl_IDs[0] = va_arg(ap, int);
            d.ctrl_count = 1;
            const int count = va_arg(ap, int);
            if (count < 0 || count > 4096) return false;
            d.combo_string_IDs.clear();
            for (int i = 0; i < count; ++i) d.combo_string_IDs.push_back(va_arg(ap, int));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

// flags is an int so that va_start names a parameter that is not promoted.
ParamBlockDesc2::ParamBlockDesc2(BlockID id, const MCHAR* name, StringResID localName,
                                 ClassDesc2* owner, int blockFlags, ...)
    : ID(id),
      int_name(name),
      local_name(localName),
      cd(owner),
      flags(static_cast<USHORT>(blockFlags)) {
    va_list ap;
    va_start(ap, blockFlags);
    if (flags & P_AUTO_CONSTRUCT) ref_no = va_arg(ap, int);
    if (flags & P_AUTO_UI) {
        dlg_template = va_arg(ap, int);
        title = va_arg(ap, int);
        test_flags = va_arg(ap, int);
        rollup_flags = va_arg(ap, int);
        dlgProc = va_arg(ap, ParamMap2UserDlgProc*);
    }
    // The list cannot be resynchronised after an unknown tag: parsing stops there.
    for (bool more = true; more;) {
        const int pid = va_arg(ap, int);
        if (pid == p_end) break;
        if (pid < SHRT_MIN || pid > SHRT_MAX) {
            parsed_ok = false;
            break;
        }
        ParamDef d;
        d.ID = static_cast<ParamID>(pid);
        d.int_name = va_arg(ap, const MCHAR*);
        d.type = va_arg(ap, int);
        d.flags = va_arg(ap, int);
        d.local_name = va_arg(ap, int);
        PB2Value ignored;
        for (;;) {
            const int tag = va_arg(ap, int);
            bool ok = true;
            if (tag == p_end) break;
            switch (tag) {
                case p_default:
                    ok = ReadValue(ap, d.type, d.def);
                    d.has_default = ok;
                    break;
                case p_ms_default:
                    ok = ReadValue(ap, d.type, ignored);
                    break;
                case p_range:
                    ok = ReadRange(ap, d.type, d.range_low, d.range_high);
                    d.has_range = ok;
                    break;
                case p_ui:
                    ok = ReadControl(ap, d);
                    break;
                case p_refno:
                    d.refno = va_arg(ap, int);
                    break;
                case p_subtexno:
                    d.subtexno = va_arg(ap, int);
                    break;
                case p_tooltip:
                    d.tooltip = va_arg(ap, int);
                    break;
                case p_enabled:
                    (void)va_arg(ap, int);
                    break;
                default:
                    ok = false;
                    break;
            }
            if (!ok) {
                parsed_ok = false;
                more = false;
                break;
            }
        }
        if (!more) break;
        if (d.has_default && IsColorType(d.type)) d.def.p = Point3(d.def.c.r, d.def.c.g, d.def.c.b);
        paramdefs.push_back(d);
    }
    va_end(ap);
    if (cd) cd->AddParamBlockDesc(this);
}

ParamDef& ParamBlockDesc2::GetParamDef(ParamID id) {
    const int i = IDtoIndex(id);
    if (i >= 0) return paramdefs[static_cast<size_t>(i)];
    static ParamDef none;
    none = ParamDef();
    return none;
}

ParamID ParamBlockDesc2::IndextoID(int i) const {
    if (i < 0 || i >= Count()) return -1;
    return paramdefs[static_cast<size_t>(i)].ID;
}

int ParamBlockDesc2::IDtoIndex(ParamID id) const {
    for (size_t i = 0; i < paramdefs.size(); ++i) {
        if (paramdefs[i].ID == id) return static_cast<int>(i);
    }
    return -1;
}

int ParamBlockDesc2::NameToIndex(const MCHAR* name) const {
    if (!name) return -1;
    for (size_t i = 0; i < paramdefs.size(); ++i) {
        if (paramdefs[i].int_name && std::wcscmp(paramdefs[i].int_name, name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}
