#include "Base/CTokeniser.h"

#include "Base/Log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsWhite(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsTerminator(int c) { return IsWhite(c) || c == ';'; }
bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

} // namespace

int CTokeniser::TakeChar() {
    int c;
    if (hasPending) {
        hasPending = false;
        c = pending;
    } else {
        c = ReadChar();
    }
    if (c == '\n')
        ++line;
    if (c != -1)
        ++offset;
    return c;
}

void CTokeniser::GiveBack(int c) {
    if (c == '\n')
        --line;
    if (c != -1)
        --offset;
    hasPending = true;
    pending = c;
}

void CTokeniser::Collect(int c) {
    // A token that does not fit is consumed whole and reported as Invalid by NextToken.
    if (textLength >= MaxTokenLength) {
        overflowed = true;
        return;
    }
    text[textLength++] = static_cast<char>(c);
    text[textLength] = 0;
}

// Reads "bar:beat:tick" from the text; a part left empty keeps the previous token's value. A part
// that does not fit in an int is refused rather than wrapped into a different time.
bool CTokeniser::ReadTimeParts() {
    int* parts[3] = {&bar, &beat, &tick};
    const char* p = text;
    for (int i = 0; i < 3; ++i) {
        bool negative = false;
        if (i == 0 && (*p == '+' || *p == '-'))
            negative = *p++ == '-';
        long long value = 0;
        bool digits = false;
        for (; IsDigit(*p); ++p) {
            digits = true;
            value = value * 10 + (*p - '0');
            if (value > 2147483648LL) {
                LOG("CTokeniser::NextToken", "Time literal '%s' out of range on line %d", text, line);
                return false;
            }
        }
        if (negative)
            value = -value;
        if (value > 2147483647LL) {
            LOG("CTokeniser::NextToken", "Time literal '%s' out of range on line %d", text, line);
            return false;
        }
        // Like "%d:%d:%d": reading stops at the first part without digits.
        if (!digits)
            return true;
        *parts[i] = static_cast<int>(value);
        if (*p == ':')
            ++p;
    }
    return true;
}

TokenType CTokeniser::NextToken() {
    enum class State { Start, Word, Quoted, Integer, Fraction, Time1, Time2 };

    textLength = 0;
    text[0] = 0;
    number = 0.0;
    overflowed = false;

    State state = State::Start;
    TokenType result = TokenType::Invalid;
    bool done = false;

    while (!done) {
        int c = TakeChar();
        switch (state) {
        case State::Start:
            if (IsWhite(c))
                break;
            // Every token starts with the byte just taken; the end of the input is a point.
            tokenStart = c == -1 ? offset : offset - 1;
            if (c == -1) {
                result = TokenType::EndOfFile;
                done = true;
            } else if (c == '#') {
                do {
                    c = TakeChar();
                } while (c != '\n' && c != -1);
                if (c == -1) {
                    tokenStart = offset;
                    result = TokenType::EndOfFile;
                    done = true;
                }
            } else if (IsLetter(c)) {
                Collect(c);
                state = State::Word;
            } else if (c == '"') {
                state = State::Quoted;
            } else if (IsDigit(c) || c == '+' || c == '-') {
                Collect(c);
                state = State::Integer;
            } else if (c == '.') {
                Collect(c);
                state = State::Fraction;
            } else {
                done = true;
                switch (c) {
                case '=':
                    result = TokenType::Equals;
                    break;
                case ';':
                    result = TokenType::Semicolon;
                    break;
                case '{':
                    result = TokenType::OpenBrace;
                    break;
                case '}':
                    result = TokenType::CloseBrace;
                    break;
                default:
                    result = TokenType::Invalid;
                    break;
                }
            }
            break;

        case State::Word:
            if (IsTerminator(c) || c == -1) {
                GiveBack(c);
                result = TokenType::Word;
                done = true;
            } else {
                Collect(c);
            }
            break;

        case State::Quoted:
            if (c == -1) {
                result = TokenType::Invalid;
                done = true;
            } else if (c == '"') {
                result = TokenType::Word;
                done = true;
            } else {
                Collect(c);
            }
            break;

        case State::Integer:
            if (IsDigit(c)) {
                Collect(c);
            } else if (c == '.') {
                Collect(c);
                state = State::Fraction;
            } else if (c == ':') {
                Collect(c);
                state = State::Time1;
            } else if (IsTerminator(c)) {
                // The terminator stays in the text: callers that print a number's text see it.
                Collect(c);
                GiveBack(c);
                number = std::strtod(text, nullptr);
                result = TokenType::Number;
                done = true;
            } else {
                GiveBack(c);
                state = State::Word;
            }
            break;

        case State::Fraction:
            if (IsDigit(c)) {
                Collect(c);
            } else if (c == '.') {
                result = TokenType::Invalid;
                done = true;
            } else if (IsTerminator(c)) {
                GiveBack(c);
                number = std::strtod(text, nullptr);
                result = TokenType::Number;
                done = true;
            } else {
                GiveBack(c);
                result = TokenType::Word;
                done = true;
            }
            break;

        case State::Time1:
            if (IsDigit(c)) {
                Collect(c);
            } else if (c == ':') {
                Collect(c);
                state = State::Time2;
            } else {
                GiveBack(c);
                state = State::Word;
            }
            break;

        case State::Time2:
            if (IsDigit(c)) {
                Collect(c);
            } else if (IsTerminator(c)) {
                GiveBack(c);
                result = ReadTimeParts() ? TokenType::Time : TokenType::Invalid;
                done = true;
            } else {
                GiveBack(c);
                state = State::Word;
            }
            break;
        }
    }

    if (overflowed) {
        LOG("CTokeniser::NextToken", "Token longer than %d characters on line %d", MaxTokenLength, line);
        result = TokenType::Invalid;
        number = 0.0;
    }
    tokenEnd = offset;
    type = result;
    return type;
}

CMemoryTokeniser::CMemoryTokeniser(const char* source, size_t length)
    : data(reinterpret_cast<const unsigned char*>(source),
           reinterpret_cast<const unsigned char*>(source) + (source ? length : 0)) {}

int CMemoryTokeniser::ReadChar() {
    if (position >= data.size())
        return -1;
    return data[position++];
}
