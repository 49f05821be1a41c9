// Splits script text (and the command line) into tokens: words, numbers, bar:beat:tick times, braces,
// '=' and ';'. Parsers pull one token at a time and never look further ahead.
#pragma once

#include "Base/CMusicalTime.h"

class CReactionSet;

#include <cstddef>
#include <string>
#include <vector>

enum class TokenType { Word = 0, Number, Time, OpenBrace, CloseBrace, Equals, Semicolon, Invalid, EndOfFile };

class CTokeniser {
public:
    // The longest token text kept; longer tokens are handled as documented in docs/script.md.
    static constexpr int MaxTokenLength = 2047;

    virtual ~CTokeniser() = default;

    virtual TokenType NextToken();
    virtual TokenType GetTokenType() const { return type; }
    virtual const char* GetString() const { return text; }
    virtual double GetNumber() const { return number; }
    virtual int GetBar() const { return bar; }
    virtual int GetBeat() const { return beat; }
    virtual int GetTick() const { return tick; }
    // Where the last token lies in the input, as byte offsets: its first byte (the opening quote of a
    // quoted word) and one past its last (the closing quote; never the terminator a number keeps in
    // its text). An editor rewrites a token in place with them. At the end of the input both are the
    // input's length.
    size_t GetTokenStart() const { return tokenStart; }
    size_t GetTokenEnd() const { return tokenEnd; }

    int line = 1;
    // The tempo in force at this point of the script: the system block changes it, and every time
    // literal read after that is converted with it.
    CMusicalTime tempo;
    // Where keyframes that follow the music name what they follow (the presentation's set); none
    // outside a presentation, where such keyframes follow nothing.
    CReactionSet* reactions = nullptr;

protected:
    // Next byte as 0..255, or -1 at the end of the input.
    virtual int ReadChar() = 0;

private:
    int TakeChar();
    void GiveBack(int c);
    void Collect(int c);
    bool ReadTimeParts();

    bool hasPending = false;
    int pending = -1;
    char text[MaxTokenLength + 1] = {};
    int textLength = 0;
    bool overflowed = false;
    double number = 0.0;
    int bar = 0, beat = 0, tick = 0;
    TokenType type = TokenType::Invalid;
    size_t offset = 0; // bytes taken from the input and not given back
    size_t tokenStart = 0, tokenEnd = 0;
};

// A tokeniser over its own copy of a text in memory (the text need not be zero-terminated).
class CMemoryTokeniser : public CTokeniser {
public:
    CMemoryTokeniser(const char* text, size_t length);

protected:
    int ReadChar() override;

private:
    std::vector<unsigned char> data;
    size_t position = 0;
};

// Reads a block "{ item item ... }" in which every item opens with a token of type `opener`: calls
// `item()` with that token current, until the closing brace (true) or any other token (false). A
// false from `item` ends the block with false there.
template <class Item> bool ReadBlockFromTokeniser(CTokeniser& t, TokenType opener, Item item) {
    if (t.NextToken() != TokenType::OpenBrace)
        return false;
    for (;;) {
        const TokenType type = t.NextToken();
        if (type != opener)
            return type == TokenType::CloseBrace;
        if (!item())
            return false;
    }
}
