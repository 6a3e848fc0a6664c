// Image sizes as the user writes them: "N" for N x N, or "WxH".
#pragma once

#include <string>

// Throws ToolError stating the accepted forms and bounds.
void ParseResolution(const std::string& text, int& width, int& height);
