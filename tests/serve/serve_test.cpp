// `serve` without a browser: the server in-process on a free port, driven over HTTP. What it
// must refuse, and the renders of one tab against another.
#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <iterator>
#include <cmath>
#include <memory>
#include <set>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "serve/look_dev_server.h"
#include "tests/support/tool_runner.h"
#include "tool/base/tool_error.h"
#include "tool/images/image_read.h"
#include "tool/images/image_write.h"
#include "tool/module/plugin_module.h"

namespace {

const char* const kJson = "application/json";

class Serve : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = new PluginModule(QUORV_MODULE_DIR);
        ServeLimits limits;
        limits.maxBody = 64 << 10;
        limits.maxUpload = 256 << 10;
        limits.maxUploadSide = 32;
        api_ = new LookDevApi(module_->ScratchesClass(), "", limits);
        server_ = new LookDevServer(*api_);
        port_ = server_->Bind("127.0.0.1", 0);
        ASSERT_GT(port_, 0);
        thread_ = new std::thread([] { server_->Listen(); });
        // Listening starts on the thread: wait until it answers.
        for (int i = 0; i < 500 && !Client().Get("/api/params"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    static void TearDownTestSuite() {
        server_->Stop();
        thread_->join();
        delete thread_;
        delete server_;
        delete api_;
        delete module_;
    }
    static httplib::Client Client() {
        httplib::Client client("127.0.0.1", port_);
        // Sanitizer builds render many times slower than the library's 5 s default allows.
        client.set_read_timeout(std::chrono::minutes(5));
        return client;
    }
    static httplib::Result Post(const std::string& path, const std::string& body,
                                const char* type = kJson) {
        return Client().Post(path.c_str(), body, type);
    }

    static PluginModule* module_;
    static LookDevApi* api_;
    static LookDevServer* server_;
    static std::thread* thread_;
    static int port_;
};

PluginModule* Serve::module_ = nullptr;
LookDevApi* Serve::api_ = nullptr;
LookDevServer* Serve::server_ = nullptr;
std::thread* Serve::thread_ = nullptr;
int Serve::port_ = 0;

std::string SmallPng(int width, int height) {
    Image image;
    AllocateImage(image, width, height, 3);
    return EncodeImage(image, {});
}

TEST(ServeHost, OwnNamesOnly) {
    EXPECT_TRUE(IsOwnHost("127.0.0.1:8717", "127.0.0.1", 8717));
    EXPECT_TRUE(IsOwnHost("LOCALHOST:8717", "127.0.0.1", 8717));
    EXPECT_TRUE(IsOwnHost("[::1]:8717", "127.0.0.1", 8717));
    EXPECT_TRUE(IsOwnHost("studio-box:8717", "studio-box", 8717));
    // A name that could resolve anywhere (DNS rebinding), another port, no port, tricks.
    EXPECT_FALSE(IsOwnHost("evil.example:8717", "127.0.0.1", 8717));
    EXPECT_FALSE(IsOwnHost("127.0.0.1:8718", "127.0.0.1", 8717));
    EXPECT_FALSE(IsOwnHost("127.0.0.1", "127.0.0.1", 8717));
    EXPECT_FALSE(IsOwnHost(":8717", "127.0.0.1", 8717));
    EXPECT_FALSE(IsOwnHost("127.0.0.1.evil.example:8717", "127.0.0.1", 8717));
    EXPECT_FALSE(IsOwnHost("localhost.:8717", "127.0.0.1", 8717));
}

TEST_F(Serve, ForeignHostOriginAndSiteAreRefused) {
    httplib::Client client = Client();
    ASSERT_EQ(client.Get("/")->status, 200);
    EXPECT_EQ(client.Get("/", {{"Host", "evil.example:" + std::to_string(port_)}})->status, 403);
    // A page elsewhere posting here: its Origin gives it away, even with the right Host.
    const auto cross = client.Post("/api/render", {{"Origin", "http://evil.example"}},
                                   R"({"tab":"a","res":16})", kJson);
    EXPECT_EQ(cross->status, 403);
    EXPECT_EQ(client.Get("/api/params", {{"Sec-Fetch-Site", "cross-site"}})->status, 403);
    // A form can post text/plain without asking first: only JSON is taken.
    EXPECT_EQ(Post("/api/preset", "{}", "text/plain")->status, 415);
}

TEST_F(Serve, BadValuesAreRefusedWithTheToolsMessage) {
    const struct {
        const char* path;
        const char* body;
        const char* message;  // part of the reply's error
    } cases[] = {
        {"/api/render", R"({"tab":"a","settings":{"params":{"size":-1}}})",
         "size takes a number from 0 to 1000000"},
        {"/api/render", R"({"tab":"a","settings":{"params":{"sise":1}}})",
         "unknown parameter 'sise'"},
        {"/api/render", R"({"tab":"a","shape":"torus"})", "use one of sphere, plane, cube, flat"},
        {"/api/render", R"({"tab":"a","res":100000})", "from 16 to 1024"},
        {"/api/render", R"({"tab":"a","samples":1e9})", "samples"},
        {"/api/render", R"({"tab":"../x"})", "tab: give 1 to 64 letters"},
        {"/api/bake", R"({"job":"j","res":"5000"})", "at most 4096"},
        {"/api/bake", R"({"job":"j","res":"0x10"})", "resolution 0x10 is not accepted"},
        {"/api/bake", R"({"job":"j","bits":12})", "8 or 16"},
        {"/api/bake", R"({"job":"j","extent":"big"})", "extent"},
        // No request names a file on the server: images come only by upload.
        {"/api/preset", R"({"settings":{"maps":{"sizeMap":"/etc/hostname"}}})", "reads no files"},
        {"/api/preset", R"({"settings":{"maps":{"sizeMap":"scratches:size=nope"}}})",
         "size takes a number"},
        {"/api/preset", R"({"settings":[1]})", "expected a JSON object"},
        {"/api/preset", R"({"settings":)", "not JSON"},
    };
    for (const auto& c : cases) {
        const auto reply = Post(c.path, c.body);
        ASSERT_TRUE(reply) << c.body;
        EXPECT_EQ(reply->status, 400) << c.body;
        EXPECT_NE(reply->body.find(c.message), std::string::npos)
            << c.body << " -> " << reply->body;
    }
    EXPECT_EQ(Post("/api/upload?tab=a&name=x.png", "GIF89a", "image/png")->status, 400);
    EXPECT_EQ(Post("/api/upload?tab=a&name=../x.png", SmallPng(4, 4), "image/png")->status, 400);
    // An upload is named by the page, never used as a path.
    ASSERT_EQ(Post("/api/upload?tab=a&name=dots.png", SmallPng(4, 4), "image/png")->status, 200);
    const auto preset =
        Post("/api/preset", R"({"tab":"a","settings":{"maps":{"sizeMap":"dots.png"}}})");
    ASSERT_EQ(preset->status, 200) << preset->body;
    EXPECT_NE(preset->body.find(R"("sizeMap": "dots.png")"), std::string::npos);
    // Another tab does not see it.
    EXPECT_EQ(
        Post("/api/preset", R"({"tab":"b","settings":{"maps":{"sizeMap":"dots.png"}}})")->status,
        400);
}

// The page marks a refused value at its control: the reply names the parameter, and no
// preset where none was loaded.
TEST_F(Serve, RefusedValuesNameTheirParameter) {
    const struct {
        const char* body;
        const char* message;
        const char* block;
        const char* name;
        const char* slot;
    } cases[] = {
        {R"({"tab":"e","settings":{"params":{"levels":12}}})",
         "levels=12 is not accepted: levels takes an integer from 1 to 8", "params", "levels", ""},
        {R"({"tab":"e","settings":{"params":{"levels":"many"}}})", "params.levels = \"many\"",
         "params", "levels", ""},
        {R"({"tab":"e","settings":{"Mapping":{"xyz_size_x":0}}})",
         "xyz_size_x takes a number from 0.0001", "Mapping", "xyz_size_x", ""},
        {R"({"tab":"e","settings":{"maps":{"distortMap":"scratches:spread=2"}}})",
         "maps.distortMap (a scratches map): spread=2 is not accepted: spread takes a number from "
         "0.1 to 1",
         "params", "spread", "distortMap"},
    };
    for (const char* path : {"/api/check", "/api/render", "/api/preset"}) {
        for (const auto& c : cases) {
            const auto reply = Post(path, c.body);
            ASSERT_TRUE(reply) << c.body;
            EXPECT_EQ(reply->status, 400) << c.body;
            const auto j = nlohmann::json::parse(reply->body);
            const std::string error = j.at("error");
            EXPECT_NE(error.find(c.message), std::string::npos) << path << " " << error;
            EXPECT_EQ(error.find("preset"), std::string::npos) << path << " " << error;
            EXPECT_EQ(j.at("param").at("block"), c.block) << error;
            EXPECT_EQ(j.at("param").at("name"), c.name) << error;
            EXPECT_EQ(j.at("param").value("slot", ""), c.slot) << error;
            EXPECT_FALSE(j.at("param").at("accepted").get<std::string>().empty());
        }
    }
    // Settings the tool takes: warnings, if any, and no error.
    const auto fine = Post("/api/check", R"({"settings":{"params":{"useDistortion":true}}})");
    ASSERT_EQ(fine->status, 200) << fine->body;
    const auto warnings = nlohmann::json::parse(fine->body).at("warnings");
    ASSERT_EQ(warnings.size(), 1u) << fine->body;
    EXPECT_NE(warnings[0].get<std::string>().find("distortMap is empty"), std::string::npos);
}

// The page's preset library: the bundled presets, listed, handed over and shown small.
TEST_F(Serve, LibraryListsHandsOverAndThumbnailsItsPresets) {
    const std::string fine = R"({"about": "Long lines.", "params": {"stretch": 200}})";
    LookDevApi api(module_->ScratchesClass(), "", {}, "start",
                   {{"long", fine}, {"plain", R"({"params": {"size": 4}})"}});
    const auto list = nlohmann::json::parse(api.Library().body);
    ASSERT_EQ(list.at("presets").size(), 2u);
    EXPECT_EQ(list["presets"][0].at("name"), "long");
    EXPECT_EQ(list["presets"][0].at("about"), "Long lines.");
    EXPECT_EQ(list["presets"][1].at("about"), "");
    EXPECT_EQ(api.LibraryPreset("long").body, fine);
    EXPECT_EQ(api.LibraryPreset("nothing").status, 404);
    const ApiReply thumbnail = api.LibraryThumbnail("plain");
    ASSERT_EQ(thumbnail.status, 200) << thumbnail.body;
    EXPECT_EQ(thumbnail.type, "image/png");
    EXPECT_EQ(thumbnail.body.substr(1, 3), "PNG");
    EXPECT_EQ(api.LibraryThumbnail("plain").body, thumbnail.body);  // made once
    // A bundled preset the tool refuses stops the server at its start, with the preset's name.
    try {
        LookDevApi bad(module_->ScratchesClass(), "", {}, "start",
                       {{"broken", R"({"params": {"levels": 12}})"}});
        FAIL() << "a refused bundled preset was taken";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("preset 'broken': levels=12 is not accepted"),
                  std::string::npos)
            << e.what();
    }
    // A starting preset is read as --preset reads a file: a key given twice is refused.
    try {
        LookDevApi twice(module_->ScratchesClass(), R"({"params": {"size": 4, "size": 9}})", {},
                         "worn.json");
        FAIL() << "a preset with a key given twice was taken";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("preset 'worn.json': 'size' is given twice"),
                  std::string::npos)
            << e.what();
    }
    // Over HTTP: the server without a library lists none.
    const auto reply = Client().Get("/api/library");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, R"({"presets":[]})");
    EXPECT_EQ(Client().Get("/api/library/thumbnail?name=long")->status, 404);
}

TEST_F(Serve, OversizeBodiesImagesAndUnknownRoutes) {
    const std::string big = R"({"tab":"a","pad":")" + std::string(65 << 10, 'x') + "\"}";
    EXPECT_EQ(Post("/api/render", big)->status, 413);
    EXPECT_EQ(
        Post("/api/upload?tab=a&name=big.png", std::string(300 << 10, 'x'), "image/png")->status,
        413);
    // A small file can hold a vast image: refused from its header.
    const auto wide = Post("/api/upload?tab=a&name=wide.png", SmallPng(33, 1), "image/png");
    EXPECT_EQ(wide->status, 400);
    httplib::Client client = Client();
    for (const char* path : {"/api/nothing", "/etc/passwd", "/../CMakeLists.txt", "/%2e%2e/x"}) {
        const auto reply = client.Get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 404) << path;
        EXPECT_EQ(reply->get_header_value("Content-Type"), kJson) << path;
    }
    EXPECT_EQ(client.Delete("/api/render")->status, 404);
}

TEST_F(Serve, BakeIsTheToolsFileSeedAndTilingIncluded) {
    const auto baked = Post("/api/bake", R"({"job":"j","res":"24x16","output":"mask","samples":1,
        "tileable":true,"settings":{"params":{"size":3},"seed":7}})");
    ASSERT_EQ(baked->status, 200) << baked->body;
    ScratchFolder dir;
    const ToolRun run =
        RunTool({"bake", "-q", "--set", "size=3", "--seed", "7", "--tileable", "--output", "mask",
                 "--res", "24x16", "--samples", "1", "-o", (dir / "mask.png").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::ifstream in(dir / "mask.png", std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(baked->body, file);
    const auto preset = Post("/api/preset", R"({"settings":{"seed":7}})");
    EXPECT_NE(preset->body.find(R"("seed": 7)"), std::string::npos) << preset->body;
}

// The nearest scratch's outputs: the bake panel's file is the tool's; the flat preview shows
// the layer index as grey steps of 1/7, every layer of eight a step of its own.
TEST_F(Serve, NearestScratchOutputsBakeAndPreview) {
    const auto baked = Post("/api/bake", R"({"job":"n","res":16,"output":"direction",
        "samples":1,"normalY":"down"})");
    ASSERT_EQ(baked->status, 200) << baked->body;
    ScratchFolder dir;
    const ToolRun run = RunTool({"bake", "-q", "--output", "direction", "--normal-y", "down",
                                 "--res", "16", "--samples", "1", "-o", (dir / "d.png").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(baked->body, ReadAll(dir / "d.png"));

    const auto shown = Post("/api/render", R"({"tab":"n","res":64,"samples":1,"output":"layer",
        "shape":"flat","settings":{"params":{"type":0,"levels":8}}})");
    ASSERT_EQ(shown->status, 200) << shown->body;
    const Image image = ReadImageMemory(shown->body, "preview.png");
    std::set<long> steps;
    for (float v : image.pixels) {
        const float k = v * 7.0f;
        EXPECT_NEAR(k, std::round(k), 0.03f);
        steps.insert(std::lround(k));
    }
    EXPECT_EQ(steps.size(), 8u);
}

// A bake while the allowed ones run is a refusal to retry later (429), not a server fault; a
// bake that is let through still works.
TEST_F(Serve, BakeBeyondTheLimitIsTooManyRequests) {
    ServeLimits none;
    none.bakes = 0;
    LookDevApi busy(module_->ScratchesClass(), "", none);
    const ApiReply refused = busy.Bake(R"({"job":"b","res":8,"output":"mask","samples":1})");
    EXPECT_EQ(refused.status, 429) << refused.body;
    EXPECT_NE(refused.body.find("another bake is running"), std::string::npos) << refused.body;
    EXPECT_EQ(api_->Bake(R"({"job":"c","res":8,"output":"mask","samples":1})").status, 200);
}

// Requests can reach the server out of order: by its serial, a render older than one already
// seen is stale on arrival, and never cancels the newer one.
TEST_F(Serve, AStaleSerialIsRefusedOnArrival) {
    const auto newer = Post("/api/render", R"({"tab":"s","serial":5,"res":16,"samples":1})");
    EXPECT_EQ(newer->status, 200);
    EXPECT_EQ(Post("/api/render", R"({"tab":"s","serial":4,"res":16,"samples":1})")->status, 409);
    EXPECT_EQ(Post("/api/render", R"({"tab":"s","serial":5,"res":16,"samples":1})")->status, 409);
    EXPECT_EQ(Post("/api/render", R"({"tab":"s","serial":6,"res":16,"samples":1})")->status, 200);
    EXPECT_EQ(Post("/api/render", R"({"tab":"s","serial":0,"res":16})")->status, 400);
    EXPECT_EQ(Post("/api/render", R"({"tab":"s","serial":"7","res":16})")->status, 400);
    // Another tab keeps its own count.
    EXPECT_EQ(Post("/api/render", R"({"tab":"t","serial":1,"res":16,"samples":1})")->status, 200);
}

TEST_F(Serve, NewerRenderCancelsTheStaleOneOfItsTabOnly) {
    // A slow render of tab a, then a quick one of the same tab: the first gives way at once.
    auto slow = std::async(std::launch::async, [] {
        const auto reply = Post("/api/render", R"({"tab":"a","res":1024,"samples":4})");
        return reply ? reply->status : -1;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto other = Post("/api/render", R"({"tab":"b","res":16,"samples":1})");
    int quick = 0;
    std::string type;
    // Again until the slow one has given way, in case it reached the server after the first.
    for (int i = 0; i < 100; ++i) {
        const auto reply = Post("/api/render", R"({"tab":"a","res":16,"samples":1})");
        quick = reply->status;
        type = reply->get_header_value("Content-Type");
        if (slow.wait_for(std::chrono::milliseconds(100)) == std::future_status::ready) break;
    }
    EXPECT_EQ(slow.get(), 409);
    EXPECT_EQ(quick, 200);
    EXPECT_EQ(type, "image/png");
    EXPECT_EQ(other->status, 200);
}

}  // namespace
