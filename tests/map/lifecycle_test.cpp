// The map as a host object: reset values, update and validity, change notification, blocks
// and references, cloning and persistence.
#include <map>
#include <random>

#include <gtest/gtest.h>

#include "coords/xyz_params.h"
#include "map_test_util.h"

namespace {

TEST(Map, NewMapHoldsTheResetValuesWhereTheyDifferFromTheDescriptor) {
    ParamBlockDesc2* desc = GetScratchParamBlockDesc();
    ASSERT_TRUE(desc->ParsedOK());
    ASSERT_EQ(desc->Count(), 29);
    EXPECT_EQ(desc->IDtoIndex(scratch_spreadMapEnabled), desc->NameToIndex(L"spreasdMapEnabled"));
    EXPECT_EQ(desc->GetParamDef(scratch_size).def.f, 1.0f);
    EXPECT_EQ(desc->GetParamDef(scratch_levels).def.i, 8);

    ScratchPtr map = NewScratches();
    IParamBlock2* pb = Params(map.get());
    // The reset writes every descriptor default except these four.
    const std::map<int, float> differing = {{scratch_size, 10.0f},
                                            {scratch_erosion, 0.5f},
                                            {scratch_type, 1.0f},
                                            {scratch_levels, 6.0f}};
    for (int i = 0; i < desc->Count(); ++i) {
        const ParamDef& d = desc->GetParamDefByIndex(i);
        const auto it = differing.find(d.ID);
        const bool reset = it != differing.end();
        if (d.type == TYPE_FLOAT) {
            EXPECT_EQ(pb->GetFloat(d.ID), reset ? it->second : d.def.f) << d.ID;
        } else if (d.type == TYPE_INT || d.type == TYPE_BOOL) {
            EXPECT_EQ(pb->GetInt(d.ID), reset ? static_cast<int>(it->second) : d.def.i) << d.ID;
        } else if (d.type == TYPE_RGBA) {
            EXPECT_EQ(pb->GetColor(d.ID), d.def.c) << d.ID;
        }
    }
    for (int i = 0; i < NSUBTEX; ++i) EXPECT_EQ(map->GetSubTexmap(i), nullptr);
    EXPECT_NE(map->GetReference(OUTPUT_REF), nullptr);
}

TEST(Map, ValidityFollowsAnimatedValues) {
    ScratchPtr map = NewScratches();
    map->SetSubTexmap(SUBTEX_SPREAD, Constant(1.0f));
    EXPECT_EQ(map->Validity(50), FOREVER);
    AnimateOn();
    Params(map.get())->SetValue(scratch_size, 0, 5.0f);
    Params(map.get())->SetValue(scratch_size, 100, 20.0f);
    AnimateOff();
    EXPECT_EQ(map->Validity(50), Interval(50, 50));
    EXPECT_EQ(map->Validity(200), Interval(100, TIME_PosInfinity));
    Interval valid(0, 300);
    map->Update(200, valid);
    EXPECT_EQ(valid, Interval(100, 300));

    // Without the main block, the caller's interval is left as it was.
    map->DeleteReference(PBLOCK_REF);
    valid = Interval(5, 10);
    map->Update(7, valid);
    EXPECT_EQ(valid, Interval(5, 10));
}

TEST(Map, SubMapChangeKeepsTheViewportTextureBlockChangeDropsIt) {
    ScratchPtr map = NewScratches();
    auto* sub = Constant(1.0f);
    map->SetSubTexmap(SUBTEX_COLOR2, sub);
    CountingTexHandleMaker maker;
    const DWORD_PTR first = map->GetActiveTexHandle(0, maker);
    EXPECT_EQ(sub->updates, 1);

    sub->Touch();
    EXPECT_EQ(map->GetActiveTexHandle(0, maker), first);
    Refresh(map.get());
    EXPECT_EQ(sub->updates, 2);  // the evaluation state was dropped all the same

    Params(map.get())->SetValue(scratch_size, 0, 4.0f);
    EXPECT_EQ(maker.alive, 0);
    EXPECT_NE(map->GetActiveTexHandle(0, maker), first);
    EXPECT_EQ(maker.made, 2);
    map->ActivateTexDisplay(FALSE);
    EXPECT_EQ(maker.alive, 0);
    (void)map->GetActiveTexHandle(0, maker);
    map.reset();
    EXPECT_EQ(maker.alive, 0);
}

TEST(Map, BlocksReferencesAndNames) {
    ScratchPtr map = NewScratches();
    RefTargetHandle params = map->GetReference(PBLOCK_REF), coords = map->GetReference(COORDS_REF);
    EXPECT_EQ(map->GetParamBlock(0), params);
    EXPECT_EQ(map->GetParamBlock(1), coords);
    EXPECT_EQ(map->GetParamBlockByID(0), coords);
    EXPECT_EQ(map->GetParamBlockByID(1), params);
    EXPECT_EQ(map->GetParamBlockByID(2), nullptr);
    EXPECT_EQ(map->SubAnimName(0), L"Coordinates");
    EXPECT_EQ(map->SubAnimName(1), L"Parameters");
    EXPECT_EQ(map->SubAnimName(9), L"Output");
    EXPECT_EQ(map->SubAnimName(8), L"Distortion Strength Map");
    EXPECT_EQ(map->GetSubTexmapSlotName(7), L"");
    // Slot numbers past the sub-maps reach no other reference (the next one is the output).
    RefTargetHandle output = map->GetReference(OUTPUT_REF);
    ConstantMap stray;
    map->SetSubTexmap(NSUBTEX, &stray);
    map->SetSubTexmap(-1, &stray);
    EXPECT_EQ(map->GetReference(OUTPUT_REF), output);
    EXPECT_EQ(map->GetReference(SUBTEX_REF_BASE - 1), map->GetParamBlockByID(1));
    // The table's one language is also that of the non-localised names scripts use.
    EXPECT_EQ(map->SubAnimName(9, false), L"Output");
    EXPECT_EQ(map->SubAnimName(8, false), L"Distortion Strength Map");
    EXPECT_EQ(map->GetSubTexmapSlotName(SUBTEX_COLOR1, false), L"Color 1 Map");
    // A missing text is empty, never a null pointer for a host string.
    EXPECT_STREQ(GetModuleString(9999), L"");

    // A damaged scene may put any object into any reference. The host reads back what it set,
    // while the map uses a slot only for its own kind: it reads as empty.
    Texmap* constant = Constant(1.0f);
    map->ReplaceReference(SUBTEX_REF_BASE + SUBTEX_COLOR1, coords);
    map->ReplaceReference(PBLOCK_REF, coords, FALSE);  // "params" is kept to be set again
    map->ReplaceReference(OUTPUT_REF, constant);
    EXPECT_EQ(map->GetReference(SUBTEX_REF_BASE + SUBTEX_COLOR1), coords);
    EXPECT_EQ(map->GetReference(PBLOCK_REF), coords);
    EXPECT_EQ(map->GetReference(OUTPUT_REF), constant);
    EXPECT_EQ(map->SubAnim(OUTPUT_REF), constant);
    EXPECT_EQ(map->GetSubTexmap(SUBTEX_COLOR1), nullptr);
    EXPECT_EQ(map->GetParamBlock(0), nullptr);
    EXPECT_EQ(map->GetParamBlockByID(1), nullptr);
    map->Reset();
    Refresh(map.get());
    SampleShadeContext sc = SampleAt(Point3(1.0f, 2.0f, 3.0f));
    (void)map->EvalColor(sc);
    (void)map->EvalNormalPerturb(sc);
    DefaultRemapDir remap;
    ReferenceTarget* copy = map->Clone(remap);
    ASSERT_NE(copy, nullptr);
    copy->DeleteThis();
    // Setting the slot's own kind again makes it usable, and null empties it for both views.
    map->ReplaceReference(PBLOCK_REF, params);
    map->ReplaceReference(OUTPUT_REF, nullptr);
    EXPECT_EQ(map->GetParamBlockByID(1), params);
    EXPECT_EQ(map->GetReference(OUTPUT_REF), nullptr);

    // UV and the channel's mapping are required for the two map-channel types only.
    ScratchPtr uv = NewScratches();
    Mapping(uv.get())->SetValue(xyz_chan, 0, 3);
    for (int type = XYZ_MAP_EXPLICIT_2D; type <= XYZ_MAP_SCREEN; ++type) {
        Mapping(uv.get())->SetValue(xyz_map, 0, type);
        Refresh(uv.get());
        const bool channel = type <= XYZ_MAP_EXPLICIT_REAL_WORLD;
        BitArray mapreq(MAX_MESHMAPS), bumpreq(MAX_MESHMAPS), small(2);
        EXPECT_EQ(uv->LocalRequirements(0), channel ? static_cast<ULONG>(MTLREQ_UV) : 0u) << type;
        uv->LocalMappingsRequired(0, mapreq, bumpreq);
        uv->LocalMappingsRequired(0, small, bumpreq);  // a channel past the array is not set
        EXPECT_EQ(mapreq.NumberSet() + 10 * small.NumberSet() + 100 * bumpreq.NumberSet(),
                  channel ? 1 : 0)
            << type;
        EXPECT_EQ(mapreq[3], channel ? 1 : 0) << type;
    }
}

TEST(Map, CloneSharesNoReference) {
    ScratchPtr map = NewScratches();
    Params(map.get())->SetValue(scratch_col2mapEnabled, 0, 0);
    Mapping(map.get())->SetValue(xyz_angle_z, 0, 30.0f);
    map->SetSubTexmap(SUBTEX_COLOR1, Constant(0.3f));
    map->SetSubTexmap(SUBTEX_DISTORT, Constant(0.0f));
    map->SetGBufID(4);
    dynamic_cast<StdTexoutGen*>(map->GetReference(OUTPUT_REF))->SetRGBOff(0.25f, 0);
    Refresh(map.get());
    RemapDir& remap = NewRemapDir();
    ScratchPtr copy(static_cast<QuorvScratches*>(map->Clone(remap)));
    remap.DeleteThis();
    ASSERT_NE(copy, nullptr);
    for (int i = 0; i < map->NumRefs(); ++i) {
        EXPECT_EQ(copy->GetReference(i) != nullptr, map->GetReference(i) != nullptr) << i;
        if (map->GetReference(i)) {
            EXPECT_NE(copy->GetReference(i), map->GetReference(i)) << i;
        }
    }
    EXPECT_EQ(copy->GetGBufID(), 4u);
    Refresh(copy.get());
    ExpectSameRender(map.get(), copy.get());
}

std::vector<unsigned char> MapChunks(QuorvScratches* map, bool strayOldChunk) {
    MemorySave out;
    EXPECT_EQ(map->Save(&out), IO_OK);
    if (strayOldChunk) {
        out.BeginChunk(0x1000);
        out.EndChunk();
    }
    return out.Bytes();
}

TEST(Map, LoadsItsHeaderChunkToleratesTheOldOneAndRejectsDamage) {
    ScratchPtr source = NewScratches();
    source->SetName(L"a name that the cuts below go through");
    const std::vector<unsigned char> only = MapChunks(source.get(), false);
    ScratchPtr map = NewScratches();
    MemoryLoad in(only);
    EXPECT_EQ(map->Load(&in), IO_OK);
    EXPECT_EQ(map->GetName(), source->GetName());

    // The stray chunk switches colour map 1 off only until the block is read again, even on
    // a map that was already up to date.
    ScratchPtr reference = NewScratches();
    for (QuorvScratches* m : {map.get(), reference.get()})
        m->SetSubTexmap(SUBTEX_COLOR1, new ConstantMap(AColor(0.0f, 0.0f, 1.0f, 1.0f)));
    Refresh(map.get());
    const std::vector<unsigned char> stray = MapChunks(source.get(), true);
    MemoryLoad strayIn(stray);
    EXPECT_EQ(map->Load(&strayIn), IO_OK);
    Refresh(map.get());
    Refresh(reference.get());
    ExpectSameRender(map.get(), reference.get());

    for (size_t n = 1; n < only.size(); ++n) {
        MemoryLoad cut(only.data(), n);
        EXPECT_EQ(map->Load(&cut), IO_ERROR) << n;
    }
}

TEST(Scene, AChangedMapRoundTripsAndDamagedBytesLeaveNoMap) {
    RegisterClasses();
    ScratchPtr map = NewScratches();
    IParamBlock2* pb = Params(map.get());
    pb->SetValue(scratch_type, 0, 0);
    pb->SetValue(scratch_useErosion, 0, 1);
    pb->SetValue(scratch_color1, 0, Color(0.1f, 0.2f, 0.3f));
    AnimateOn();
    pb->SetValue(scratch_size, 0, 6.0f);
    pb->SetValue(scratch_size, 100, 12.0f);
    AnimateOff();
    Mapping(map.get())->SetValue(xyz_angle_x, 0, 20.0f);
    map->SetSubTexmap(SUBTEX_COLOR2, new ConstantMap(AColor(0.9f, 0.8f, 0.1f, 1.0f)));
    map->SetSubTexmap(SUBTEX_SPREAD, Constant(0.3f));
    const std::vector<unsigned char> bytes = SaveObject(map.get());
    ASSERT_FALSE(bytes.empty());

    IOResult res = IO_ERROR;
    ScratchPtr copy(static_cast<QuorvScratches*>(LoadObject(bytes, &res)));
    ASSERT_EQ(res, IO_OK);
    ASSERT_EQ(copy->ClassID(), map->ClassID());
    EXPECT_EQ(Params(copy.get())->GetFloat(scratch_size, 100), 12.0f);
    for (TimeValue t : {0, 50, 100}) {
        EXPECT_EQ(copy->Validity(t), map->Validity(t));
        ExpectSameRender(map.get(), copy.get());
    }

    for (size_t n = 0; n < bytes.size(); ++n) {
        const std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
        EXPECT_EQ(LoadObject(cut, &res), nullptr) << n;
        EXPECT_EQ(res, IO_ERROR);
    }
    // Flipped bits either fail to load or give a map that updates and evaluates soundly.
    std::mt19937 rng(1234);
    for (int trial = 0; trial < 500; ++trial) {
        std::vector<unsigned char> bad = bytes;
        bad[rng() % bad.size()] ^= static_cast<unsigned char>(1u << (rng() % 8));
        ReferenceTarget* loaded = LoadObject(bad, &res);
        EXPECT_EQ(res, loaded ? IO_OK : IO_ERROR);
        if (loaded && loaded->ClassID() == map->ClassID()) {
            auto* m = static_cast<QuorvScratches*>(loaded);
            (void)m->Validity(0);
            SampleShadeContext sc = SampleAt(Point3(1.0f, 2.0f, 3.0f), Point3(0.1f, 0.0f, 0.0f));
            sc.filterMaps = TRUE;
            (void)m->EvalColor(sc);
            (void)m->EvalNormalPerturb(sc);
        }
        if (loaded) loaded->DeleteThis();
    }
}

}  // namespace
