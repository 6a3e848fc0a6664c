#include "map/quorv_scratches.h"

#include <cmath>
#include <new>

#include "coords/xyz_params.h"
#include "map/scratches_class.h"
#include "plugin/module.h"
#include "resource.h"

namespace {

// The map's own chunk, holding the base class's data.
constexpr USHORT MTL_HDR_CHUNK = 0x4000;
// Written by early versions of the map; its only effect is a colour-1 switch that the next
// update reads back from the block.
constexpr USHORT OLD_COL1MAP_CHUNK = 0x1000;

// "params" parameter of each sub-map slot.
constexpr ParamID subTexParam[NSUBTEX] = {
    scratch_color1map,  scratch_color2map,  scratch_sizeMap,       scratch_spreadMap,
    scratch_stretchMap, scratch_distortMap, scratch_distortStrMap,
};

constexpr int subTexSlotName[NSUBTEX] = {
    IDS_COLOR1_MAP,  IDS_COLOR2_MAP,  IDS_SIZE_MAP,        IDS_SPREAD_MAP,
    IDS_STRETCH_MAP, IDS_DISTORT_MAP, IDS_DISTORT_STR_MAP,
};

// A reference keeps whatever the host sets, but the map uses a target only as the kind its slot
// is declared for: a scene that puts some other object there cannot make the map use it as the
// wrong type, and the slot then reads as empty.
IParamBlock2* AsBlock(RefTargetHandle t, BlockID id) {
    if (!t || t->SuperClassID() != PARAMETER_BLOCK2_CLASS_ID) return nullptr;
    IParamBlock2* pb = static_cast<IParamBlock2*>(t);
    return pb->ID() == id ? pb : nullptr;
}

Texmap* AsTexmap(RefTargetHandle t) {
    return t && t->SuperClassID() == TEXMAP_CLASS_ID ? static_cast<Texmap*>(t) : nullptr;
}

TextureOutput* AsTexout(RefTargetHandle t) {
    return t && t->SuperClassID() == TEXOUTPUT_CLASS_ID ? static_cast<TextureOutput*>(t) : nullptr;
}

// A name the host asks for, in the user's language (localized) or in the one scripts use. The
// table has one language, US English, which is both: a translated table would have to keep
// the English text for the non-localised request.
MSTR ModuleName(int id, bool localized) {
    return MSTR(localized ? GetModuleString(id) : GetModuleString(id));
}

// Each channel into 0..1. ClampMinMax lets NaN through (every comparison with it is false); a
// NaN channel, which only a script or a damaged scene can set, reads as 0.
void ClampColor(Color& c) {
    c.ClampMinMax();
    for (float* v : {&c.r, &c.g, &c.b}) {
        if (std::isnan(*v)) *v = 0.0f;
    }
}

}  // namespace

QuorvScratches::QuorvScratches() {
    color1 = Color(0.0f, 0.0f, 0.0f);
    color2 = Color(0.0f, 0.0f, 0.0f);
    ivalid.SetEmpty();
    texHandleValid.SetEmpty();
    GetQuorvScratchesDesc()->MakeAutoParamBlocks(this);
    Reset();
}

QuorvScratches::~QuorvScratches() {
    DiscardTexHandle();
}

Class_ID QuorvScratches::ClassID() {
    return QUORV_SCRATCHES_CLASS_ID;
}

void QuorvScratches::GetClassName(MSTR& s, bool localized) const {
    s = localized ? GetModuleString(IDS_CLASS_NAME) : QUORV_SCRATCHES_INTERNAL_NAME;
}

void QuorvScratches::Reset() {
    const TimeValue t = GetCOREInterface()->GetTime();
    if (texout)
        texout->Reset();
    else
        ReplaceReference(OUTPUT_REF, GetNewDefaultTextureOutput());
    for (int i = 0; i < NSUBTEX; ++i) DeleteReference(i + SUBTEX_REF_BASE);

    if (pblock) {
        // Four of these differ from the descriptor defaults: size, erosion, type, levels.
        pblock->SetValue(scratch_color1, t, Color(0.0f, 0.0f, 0.0f));
        pblock->SetValue(scratch_color2, t, Color(1.0f, 1.0f, 1.0f));
        pblock->SetValue(scratch_col1mapEnabled, t, 1);
        pblock->SetValue(scratch_col2mapEnabled, t, 1);
        pblock->SetValue(scratch_size, t, 10.0f);
        pblock->SetValue(scratch_thresholdLow, t, 0.0f);
        pblock->SetValue(scratch_thresholdHigh, t, 1.0f);
        pblock->SetValue(scratch_sizeMapEnabled, t, 1);
        pblock->SetValue(scratch_spreadMapEnabled, t, 1);
        pblock->SetValue(scratch_stretchMapEnabled, t, 1);
        pblock->SetValue(scratch_stretch, t, 10.0f);
        pblock->SetValue(scratch_erosion, t, 0.5f);
        pblock->SetValue(scratch_erosionDelta, t, 1.0f);
        pblock->SetValue(scratch_spread, t, 0.8f);
        pblock->SetValue(scratch_type, t, 1);
        pblock->SetValue(scratch_levels, t, 6);
        pblock->SetValue(scratch_dStrMapEnabled, t, 1);
        pblock->SetValue(scratch_distortStr, t, 0.1f);
        pblock->SetValue(scratch_useDistortion, t, 0);
        pblock->SetValue(scratch_useErosion, t, 0);
        pblock->SetValue(scratch_bumpDelta, t, 0.001f);
    }
    xyzGen.ResetParameters(pblockXYZ, ivalid, XYZ_MAP_OBJECT, XYZ_TILE_CONTINUE, XYZ_TILE_CONTINUE,
                           XYZ_TILE_CONTINUE);
    ivalid.SetEmpty();
}

void QuorvScratches::Update(TimeValue t, Interval& valid) {
    if (!pblock) return;
    if (!ivalid.InInterval(t)) {
        ivalid = FOREVER;
        if (texout) texout->Update(t, ivalid);

        pblock->GetValue(scratch_color1, t, color1, ivalid);
        ClampColor(color1);
        pblock->GetValue(scratch_color2, t, color2, ivalid);
        ClampColor(color2);
        for (Texmap* m : subTex) {
            if (m) m->Update(t, ivalid);
        }
        pblock->GetValue(scratch_col1mapEnabled, t, col1mapEnabled, ivalid);
        pblock->GetValue(scratch_col2mapEnabled, t, col2mapEnabled, ivalid);
        pblock->GetValue(scratch_size, t, size, ivalid);
        pblock->GetValue(scratch_thresholdHigh, t, thresholdHigh, ivalid);
        pblock->GetValue(scratch_thresholdLow, t, thresholdLow, ivalid);
        pblock->GetValue(scratch_sizeMapEnabled, t, sizeMapEnabled, ivalid);
        pblock->GetValue(scratch_spreadMapEnabled, t, spreasdMapEnabled, ivalid);
        pblock->GetValue(scratch_stretchMapEnabled, t, stretchMapEnabled, ivalid);
        pblock->GetValue(scratch_stretch, t, stretch, ivalid);
        pblock->GetValue(scratch_spread, t, spread, ivalid);
        pblock->GetValue(scratch_type, t, type, ivalid);
        pblock->GetValue(scratch_levels, t, levels, ivalid);
        pblock->GetValue(scratch_useErosion, t, useErosion, ivalid);
        pblock->GetValue(scratch_erosion, t, erosion, ivalid);
        pblock->GetValue(scratch_erosionDelta, t, erosionDelta, ivalid);
        pblock->GetValue(scratch_bumpDelta, t, bumpDelta, ivalid);
        pblock->GetValue(scratch_distortStr, t, distortStr, ivalid);
        pblock->GetValue(scratch_useDistortion, t, useDistortion, ivalid);
        pblock->GetValue(scratch_dStrMapEnabled, t, dStrMapEnabled, ivalid);

        // A NaN size (only a script can set one) has no pattern scale at all: read it as 0,
        // which evaluation floors like any zero size and which leaves erosion unscaled.
        if (std::isnan(size)) size = 0.0f;
        // The block keeps what the user set; evaluation needs low <= high.
        if (thresholdLow > thresholdHigh) {
            const float low = thresholdHigh;
            thresholdHigh = thresholdLow;
            thresholdLow = low;
        }
        sizeOver20 = size / 20.0f;
        UpdateControlEnables();
        xyzGen.Update(pblockXYZ, t, ivalid);
    }
    valid &= ivalid;
}

Interval QuorvScratches::Validity(TimeValue t) {
    Interval v;
    Update(t, v);
    return ivalid;
}

RefResult QuorvScratches::NotifyRefChanged(const Interval& /*changeInt*/, RefTargetHandle hTarget,
                                           PartID& /*partID*/, RefMessage message,
                                           BOOL /*propagate*/) {
    if (message != REFMSG_CHANGE) return REF_SUCCEED;
    ivalid.SetEmpty();

    ParamID changing;
    if (hTarget && hTarget == pblock) {
        changing = pblock->LastNotifyParamID();
        GetQuorvScratchesDesc()->InvalidateUI(GetScratchParamBlockDesc(), changing, -1);
    } else if (hTarget && hTarget == pblockXYZ) {
        changing = pblockXYZ->LastNotifyParamID();
        GetQuorvScratchesDesc()->InvalidateUI(GetXYZParamBlockDesc(), changing, -1);
    } else {
        // A sub-map or the texture output: the viewport texture stays.
        return REF_SUCCEED;
    }
    if (static_cast<USHORT>(changing) != 0xFFFF) DiscardTexHandle();
    return REF_SUCCEED;
}

RefTargetHandle QuorvScratches::GetReference(int i) {
    return i >= 0 && i < NUM_REFS ? refs[i] : nullptr;
}

void QuorvScratches::SetReference(int i, RefTargetHandle rtarg) {
    if (i < 0 || i >= NUM_REFS) return;
    // What the host set is what it reads back; the typed member below is what the map uses.
    refs[i] = rtarg;
    switch (i) {
        case COORDS_REF:
            pblockXYZ = AsBlock(rtarg, 0);
            break;
        case PBLOCK_REF:
            pblock = AsBlock(rtarg, scratch_params);
            break;
        case OUTPUT_REF:
            texout = AsTexout(rtarg);
            break;
        default:
            if (i >= SUBTEX_REF_BASE && i < SUBTEX_REF_BASE + NSUBTEX)
                subTex[i - SUBTEX_REF_BASE] = AsTexmap(rtarg);
            break;
    }
}

Animatable* QuorvScratches::SubAnim(int i) {
    return GetReference(i);
}

MSTR QuorvScratches::SubAnimName(int i, bool localized) {
    switch (i) {
        case COORDS_REF:
            return ModuleName(IDS_COORDS, localized);
        case PBLOCK_REF:
            return ModuleName(IDS_PARAMS, localized);
        case OUTPUT_REF:
            return ModuleName(IDS_OUTPUT, localized);
        default:
            return GetSubTexmapTVName(i - SUBTEX_REF_BASE, localized);
    }
}

IParamBlock2* QuorvScratches::GetParamBlock(int i) {
    switch (i) {
        case 0:
            return pblock;
        case 1:
            return pblockXYZ;
        default:
            return nullptr;
    }
}

BaseInterface* QuorvScratches::GetInterface(Interface_ID id) {
    if (id == QUORVSCRATCHES_INTERFACE) return &extension;
    return Texmap::GetInterface(id);
}

IParamBlock2* QuorvScratches::GetParamBlockByID(BlockID id) {
    if (pblock && pblock->ID() == id) return pblock;
    if (pblockXYZ && pblockXYZ->ID() == id) return pblockXYZ;
    return nullptr;
}

MSTR QuorvScratches::GetSubTexmapSlotName(int i, bool localized) {
    if (i < 0 || i >= NSUBTEX) return MSTR();
    return ModuleName(subTexSlotName[i], localized);
}

void QuorvScratches::SetSubTexmap(int i, Texmap* m) {
    // Another slot number would land on a block or the texture output.
    if (i < 0 || i >= NSUBTEX) return;
    ReplaceReference(i + SUBTEX_REF_BASE, m);
    GetQuorvScratchesDesc()->InvalidateUI(GetScratchParamBlockDesc(), subTexParam[i], -1);
    ivalid.SetEmpty();
}

ReferenceTarget* QuorvScratches::Clone(RemapDir& remap) {
    QuorvScratches* mnew = new (std::nothrow) QuorvScratches();
    if (!mnew) return nullptr;
    *static_cast<MtlBase*>(mnew) = *static_cast<MtlBase*>(this);
    mnew->ReplaceReference(COORDS_REF, remap.CloneRef(pblockXYZ));
    mnew->ReplaceReference(OUTPUT_REF, remap.CloneRef(texout));
    mnew->ReplaceReference(PBLOCK_REF, remap.CloneRef(pblock));
    mnew->ivalid.SetEmpty();
    for (int i = 0; i < NSUBTEX; ++i) {
        mnew->DeleteReference(i + SUBTEX_REF_BASE);
        if (subTex[i]) mnew->ReplaceReference(i + SUBTEX_REF_BASE, remap.CloneRef(subTex[i]));
    }
    mnew->col1mapEnabled = col1mapEnabled;
    mnew->col2mapEnabled = col2mapEnabled;
    mnew->dStrMapEnabled = dStrMapEnabled;
    mnew->sizeMapEnabled = sizeMapEnabled;
    mnew->spreasdMapEnabled = spreasdMapEnabled;
    mnew->stretchMapEnabled = stretchMapEnabled;
    BaseClone(this, mnew, remap);
    return mnew;
}

IOResult QuorvScratches::Save(ISave* isave) {
    isave->BeginChunk(MTL_HDR_CHUNK);
    const IOResult res = MtlBase::Save(isave);
    if (res != IO_OK) return res;
    isave->EndChunk();
    return IO_OK;
}

IOResult QuorvScratches::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        switch (iload->CurChunkID()) {
            case MTL_HDR_CHUNK:
                res = MtlBase::Load(iload);
                break;
            case OLD_COL1MAP_CHUNK:
                col1mapEnabled = 0;
                ivalid.SetEmpty();  // so the block's value wins at the next update
                break;
            default:
                break;
        }
        const IOResult closed = iload->CloseChunk();
        if (res != IO_OK) return res;
        if (closed != IO_OK) return closed;
    }
    // The end of the chunks is success; a damaged stream is not.
    return res == IO_ERROR ? IO_ERROR : IO_OK;
}

ULONG QuorvScratches::LocalRequirements(int /*subMtlNum*/) {
    // Only the two map-channel types read UVW.
    return static_cast<unsigned>(xyzGen.MappingType()) <= XYZ_MAP_EXPLICIT_REAL_WORLD ? MTLREQ_UV
                                                                                      : 0;
}

void QuorvScratches::LocalMappingsRequired(int /*subMtlNum*/, BitArray& mapreq,
                                           BitArray& /*bumpreq*/) {
    if (static_cast<unsigned>(xyzGen.MappingType()) > XYZ_MAP_EXPLICIT_REAL_WORLD) return;
    // A channel set by script outside the array must not index past it.
    const int channel = xyzGen.MapChannel();
    if (channel >= 0 && channel < mapreq.GetSize()) mapreq.Set(channel);
}

void QuorvScratches::DiscardTexHandle() {
    if (texHandle) {
        texHandle->DeleteThis();
        texHandle = nullptr;
    }
}

void QuorvScratches::ActivateTexDisplay(BOOL onoff) {
    if (!onoff) DiscardTexHandle();
}

DWORD_PTR QuorvScratches::GetActiveTexHandle(TimeValue t, TexHandleMaker& thmaker) {
    if (texHandle) {
        if (texHandleValid.InInterval(t)) return texHandle->GetHandle();
        DiscardTexHandle();
    }
    BITMAPINFO* dib = GetVPDisplayDIB(t, thmaker, texHandleValid, FALSE, 0, 0);
    if (!dib) return 0;
    texHandle = thmaker.MakeHandle(dib);
    return texHandle ? texHandle->GetHandle() : 0;
}
