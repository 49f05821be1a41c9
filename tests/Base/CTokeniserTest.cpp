#include "Base/CTokeniser.h"

#include "Support/LogCapture.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Token {
    TokenType type;
    std::string text;
};

std::vector<Token> TokensOf(const std::string& text) {
    CMemoryTokeniser t(text.data(), text.size());
    std::vector<Token> tokens;
    while (t.NextToken() != TokenType::EndOfFile && tokens.size() < 100)
        tokens.push_back({t.GetTokenType(), t.GetString()});
    return tokens;
}

void ExpectTokens(const std::string& text, const std::vector<Token>& expected) {
    std::vector<Token> tokens = TokensOf(text);
    ASSERT_EQ(tokens.size(), expected.size()) << "input: " << text;
    for (size_t i = 0; i < tokens.size(); ++i) {
        EXPECT_EQ(tokens[i].type, expected[i].type) << "token " << i << " of: " << text;
        EXPECT_EQ(tokens[i].text, expected[i].text) << "token " << i << " of: " << text;
    }
}

constexpr TokenType W = TokenType::Word, N = TokenType::Number, T = TokenType::Time, I = TokenType::Invalid;

} // namespace

TEST(CTokeniser, NumberTextKeepsItsTerminator) {
    std::string text = "Bpm = 120;";
    CMemoryTokeniser t(text.data(), text.size());
    EXPECT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "Bpm");
    EXPECT_EQ(t.NextToken(), TokenType::Equals);
    EXPECT_EQ(t.NextToken(), TokenType::Number);
    EXPECT_STREQ(t.GetString(), "120;");
    EXPECT_DOUBLE_EQ(t.GetNumber(), 120.0);
    EXPECT_EQ(t.NextToken(), TokenType::Semicolon);
    EXPECT_EQ(t.NextToken(), TokenType::EndOfFile);
    EXPECT_EQ(t.NextToken(), TokenType::EndOfFile);
}

TEST(CTokeniser, EmptyTextEndsAtOnceAndKeepsEnding) {
    CMemoryTokeniser t("", 0);
    EXPECT_EQ(t.GetTokenType(), TokenType::Invalid);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t.NextToken(), TokenType::EndOfFile);
    CMemoryTokeniser blank(" \t\r\n\n", 5);
    EXPECT_EQ(blank.NextToken(), TokenType::EndOfFile);
    EXPECT_EQ(blank.line, 3);
}

TEST(CTokeniser, WordsEndOnlyAtWhiteSpaceOrSemicolon) {
    ExpectTokens("a=1 x{y} q\"r\" a#b k:v", {{W, "a=1"}, {W, "x{y}"}, {W, "q\"r\""}, {W, "a#b"}, {W, "k:v"}});
    ExpectTokens("foo;bar\tbaz", {{W, "foo"}, {TokenType::Semicolon, ""}, {W, "bar"}, {W, "baz"}});
    // Bytes above 127 are not letters, so they cannot start a word; inside one they are kept.
    ExpectTokens("\xc3\xa9t\xc3\xa9 t\xc3\xa9", {{I, ""}, {I, ""}, {W, "t\xc3\xa9"}, {W, "t\xc3\xa9"}});
}

TEST(CTokeniser, SingleCharacterTokensNeedNoSpaces) {
    ExpectTokens("={};@x", {{TokenType::Equals, ""},
                            {TokenType::OpenBrace, ""},
                            {TokenType::CloseBrace, ""},
                            {TokenType::Semicolon, ""},
                            {I, ""},
                            {W, "x"}});
}

TEST(CTokeniser, IntegersBecomeWordsWithoutATerminator) {
    ExpectTokens("12ab 5} 7", {{W, "12ab"}, {W, "5}"}, {W, "7"}});
    ExpectTokens("1e5 ", {{W, "1e5"}});
    ExpectTokens("-Log ", {{W, "-Log"}});
}

TEST(CTokeniser, NumbersCarrySignAndFraction) {
    std::string text = "-12\t+3\n.5; 2.25 -0.5\r";
    CMemoryTokeniser t(text.data(), text.size());
    double expected[] = {-12, 3, 0.5, 2.25, -0.5};
    const char* texts[] = {"-12\t", "+3\n", ".5", "2.25", "-0.5"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(t.NextToken(), TokenType::Number) << i;
        EXPECT_DOUBLE_EQ(t.GetNumber(), expected[i]);
        EXPECT_STREQ(t.GetString(), texts[i]);
        if (i == 2) {
            EXPECT_EQ(t.NextToken(), TokenType::Semicolon);
        }
    }
    EXPECT_EQ(t.NextToken(), TokenType::EndOfFile);
}

TEST(CTokeniser, LoneSignOrDotIsTheNumberZero) {
    for (const char* text : {"+ ", "- ", ". ", "-.;"}) {
        CMemoryTokeniser t(text, std::strlen(text));
        EXPECT_EQ(t.NextToken(), TokenType::Number) << text;
        EXPECT_EQ(t.GetNumber(), 0.0) << text;
    }
}

TEST(CTokeniser, FractionEndsAtOnceBeforeOtherCharacters) {
    ExpectTokens("1.5}", {{W, "1.5"}, {TokenType::CloseBrace, ""}});
    ExpectTokens("2.5", {{W, "2.5"}});
    ExpectTokens("1.2.3 x", {{I, "1.2"}, {N, "3 "}, {W, "x"}});
}

TEST(CTokeniser, NumberIsResetAtEveryToken) {
    std::string text = "42 word";
    CMemoryTokeniser t(text.data(), text.size());
    t.NextToken();
    EXPECT_EQ(t.GetNumber(), 42.0);
    t.NextToken();
    EXPECT_EQ(t.GetNumber(), 0.0);
}

TEST(CTokeniser, TimeLiteralsReadBarBeatAndTick) {
    std::string text = "1:2:3 -1:0:0;4:5: 12:3\n1:2:3} 7:8:9";
    CMemoryTokeniser t(text.data(), text.size());
    ASSERT_EQ(t.NextToken(), TokenType::Time);
    EXPECT_EQ(t.GetBar(), 1);
    EXPECT_EQ(t.GetBeat(), 2);
    EXPECT_EQ(t.GetTick(), 3);
    ASSERT_EQ(t.NextToken(), TokenType::Time);
    EXPECT_EQ(t.GetBar(), -1);
    EXPECT_EQ(t.GetBeat(), 0);
    EXPECT_EQ(t.GetTick(), 0);
    EXPECT_EQ(t.NextToken(), TokenType::Semicolon);
    // An empty tick keeps the previous literal's tick.
    ASSERT_EQ(t.NextToken(), TokenType::Time);
    EXPECT_EQ(t.GetBar(), 4);
    EXPECT_EQ(t.GetBeat(), 5);
    EXPECT_EQ(t.GetTick(), 0);
    // One colon, a brace after the tick, or the end of the input: words.
    EXPECT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "12:3");
    EXPECT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "1:2:3}");
    EXPECT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "7:8:9");
    // Parts are not reset between tokens.
    EXPECT_EQ(t.GetBar(), 4);
    EXPECT_EQ(t.NextToken(), TokenType::EndOfFile);
}

TEST(CTokeniser, TimePartThatDoesNotFitIsInvalid) {
    LogCapture log;
    ExpectTokens(
        "2147483647:0:0 -2147483648:0:0 99999999999:0:0 0:4294967296:0 x",
        {{T, "2147483647:0:0"}, {T, "-2147483648:0:0"}, {I, "99999999999:0:0"}, {I, "0:4294967296:0"}, {W, "x"}});
    std::vector<std::string> messages = log.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "Time literal '99999999999:0:0' out of range on line 1");
}

TEST(CTokeniser, CommentsRunToTheEndOfTheLine) {
    std::string text = "# heading { }\nword # trailing \"quote\n# last line without newline";
    CMemoryTokeniser t(text.data(), text.size());
    ASSERT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "word");
    EXPECT_EQ(t.line, 2);
    EXPECT_EQ(t.NextToken(), TokenType::EndOfFile);
    EXPECT_EQ(t.line, 3);
    EXPECT_EQ(t.NextToken(), TokenType::EndOfFile);
}

TEST(CTokeniser, QuotedStringsSpanLinesAndKeepEverything) {
    std::string text = "\"two words\" \"a # b {=}\n;\" \"\" x";
    CMemoryTokeniser t(text.data(), text.size());
    ASSERT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "two words");
    ASSERT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "a # b {=}\n;");
    EXPECT_EQ(t.line, 2);
    ASSERT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "");
    EXPECT_EQ(t.NextToken(), TokenType::Word);
    ExpectTokens("\"unterminated\nstring", {{I, "unterminated\nstring"}});
}

TEST(CTokeniser, NewlineGivenBackCountsOnce) {
    std::string text = "word\n12\n\"q\"\n3:0:0\nend";
    CMemoryTokeniser t(text.data(), text.size());
    int lines[] = {1, 2, 3, 4, 5};
    for (int expected : lines) {
        t.NextToken();
        EXPECT_EQ(t.line, expected) << t.GetString();
    }
    EXPECT_STREQ(t.GetString(), "end");
}

TEST(CTokeniser, ZeroByteIsAnOrdinaryCharacter) {
    std::string text("ab\0cd e", 7);
    CMemoryTokeniser t(text.data(), text.size());
    EXPECT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "e");
    EXPECT_EQ(t.NextToken(), TokenType::EndOfFile);
}

TEST(CTokeniser, KeepsItsOwnCopyOfTheText) {
    std::string text = "first second";
    CMemoryTokeniser t(text.data(), 5); // only "first", and no terminating zero needed
    text.assign("XXXXXXXXXXXX");
    EXPECT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "first");
    EXPECT_EQ(t.NextToken(), TokenType::EndOfFile);
}

TEST(CTokeniser, LongestTokenFitsAndLongerOnesAreInvalid) {
    LogCapture log;
    std::string longest(CTokeniser::MaxTokenLength, 'a');
    std::string tooLong(CTokeniser::MaxTokenLength + 1, 'b');
    std::string digits(5000, '7');
    std::string quoted = "\"" + std::string(3000, 'q') + "\"";
    std::string text = longest + " " + tooLong + " next\n" + digits + " " + quoted + " last";
    CMemoryTokeniser t(text.data(), text.size());
    ASSERT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_EQ(std::string(t.GetString()), longest);
    // Consumed whole: the token after it is the next word, not the rest of this one.
    EXPECT_EQ(t.NextToken(), TokenType::Invalid);
    EXPECT_EQ(std::strlen(t.GetString()), size_t(CTokeniser::MaxTokenLength));
    EXPECT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "next");
    EXPECT_EQ(t.NextToken(), TokenType::Invalid);
    EXPECT_EQ(t.GetNumber(), 0.0);
    EXPECT_EQ(t.NextToken(), TokenType::Invalid);
    EXPECT_EQ(t.NextToken(), TokenType::Word);
    EXPECT_STREQ(t.GetString(), "last");
    std::vector<std::string> messages = log.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "Token longer than 2047 characters on line 1");
    EXPECT_EQ(messages[1], "Token longer than 2047 characters on line 2");
}

TEST(CTokeniser, TokensKnowWhereTheyLieInTheInput) {
    // Each token's slice of the input is exactly its source text: quotes included, the terminator a
    // number keeps in its text excluded, comments and white space between tokens skipped.
    const std::string text = "# note\r\nA=1 { \"q w\"\t12;x 1:2:3\n.5 1.5} 5}  # tail";
    const std::vector<std::string> expected = {"A=1", "{", "\"q w\"", "12", ";", "x", "1:2:3", ".5", "1.5", "}", "5}"};
    CMemoryTokeniser t(text.data(), text.size());
    for (const std::string& source : expected) {
        ASSERT_NE(t.NextToken(), TokenType::EndOfFile) << source;
        EXPECT_EQ(text.substr(t.GetTokenStart(), t.GetTokenEnd() - t.GetTokenStart()), source);
    }
    EXPECT_EQ(t.NextToken(), TokenType::EndOfFile);
    EXPECT_EQ(t.GetTokenStart(), text.size());
    EXPECT_EQ(t.GetTokenEnd(), text.size());
}
