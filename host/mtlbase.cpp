#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "imtl.h"
#include "ioapi.h"
#include "sample_shade_context.h"

// --- ShadeContext defaults: no cache, derivatives from DP.

void ShadeContext::DP(Point3& dpdx, Point3& dpdy) {
    dpdx = dpdy = DP();
}
BOOL ShadeContext::GetCache(Texmap*, AColor&) {
    return FALSE;
}
BOOL ShadeContext::GetCache(Texmap*, float&) {
    return FALSE;
}
BOOL ShadeContext::GetCache(Texmap*, Point3&) {
    return FALSE;
}
void ShadeContext::PutCache(Texmap*, const AColor&) {}
void ShadeContext::PutCache(Texmap*, const float) {}
void ShadeContext::PutCache(Texmap*, const Point3&) {}

// --- MtlBase

namespace {
constexpr USHORT kNameChunk = 0x5100;
constexpr USHORT kGBufIDChunk = 0x5110;
}  // namespace

MtlBase& MtlBase::operator=(const MtlBase& m) {
    name = m.name;
    gbufID = m.gbufID;
    return *this;
}

IOResult MtlBase::Save(ISave* isave) {
    isave->BeginChunk(kNameChunk);
    const IOResult r = isave->WriteWString(name.data());
    isave->EndChunk();
    if (r != IO_OK) return r;
    isave->BeginChunk(kGBufIDChunk);
    ULONG n = 0;
    const uint32_t id = static_cast<uint32_t>(gbufID);
    const IOResult w = isave->Write(&id, sizeof id, &n);
    isave->EndChunk();
    return w;
}

IOResult MtlBase::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        switch (iload->CurChunkID()) {
            case kNameChunk: {
                wchar_t* s = nullptr;
                if (iload->ReadWStringChunk(s) != IO_OK) return IO_ERROR;
                name = s;
                break;
            }
            case kGBufIDChunk: {
                uint32_t id = 0;
                ULONG n = 0;
                if (iload->Read(&id, sizeof id, &n) != IO_OK) return IO_ERROR;
                gbufID = id;
                break;
            }
            default:
                break;
        }
        if (iload->CloseChunk() != IO_OK) return IO_ERROR;
    }
    return res == IO_END ? IO_OK : IO_ERROR;
}

// --- Texmap

float Texmap::EvalMono(ShadeContext& sc) {
    const AColor c = EvalColor(sc);
    return (c.r + c.g + c.b) / 3.0f;
}

namespace {
BYTE ToByte(float v) {
    if (!(v > 0.0f)) return 0;  // negative and NaN
    if (v >= 1.0f) return 255;
    return static_cast<BYTE>(v * 255.0f + 0.5f);
}
}  // namespace

BITMAPINFO* Texmap::GetVPDisplayDIB(TimeValue t, TexHandleMaker& thmaker, Interval& valid,
                                    BOOL mono, int forceW, int forceH) {
    auto edge = [](int n) { return n < 1 ? 1 : (n > 1024 ? 1024 : n); };
    const int w = edge(forceW > 0 ? forceW : thmaker.Size());
    const int h = edge(forceH > 0 ? forceH : thmaker.Size());
    valid = FOREVER;
    Update(t, valid);

    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    auto* bmi = static_cast<BITMAPINFO*>(std::malloc(sizeof(BITMAPINFOHEADER) + 4 * pixels));
    if (!bmi) return nullptr;
    BITMAPINFOHEADER& hdr = bmi->bmiHeader;
    hdr = BITMAPINFOHEADER{};
    hdr.biSize = sizeof(BITMAPINFOHEADER);
    hdr.biWidth = w;
    hdr.biHeight = h;
    hdr.biPlanes = 1;
    hdr.biBitCount = 32;
    hdr.biCompression = BI_RGB;
    hdr.biSizeImage = static_cast<DWORD>(4 * pixels);
    auto* out = reinterpret_cast<BYTE*>(bmi) + sizeof(BITMAPINFOHEADER);

    // The unit square of map channel 1, also as the sample's position.
    SampleShadeContext sc;
    sc.SetTime(t);
    sc.SetMtlNum(0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Point3 uvw((x + 0.5f) / static_cast<float>(w), (y + 0.5f) / static_cast<float>(h),
                             0.0f);
            const Point3 d(1.0f / static_cast<float>(w), 1.0f / static_cast<float>(h), 0.0f);
            sc.SetUVW(1, uvw, d);
            sc.SetP(uvw);
            sc.SetDP(Point3(d.x, 0.0f, 0.0f), Point3(0.0f, d.y, 0.0f));
            sc.SetScreenUV(Point2(uvw.x, uvw.y), Point2(d.x, d.y));
            AColor c;
            if (mono) {
                const float m = EvalMono(sc);
                c = AColor(m, m, m, 1.0f);
            } else {
                c = EvalColor(sc);
            }
            BYTE* px = out + 4 * (static_cast<size_t>(y) * static_cast<size_t>(w) +
                                  static_cast<size_t>(x));
            px[0] = ToByte(c.b);
            px[1] = ToByte(c.g);
            px[2] = ToByte(c.r);
            px[3] = 255;
        }
    }
    return bmi;
}

// --- CountingTexHandleMaker

namespace {
class CountedHandle : public TexHandle {
public:
    CountedHandle(CountingTexHandleMaker& m, DWORD_PTR h) : maker(m), handle(h) {}
    DWORD_PTR GetHandle() override { return handle; }
    void DeleteThis() override {
        --maker.alive;
        delete this;
    }

private:
    CountingTexHandleMaker& maker;
    DWORD_PTR handle;
};
}  // namespace

TexHandle* CountingTexHandleMaker::MakeHandle(BITMAPINFO* bminf) {
    if (!bminf) return nullptr;
    lastWidth = bminf->bmiHeader.biWidth;
    lastHeight = bminf->bmiHeader.biHeight;
    std::free(bminf);
    ++made;
    ++alive;
    return new CountedHandle(*this, static_cast<DWORD_PTR>(made));
}
