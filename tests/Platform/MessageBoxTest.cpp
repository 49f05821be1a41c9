#include "Platform/MessageBox.h"

#include <gtest/gtest.h>

TEST(MessageBox, TextReachesStandardErrorWithControlCharactersEscaped) {
    testing::internal::CaptureStderr();
    ShowErrorBox("Couldn't load 'a\x1b[2Jb.png'", false);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't load 'a\\x1b[2Jb.png'\n");
}
