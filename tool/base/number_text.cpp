#include "tool/base/number_text.h"

#include <charconv>
#include <system_error>

std::string FormatFloat(float v) {
    char text[64];
    // Plain decimals read best; fall back to the exponent form when they get long.
    auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
    if (ec != std::errc() || end - text > 12) {
        end = std::to_chars(text, text + sizeof text, v).ptr;
    }
    return std::string(text, end);
}
