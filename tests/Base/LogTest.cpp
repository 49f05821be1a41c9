#include "Base/Log.h"

#include "Support/LogCapture.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#endif

TEST(Log, WritesLocationInBracketsThenTheMessage) {
    LogCapture log;
    SetLogLocation("Source/Thing.cpp", "CThing::Do", 42);
    LogMessage("first %d", 1);
    SetLogLocation("Source/Thing.cpp", "CThing::Do", 43);
    LogMessage("second");
    EXPECT_EQ(TempFolder::Read(log.directory / "debug.log"),
              "[Source/Thing.cpp@42 CThing::Do] first 1\n[Source/Thing.cpp@43 CThing::Do] second\n");
}

TEST(Log, ShortensFileNamesToTheirLast30Characters) {
    LogCapture log;
    std::string thirty = "abcdefghij/abcdefghij/abcd.cpp";
    ASSERT_EQ(thirty.size(), 30u);
    std::string fiftyOne = "012345678901234567890" + std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ.cpp");
    ASSERT_EQ(fiftyOne.size(), 51u);
    SetLogLocation(thirty.c_str(), "F", 1);
    LogMessage("a");
    std::string thirtyOne = "X" + thirty; // the log keeps the pointer until the message
    SetLogLocation(thirtyOne.c_str(), "F", 2);
    LogMessage("b");
    SetLogLocation(fiftyOne.c_str(), "F", 3);
    LogMessage("c");
    std::vector<std::string> lines = TempFolder::Lines(log.directory / "debug.log");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[" + thirty + "@1 F] a");
    EXPECT_EQ(lines[1], "[" + thirty + "@2 F] b");
    EXPECT_EQ(lines[2], "[ABCDEFGHIJKLMNOPQRSTUVWXYZ.cpp@3 F] c");
}

TEST(Log, DropsTrailingLineEndsButKeepsInnerOnes) {
    LogCapture log;
    SetLogLocation("f", "g", 1);
    LogMessage("two\nlines\r\n\r\n");
    SetLogLocation("f", "g", 2);
    LogMessage("\n\r\n");
    EXPECT_EQ(TempFolder::Read(log.directory / "debug.log"), "[f@1 g] two\nlines\n[f@2 g] \n");
}

TEST(Log, PercentSignsInTheMessageAndLocationAreWrittenUnchanged) {
    LogCapture log;
    SetLogLocation("dir%d/file%s.cpp", "Load%n", 7);
    LogMessage("Loading '%s'", "100%s %d%%.png");
    EXPECT_EQ(TempFolder::Read(log.directory / "debug.log"), "[dir%d/file%s.cpp@7 Load%n] Loading '100%s %d%%.png'\n");
}

TEST(Log, CutsMessagesToTheBuffer) {
    LogCapture log;
    std::string huge(20000, 'm');
    testing::internal::CaptureStderr();
    SetLogLocation("f", "g", 1);
    LogMessage("%s", huge.c_str());
    testing::internal::GetCapturedStderr();
    std::vector<std::string> lines = TempFolder::Lines(log.directory / "debug.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "[f@1 g] " + std::string(10239, 'm'));
}

TEST(Log, SendsOneLinePerMessageToStandardError) {
    LogCapture log;
    testing::internal::CaptureStderr();
    SetLogLocation("f", "g", 3);
    LogMessage("to both\r\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[f@3 g] to both\n");
}

TEST(Log, WritesNothingAnywhereUntilEnabled) {
    TempFolder directory;
    std::filesystem::path previous = std::filesystem::current_path();
    ResetLogForTests();
    std::filesystem::current_path(directory.path);
    testing::internal::CaptureStderr();
    LOG("Test", "lost %d", 1);
    std::string err = testing::internal::GetCapturedStderr();
    bool created = std::filesystem::exists(directory / "debug.log");
    EnableLog();
    LOG("Test", "kept");
    std::vector<std::string> lines = TempFolder::Lines(directory / "debug.log");
    ResetLogForTests();
    std::filesystem::current_path(previous);

    EXPECT_EQ(err, "");
    EXPECT_FALSE(created);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Test] kept"), std::string::npos) << lines[0];
}

TEST(Log, StillReachesStandardErrorWhenTheFileCannotBeOpened) {
    LogCapture log;
    std::filesystem::create_directory(log.directory / "debug.log");
    testing::internal::CaptureStderr();
    SetLogLocation("f", "g", 1);
    LogMessage("one");
    SetLogLocation("f", "g", 2);
    LogMessage("two");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[f@1 g] one\n[f@2 g] two\n");
}

// Links need privileges on Windows and named pipes do not live in folders there.
#ifndef _WIN32
TEST(Log, SymbolicLinkNamedDebugLogIsNotFollowed) {
    LogCapture log;
    std::ofstream(log.directory / "precious.txt") << "keep\n";
    std::filesystem::create_symlink("precious.txt", log.directory / "debug.log");
    testing::internal::CaptureStderr();
    SetLogLocation("f", "g", 1);
    LogMessage("one");
    SetLogLocation("f", "g", 2);
    LogMessage("two");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "debug.log is a symbolic link: the log is not written to a file\n[f@1 g] one\n[f@2 g] two\n");
    EXPECT_EQ(TempFolder::Read(log.directory / "precious.txt"), "keep\n");
}

TEST(Log, PipeNamedDebugLogDoesNotStopTheProgram) {
    LogCapture log;
    ASSERT_EQ(mkfifo((log.directory / "debug.log").c_str(), 0600), 0);
    testing::internal::CaptureStderr();
    SetLogLocation("f", "g", 1);
    LogMessage("one");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "debug.log is not a regular file: the log is not written to a file\n[f@1 g] one\n");
}
#endif

TEST(Log, ControlCharactersAreEscapedOnStandardErrorButKeptInTheFile) {
    LogCapture log;
    testing::internal::CaptureStderr();
    SetLogLocation("f", "g", 1);
    LogMessage("Unknown layer type '%s'", "\x1b[2J\x1b]0;owned\a");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[f@1 g] Unknown layer type '\\x1b[2J\\x1b]0;owned\\x07'\n");
    EXPECT_EQ(TempFolder::Read(log.directory / "debug.log"), "[f@1 g] Unknown layer type '\x1b[2J\x1b]0;owned\a'\n");
}
