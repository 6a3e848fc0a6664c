// Conversions between the host's wide strings and the UTF-8 the command line speaks.
#pragma once

#include <string>

std::string Utf8(const wchar_t* text);  // null gives ""
std::wstring Wide(const std::string& utf8);
