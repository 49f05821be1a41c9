#include "Base/Names.h"

#include <algorithm>

namespace {
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
} // namespace

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::string NameKey(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        c = LowerAscii(c);
    return key;
}

namespace {

// Insertions, deletions and substitutions that turn one key into the other.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

std::string NearestName(std::string_view name, const std::vector<std::string>& candidates) {
    const std::string key = NameKey(name);
    const size_t allowed = std::max<size_t>(1, key.size() / 3);
    std::string best;
    size_t bestDistance = allowed + 1;
    bool tie = false;
    for (const std::string& candidate : candidates) {
        const size_t distance = EditDistance(key, NameKey(candidate));
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
            tie = false;
        } else if (distance == bestDistance && !SameName(candidate, best)) {
            tie = true;
        }
    }
    return tie ? std::string() : best;
}
