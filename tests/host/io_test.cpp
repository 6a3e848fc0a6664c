#include <gtest/gtest.h>

#include <cstdint>

#include <sample_shade_context.h>

#include "test_objects.h"

using namespace hosttest;

namespace {
std::vector<unsigned char> NestedStream() {
    MemorySave s;
    ULONG n = 0;
    s.BeginChunk(0x100);
    const int32_t a = 7;
    s.Write(&a, 4, &n);
    s.BeginChunk(0x200);
    s.WriteWString(L"name");
    s.EndChunk();
    s.EndChunk();
    s.BeginChunk(0x300);
    s.EndChunk();
    EXPECT_EQ(s.Status(), IO_OK);
    return s.Bytes();
}

// Walks every chunk and reads every payload byte; never more than a bound of steps.
IOResult Walk(ILoad& l, int depth = 0) {
    IOResult r;
    for (int steps = 0; (r = l.OpenChunk()) == IO_OK && steps < 1000; ++steps) {
        if (depth < 4 && l.PeekNextChunkID() != 0) {
            if (Walk(l, depth + 1) == IO_ERROR) return IO_ERROR;
        } else {
            unsigned char b[64];
            ULONG n = 0;
            ULONG left = l.CurChunkLength();
            if (l.Read(b, left < 64 ? left : 64, &n) != IO_OK) return IO_ERROR;
        }
        if (l.CloseChunk() != IO_OK) return IO_ERROR;
    }
    return r;
}

struct Registered {
    Registered() { ClassDirectory::GetInstance().AddClass(&TestMapDesc()); }
};
const Registered registered;

TestMap* ChangedMap() {
    auto* map = new TestMap(AColor(0.1f, 0.2f, 0.3f, 0.4f));
    map->SetName(MSTR(L"scratched"));
    map->SetGBufID(5);
    IParamBlock2* pb = map->pblock;
    pb->SetValue(pType, 0, 1);
    pb->SetValue(pColor, 0, Color(0.5f, 0.6f, 0.7f));
    AnimateOn();
    pb->SetValue(pSize, 0, 2.0f);
    pb->SetValue(pSize, 100, 4.0f);
    AnimateOff();
    auto* sub = new TestMap(AColor(1.0f, 0.0f, 0.0f, 1.0f));
    pb->SetValue(pMap, 0, sub);
    pb->SetValue(pOwnMap, 0, sub);
    static_cast<StdTexoutGen*>(map->output)->SetRGBOff(0.25f, 0);
    return map;
}
}  // namespace

TEST(ChunkStream, RoundTripsNestedChunks) {
    const auto bytes = NestedStream();
    MemoryLoad l(bytes);
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    EXPECT_EQ(l.CurChunkID(), 0x100);
    int32_t a = 0;
    ULONG n = 0;
    ASSERT_EQ(l.Read(&a, 4, &n), IO_OK);
    EXPECT_EQ(a, 7);
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    EXPECT_EQ(l.CurChunkID(), 0x200);
    wchar_t* s = nullptr;
    ASSERT_EQ(l.ReadWStringChunk(s), IO_OK);
    EXPECT_STREQ(s, L"name");
    EXPECT_EQ(l.OpenChunk(), IO_END);  // nothing more inside 0x200
    EXPECT_EQ(l.CloseChunk(), IO_OK);
    EXPECT_EQ(l.OpenChunk(), IO_END);
    EXPECT_EQ(l.CloseChunk(), IO_OK);
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    EXPECT_EQ(l.CurChunkID(), 0x300);
    EXPECT_EQ(l.CloseChunk(), IO_OK);
    EXPECT_EQ(l.OpenChunk(), IO_END);
    EXPECT_FALSE(l.HadError());
}

TEST(ChunkStream, NeverReadsPastTheCurrentChunk) {
    const auto bytes = NestedStream();
    MemoryLoad l(bytes);
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    unsigned char big[256];
    ULONG n = 0;
    EXPECT_EQ(l.Read(big, sizeof big, &n), IO_ERROR);
    EXPECT_EQ(n, l.CurChunkLength());
    EXPECT_TRUE(l.HadError());
    // The next chunk is untouched by the short read.
    EXPECT_EQ(l.CloseChunk(), IO_OK);
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    EXPECT_EQ(l.CurChunkID(), 0x300);
    MemoryLoad c(bytes);
    EXPECT_EQ(c.CloseChunk(), IO_ERROR);  // nothing open
}

TEST(ChunkStream, TruncatedOrCorruptStreamsAnswerError) {
    const auto bytes = NestedStream();
    for (size_t len = 1; len < bytes.size(); ++len) {
        std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<long>(len));
        MemoryLoad l(cut);
        const IOResult r = Walk(l);
        EXPECT_TRUE(r == IO_ERROR || l.HadError()) << "length " << len;
    }
    // A string whose length claims more than the chunk holds.
    MemorySave s;
    s.BeginChunk(1);
    const uint32_t huge = 0x40000000;
    ULONG n = 0;
    s.Write(&huge, 4, &n);
    s.EndChunk();
    MemoryLoad l(s.Bytes());
    l.OpenChunk();
    wchar_t* str = nullptr;
    EXPECT_EQ(l.ReadWStringChunk(str), IO_ERROR);
    EXPECT_EQ(str, nullptr);
}

TEST(SceneFile, AMapRoundTripsWithItsReferences) {
    TestMap* map = ChangedMap();
    const auto bytes = SaveObject(map);
    ASSERT_FALSE(bytes.empty());
    IOResult result = IO_ERROR;
    auto* loaded = static_cast<TestMap*>(LoadObject(bytes, &result));
    ASSERT_EQ(result, IO_OK);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->ClassID(), kTestMapClassID);
    EXPECT_EQ(loaded->color, map->color);
    EXPECT_EQ(loaded->GetName(), MSTR(L"scratched"));
    EXPECT_EQ(loaded->GetGBufID(), 5u);

    IParamBlock2* pb = loaded->pblock;
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(pb->GetOwner(), loaded);
    EXPECT_EQ(pb->GetInt(pType), 1);
    EXPECT_EQ(pb->GetColor(pColor), Color(0.5f, 0.6f, 0.7f));
    EXPECT_EQ(pb->NumKeys(pSize), 2);
    EXPECT_EQ(pb->GetFloat(pSize, 50), 3.0f);
    ASSERT_NE(loaded->subMap, nullptr);
    SampleShadeContext sc;
    EXPECT_EQ(loaded->subMap->EvalColor(sc), AColor(1.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(pb->GetTexmap(pMap), loaded->subMap);
    EXPECT_EQ(pb->GetReference(0), loaded->subMap);  // shared target saved once
    ASSERT_NE(loaded->output, nullptr);
    EXPECT_EQ(static_cast<StdTexoutGen*>(loaded->output)->GetRGBOff(0), 0.25f);

    EXPECT_EQ(SaveObject(loaded), bytes);
    map->DeleteThis();
    loaded->DeleteThis();
}

TEST(SceneFile, HostileBytesLoadNothing) {
    TestMap* map = ChangedMap();
    const auto bytes = SaveObject(map);
    map->DeleteThis();
    for (size_t len = 0; len < bytes.size(); ++len) {
        std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<long>(len));
        IOResult result = IO_OK;
        EXPECT_EQ(LoadObject(cut, &result), nullptr) << "length " << len;
        EXPECT_EQ(result, IO_ERROR);
    }
    // Any single corrupted byte either still loads a whole map or loads nothing.
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (unsigned char x : {0x01, 0x80, 0xFF}) {
            auto bad = bytes;
            bad[i] ^= x;
            IOResult result = IO_OK;
            ReferenceTarget* t = LoadObject(bad, &result);
            EXPECT_EQ(t != nullptr, result == IO_OK);
            if (t) t->DeleteThis();
        }
    }
}

TEST(SceneFile, UnknownClassesAndReferenceLoopsAreErrors) {
    auto* map = new TestMap();
    auto bytes = SaveObject(map);
    map->DeleteThis();
    // Class ID A of the root follows the headers of scene, header, object and class chunks.
    const size_t classA = 4 * kChunkHeaderSize + 8 + 4;
    auto unknown = bytes;
    unknown[classA] ^= 0x55;
    IOResult result = IO_OK;
    EXPECT_EQ(LoadObject(unknown, &result), nullptr);
    EXPECT_EQ(result, IO_ERROR);

    // Two maps referencing each other through their sub-map slot.
    MemorySave s;
    ULONG n = 0;
    auto put = [&](uint32_t v) { s.Write(&v, 4, &n); };
    s.BeginChunk(0x2A00);
    s.BeginChunk(0x2A01);
    put(1);
    put(2);
    s.EndChunk();
    for (int32_t other : {1, 0}) {
        s.BeginChunk(0x2A10);
        s.BeginChunk(0x2A11);
        put(TEXMAP_CLASS_ID);
        put(kTestMapClassID.PartA());
        put(kTestMapClassID.PartB());
        s.EndChunk();
        s.BeginChunk(0x2A13);
        put(2);
        put(0xFFFFFFFF);
        put(static_cast<uint32_t>(other));
        s.EndChunk();
        s.EndChunk();
    }
    s.EndChunk();
    EXPECT_EQ(LoadObject(s.Bytes(), &result), nullptr);
    EXPECT_EQ(result, IO_ERROR);
}
