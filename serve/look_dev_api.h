// The look-dev page's API, apart from HTTP: each call takes a request's JSON body (or an
// upload's bytes) and returns the reply. Every value goes through the tool's own checks; what
// they refuse comes back as status 400 with the tool's message. Nothing here reads or writes
// the server's disk: images come only from uploads, which are held in memory.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <max.h>
#include "tool/images/image.h"

struct ServeLimits {
    std::size_t maxBody = std::size_t{1} << 20;     // JSON request bodies
    std::size_t maxUpload = std::size_t{16} << 20;  // an uploaded image file
    int maxUploadSide = 4096;                       // an uploaded image's width and height
    int maxPreviewSide = 1024;
    int maxPreviewSamples = 4;
    int maxBakeSide = 4096;
    int renders = 2;  // previews computed at once (a stale one is cancelled, not queued)
    int bakes = 1;    // bakes at once; another is refused (429) while they run
    std::size_t tabs = 64;
    std::size_t uploadsPerTab = 8;
};

struct ApiReply {
    int status = 200;
    std::string type = "application/json";
    std::string body;
    std::string fileName;  // offered as a download when set
};

class LookDevApi {
public:
    // `startPreset` is the text of the preset to start from ("" for a new map's settings),
    // which messages call `startName`. Throws ToolError when it is refused.
    // `library`: the bundled presets, (name, text), each checked here as well.
    LookDevApi(ClassDesc* cd, const std::string& startPreset, ServeLimits limits = {},
               const std::string& startName = "start",
               std::vector<std::pair<std::string, std::string>> library = {});
    ~LookDevApi();
    LookDevApi(const LookDevApi&) = delete;
    LookDevApi& operator=(const LookDevApi&) = delete;

    const ServeLimits& Limits() const { return limits_; }

    // GET /api/params: {"params": the array `params --json` prints, "reset": a new map's
    // settings and "start": the starting ones (both as presets), "shapes", "outputs",
    // "limits"}.
    ApiReply Describe() const;
    // POST /api/render {tab, serial, settings, shape, res, samples, refine, bump, tileable,
    // output, extent, depth, normalY, filtered}: a PNG. The flat shape is the bake's square,
    // with the bake's options; it shows any output but bump, as an 8-bit bake stores it. A
    // newer render of the same tab cancels this one (status 409): newer by its serial, which
    // the page raises with each render, else by arrival.
    ApiReply Render(std::string_view body);
    // POST /api/bake {tab, job, settings, res, output, format, bits, samples, extent, depth,
    // normalY, normalStrength, filtered, tileable}: the file `bake` writes, as a download. Progress
    // and cancellation through the job's name.
    ApiReply Bake(std::string_view body);
    // GET /api/progress?job=NAME: {"done": rows, "total": rows}, or 404 when none runs.
    ApiReply JobProgress(const std::string& job) const;
    // POST /api/cancel {job}
    ApiReply Cancel(std::string_view body);
    // POST /api/preset {tab, settings}: the settings as the preset file --save-preset writes.
    ApiReply Preset(std::string_view body);
    // POST /api/check {tab, settings, flat}: {"warnings": [sentences]} for settings the tool
    // takes (what would change nothing, or leave the map empty or flat; `flat`: for the bake's
    // square), as the command line warns of them, or the refusal a render
    // would give; a refused value names its parameter: {"error", "param": {block, name,
    // accepted, slot}}, as every call's refusal of a value does.
    ApiReply Check(std::string_view body);
    // POST /api/upload?tab=T&name=N with a PNG's bytes: kept for the tab under the file name,
    // which the settings' "maps" then name.
    ApiReply Upload(const std::string& tab, const std::string& name, std::string_view bytes);

    // GET /api/library: {"presets": [{"name", "about"}]}, the bundled presets by name.
    ApiReply Library() const;
    // GET /api/library/preset?name=NAME: the bundled preset's file.
    ApiReply LibraryPreset(const std::string& name) const;
    // GET /api/library/thumbnail?name=NAME: a small preview of it (a PNG), made on first use.
    ApiReply LibraryThumbnail(const std::string& name);

    // Ends every render and bake in progress (each replies 503); for shutting down.
    void StopAll();

private:
    struct Tab;
    struct Job;
    std::shared_ptr<Tab> FindTab(const std::string& name, bool create);

    ClassDesc* cd_;
    ServeLimits limits_;
    std::string startPreset_;  // the starting settings as a preset file's text
    std::string description_;
    struct LibraryEntry {
        std::string name, text, about, thumbnail;  // thumbnail: the PNG, once made
    };
    std::vector<LibraryEntry> library_;
    std::mutex libraryMutex_;  // guards the thumbnails

    std::mutex tabsMutex_;
    std::map<std::string, std::shared_ptr<Tab>> tabs_;
    mutable std::mutex jobsMutex_;
    std::map<std::string, std::shared_ptr<Job>> jobs_;
    std::counting_semaphore<64> renderSlots_;
    std::counting_semaphore<64> bakeSlots_;
    std::atomic<bool> stopping_{false};
};
