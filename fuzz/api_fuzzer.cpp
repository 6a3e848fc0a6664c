// The look-dev page's API handlers, apart from HTTP: every request body and upload is answered
// with a status the page knows (200, or a refusal: 400, 404, 409, 429, 503) and a JSON body
// for JSON replies; an exception that escapes a handler, which the server would turn into a
// 500, is a finding. The first byte picks the call, the rest is its body; an upload's bytes
// follow a tab and a file name, each ended by a newline.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "fuzz_support.h"
#include "plugin/module.h"
#include "serve/look_dev_api.h"

namespace {

// Small images, so that each input is quick: the limits themselves are what is checked.
ServeLimits FuzzLimits() {
    ServeLimits limits;
    limits.maxPreviewSide = 32;
    limits.maxPreviewSamples = 2;
    limits.maxBakeSide = 32;
    limits.maxUpload = 1 << 16;
    limits.maxUploadSide = 64;
    return limits;
}

std::string_view Line(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return line;
}

void RequireReply(const ApiReply& reply) {
    const int s = reply.status;
    Require(s == 200 || s == 400 || s == 404 || s == 409 || s == 429 || s == 503,
            "every reply has a status the page knows");
    if (reply.type == "application/json") {
        Require(nlohmann::json::accept(reply.body), "a JSON reply is JSON");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    AttachPlugin();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
    // A new API each time, so that every finding replays alone.
    LookDevApi api(GetQuorvScratchesDesc(), "", FuzzLimits());
    switch (data[0] % 8) {
        case 0:
            RequireReply(api.Render(body));
            break;
        case 1:
            RequireReply(api.Bake(body));
            break;
        case 2:
            RequireReply(api.Preset(body));
            break;
        case 3:
            RequireReply(api.Check(body));
            break;
        case 4:
            RequireReply(api.Cancel(body));
            break;
        case 5:
            RequireReply(api.JobProgress(std::string(body)));
            break;
        case 6: {
            const std::string tab(Line(body)), name(Line(body));
            RequireReply(api.Upload(tab, name, body));
            break;
        }
        case 7: {
            // An upload, then a render that names it: the sub-map path of uploaded images.
            const std::string name(Line(body));
            RequireReply(api.Upload("t", name, body));
            const nlohmann::json request = {
                {"tab", "t"},
                {"res", 16},
                {"samples", 1},
                {"settings",
                 {{"params", {{"sizeMapEnabled", true}}}, {"maps", {{"sizeMap", name}}}}}};
            RequireReply(
                api.Render(request.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)));
            break;
        }
    }
    return 0;
}
