#include "serve/look_dev_api.h"

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "tool/base/nearest_names.h"
#include "tool/base/progress.h"
#include "tool/base/tool_error.h"
#include "tool/base/wide_text.h"
#include "tool/images/image_read.h"
#include "tool/images/image_write.h"
#include "tool/images/resolution.h"
#include "tool/params/param_json.h"
#include "tool/params/parameters.h"
#include "tool/sampling/bake.h"
#include "tool/sampling/bake_files.h"
#include "tool/sampling/render.h"
#include "tool/setup/map_settings.h"
#include "tool/setup/no_effect.h"
#include "tool/setup/param_info.h"
#include "tool/setup/preset.h"
#include "tool/setup/seed_shift.h"

using json = nlohmann::ordered_json;

namespace {

// The library's thumbnails, pixels a side.
constexpr int kThumbnailSide = 112;

// Choices of the preview and the bake, by the names the command line uses.
const std::pair<const char*, PreviewShape> kShapes[] = {
    {"sphere", PreviewShape::Sphere}, {"plane", PreviewShape::Plane}, {"cube", PreviewShape::Cube}};
constexpr const char* kFlat = "flat";  // the bake's square, as the preview
const auto& kOutputs = kBakeOutputs;
// The flat preview shows the layer index (0 to 7, as a bake stores it) as grey steps instead,
// index / 7: as stored, it would be all but black.
constexpr float kLayerPreviewScale = 1.0f / 7.0f;
// The bake's file formats, with the type each download is sent as.
constexpr std::pair<const char*, const char*> kFormatTypes[] = {{"png", "image/png"},
                                                                {"exr", "image/x-exr"},
                                                                {"tif", "image/tiff"},
                                                                {"tx", "image/tiff"},
                                                                {"jpg", "image/jpeg"}};
const std::vector<std::string> kFormats = [] {
    std::vector<std::string> names;
    for (const auto& [name, type] : kFormatTypes) names.push_back(name);
    return names;
}();
// The sub-map images an upload may be, by extension.
constexpr const char* kUploadExtensions[] = {".png", ".exr",  ".tif", ".tiff",
                                             ".jpg", ".jpeg", ".tga", ".psd"};

// Creating, changing and releasing the host's objects happens one request at a time; the
// finished maps are then evaluated concurrently, which they allow.
std::mutex hostMutex;

// Why a render or bake stopped early.
struct Superseded {};
struct Cancelled {};
struct ShuttingDown {};

using Uploads = std::map<std::string, std::shared_ptr<const Image>>;

ApiReply JsonReply(int status, const json& j) {
    return {status, "application/json", j.dump(-1, ' ', false, json::error_handler_t::replace), {}};
}

ApiReply ErrorReply(int status, const std::string& message) {
    return JsonReply(status, json{{"error", message}});
}

// Gives back, when it goes, a slot taken from one of the bounded pools of renders and bakes.
struct SlotLease {
    std::counting_semaphore<64>& slots;
    ~SlotLease() { slots.release(); }
};

// A refused value names its parameter for the page, which marks it at its control.
ApiReply ParamErrorReply(const ParamError& e) {
    json param = {{"block", e.block}, {"name", e.name}, {"accepted", e.accepted}};
    if (!e.slot.empty()) param["slot"] = e.slot;
    return JsonReply(400, json{{"error", e.what()}, {"param", param}});
}

json ParseBody(std::string_view body) {
    try {
        json j = ParseJsonText(body);
        if (!j.is_object()) throw ToolError("the request must be a JSON object");
        return j;
    } catch (const json::exception& e) {
        throw ToolError(std::string("the request is not JSON: ") + e.what());
    }
}

// A request names only the fields its call reads: a misspelt one ("sampels") would otherwise be
// dropped and its default used in silence.
void CheckFields(const json& request, const std::vector<std::string>& known) {
    for (const auto& [key, value] : request.items()) {
        if (std::find(known.begin(), known.end(), key) == known.end()) {
            throw ToolError("unknown field '" + key + "': nearest known fields are " +
                            JoinAlternatives(NearestNames(key, known)));
        }
    }
}

// Names the page makes up for tabs and jobs: short and plain, so they are safe as keys.
bool IsPlainName(const std::string& s) {
    if (s.empty() || s.size() > 64) return false;
    return std::all_of(s.begin(), s.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '-' || c == '_'; });
}

std::string NameField(const json& j, const char* key) {
    const auto it = j.find(key);
    if (it == j.end() || !it->is_string() || !IsPlainName(it->get<std::string>())) {
        throw ToolError(std::string(key) + ": give 1 to 64 letters, digits, '-' or '_'");
    }
    return it->get<std::string>();
}

std::string ChoiceField(const json& j, const char* key, const std::vector<std::string>& names,
                        const std::string& fallback) {
    const auto it = j.find(key);
    if (it == j.end()) return fallback;
    // Without regard to case, as the command line matches names.
    for (const std::string& n : names) {
        if (it->is_string() && SameName(it->get<std::string>(), n)) return n;
    }
    std::string list;
    for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
    throw ToolError(std::string(key) + " = " + it->dump() + ": use one of " + list);
}

int IntField(const json& j, const char* key, int low, int high, int fallback) {
    const auto it = j.find(key);
    if (it == j.end()) return fallback;
    if (it->is_number_integer()) {
        const long long v = it->get<long long>();
        if (v >= low && v <= high) return static_cast<int>(v);
    }
    throw ToolError(std::string(key) + " = " + it->dump() + ": give a whole number from " +
                    std::to_string(low) + " to " + std::to_string(high));
}

float FloatField(const json& j, const char* key, float low, float high, float fallback) {
    const auto it = j.find(key);
    if (it == j.end()) return fallback;
    if (it->is_number()) {
        const double v = it->get<double>();
        if (std::isfinite(v) && v >= low && v <= high) return static_cast<float>(v);
    }
    throw ToolError(std::string(key) + " = " + it->dump() + ": give a number from " +
                    FormatFloat(low) + " to " + FormatFloat(high));
}

bool BoolField(const json& j, const char* key, bool fallback) {
    const auto it = j.find(key);
    if (it == j.end()) return fallback;
    if (!it->is_boolean()) throw ToolError(std::string(key) + ": give true or false");
    return it->get<bool>();
}

// "N", "WxH" or a number, read as --res reads it; then held to the server's bound.
void ResolutionField(const json& j, int maxSide, int& width, int& height) {
    const auto it = j.find("res");
    if (it == j.end()) {
        width = height = std::min(1024, maxSide);
        return;
    }
    std::string text;
    if (it->is_number_integer()) {
        text = it->dump();
    } else if (it->is_string()) {
        text = it->get<std::string>();
    } else {
        throw ToolError("res: give N (for N x N) or WxH");
    }
    ParseResolution(text, width, height);
    if (width > maxSide || height > maxSide) {
        throw ToolError("--res " + text + ": this server bakes at most " + std::to_string(maxSide) +
                        " x " + std::to_string(maxSide));
    }
}

// The options of the bake's square that the flat preview shares with the bake: extent, depth,
// normal convention and filtering, with the command line's ranges.
void ReadSquareOptions(const json& request, BakeOptions& options) {
    options.extent = FloatField(request, "extent", kMinBakeExtent, kMaxBakeExtent, options.extent);
    options.depth = FloatField(request, "depth", 0.0f, kMaxBakeDepth, options.depth);
    options.normalY =
        ChoiceField(request, "normalY", {"up", "down"}, "up") == "up" ? NormalY::Up : NormalY::Down;
    options.filtered = BoolField(request, "filtered", options.filtered);
}

// A preset's text as JSON, read as the command line reads a preset file (a key given twice is
// refused): an error is a ToolError naming the preset.
json ParsePreset(const std::string& text, const std::string& what) {
    try {
        return ParseJsonText(text);
    } catch (const json::exception& e) {
        throw ToolError("cannot read " + what + ": " + e.what());
    } catch (const ToolError& e) {
        throw ToolError(what + ": " + e.what());
    }
}

// The map the request's settings describe, in the preset's form; "maps" name other scratches
// maps or the tab's uploaded images, never a file. Messages name the parameter, after
// `preset`'s name when the settings come from a preset file. Throws ToolError (ParamError for
// a refused value).
ConfiguredMap BuildMap(ClassDesc* cd, const json& settings, const Uploads& uploads, TimeValue t,
                       const std::string& preset = {}) {
    const std::string from = preset.empty() ? "settings: " : "preset '" + preset + "': ";
    if (!settings.is_object()) {
        throw ToolError(from + "expected a JSON object of blocks, as a preset holds");
    }
    json values = settings;
    json maps = json::object();
    if (const auto it = values.find("maps"); it != values.end()) {
        maps = *it;
        values.erase(it);
        if (!maps.is_object()) throw ToolError(from + "'maps' must be a JSON object of slots");
    }
    ConfiguredMap result{CreateMap(cd), {}};
    Texmap* map = result.map.get();
    LoadPresetText(values.dump(), preset, {}, map, cd, t, result.sources, &result.seed);
    const std::string in = preset.empty() ? "" : from;
    for (const auto& [slot, j] : maps.items()) {
        if (!j.is_string()) {
            throw ToolError(in + "maps." + slot +
                            " must be a string: scratches:NAME=VALUE,... or an uploaded image");
        }
        const std::string source = j.get<std::string>();
        if (source.rfind(kScratchesPrefix, 0) == 0) {
            try {
                ApplyMapSource(map, cd, slot, source, {}, t, result.sources);
            } catch (const ToolError& e) {
                // Said as the page's settings hold it, not as a --map option.
                std::string what = e.what();
                const std::string option = "--map " + slot + "=" + source + ": ";
                if (what.rfind(option, 0) == 0) what = what.substr(option.size());
                RethrowAs(e, in + "maps." + slot + " (a scratches map): " + what, slot);
            }
            continue;
        }
        const auto image = uploads.find(source);
        if (image == uploads.end()) {
            throw ToolError(in + "maps." + slot + ": '" + source +
                            "' is not an uploaded image: upload it on the page (this server "
                            "reads no files)");
        }
        ApplyMapImage(map, slot, *image->second, source, t, result.sources);
    }
    return result;
}

// A configured map that is built, updated and released under the host lock.
class LockedMap {
public:
    LockedMap(ClassDesc* cd, const json& settings, const Uploads& uploads, TimeValue t) {
        const std::lock_guard lock(hostMutex);
        configured_ = BuildMap(cd, settings, uploads, t);
        Interval valid = FOREVER;
        configured_.map->Update(t, valid);
    }
    ~LockedMap() {
        const std::lock_guard lock(hostMutex);
        configured_.map.reset();
    }
    LockedMap(const LockedMap&) = delete;
    LockedMap& operator=(const LockedMap&) = delete;

    Texmap* get() const { return configured_.map.get(); }
    const MapSources& Sources() const { return configured_.sources; }
    // The pattern shift of the settings' seed (seed_shift.h), in object units.
    Point3 Shift() const { return SeedShift(configured_.seed); }
    std::uint32_t Seed() const { return configured_.seed; }

private:
    ConfiguredMap configured_;
};

// A folder only this process can enter, removed with everything in it.
class PrivateFolder {
public:
    PrivateFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorv-serve-XXXXXX");
        if (!mkdtemp(pattern.data())) {
            throw ToolError("cannot make a temporary folder for the bake in " +
                            std::filesystem::temp_directory_path().string() + ": " +
                            std::strerror(errno));
        }
        path_ = pattern;
    }
    ~PrivateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Collects a bake's rows into an image.
class ImageCollector final : public ImageWriter {
public:
    explicit ImageCollector(Image& image) : image_(image) {}
    void WriteRows(const float* rows, int count) override {
        std::copy(rows, rows + image_.RowLength() * count, image_.Row(next_));
        next_ += count;
    }
    void Finish() override {}

private:
    Image& image_;
    int next_ = 0;
};

// `color` sRGB-encodes linear values for display; otherwise the values are kept as they are
// (data, or a preview that is display-encoded already).
std::string EncodePng(const Image& image, bool color) {
    ImageEncoding encoding;
    encoding.color = color;
    return EncodeImage(image, encoding);
}

TimeValue SettingsTime() {
    return GetCOREInterface()->GetTime();
}

template <typename Fn>
ApiReply Guarded(Fn&& fn) {
    try {
        return fn();
    } catch (const ParamError& e) {
        return ParamErrorReply(e);
    } catch (const ToolError& e) {
        return ErrorReply(400, e.what());
    } catch (const Superseded&) {
        return ErrorReply(409, "superseded by a newer render of the same tab");
    } catch (const Cancelled&) {
        return ErrorReply(409, "cancelled");
    } catch (const ShuttingDown&) {
        return ErrorReply(503, "the server is stopping");
    } catch (const std::bad_alloc&) {
        return ErrorReply(503, "out of memory");
    }
}

}  // namespace

struct LookDevApi::Tab {
    std::atomic<std::uint64_t> previewGeneration{0};
    std::uint64_t lastUse = 0;  // guarded by tabsMutex_
    std::mutex mutex;           // guards uploads
    Uploads uploads;

    Uploads Snapshot() {
        const std::lock_guard lock(mutex);
        return uploads;
    }
};

struct LookDevApi::Job {
    std::atomic<std::uint64_t> done{0};
    std::uint64_t total = 0;
    std::atomic<bool> cancel{false};
};

LookDevApi::LookDevApi(ClassDesc* cd, const std::string& startPreset, ServeLimits limits,
                       const std::string& startName,
                       std::vector<std::pair<std::string, std::string>> library)
    : cd_(cd), limits_(limits), renderSlots_(limits.renders), bakeSlots_(limits.bakes) {
    const std::lock_guard lock(hostMutex);
    const TimeValue t = SettingsTime();
    ConfiguredMap fresh{CreateMap(cd_), {}};
    const std::string reset = PresetText(fresh.map.get(), {}, t);
    if (startPreset.empty()) {
        startPreset_ = reset;
    } else {
        // Checked as the page's requests will be: images only by upload, so none yet.
        const ConfiguredMap start =
            BuildMap(cd_, ParsePreset(startPreset, "preset '" + startName + "'"), {}, t, startName);
        startPreset_ = PresetText(start.map.get(), start.sources, t);
    }

    for (auto& [name, text] : library) {
        // Refused here, not on the page.
        BuildMap(cd_, ParsePreset(text, "bundled preset '" + name + "'"), {}, t, name);
        std::string about = PresetAbout(text);
        library_.push_back({name, std::move(text), std::move(about), {}});
    }

    // The tool's own parameter description, as `params --json` prints it.
    const json params = json::parse(ParamsJson(DescribeParameters(cd_), -1));
    json shapes = json::array();
    for (const auto& [name, shape] : kShapes) shapes.push_back(name);
    shapes.push_back(kFlat);
    json outputs = json::array();
    for (BakeOutput output : kOutputs) outputs.push_back(BakeOutputName(output));
    description_ = json{{"params", params},
                        {"reset", json::parse(reset)},
                        {"start", json::parse(startPreset_)},
                        {"shapes", shapes},
                        {"outputs", outputs},
                        {"formats", kFormats},
                        {"limits",
                         {{"maxPreviewSide", limits_.maxPreviewSide},
                          {"maxPreviewSamples", limits_.maxPreviewSamples},
                          {"maxBakeSide", limits_.maxBakeSide},
                          {"maxUpload", limits_.maxUpload}}}}
                       .dump();
    fresh.map.reset();
}

LookDevApi::~LookDevApi() = default;

void LookDevApi::StopAll() {
    stopping_ = true;
}

std::shared_ptr<LookDevApi::Tab> LookDevApi::FindTab(const std::string& name, bool create) {
    static std::atomic<std::uint64_t> clock{0};
    const std::lock_guard lock(tabsMutex_);
    auto it = tabs_.find(name);
    if (it == tabs_.end()) {
        if (!create) return nullptr;
        // The tab unused for longest makes way; its next request starts it afresh.
        if (tabs_.size() >= limits_.tabs) {
            tabs_.erase(std::min_element(tabs_.begin(), tabs_.end(), [](auto& a, auto& b) {
                return a.second->lastUse < b.second->lastUse;
            }));
        }
        it = tabs_.emplace(name, std::make_shared<Tab>()).first;
    }
    it->second->lastUse = ++clock;
    return it->second;
}

ApiReply LookDevApi::Describe() const {
    return {200, "application/json", description_, {}};
}

ApiReply LookDevApi::Render(std::string_view body) {
    return Guarded([&] {
        const json request = ParseBody(body);
        CheckFields(request,
                    {"tab", "settings", "shape", "res", "samples", "bump", "refine", "tileable",
                     "output", "extent", "depth", "normalY", "filtered", "serial"});
        const std::shared_ptr<Tab> tab = FindTab(NameField(request, "tab"), true);
        std::vector<std::string> shapes;
        for (const auto& [name, shape] : kShapes) shapes.push_back(name);
        shapes.push_back(kFlat);
        const std::string shape = ChoiceField(request, "shape", shapes, "sphere");
        RenderOptions options;
        options.width = options.height = IntField(request, "res", 16, limits_.maxPreviewSide, 512);
        options.samples = IntField(request, "samples", 1, limits_.maxPreviewSamples, 3);
        options.bump = FloatField(request, "bump", 0.0f, 100.0f, options.bump);
        options.refine = BoolField(request, "refine", options.refine);
        for (const auto& [name, s] : kShapes) {
            if (shape == name) options.shape = s;
        }
        const bool tileable = BoolField(request, "tileable", false);
        // The flat preview is a bake of the square: any output an 8-bit PNG holds, with the
        // Bake panel's options.
        std::vector<std::string> outputNames;
        for (BakeOutput o : kOutputs) {
            if (o != BakeOutput::Bump) outputNames.push_back(BakeOutputName(o));
        }
        const std::string output = ChoiceField(request, "output", outputNames, "color");
        if (output != "color" && shape != kFlat) {
            throw ToolError("output = \"" + output +
                            "\": only the flat preview (the bake's square) shows it");
        }
        BakeOptions bake;
        bake.width = bake.height = options.width;
        bake.samples = options.samples;
        bake.tileable = tileable;
        for (BakeOutput o : kOutputs) {
            if (output == BakeOutputName(o)) bake.outputs = {o};
        }
        ReadSquareOptions(request, bake);
        const json settings = request.value("settings", json::object());

        // This render makes every earlier one of the tab stale: they stop at their next row.
        // A page numbers its renders ("serial", rising): requests can reach the server out of
        // order, and one older than the newest seen is stale on arrival. Without a number, the
        // order of arrival decides.
        std::uint64_t generation = 0;
        if (request.contains("serial")) {
            const auto it = request.find("serial");
            if (!it->is_number_unsigned() || it->get<std::uint64_t>() == 0 ||
                it->get<std::uint64_t>() > (std::uint64_t{1} << 53)) {
                throw ToolError(
                    "serial: give a whole number from 1 to 2^53, rising with each render");
            }
            generation = it->get<std::uint64_t>();
            std::uint64_t seen = tab->previewGeneration.load();
            do {
                if (generation <= seen) throw Superseded{};
            } while (!tab->previewGeneration.compare_exchange_weak(seen, generation));
        } else {
            generation = ++tab->previewGeneration;
        }
        const auto check = [&] {
            if (stopping_) throw ShuttingDown{};
            if (tab->previewGeneration.load() != generation) throw Superseded{};
        };
        while (!renderSlots_.try_acquire_for(std::chrono::milliseconds(20))) check();
        const SlotLease lease{renderSlots_};
        check();

        const LockedMap map(cd_, settings, tab->Snapshot(), SettingsTime());
        Progress progress("render", static_cast<std::uint64_t>(options.height), true);
        progress.Observe([&](std::uint64_t, std::uint64_t) { check(); });
        Image image;
        if (shape == kFlat) {
            bake.shift = map.Shift() / bake.extent;
            AllocateImage(image, bake.width, bake.height, BakeChannels(bake.outputs));
            ImageCollector collector(image);
            std::optional<BakeTiling> tiling;
            {
                const std::lock_guard lock(hostMutex);
                tiling.emplace(map.get(), bake);
            }
            BakeMap(map.get(), bake, progress, collector);
            if (output == "layer")
                for (float& v : image.pixels) v *= kLayerPreviewScale;
        } else {
            options.shiftP = map.Shift();
            options.shiftUVW = map.Shift() / kSeedUVWScale;
            image = RenderPreview(map.get(), options, progress);
        }
        // Colour sRGB-encoded as a colour bake is; the data outputs as the bake stores them
        // (linear values, shown as they are); the objects' preview is display-encoded already.
        const bool color = shape == kFlat && output == "color";
        return ApiReply{200, "image/png", EncodePng(image, color), {}};
    });
}

ApiReply LookDevApi::Bake(std::string_view body) {
    return Guarded([&] {
        const json request = ParseBody(body);
        CheckFields(request,
                    {"tab", "job", "settings", "res", "output", "format", "bits", "samples",
                     "extent", "depth", "normalY", "normalStrength", "filtered", "tileable"});
        const std::string jobName = NameField(request, "job");
        std::shared_ptr<Tab> tab;
        if (request.contains("tab")) tab = FindTab(NameField(request, "tab"), true);
        BakeOptions options;
        ResolutionField(request, limits_.maxBakeSide, options.width, options.height);
        std::vector<std::string> outputNames;
        for (BakeOutput output : kOutputs) outputNames.push_back(BakeOutputName(output));
        const std::string output = ChoiceField(request, "output", outputNames, "color");
        for (BakeOutput o : kOutputs) {
            if (output == BakeOutputName(o)) options.outputs = {o};
        }
        const std::string format = ChoiceField(request, "format", kFormats, "png");
        BakeEncoding encoding;
        encoding.bits = IntField(request, "bits", 0, 32, 0);
        encoding.tileable = BoolField(request, "tileable", false);
        options.samples = IntField(request, "samples", 1, 16, options.samples);
        ReadSquareOptions(request, options);
        options.bumpNormalStrength = FloatField(request, "normalStrength", 0.0f,
                                                kMaxBumpNormalStrength, options.bumpNormalStrength);
        options.tileable = BoolField(request, "tileable", false);
        const json settings = request.value("settings", json::object());
        // The command line's own checks, for the file the bake will write.
        const std::string fileName = "scratches-" + output + "." + format;
        CheckBakeOptions(options);
        CheckBakeFiles({fileName}, options.outputs, encoding);

        if (!bakeSlots_.try_acquire()) {
            return ErrorReply(429, "another bake is running: wait for it or cancel it");
        }
        const SlotLease lease{bakeSlots_};
        const auto job = std::make_shared<Job>();
        job->total = static_cast<std::uint64_t>(options.height);
        {
            const std::lock_guard lock(jobsMutex_);
            if (!jobs_.emplace(jobName, job).second) {
                return ErrorReply(409, "job '" + jobName + "' is already running");
            }
        }
        struct Forget {
            LookDevApi& api;
            const std::string& name;
            ~Forget() {
                const std::lock_guard lock(api.jobsMutex_);
                api.jobs_.erase(name);
            }
        } forget{*this, jobName};

        const LockedMap map(cd_, settings, tab ? tab->Snapshot() : Uploads{}, SettingsTime());
        Progress progress("bake", job->total, true);
        progress.Observe([&](std::uint64_t done, std::uint64_t) {
            // Several workers report at once; the page's bar only ever moves forward.
            std::uint64_t seen = job->done.load();
            while (seen < done && !job->done.compare_exchange_weak(seen, done)) {
            }
            if (stopping_) throw ShuttingDown{};
            if (job->cancel) throw Cancelled{};
        });
        options.shift = map.Shift() / options.extent;
        std::optional<BakeTiling> tiling;
        {
            const std::lock_guard lock(hostMutex);
            tiling.emplace(map.get(), options);
        }
        // The very files `bake` writes, made by the same code in a folder of the server's own,
        // then handed over and removed.
        const PrivateFolder folder;
        OutputFile file((folder.Path() / fileName).string());
        WriteBakeFiles({&file}, options.outputs, options.width, options.height, encoding,
                       [&](ImageWriter& out) { BakeMap(map.get(), options, progress, out); });
        std::ifstream in(file.Path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        // A failed read-back must not be handed over as a short file.
        if (!in || !bytes) {
            throw ToolError("cannot read back the baked " + file.Path() + ": " +
                            std::strerror(errno));
        }
        const auto type = std::find_if(std::begin(kFormatTypes), std::end(kFormatTypes),
                                       [&](const auto& f) { return format == f.first; });
        return ApiReply{200, type->second, bytes.str(), fileName};
    });
}

ApiReply LookDevApi::Library() const {
    json presets = json::array();
    for (const LibraryEntry& e : library_)
        presets.push_back({{"name", e.name}, {"about", e.about}});
    return JsonReply(200, json{{"presets", presets}});
}

ApiReply LookDevApi::LibraryPreset(const std::string& name) const {
    for (const LibraryEntry& e : library_) {
        if (e.name == name) return {200, "application/json", e.text, {}};
    }
    return ErrorReply(404, "no bundled preset '" + name + "'");
}

ApiReply LookDevApi::LibraryThumbnail(const std::string& name) {
    return Guarded([&] {
        LibraryEntry* entry = nullptr;
        for (LibraryEntry& e : library_) {
            if (e.name == name) entry = &e;
        }
        if (!entry) return ErrorReply(404, "no bundled preset '" + name + "'");
        {
            const std::lock_guard lock(libraryMutex_);
            if (!entry->thumbnail.empty()) return ApiReply{200, "image/png", entry->thumbnail, {}};
        }
        while (!renderSlots_.try_acquire_for(std::chrono::milliseconds(20))) {
            if (stopping_) throw ShuttingDown{};
        }
        const SlotLease lease{renderSlots_};
        // The sphere as the page's preview draws it, small.
        const LockedMap map(cd_, json::parse(entry->text), {}, SettingsTime());
        RenderOptions options;
        options.width = options.height = kThumbnailSide;
        options.samples = 2;
        options.shiftP = map.Shift();
        options.shiftUVW = map.Shift() / kSeedUVWScale;
        Progress progress("thumbnail", static_cast<std::uint64_t>(options.height), true);
        progress.Observe([&](std::uint64_t, std::uint64_t) {
            if (stopping_) throw ShuttingDown{};
        });
        const std::string png = EncodePng(RenderPreview(map.get(), options, progress), false);
        const std::lock_guard lock(libraryMutex_);
        entry->thumbnail = png;
        return ApiReply{200, "image/png", png, {}};
    });
}

ApiReply LookDevApi::JobProgress(const std::string& name) const {
    const std::lock_guard lock(jobsMutex_);
    const auto it = jobs_.find(name);
    if (it == jobs_.end()) return ErrorReply(404, "no job '" + name + "' is running");
    return JsonReply(200, json{{"done", it->second->done.load()}, {"total", it->second->total}});
}

ApiReply LookDevApi::Cancel(std::string_view body) {
    return Guarded([&] {
        const json request = ParseBody(body);
        CheckFields(request, {"job"});
        const std::string name = NameField(request, "job");
        const std::lock_guard lock(jobsMutex_);
        const auto it = jobs_.find(name);
        if (it == jobs_.end()) return ErrorReply(404, "no job '" + name + "' is running");
        it->second->cancel = true;
        return JsonReply(200, json{{"cancelled", name}});
    });
}

ApiReply LookDevApi::Preset(std::string_view body) {
    return Guarded([&] {
        const json request = ParseBody(body);
        CheckFields(request, {"tab", "settings"});
        std::shared_ptr<Tab> tab;
        if (request.contains("tab")) tab = FindTab(NameField(request, "tab"), true);
        const json settings = request.value("settings", json::object());
        const TimeValue t = SettingsTime();
        const LockedMap map(cd_, settings, tab ? tab->Snapshot() : Uploads{}, t);
        std::string text;
        {
            const std::lock_guard lock(hostMutex);
            text = PresetText(map.get(), map.Sources(), t, map.Seed());
        }
        return ApiReply{200, "application/json", std::move(text), "quorv-scratches.json"};
    });
}

ApiReply LookDevApi::Check(std::string_view body) {
    return Guarded([&] {
        const json request = ParseBody(body);
        CheckFields(request, {"tab", "settings", "flat"});
        std::shared_ptr<Tab> tab;
        if (request.contains("tab")) tab = FindTab(NameField(request, "tab"), true);
        const json settings = request.value("settings", json::object());
        const TimeValue t = SettingsTime();
        const LockedMap map(cd_, settings, tab ? tab->Snapshot() : Uploads{}, t);
        NoEffectContext context;
        context.flatBake = BoolField(request, "flat", false);
        json warnings = json::array();
        {
            const std::lock_guard lock(hostMutex);
            for (const std::string& w : NoEffectWarnings(map.get(), t, context))
                warnings.push_back(w);
        }
        return JsonReply(200, json{{"warnings", warnings}});
    });
}

ApiReply LookDevApi::Upload(const std::string& tabName, const std::string& name,
                            std::string_view bytes) {
    return Guarded([&] {
        if (!IsPlainName(tabName)) throw ToolError("tab: give 1 to 64 letters, digits, '-' or '_'");
        // A file name only, as the page's file picker gives it: it names the upload, never a
        // place on disk.
        const bool plain = !name.empty() && name.size() <= 128 && name[0] != '.' &&
                           name.find_first_of("/\\:") == std::string::npos &&
                           std::none_of(name.begin(), name.end(),
                                        [](unsigned char c) { return c < 0x20 || c == 0x7F; });
        std::string ext = std::filesystem::path(name).extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!plain || std::find(std::begin(kUploadExtensions), std::end(kUploadExtensions), ext) ==
                          std::end(kUploadExtensions)) {
            throw ToolError(
                "name: give the image's file name, ending in .png, .exr, .tif, .tiff, .jpg, "
                ".jpeg, .tga or .psd");
        }
        if (bytes.size() > limits_.maxUpload) {
            return ErrorReply(413, "the image is larger than " +
                                       std::to_string(limits_.maxUpload >> 20) + " MiB");
        }
        auto image =
            std::make_shared<const Image>(ReadImageMemory(bytes, name, limits_.maxUploadSide));
        const std::shared_ptr<Tab> tab = FindTab(tabName, true);
        const std::lock_guard lock(tab->mutex);
        if (!tab->uploads.count(name) && tab->uploads.size() >= limits_.uploadsPerTab) {
            throw ToolError("at most " + std::to_string(limits_.uploadsPerTab) +
                            " images per tab: replace one of the same name");
        }
        tab->uploads[name] = image;
        return JsonReply(200,
                         json{{"name", name}, {"width", image->width}, {"height", image->height}});
    });
}
