#include "tool/images/resolution.h"

#include <charconv>

#include "tool/base/tool_error.h"
#include "tool/images/image.h"

namespace {

bool ParseSide(const char* first, const char* last, int& out) {
    const auto [ptr, ec] = std::from_chars(first, last, out);
    return first != last && ec == std::errc() && ptr == last;
}

}  // namespace

void ParseResolution(const std::string& text, int& width, int& height) {
    const char* first = text.data();
    const char* last = first + text.size();
    const std::size_t x = text.find_first_of("xX");
    bool ok = false;
    if (x == std::string::npos) {
        ok = ParseSide(first, last, width);
        height = width;
    } else {
        ok = ParseSide(first, first + x, width) && ParseSide(first + x + 1, last, height);
    }
    if (!ok) {
        throw ToolError("--res " + text + ": give N (for N x N) or WxH, whole numbers from 1 to " +
                        std::to_string(kMaxImageSide));
    }
    CheckImageSize(width, height);
}
