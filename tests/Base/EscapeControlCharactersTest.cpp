#include "Base/EscapeControlCharacters.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

TEST(EscapeControlCharacters, ControlCharactersBecomeHexEscapes) {
    EXPECT_EQ(EscapeControlCharacters("\x1b]0;title\a\x1b[2J"), "\\x1b]0;title\\x07\\x1b[2J");
    EXPECT_EQ(EscapeControlCharacters("over\rwrite\bback\x7f"), "over\\x0dwrite\\x08back\\x7f");
    EXPECT_EQ(EscapeControlCharacters("cut\0here"s), "cut\\x00here");
}

TEST(EscapeControlCharacters, TabsNewlinesAndOtherTextAreKept) {
    const std::string text = "a\tb\nc 'd:\\e' caf\xc3\xa9 \xe2\x86\x92 \xe6\x97\xa5 \xf0\x9f\x98\x80 \xc2\xa0";
    EXPECT_EQ(EscapeControlCharacters(text), text);
}

TEST(EscapeControlCharacters, C1ControlsAndBytesOutsideUtf8AreEscaped) {
    // U+009B, the one-character escape sequence introducer, encoded and as a bare byte.
    EXPECT_EQ(EscapeControlCharacters("a\xc2\x9b[m"), "a\\xc2\\x9b[m");
    EXPECT_EQ(EscapeControlCharacters("a\x9b[m"), "a\\x9b[m");
    // A sequence cut short, an overlong '/', a surrogate, and a lead byte that never starts one.
    EXPECT_EQ(EscapeControlCharacters("end\xe2\x86"), "end\\xe2\\x86");
    EXPECT_EQ(EscapeControlCharacters("\xc0\xaf"), "\\xc0\\xaf");
    EXPECT_EQ(EscapeControlCharacters("\xed\xa0\x80"), "\\xed\\xa0\\x80");
    EXPECT_EQ(EscapeControlCharacters("\xff!"), "\\xff!");
}
