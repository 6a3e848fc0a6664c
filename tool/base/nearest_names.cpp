#include "tool/base/nearest_names.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace {

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            const std::size_t next =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<std::string> NearestNames(const std::string& name,
                                      const std::vector<std::string>& known, std::size_t count) {
    std::vector<std::pair<std::size_t, std::size_t>> ranked;  // distance, index
    for (std::size_t i = 0; i < known.size(); ++i)
        ranked.emplace_back(EditDistance(name, known[i]), i);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> out;
    for (std::size_t i = 0; i < ranked.size() && i < count; ++i)
        out.push_back(known[ranked[i].second]);
    return out;
}

std::string JoinAlternatives(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " or " : ", ";
        out += names[i];
    }
    return out;
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}
