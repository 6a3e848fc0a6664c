// Suggestions for a mistyped name: the known names closest by edit distance.
#pragma once

#include <string>
#include <vector>

// Up to `count` of `known`, nearest first (case-insensitive Levenshtein distance; ties keep
// the order of `known`).
std::vector<std::string> NearestNames(const std::string& name,
                                      const std::vector<std::string>& known, std::size_t count = 3);

// "a, b or c".
std::string JoinAlternatives(const std::vector<std::string>& names);

// Whether the two are the same name without regard to ASCII case ("Mono" and "mono").
bool SameName(const std::string& a, const std::string& b);
