#include "command/NameHint.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <tuple>

namespace zaffo {
namespace {

std::string lowered(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// Edits (insert, delete, replace, swap two neighbours) from one text to the other.
size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t replace = d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, replace});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::vector<std::string> closestNames(const std::string& typed, const std::vector<std::string>& names, size_t most) {
    // Names are short; a long line typed by mistake is compared with nothing.
    constexpr size_t longest = 64;
    if (typed.empty() || typed.size() > longest) return {};
    const std::string wanted = lowered(typed);
    const size_t allowed = wanted.size() <= 4 ? 1 : 2;
    std::vector<std::tuple<size_t, std::string>> close;
    for (const std::string& name : names) {
        if (name == typed || name.size() > longest) continue;
        const std::string candidate = lowered(name);
        const size_t distance = candidate.starts_with(wanted) ? 1 : editDistance(wanted, candidate);
        if (distance <= allowed) close.emplace_back(distance, name);
    }
    std::sort(close.begin(), close.end());
    std::vector<std::string> closest;
    for (size_t i = 0; i < close.size() && i < most; ++i) closest.push_back(std::get<1>(close[i]));
    return closest;
}

std::string didYouMean(const std::string& typed, const std::vector<std::string>& names) {
    const std::vector<std::string> closest = closestNames(typed, names);
    if (closest.empty()) return "";
    std::string hint = ", did you mean " + closest.front();
    if (closest.size() > 1) hint += " or " + closest[1];
    return hint + "?";
}

}  // namespace zaffo
