#include "tool/setup/map_settings.h"

#include <cmath>
#include <cstring>

#include <bitmap_tex.h>

#include "tool/base/tool_error.h"
#include "tool/images/image_read.h"
#include "tool/images/image.h"
#include "tool/params/parameters.h"

namespace {

std::pair<std::string, std::string> SplitAssignment(const std::string& text, const char* what) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) {
        throw ToolError("'" + text + "' is not " + what);
    }
    return {text.substr(0, eq), text.substr(eq + 1)};
}

// "a=1,color1=0.1,0.2,0.3,b=2": a piece without '=' continues the previous value.
std::vector<std::string> SplitSettings(const std::string& list) {
    std::vector<std::string> out;
    std::string piece;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        piece = list.substr(start, comma - start);
        if (!out.empty() && piece.find('=') == std::string::npos) {
            out.back() += "," + piece;
        } else if (!piece.empty() || comma < list.size()) {
            out.push_back(piece);
        }
        start = comma + 1;
    }
    return out;
}

// The slots whose maps give colours; every other slot reads its map as data.
bool IsColorSlot(const std::string& slot) {
    return slot == "color1map" || slot == "color2map";
}

// Colour images are made linear when the file states an encoding (sRGB, or a gamma), or
// states none and has 8-bit channels, which texture tools take as sRGB; data images and
// other files are taken as they are stored.
void Linearise(Image& image) {
    if (image.transfer == ImageTransfer::Unstated && image.eightBit)
        image.transfer = ImageTransfer::Srgb;
    if (image.transfer != ImageTransfer::Srgb && image.transfer != ImageTransfer::Gamma) return;
    const int colorChannels = image.channels == 4 ? 3 : image.channels;
    const float inverse = static_cast<float>(1.0 / image.gamma);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        if (static_cast<int>(i % static_cast<std::size_t>(image.channels)) >= colorChannels)
            continue;
        float& v = image.pixels[i];
        v = image.transfer == ImageTransfer::Srgb ? SrgbDecode(v) : std::pow(v, inverse);
    }
    image.transfer = ImageTransfer::Linear;
}

TexmapPtr BitmapFromImage(Image image, bool color) {
    if (color) Linearise(image);
    std::vector<AColor> pixels(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const float* px = image.pixels.data() + i * image.channels;
        pixels[i] = image.channels == 1   ? AColor(px[0], px[0], px[0], 1.0f)
                    : image.channels == 3 ? AColor(px[0], px[1], px[2], 1.0f)
                                          : AColor(px[0], px[1], px[2], px[3]);
    }
    BitmapTex* bitmap = NewDefaultBitmapTex();
    TexmapPtr owned(bitmap);
    bitmap->SetImage(image.width, image.height, std::move(pixels));
    return owned;
}

// Puts `sub` into the slot and records what fills it.
void FillSlot(const ParamRef& param, TexmapPtr sub, const std::string& recorded, TimeValue t,
              MapSources& sources) {
    if (!param.block->SetValue(param.id, t, sub.get())) {
        throw ToolError("--map " + param.name + ": the map refused the sub-map");
    }
    // The slot's parameter now references the sub-map; the host owns it from here.
    sub.release();
    for (auto it = sources.begin(); it != sources.end();) {
        it = it->first == param.name ? sources.erase(it) : it + 1;
    }
    sources.emplace_back(param.name, recorded);
}

}  // namespace

void ApplySetting(Texmap* map, const std::string& assignment, TimeValue t) {
    const auto [name, text] = SplitAssignment(assignment, "NAME=VALUE");
    const ParamRef param = FindParameter(map, name);
    SetParamValue(param, ParseParamValue(param, text), t);
}

void ApplyMapSource(Texmap* map, ClassDesc* cd, const std::string& slot, const std::string& source,
                    const std::filesystem::path& base, TimeValue t, MapSources& sources) {
    const ParamRef param = FindMapSlot(map, slot);
    TexmapPtr sub;
    std::string recorded;
    if (source.rfind(kScratchesPrefix, 0) == 0) {
        sub = CreateMap(cd);
        for (const std::string& setting :
             SplitSettings(source.substr(std::strlen(kScratchesPrefix)))) {
            try {
                ApplySetting(sub.get(), setting, t);
            } catch (const ToolError& e) {
                RethrowAs(e, "--map " + slot + "=" + source + ": " + e.what(), slot);
            }
        }
        recorded = source;
    } else {
        if (source.empty()) {
            throw ToolError(
                "--map " + slot +
                "=: name an image file (.png, .exr, .tif, .jpg, ...) or scratches:NAME=VALUE,...");
        }
        std::filesystem::path file(source);
        if (file.is_relative()) file = base / file;
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::weakly_canonical(file, ec);
        recorded = (ec ? file : absolute).string();
        sub = BitmapFromImage(ReadImage(recorded), IsColorSlot(param.name));
    }
    FillSlot(param, std::move(sub), recorded, t, sources);
}

void ApplyMapImage(Texmap* map, const std::string& slot, const Image& image,
                   const std::string& recorded, TimeValue t, MapSources& sources) {
    const ParamRef param = FindMapSlot(map, slot);
    FillSlot(param, BitmapFromImage(image, IsColorSlot(param.name)), recorded, t, sources);
}

void ClearMapSlot(Texmap* map, const std::string& slot, TimeValue t, MapSources& sources) {
    const ParamRef param = FindMapSlot(map, slot);
    param.block->SetValue(param.id, t, static_cast<Texmap*>(nullptr));
    for (auto it = sources.begin(); it != sources.end();) {
        it = it->first == slot ? sources.erase(it) : it + 1;
    }
}

std::vector<std::pair<std::string, std::string>> ChangedSettings(Texmap* map, ClassDesc* cd,
                                                                 TimeValue t) {
    const TexmapPtr fresh = CreateMap(cd);
    const std::vector<ParamRef> params = MapParameters(map);
    const std::vector<ParamRef> defaults = MapParameters(fresh.get());
    std::vector<std::pair<std::string, std::string>> changed;
    for (std::size_t i = 0; i < params.size() && i < defaults.size(); ++i) {
        const ParamRef& p = params[i];
        if (p.kind == ValueKind::Map || p.kind == ValueKind::Other) continue;
        // The text reads back as the same value, so equal texts are equal values.
        const std::string value = FormatValue(GetParamValue(p, t));
        if (value != FormatValue(GetParamValue(defaults[i], t)))
            changed.emplace_back(p.name, value);
    }
    return changed;
}

std::string ScratchesSource(Texmap* map, ClassDesc* cd, TimeValue t) {
    for (const ParamRef& p : MapParameters(map)) {
        if (p.kind == ValueKind::Map && p.block->GetTexmap(p.id, t)) {
            throw ToolError("a sub-map cannot hold sub-maps of its own ('" + p.name +
                            "' is filled): a map source holds values only");
        }
    }
    std::string source = kScratchesPrefix;
    for (const auto& [name, value] : ChangedSettings(map, cd, t)) {
        if (source.size() > std::strlen(kScratchesPrefix)) source += ",";
        source += name + "=" + value;
    }
    return source;
}

void ApplyMapAssignment(Texmap* map, ClassDesc* cd, const std::string& assignment,
                        const std::filesystem::path& base, TimeValue t, MapSources& sources) {
    const auto [slot, source] = SplitAssignment(assignment, "SLOT=SOURCE");
    ApplyMapSource(map, cd, slot, source, base, t, sources);
}
