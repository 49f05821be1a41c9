#include "Platform/gl/CCompilerMessages.h"

#include <cstdlib>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t Digits(const std::string& text, size_t at) {
    size_t end = at;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    return end - at;
}

bool Contains(const std::string& text, size_t from, size_t to, const char* word) {
    const size_t found = text.find(word, from);
    return found != std::string::npos && found < to;
}

// Where the line number of the message starting at `begin` (up to `end`) lies; false when it has none.
// `error` says whether the message is an error rather than a warning or a note.
bool Locate(const std::string& log, size_t begin, size_t end, size_t& at, size_t& length, bool& error) {
    size_t p = begin;
    while (p < end && (log[p] == ' ' || log[p] == '\t'))
        ++p;
    bool marked = false;
    for (const char* prefix : {"ERROR: ", "WARNING: "}) {
        const std::string word(prefix);
        if (log.compare(p, word.size(), word) == 0) {
            error = word[0] == 'E';
            marked = true;
            p += word.size();
            break;
        }
    }
    const size_t source = Digits(log, p);
    if (source == 0 || p + source >= end)
        return false;
    p += source;
    const char separator = log[p];
    at = p + 1;
    length = Digits(log, at);
    if (length == 0 || at + length >= end)
        return false;
    const char after = log[at + length];
    // "0:27:" (AMD, Intel), "0:27(38)" (Mesa), "0(27)" (NVIDIA).
    const bool known = (separator == ':' && (after == ':' || after == '(')) || (separator == '(' && after == ')');
    if (!known)
        return false;
    if (!marked)
        error = Contains(log, at, end, "error") || Contains(log, at, end, "ERROR");
    return true;
}

template <class Visit> void EachMessage(const std::string& log, Visit&& visit) {
    size_t begin = 0;
    while (begin < log.size()) {
        size_t end = log.find('\n', begin);
        if (end == std::string::npos)
            end = log.size();
        // A message starts its line, or follows the name of what was compiled ("glow.fx, @fragment PS: ").
        for (size_t start = begin; start < end;) {
            size_t at = 0, length = 0;
            bool error = false;
            if (Locate(log, start, end, at, length, error)) {
                visit(at, length, error);
                break;
            }
            const size_t colon = log.find(": ", start);
            if (colon == std::string::npos || colon >= end)
                break;
            start = colon + 2;
        }
        begin = end + 1;
    }
}

} // namespace

int CCompilerMessages::FirstErrorLine(const std::string& log) {
    int firstError = 0, firstOther = 0;
    EachMessage(log, [&](size_t at, size_t, bool error) {
        const int line = std::atoi(log.c_str() + at);
        int& first = error ? firstError : firstOther;
        if (first == 0)
            first = line;
    });
    return firstError ? firstError : firstOther;
}

std::string CCompilerMessages::MapLines(const std::string& log, const std::function<int(int)>& map) {
    std::string mapped;
    size_t copied = 0;
    EachMessage(log, [&](size_t at, size_t length, bool) {
        const int line = map(std::atoi(log.c_str() + at));
        if (line <= 0)
            return;
        mapped.append(log, copied, at - copied);
        mapped += std::to_string(line);
        copied = at + length;
    });
    mapped.append(log, copied, std::string::npos);
    return mapped;
}
