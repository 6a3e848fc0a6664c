// QuorvScratches: the scratch texture map as the host sees it.
#pragma once

#include <memory>

#include "coords/xyz_gen.h"
#include "map/iquorv_scratches.h"
#include "map/params_ids.h"
#include "pattern/scratch_inputs.h"
#include "pattern/scratch_tile.h"
#include "pattern/tile_points.h"
#include "plugin/host.h"

class QuorvScratches : public Texmap {
public:
    QuorvScratches();
    ~QuorvScratches() override;

    // Evaluation (evaluation.cpp). Safe to call from many threads at once between updates.
    AColor EvalColor(ShadeContext& sc) override;
    float EvalMono(ShadeContext& sc) override;
    Point3 EvalNormalPerturb(ShadeContext& sc) override;
    // The scratch field alone (IQuorvScratches::EvalField).
    float EvalField(ShadeContext& sc) const;
    // The nearest scratch and the pattern point (IQuorvScratches).
    bool EvalNearestScratch(ShadeContext& sc, QuorvNearestScratch& out) const;
    bool PatternPoint(ShadeContext& sc, Point3& p) const;

    // Tiling (tiling.cpp, IQuorvScratches::SetTiling): the bake square's image in pattern
    // space repeats. Taken from the state of the last Update; evaluation only reads it. Also
    // false when a nested scratches map refuses.
    bool SetTiling(ShadeContext& corner, ShadeContext& uCorner, ShadeContext& vCorner);
    // Back to the unrepeated pattern, in this map and its sub-maps.
    void ClearTiling();
    bool Tiled() const { return tiled; }

    // MtlBase
    void Update(TimeValue t, Interval& valid) override;
    void Reset() override;
    Interval Validity(TimeValue t) override;
    // The editor (plugin/params_rollout.cpp): both rollouts and the texture output's.
    ParamDlg* CreateParamDlg(HWND hwMtlEdit, IMtlParams* imp) override;
    ULONG LocalRequirements(int subMtlNum) override;
    void LocalMappingsRequired(int subMtlNum, BitArray& mapreq, BitArray& bumpreq) override;
    BOOL SupportTexDisplay() override { return TRUE; }
    void ActivateTexDisplay(BOOL onoff) override;
    DWORD_PTR GetActiveTexHandle(TimeValue t, TexHandleMaker& thmaker) override;

    // ISubMap
    int NumSubTexmaps() override { return NSUBTEX; }
    Texmap* GetSubTexmap(int i) override { return subTex[i]; }
    void SetSubTexmap(int i, Texmap* m) override;
    MSTR GetSubTexmapSlotName(int i, bool localized = true) override;
    // The map switches act inside evaluation only; the host sees every slot as on.
    int SubTexmapOn(int) override { return 1; }
    // The texture output's rollout made by CreateParamDlg shows this map's texture output.
    BOOL SetDlgThing(ParamDlg* dlg) override;

    // Greys the erosion and distortion controls of the open "Parameters" rollout that are
    // switched off; nothing while the rollout is closed.
    void UpdateControlEnables();
    // The open "Mapping" rollout's enabling and spinner units for this map's block at t.
    void RefreshCoordinateRollout(TimeValue t);

    // Animatable
    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    int NumSubs() override { return NUM_REFS; }
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum; }
    int NumParamBlocks() override { return 2; }
    IParamBlock2* GetParamBlock(int i) override;
    IParamBlock2* GetParamBlockByID(BlockID id) override;
    // IQuorvScratches, which only tools ask for; everything else as the base class.
    BaseInterface* GetInterface(Interface_ID id) override;
    using Texmap::GetInterface;
    void DeleteThis() override { delete this; }

    // References
    int NumRefs() override { return NUM_REFS; }
    RefTargetHandle GetReference(int i) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    ReferenceTarget* Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    // The map's IQuorvScratches: owned by the map, never released by its callers.
    class Extension final : public IQuorvScratches {
    public:
        explicit Extension(QuorvScratches& map) : map_(map) {}
        float EvalField(ShadeContext& sc) override { return map_.EvalField(sc); }
        bool SetTiling(ShadeContext& corner, ShadeContext& uCorner,
                       ShadeContext& vCorner) override {
            return map_.SetTiling(corner, uCorner, vCorner);
        }
        void ClearTiling() override { map_.ClearTiling(); }
        bool EvalNearestScratch(ShadeContext& sc, QuorvNearestScratch& out) override {
            return map_.EvalNearestScratch(sc, out);
        }
        bool PatternPoint(ShadeContext& sc, Point3& p) override { return map_.PatternPoint(sc, p); }

    private:
        QuorvScratches& map_;
    };

    // Evaluation steps; they only read the cached state.
    // The field at the sample into f; false where the mapping gives no point.
    bool Field(ShadeContext& sc, float& f) const;
    ScratchInputs GatherScratchInputs(ShadeContext& sc) const;
    void ApplyDistortion(ShadeContext& sc, Point3& p) const;
    float EffectiveSize(ShadeContext& sc) const;
    // The unfiltered field, repeating over the tile when tiling is on.
    float Pattern(const Point3& p, const ScratchInputs& in) const;
    AColor SlotColor(ShadeContext& sc, int slot, int enabled, const Color& col) const;

    void DiscardTexHandle();

    // Evaluation state, cached from "params" by Update.
    float size = 0.0f;
    float thresholdLow = 0.0f;
    float thresholdHigh = 0.0f;
    float stretch = 0.0f;
    int type = 0;
    int levels = 0;
    int useErosion = 0;
    float erosion = 0.0f;
    float sizeOver20 = 0.0f;
    float erosionDelta = 0.0f;
    float spread = 0.0f;
    float bumpDelta = 0.0f;
    int useDistortion = 0;
    float distortStr = 0.0f;

    IParamBlock2* pblockXYZ = nullptr;  // "Mapping", reference 0
    IParamBlock2* pblock = nullptr;     // "params", reference 1
    Color color1;
    Color color2;
    Texmap* subTex[NSUBTEX] = {};  // references 2..8

    // Map switches.
    int col1mapEnabled = 0;
    int col2mapEnabled = 0;
    int dStrMapEnabled = 0;
    int sizeMapEnabled = 0;
    int spreasdMapEnabled = 0;
    int stretchMapEnabled = 0;

    QuorvXYZGen xyzGen;
    // The repeating square in pattern space, when tiled (SetTiling).
    bool tiled = false;
    ScratchTile tile{};
    // The layers' periodic points for the tile, made once in SetTiling; tile.points refers to
    // them. Only read while samples are evaluated.
    std::unique_ptr<const cellular::TilePoints> tilePoints;
    TextureOutput* texout = nullptr;  // reference 9
    // Every reference as the host set it. The typed members above hold the same targets, or
    // null where a target is not of the slot's kind.
    RefTargetHandle refs[NUM_REFS] = {};
    Interval ivalid;
    TexHandle* texHandle = nullptr;
    Interval texHandleValid;
    Extension extension{*this};
};
