#include "Base/EscapeControlCharacters.h"

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence of two or more bytes starting at `i`; 0 when there is none.
// Overlong forms and surrogates are not valid: a terminal might read them in other ways.
size_t SequenceLength(std::string_view text, size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - i < length)
        return 0;
    const unsigned char second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high)
        return 0;
    for (size_t k = 2; k < length; ++k)
        if (!IsContinuation(static_cast<unsigned char>(text[i + k])))
            return 0;
    return length;
}

void AppendEscaped(std::string& out, unsigned char c) {
    static const char digits[] = "0123456789abcdef";
    out += "\\x";
    out += digits[c >> 4];
    out += digits[c & 15];
}

} // namespace

std::string EscapeControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F)
                AppendEscaped(out, c);
            else
                out += char(c);
            ++i;
            continue;
        }
        const size_t length = SequenceLength(text, i);
        // U+0080 to U+009F, the C1 controls, are 0xC2 0x80 to 0xC2 0x9F.
        const bool control = length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (length == 0 || control) {
            for (size_t k = 0; k < (length ? length : 1); ++k)
                AppendEscaped(out, static_cast<unsigned char>(text[i + k]));
            i += length ? length : 1;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}
