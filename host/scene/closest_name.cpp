#include "scene/closest_name.h"

#include <algorithm>
#include <cctype>

namespace host {

namespace {

/// Characters compared by one search at most: some milliseconds, so that fifty suggestions
/// cost no more than reading a small scene.
constexpr size_t kSearchBudget = size_t{1} << 20;

char folded(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

/// The edit distance between `a` and `b`, both at most kMaxSuggestedName long, or more than
/// `bound` once every path is past it.
size_t editDistance(std::string_view a, std::string_view b, size_t bound) {
    size_t row[kMaxSuggestedName + 1];
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        size_t least = row[0];
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            const bool same = folded(a[i - 1]) == folded(b[j - 1]);
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
            least = std::min(least, row[j]);
        }
        if (least > bound) return bound + 1;
    }
    return row[b.size()];
}

size_t difference(size_t a, size_t b) {
    return a > b ? a - b : b - a;
}

}  // namespace

std::string closestName(std::string_view name, const std::vector<std::string>& candidates) {
    if (name.size() > kMaxSuggestedName) return {};
    const size_t limit = std::max<size_t>(1, (name.size() + 1) / 3);
    std::string best;
    size_t bestDistance = limit + 1;
    size_t budget = kSearchBudget;
    for (const std::string& candidate : candidates) {
        // The distance is at least the difference in length.
        if (candidate.size() > kMaxSuggestedName ||
            difference(candidate.size(), name.size()) >= bestDistance)
            continue;
        const size_t cost = (name.size() + 1) * (candidate.size() + 1);
        if (cost > budget) break;
        budget -= cost;
        const size_t d = editDistance(name, candidate, bestDistance - 1);
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    return best;
}

std::string shortenQuotedNames(std::string message) {
    size_t at = 0;
    while ((at = message.find('\'', at)) != std::string::npos) {
        const bool opens = at == 0 || message[at - 1] == ' ' || message[at - 1] == '(';
        const size_t close = message.find('\'', at + 1);
        if (close == std::string::npos) break;
        if (!opens) {
            ++at;
            continue;
        }
        const size_t length = close - at - 1;
        if (length > kMaxShownName) {
            // Cut between UTF-8 characters.
            size_t cut = at + 1 + kMaxShownName;
            while (cut > at + 1 && (static_cast<unsigned char>(message[cut]) & 0xC0) == 0x80) --cut;
            message.replace(cut, close - cut, "...");
            at = cut + 4;
        } else {
            at = close + 1;
        }
    }
    return message;
}

}  // namespace host
