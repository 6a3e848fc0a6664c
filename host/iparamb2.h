// Parameter blocks: descriptors built from the SDK's tagged argument list, and the block
// instances that hold values (animatable ones with keys) for an owner object.
#pragma once

#include <vector>

#include "color.h"
#include "custcont.h"
#include "interval.h"
#include "iparamm2.h"
#include "plugapi.h"
#include "geom/point3.h"
#include "ref.h"

class Texmap;
class ClassDesc2;
class ParamBlockDesc2;

enum ParamType2 {
    TYPE_FLOAT = 0,
    TYPE_INT = 1,
    TYPE_RGBA = 2,
    TYPE_POINT3 = 3,
    TYPE_BOOL = 4,
    TYPE_ANGLE = 5,
    TYPE_PCNT_FRAC = 6,
    TYPE_WORLD = 7,
    TYPE_STRING = 8,
    TYPE_FILENAME = 9,
    TYPE_HSV = 10,
    TYPE_COLOR_CHANNEL = 11,
    TYPE_TIMEVALUE = 12,
    TYPE_RADIOBTN_INDEX = 13,
    TYPE_MTL = 14,
    TYPE_TEXMAP = 15,
    TYPE_BITMAP = 16,
    TYPE_INODE = 17,
    TYPE_REFTARG = 18,
};

// Parameter flags.
#define P_ANIMATABLE 0x0001
#define P_TRANSIENT 0x0002
#define P_NO_INIT 0x0004
#define P_COMPUTED_NAME 0x0008
#define P_INVISIBLE 0x0010
#define P_RESET_DEFAULT 0x0020
#define P_SUBANIM 0x0040
#define P_TV_SHOW_ALL 0x0080
#define P_NO_REF 0x0100
#define P_OWNERS_REF 0x0200
#define P_CAN_CONVERT 0x0400
#define P_SUBTEX 0x0800
#define P_VARIABLE_SIZE 0x1000
#define P_NO_AUTO_LABELS 0x2000
#define P_SHORT_LABELS 0x4000
#define P_READ_ONLY 0x8000

// Block flags.
#define P_CLASS_PARAMS 0x0001
#define P_AUTO_CONSTRUCT 0x0002
#define P_AUTO_UI 0x0004

// Rollout flags.
#define APPENDROLL_CLOSED 1

// Control kinds of p_ui.
enum ControlType2 {
    TYPE_SPINNER = 0,
    TYPE_RADIO = 1,
    TYPE_SINGLECHEKBOX = 2,
    TYPE_MULTICHEKBOX = 3,
    TYPE_COLORSWATCH = 4,
    TYPE_EDITBOX = 5,
    TYPE_CHECKBUTTON = 6,
    TYPE_PICKNODEBUTTON = 7,
    TYPE_TEXMAPBUTTON = 8,
    TYPE_MTLBUTTON = 9,
    TYPE_BITMAPBUTTON = 10,
    TYPE_FILEOPENBUTTON = 11,
    TYPE_FILESAVEBUTTON = 12,
    TYPE_INT_COMBOBOX = 13,
};

// Tags of the descriptor's argument list. Far below any 16-bit parameter ID.
enum ParamTags {
    p_end = -0x40000000,
    p_default,
    p_range,
    p_ui,
    p_refno,
    p_subtexno,
    p_ms_default,
    p_tooltip,
    p_enabled,
};

// One value of a parameter (default, range end or stored value). Colours and points are
// kept in p (x, y, z = r, g, b); c holds the same colour.
struct PB2Value {
    float f = 0.0f;
    int i = 0;
    Point3 p;
    Color c;
    ReferenceTarget* r = nullptr;
    const MCHAR* s = nullptr;
};

struct ParamDef {
    static constexpr int kMaxCtrls = 16;

    ParamID ID = -1;
    const MCHAR* int_name = nullptr;
    int type = TYPE_FLOAT;
    int flags = 0;
    StringResID local_name = 0;
    PB2Value def;
    PB2Value range_low, range_high;
    bool has_default = false;
    bool has_range = false;
    // p_ui: control kind (-1: none), its control IDs, spinner edit type and scale.
    int ctrl_type = -1;
    int ctrl_count = 0;
    int ctrl_IDs[kMaxCtrls] = {};
    EditSpinnerType edit_type = EDITTYPE_FLOAT;
    float scale = SPIN_AUTOSCALE;
    std::vector<int> combo_string_IDs;  // TYPE_INT_COMBOBOX items
    int refno = -1;                     // p_refno
    int subtexno = -1;                  // p_subtexno
    StringResID tooltip = 0;
};

class ParamBlockDesc2 : public MaxHeapOperators {
public:
    // The tagged argument list: after flags, a reference number if P_AUTO_CONSTRUCT; the
    // dialog template, title, flag mask, rollup flags and user dialog procedure if
    // P_AUTO_UI; then per parameter ID, internal name, type, flags, label and tags up to
    // p_end; a second p_end closes the block. Registers with cd.
    ParamBlockDesc2(BlockID ID, const MCHAR* int_name, StringResID local_name, ClassDesc2* cd,
                    int flags, ...);
    virtual ~ParamBlockDesc2() = default;

    BlockID ID;
    const MCHAR* int_name;
    StringResID local_name;
    ClassDesc2* cd;
    USHORT flags;
    int ref_no = -1;
    int dlg_template = 0;
    StringResID title = 0;
    int test_flags = 0;
    int rollup_flags = 0;
    ParamMap2UserDlgProc* dlgProc = nullptr;

    int Count() const { return static_cast<int>(paramdefs.size()); }
    // Unknown IDs give a shared empty definition (ID -1).
    ParamDef& GetParamDef(ParamID id);
    ParamDef& GetParamDefByIndex(int i) { return paramdefs[static_cast<size_t>(i)]; }
    ParamID IndextoID(int i) const;
    int IDtoIndex(ParamID id) const;           // -1 when unknown
    int NameToIndex(const MCHAR* name) const;  // -1 when unknown

    // Shows the parameter's current value in every open rollout of this descriptor; the calls
    // are also counted for tests.
    void InvalidateUI(ParamID id = -1, int tabIndex = -1);
    // The user dialog procedure of map 0, also installed on the rollout opened last (which
    // then owns it and sends it WM_INITDIALOG).
    void SetUserDlgProc(ParamMap2UserDlgProc* proc = nullptr);
    ParamMap2UserDlgProc* GetUserDlgProc() const { return dlgProc; }

    // Stand-in extras: whether the argument list parsed (an unknown tag or control kind
    // stops the parse), and the record of InvalidateUI calls.
    bool ParsedOK() const { return parsed_ok; }
    int invalidate_count = 0;
    ParamID last_invalidated_ID = -1;

private:
    std::vector<ParamDef> paramdefs;
    bool parsed_ok = true;
};

class IParamBlock2 : public ReferenceTarget {
public:
    virtual BlockID ID() = 0;
    virtual ParamBlockDesc2* GetDesc() = 0;
    virtual ReferenceMaker* GetOwner() = 0;
    virtual void SetOwner(ReferenceMaker* owner) = 0;
    virtual int NumParams() = 0;
    virtual ParamID IndextoID(int i) = 0;
    virtual int IDtoIndex(ParamID id) = 0;
    virtual ParamType2 GetParameterType(ParamID id) = 0;
    virtual MSTR GetLocalName(ParamID id, int tabIndex = -1) = 0;

    // Setting an animatable parameter while Animating(), or one that already has keys, sets
    // a key at t; otherwise the value is set for all time. Values are not range-clamped.
    // Each set records the parameter as LastNotifyParamID and sends REFMSG_CHANGE.
    // P_OWNERS_REF map and reference parameters are the owner's reference p_refno.
    virtual BOOL SetValue(ParamID id, TimeValue t, float v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, int v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, const Color& v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, const AColor& v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, const Point3& v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, Texmap* v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, ReferenceTarget* v, int tabIndex = 0) = 0;

    // The value at t; ivalid is narrowed to the interval around t where it is constant.
    virtual BOOL GetValue(ParamID id, TimeValue t, float& v, Interval& ivalid,
                          int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, int& v, Interval& ivalid, int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, Color& v, Interval& ivalid,
                          int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, AColor& v, Interval& ivalid,
                          int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, Point3& v, Interval& ivalid,
                          int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, Texmap*& v, Interval& ivalid,
                          int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, ReferenceTarget*& v, Interval& ivalid,
                          int tabIndex = 0) = 0;

    virtual float GetFloat(ParamID id, TimeValue t = 0, int tabIndex = 0) = 0;
    virtual int GetInt(ParamID id, TimeValue t = 0, int tabIndex = 0) = 0;
    virtual Color GetColor(ParamID id, TimeValue t = 0, int tabIndex = 0) = 0;
    virtual Point3 GetPoint3(ParamID id, TimeValue t = 0, int tabIndex = 0) = 0;
    virtual Texmap* GetTexmap(ParamID id, TimeValue t = 0, int tabIndex = 0) = 0;
    virtual ReferenceTarget* GetReferenceTarget(ParamID id, TimeValue t = 0, int tabIndex = 0) = 0;

    // The parameter of the last change notification this block sent; -1 (0xFFFF as a
    // 16-bit ID) before any, and for notifications not caused by one parameter.
    virtual ParamID LastNotifyParamID() = 0;
    // The open rollout that shows this block; null while none is open.
    virtual IParamMap2* GetMap(MapID map_id = 0) = 0;
    virtual void SetMap(IParamMap2* m, MapID map_id = 0) = 0;
    // Every parameter back to its descriptor default, keys removed.
    virtual void ResetAll(BOOL updateUI = TRUE, BOOL callSetHandlers = TRUE) = 0;

    // Stand-in extras.
    virtual ParamID NameToID(const MCHAR* int_name) = 0;  // -1 when unknown
    virtual int NumKeys(ParamID id) = 0;
    virtual TimeValue GetKeyTime(ParamID id, int i) = 0;
    virtual void DeleteKeys(ParamID id) = 0;
};

// A new block with the descriptor's defaults, owned by owner (adopted from the first maker
// that references it when null).
IParamBlock2* CreateParameterBlock2(ParamBlockDesc2* pdesc, ReferenceMaker* owner);

class ClassDesc2 : public ClassDesc {
public:
    // For every registered P_AUTO_CONSTRUCT descriptor, a new block with the descriptor
    // defaults becomes the owner's reference ref_no.
    void MakeAutoParamBlocks(ReferenceMaker* owner);
    int NumParamBlockDescs() { return static_cast<int>(pbdescs.size()); }
    ParamBlockDesc2* GetParamBlockDesc(int i);
    ParamBlockDesc2* GetParamBlockDescByID(BlockID id);
    ParamBlockDesc2* GetParamBlockDescByName(const MCHAR* name);
    void AddParamBlockDesc(ParamBlockDesc2* pbd);

    void InvalidateUI(ParamBlockDesc2* pbd, ParamID id = -1, int tabIndex = -1);
    void SetUserDlgProc(ParamBlockDesc2* pbd, ParamMap2UserDlgProc* proc = nullptr);
    // The master dialog of obj's editor: one rollout per P_AUTO_UI descriptor whose block obj
    // has (GetParamBlockByID), built from the descriptor's template in this class's module.
    // Null without an editor or an object.
    IAutoMParamDlg* CreateParamDlgs(HWND hwMtlEdit, class IMtlParams* imp, ReferenceTarget* obj);

private:
    std::vector<ParamBlockDesc2*> pbdescs;
};
