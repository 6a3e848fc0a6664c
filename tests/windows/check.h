// The test host's checks: each prints a line when it fails and is counted; main prints the
// totals and fails the run on any failure.
#pragma once

#include <string>

struct CheckTotals {
    int passed = 0;
    int failed = 0;
};
CheckTotals& Totals();

bool Check(bool ok, const char* what, const std::string& detail, const char* file, int line);
std::string Utf8(const std::wstring& text);

#define CHECK(cond) Check((cond), #cond, std::string(), __FILE__, __LINE__)
#define CHECK_DETAIL(cond, detail) Check((cond), #cond, (detail), __FILE__, __LINE__)
