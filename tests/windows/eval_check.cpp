#include "tests/windows/eval_check.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "tests/windows/check.h"
#include "tests/windows/map_access.h"

namespace {

// Agreement with the Linux build. The arithmetic is the same (SSE2, no contraction), but the
// C runtime's sinf/cosf and friends may differ from glibc's in the last bit, and the pattern
// turns such a bit into a difference of a few units in the 7th digit.
constexpr double kTolerance = 2e-5;

// The shading sample of `quorv-scratches eval`: every frame is the identity and every map
// channel reads the point.
class EvalShadeContext : public ShadeContext {
public:
    EvalShadeContext() { doMaps = TRUE; }
    INode* Node() override { return node; }
    TimeValue CurTime() override { return 0; }
    Point3 P() override { return p; }
    Point3 DP() override {
        return Point3(0.5f * (std::fabs(dx.x) + std::fabs(dy.x)),
                      0.5f * (std::fabs(dx.y) + std::fabs(dy.y)),
                      0.5f * (std::fabs(dx.z) + std::fabs(dy.z)));
    }
    void DP(Point3& a, Point3& b) override {
        a = dx;
        b = dy;
    }
    Point3 UVW(int) override { return p; }
    Point3 DUVW(int) override { return extent; }
    void ScreenUV(Point2& uv, Point2& duv) override {
        uv = Point2(p.x, p.y);
        duv = Point2(extent.x, extent.y);
    }
    Point3 PointTo(const Point3& q, RefFrame) override { return q; }
    Point3 PointFrom(const Point3& q, RefFrame) override { return q; }
    Point3 VectorTo(const Point3& v, RefFrame) override { return v; }
    Point3 VectorFrom(const Point3& v, RefFrame) override { return v; }
    BOOL GetCache(Texmap* map, AColor& c) override {
        if (!map || map != cached) return FALSE;
        c = cache;
        return TRUE;
    }
    void PutCache(Texmap* map, const AColor& c) override {
        cached = map;
        cache = c;
    }

    Point3 p, dx, dy, extent;
    INode* node = nullptr;
    Texmap* cached = nullptr;
    AColor cache;
};

struct Options {
    bool filtered = false;
    int output = 0;  // 0 colour, 1 mono, 2 bump
    int mtl = 0;
    bool hasNode = false;
    ULONG node = 0;
};

std::vector<float> Numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<float> v;
    for (float x; in >> x;) v.push_back(x);
    return v;
}

void DeleteMap(Texmap* map) {
    if (map) map->DeleteThis();
}

// A fresh map set up by the options of an `args:` line.
Texmap* NewMap(ClassDesc* cd, const std::string& args, Options& options) {
    auto* map = static_cast<Texmap*>(cd->Create(FALSE));
    if (!CHECK_DETAIL(map != nullptr, args)) return nullptr;
    std::istringstream in(args);
    options = Options();
    for (std::string word; in >> word;) {
        std::string value;
        if (word == "--filtered") {
            options.filtered = true;
        } else if (word == "--output" && in >> value) {
            options.output = value == "mono" ? 1 : value == "bump" ? 2 : 0;
        } else if (word == "--mtl" && in >> value) {
            options.mtl = std::atoi(value.c_str());
        } else if (word == "--node" && in >> value) {
            options.hasNode = true;
            options.node = static_cast<ULONG>(std::atol(value.c_str()));
        } else if (word == "--set" && in >> value) {
            const size_t eq = value.find('=');
            CHECK_DETAIL(eq != std::string::npos &&
                             SetParameter(map, value.substr(0, eq), value.substr(eq + 1)),
                         value);
        } else {
            CHECK_DETAIL(false, "unknown eval option " + word);
        }
    }
    UpdateMap(map);
    return map;
}

}  // namespace

void CheckEvaluation(ClassDesc* cd, const std::wstring& referenceFile) {
    std::ifstream file(referenceFile.c_str());
    if (!CHECK_DETAIL(file.good(), "cannot read " + Utf8(referenceFile))) return;
    Texmap* map = nullptr;
    Options options;
    int samples = 0, agreeing = 0;
    double worst = 0.0;
    std::string worstLine;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("args:", 0) == 0) {
            DeleteMap(map);
            map = NewMap(cd, line.substr(5), options);
            continue;
        }
        const size_t arrow = line.find("=>");
        if (!map || arrow == std::string::npos) continue;
        const std::vector<float> in = Numbers(line.substr(0, arrow));
        const std::vector<float> expected = Numbers(line.substr(arrow + 2));
        if (in.size() != 3 && in.size() != 9) continue;
        INode node(options.node);
        EvalShadeContext sc;
        sc.p = Point3(in[0], in[1], in[2]);
        if (in.size() == 9) {
            sc.dx = Point3(in[3], in[4], in[5]);
            sc.dy = Point3(in[6], in[7], in[8]);
        }
        sc.extent =
            Point3(std::fabs(sc.dx.x) + std::fabs(sc.dy.x), std::fabs(sc.dx.y) + std::fabs(sc.dy.y),
                   std::fabs(sc.dx.z) + std::fabs(sc.dy.z));
        sc.node = options.hasNode ? &node : nullptr;
        sc.mtlNum = options.mtl;
        sc.filterMaps = options.filtered ? TRUE : FALSE;
        std::vector<float> got;
        if (options.output == 0) {
            const AColor c = map->EvalColor(sc);
            got = {c.r, c.g, c.b, c.a};
        } else if (options.output == 1) {
            got = {map->EvalMono(sc)};
        } else {
            const Point3 n = map->EvalNormalPerturb(sc);
            got = {n.x, n.y, n.z};
        }
        ++samples;
        bool ok = got.size() == expected.size();
        for (size_t k = 0; ok && k < got.size(); ++k) {
            const double d = std::fabs(static_cast<double>(got[k]) - expected[k]);
            const double allowed = kTolerance * std::fmax(1.0, std::fabs(expected[k]));
            if (d > worst) {
                worst = d;
                worstLine = line;
            }
            ok = d <= allowed;
        }
        char detail[160];
        std::snprintf(detail, sizeof detail, " got %.9g %.9g %.9g", got.empty() ? 0.0 : got[0],
                      got.size() > 1 ? got[1] : 0.0, got.size() > 2 ? got[2] : 0.0);
        if (CHECK_DETAIL(ok, line + detail)) ++agreeing;
    }
    DeleteMap(map);
    CHECK_DETAIL(samples > 0, "no samples in " + Utf8(referenceFile));
    std::printf("eval: %d of %d samples agree with the Linux build; largest difference %.3g%s%s\n",
                agreeing, samples, worst, worstLine.empty() ? "" : " at ", worstLine.c_str());
}
