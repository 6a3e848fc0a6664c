// Numbers as the tool writes them in messages, listings and presets.
#pragma once

#include <string>

// The shortest text that reads back as the same float.
std::string FormatFloat(float v);
