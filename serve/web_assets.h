// The look-dev page's files (serve/web), compiled into the tool.
#pragma once

#include <cstddef>
#include <string_view>

struct WebAsset {
    const char* path;  // "/index.html", "/app.js", ...
    const char* type;  // MIME type
    const unsigned char* data;
    std::size_t size;
};

// The asset served at `path`, or nullptr.
const WebAsset* FindWebAsset(std::string_view path);
