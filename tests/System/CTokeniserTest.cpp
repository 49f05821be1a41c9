#include "System/CTokeniser.h"

#include <gtest/gtest.h>

#include <string>

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
