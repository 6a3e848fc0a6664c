// Materials and texture maps: the shading sample, the map base classes, the viewport
// texture handles and the editor's parameter dialogs.
#pragma once

#include "bitarray.h"
#include "color.h"
#include "inode.h"
#include "interval.h"
#include "geom/point3.h"
#include "ref.h"
#include "strclass.h"

class Texmap;
class ParamDlg;
class IMtlParams;

enum RefFrame { REF_CAMERA = 0, REF_WORLD, REF_OBJECT };

#define MTLREQ_UV 0x00000010
#define MAX_MESHMAPS 100

// One shading sample, as the renderer describes it to a map.
class ShadeContext {
public:
    BOOL doMaps = TRUE;
    BOOL filterMaps = FALSE;
    int mtlNum = 0;

    virtual ~ShadeContext() = default;

    virtual INode* Node() { return nullptr; }
    virtual TimeValue CurTime() { return 0; }
    virtual BOOL InMtlEditor() { return FALSE; }

    // Position of the sample in the renderer's internal frame, and its extent per pixel.
    virtual Point3 P() = 0;
    virtual Point3 DP() = 0;
    virtual void DP(Point3& dpdx, Point3& dpdy);
    virtual Point3 UVW(int channel = 0) = 0;
    virtual Point3 DUVW(int channel = 0) = 0;
    virtual void ScreenUV(Point2& uv, Point2& duv) = 0;
    // From the internal frame to the frame ito, and back.
    virtual Point3 PointTo(const Point3& p, RefFrame ito) = 0;
    virtual Point3 PointFrom(const Point3& p, RefFrame) { return p; }
    virtual Point3 VectorTo(const Point3& p, RefFrame ito) = 0;
    virtual Point3 VectorFrom(const Point3& p, RefFrame ifrom) = 0;

    // The shading cache of the sample: FALSE when it holds nothing for the map.
    virtual BOOL GetCache(Texmap* map, AColor& c);
    virtual BOOL GetCache(Texmap* map, float& f);
    virtual BOOL GetCache(Texmap* map, Point3& p);
    virtual void PutCache(Texmap* map, const AColor& c);
    virtual void PutCache(Texmap* map, const float f);
    virtual void PutCache(Texmap* map, const Point3& p);

    void SetGBufferID(int gbid) { gbufID = gbid; }
    int GBufferID() const { return gbufID; }

private:
    int gbufID = 0;
};

class ISubMap {
public:
    virtual ~ISubMap() = default;
    virtual int NumSubTexmaps() { return 0; }
    virtual Texmap* GetSubTexmap(int) { return nullptr; }
    virtual void SetSubTexmap(int, Texmap*) {}
    virtual int SubTexmapOn(int) { return 1; }
    virtual MSTR GetSubTexmapSlotName(int, bool = true) { return MSTR(); }
    // The name the track view shows: the slot name.
    MSTR GetSubTexmapTVName(int i, bool localized = true) {
        return GetSubTexmapSlotName(i, localized);
    }
    virtual BOOL SetDlgThing(ParamDlg*) { return FALSE; }
    virtual ReferenceTarget* GetRefTarget() = 0;
};

class TexHandle : public MaxHeapOperators {
public:
    virtual ~TexHandle() = default;
    virtual DWORD_PTR GetHandle() = 0;
    virtual void DeleteThis() = 0;
};

class TexHandleMaker : public MaxHeapOperators {
public:
    virtual ~TexHandleMaker() = default;
    // Takes ownership of bminf (allocated with malloc; released with free).
    virtual TexHandle* MakeHandle(BITMAPINFO* bminf) = 0;
    // Edge length of the viewport textures the maker wants.
    virtual int Size() { return 64; }
};

// A handle maker that counts the handles alive, for tests and the tool.
class CountingTexHandleMaker : public TexHandleMaker {
public:
    TexHandle* MakeHandle(BITMAPINFO* bminf) override;
    int Size() override { return size; }

    int size = 32;
    int made = 0;
    int alive = 0;
    int lastWidth = 0, lastHeight = 0;
};

class ParamDlg : public MaxHeapOperators {
public:
    virtual ~ParamDlg() = default;
    virtual Class_ID ClassID() = 0;
    virtual void SetThing(ReferenceTarget* m) = 0;
    virtual ReferenceTarget* GetThing() = 0;
    virtual void SetTime(TimeValue t) = 0;
    virtual void ReloadDialog() = 0;
    virtual void DeleteThis() = 0;
    virtual void ActivateDlg(BOOL onOff) = 0;
};

class IMtlParams;

class MtlBase : public ReferenceTarget, public ISubMap {
public:
    MtlBase() = default;

    virtual void Update(TimeValue t, Interval& valid) = 0;
    virtual void Reset() = 0;
    virtual Interval Validity(TimeValue t) = 0;
    virtual ParamDlg* CreateParamDlg(HWND hwMtlEdit, IMtlParams* imp) = 0;

    virtual ULONG LocalRequirements(int) { return 0; }
    virtual void LocalMappingsRequired(int, BitArray&, BitArray&) {}

    virtual BOOL SupportTexDisplay() { return FALSE; }
    virtual void ActivateTexDisplay(BOOL) {}
    virtual DWORD_PTR GetActiveTexHandle(TimeValue, TexHandleMaker&) { return 0; }

    ReferenceTarget* GetRefTarget() override { return this; }

    MSTR GetName() const { return name; }
    void SetName(const MSTR& s) { name = s; }
    ULONG GetGBufID() const { return gbufID; }
    void SetGBufID(ULONG id) { gbufID = id; }

    // Copies the base-class part: name and G-buffer ID.
    MtlBase& operator=(const MtlBase& m);

    // The base class's own data, as chunks inside the caller's chunk: name and G-buffer ID.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

private:
    MSTR name;
    ULONG gbufID = 0;
};

class Texmap : public MtlBase {
public:
    SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }

    virtual AColor EvalColor(ShadeContext& sc) = 0;
    // The intensity of EvalColor: the mean of red, green and blue.
    virtual float EvalMono(ShadeContext& sc);
    virtual Point3 EvalNormalPerturb(ShadeContext& sc) = 0;

    // Renders the map at t into a packed 32-bit DIB of the maker's size (or forceW x forceH)
    // over the unit square of map channel 1, after Update(t, valid); valid becomes the
    // validity of the image. Allocated with malloc, for TexHandleMaker::MakeHandle.
    BITMAPINFO* GetVPDisplayDIB(TimeValue t, TexHandleMaker& thmaker, Interval& valid,
                                BOOL mono = FALSE, int forceW = 0, int forceH = 0);
};

// Rollout flags and categories of the editor's pages.
#define ROLLUP_CAT_STANDARD 4000

// The material editor as the objects it shows see it: it holds their rollout pages, knows
// the current time, and hears of every change made through a rollout.
class IMtlParams : public MaxHeapOperators {
public:
    virtual ~IMtlParams() = default;
    // A change was made through a rollout: the editor updates what it shows.
    virtual void MtlChanged() = 0;
    // A page from the dialog template dlgTemplate of module hInst (or an in-memory template)
    // with the dialog procedure dlgProc, which gets param with WM_INITDIALOG. flags may hold
    // APPENDROLL_CLOSED. Null when the dialog cannot be made.
    virtual HWND AddRollupPage(HINSTANCE hInst, const MCHAR* dlgTemplate, DLGPROC dlgProc,
                               const MCHAR* title, LPARAM param = 0, DWORD flags = 0,
                               int category = ROLLUP_CAT_STANDARD) = 0;
    virtual HWND AddRollupPage(HINSTANCE hInst, DLGTEMPLATE* dlgTemplate, DLGPROC dlgProc,
                               const MCHAR* title, LPARAM param = 0, DWORD flags = 0,
                               int category = ROLLUP_CAT_STANDARD) = 0;
    // Removes the page and destroys its dialog.
    virtual void DeleteRollupPage(HWND hRollup) = 0;
    virtual int IsRollupPanelOpen(HWND hwnd) = 0;
    virtual TimeValue GetTime() = 0;
};
