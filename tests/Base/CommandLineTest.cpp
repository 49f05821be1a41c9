#include "Base/CommandLine.h"

#include "Base/Log.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// Each test starts from the default options with the log off, in its own directory, because the Log
// option switches the process-wide log on.
class CommandLine : public testing::Test {
protected:
    void SetUp() override {
        Options = CommandLineOptions{};
        ResetLogForTests();
        previous = std::filesystem::current_path();
        std::filesystem::current_path(directory.path);
    }
    void TearDown() override {
        ResetLogForTests();
        std::filesystem::current_path(previous);
        Options = CommandLineOptions{};
    }

    static bool Parse(const std::string& text) { return ParseCommandLine(text.data(), text.size()); }

    // Parses with the log off and returns what went to standard error.
    static std::string ParseFailing(const std::string& text) {
        testing::internal::CaptureStderr();
        bool ok = Parse(text);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(ok) << text;
        return err;
    }

    std::vector<std::string> LogMessages() const {
        std::vector<std::string> messages;
        for (const std::string& line : TempFolder::Lines(directory / "debug.log"))
            messages.push_back(line.substr(line.find("] ") + 2));
        return messages;
    }

    TempFolder directory;
    std::filesystem::path previous;
};

std::string Build(std::vector<const char*> args, bool* ok = nullptr, std::string* error = nullptr) {
    args.insert(args.begin(), "quorin-vanto");
    std::string text, message;
    bool result = BuildCommandLineText(static_cast<int>(args.size()), args.data(), text, message);
    if (ok)
        *ok = result;
    if (error)
        *error = message;
    return text;
}

} // namespace

TEST_F(CommandLine, EmptyTextSucceedsAndChangesNothing) {
    EXPECT_TRUE(Parse(""));
    EXPECT_TRUE(Parse("   # only a comment"));
    EXPECT_FALSE(Options.Log);
    EXPECT_EQ(Options.DataPath, "data");
    EXPECT_EQ(Options.Config, "Config.txt");
    EXPECT_FALSE(std::filesystem::exists(directory / "debug.log"));
}

TEST_F(CommandLine, FlagsMatchInAnyCaseAndStaySet) {
    EXPECT_TRUE(Parse("log skipsettings DEBUGKEYS IgnoreResourceErrors check windowed Log"));
    EXPECT_TRUE(Options.Log);
    EXPECT_TRUE(IsLogEnabled());
    EXPECT_TRUE(Options.SkipSettings);
    EXPECT_TRUE(Options.DebugKeys);
    EXPECT_TRUE(Options.IgnoreResourceErrors);
    EXPECT_TRUE(Options.Check);
    EXPECT_TRUE(Options.Windowed);
}

TEST_F(CommandLine, ValuesAreWordsOrQuotedAndTheLastOneWins) {
    EXPECT_TRUE(Parse("Log DataPath first datapath \"./my demo\" Config \"Other Config.txt\""));
    EXPECT_EQ(Options.DataPath, "./my demo");
    EXPECT_EQ(Options.Config, "Other Config.txt");
    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "Setting data path to 'first'");
    EXPECT_EQ(messages[1], "Setting data path to './my demo'");
    EXPECT_EQ(messages[2], "Setting config name to 'Other Config.txt'");
}

TEST_F(CommandLine, MessagesReachTheLogOnlyAfterLog) {
    EXPECT_TRUE(Parse("DataPath before Log DataPath after"));
    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Setting data path to 'after'");
}

TEST_F(CommandLine, ValuesThatAreNotWordsFail) {
    EXPECT_FALSE(Parse("DataPath ./data"));
    EXPECT_FALSE(Parse("DataPath 12 "));
    EXPECT_FALSE(Parse("Config"));
    EXPECT_FALSE(Parse("DataPath {"));
    EXPECT_FALSE(Parse("= Log"));
    EXPECT_FALSE(Parse("Log ;"));
}

TEST_F(CommandLine, CommentHidesTheRestAndMinusMakesAnUnknownWord) {
    EXPECT_TRUE(Parse("Log # DataPath elsewhere Bogus"));
    EXPECT_EQ(Options.DataPath, "data");
    Options = CommandLineOptions{};
    EXPECT_FALSE(Parse("Log -Log"));
    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Unknown command line argument '-Log'");
}

TEST_F(CommandLine, UnknownArgumentIsReportedOnStandardErrorWhenTheLogIsOff) {
    EXPECT_EQ(ParseFailing("Bogus Log"), "Unknown command line argument 'Bogus'\n");
    EXPECT_FALSE(std::filesystem::exists(directory / "debug.log"));
}

TEST_F(CommandLine, ControlCharactersInAnArgumentReachTheTerminalEscaped) {
    EXPECT_EQ(ParseFailing("\"Bo\x1b[2Jgus\""), "Unknown command line argument 'Bo\\x1b[2Jgus'\n");
}

TEST_F(CommandLine, NumericOptionsAreStored) {
    EXPECT_TRUE(Parse("Width 1920 Height \"1200\" Aspect 1.6 AntiAlias 8 Volume 0.25 CaptureFps 30 "
                      "CaptureStart 2 CaptureEnd 10.5 Capture \"./out frames\""));
    EXPECT_EQ(Options.Width, 1920.0f);
    EXPECT_EQ(Options.Height, 1200.0f);
    EXPECT_FLOAT_EQ(Options.Aspect, 1.6f);
    EXPECT_EQ(Options.AntiAlias, 8);
    EXPECT_EQ(Options.Volume, 0.25f);
    EXPECT_EQ(Options.CaptureFps, 30.0f);
    EXPECT_EQ(Options.CaptureStart, 2.0f);
    EXPECT_EQ(Options.CaptureEnd, 10.5f);
    EXPECT_EQ(Options.Capture, "./out frames");
}

TEST_F(CommandLine, NumberAtTheVeryEndIsStillANumber) {
    // Without a terminator the tokeniser gives a word; the option takes it as the number it spells.
    EXPECT_TRUE(Parse("Volume 0"));
    EXPECT_EQ(Options.Volume, 0.0f);
    EXPECT_TRUE(Parse("Width 800"));
    EXPECT_EQ(Options.Width, 800.0f);
    EXPECT_TRUE(Parse("AntiAlias 0.0"));
    EXPECT_EQ(Options.AntiAlias, 0);
}

TEST_F(CommandLine, InvalidValuesFailNamingTheOption) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"Width -5 ", "Invalid value '-5' for command line option 'Width': expected a number from 1 to 16384\n"},
        {"Height 0", "Invalid value '0' for command line option 'Height': expected a number from 1 to 16384\n"},
        {"Volume 1.5", "Invalid value '1.5' for command line option 'Volume': expected a number from 0 to 1\n"},
        {"Volume -0.1", "Invalid value '-0.1' for command line option 'Volume': expected a number from 0 to 1\n"},
        {"AntiAlias 3", "Invalid value '3' for command line option 'AntiAlias': expected one of 0, 2, 4, 8 or 16\n"},
        {"AntiAlias 2.5", "Invalid value '2.5' for command line option 'AntiAlias': expected one of 0, 2, 4, 8 or "
                          "16\n"},
        {"Width wide", "Invalid value 'wide' for command line option 'Width': expected a number from 1 to 16384\n"},
        {"Aspect 1e5", "Invalid value '1e5' for command line option 'Aspect': expected a number from 0.1 to 10\n"},
        {"CaptureFps 0", "Invalid value '0' for command line option 'CaptureFps': expected a number from 1 to "
                         "1000\n"},
        {"Width", "Missing value for command line option 'Width'\n"},
        {"Capture", "Command line option 'Capture' needs a folder name\n"},
        {"CaptureStart 5 CaptureEnd 5", "Invalid value for command line option 'CaptureEnd': it must be later than "
                                        "CaptureStart\n"},
    };
    for (const Case& c : cases) {
        Options = CommandLineOptions{};
        EXPECT_EQ(ParseFailing(c.text), c.expected) << c.text;
    }
}

TEST_F(CommandLine, InvalidValueGoesToTheLogOnceWhenTheLogIsOn) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Parse("Log Volume 7 "));
    std::string err = testing::internal::GetCapturedStderr();
    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Invalid value '7' for command line option 'Volume': expected a number from 0 to 1");
    // Standard error carries the log's own line only, not a second copy.
    EXPECT_EQ(err.find("Invalid value"), err.rfind("Invalid value"));
}

TEST(CommandLineText, PlainWordsPassAsTheyStandNumbersAreQuoted) {
    EXPECT_EQ(Build({}), "");
    EXPECT_EQ(Build({"Log", "DataPath", "demo_2.v-1+x", "Width", "1920", "Volume", "0.5", "CaptureStart", "-1"}),
              "Log DataPath demo_2.v-1+x Width \"1920\" Volume \"0.5\" CaptureStart \"-1\"");
}

TEST_F(CommandLine, NumericFolderAndScriptNamesWorkInAnyArgumentOrder) {
    for (auto args : {std::vector<const char*>{"DataPath", "2024", "Check", "Config", "7", "Width", "640"},
                      std::vector<const char*>{"Check", "Width", "640", "Config", "7", "DataPath", "2024"}}) {
        Options = CommandLineOptions();
        EXPECT_TRUE(Parse(Build(args))) << Build(args);
        EXPECT_EQ(Options.DataPath, "2024");
        EXPECT_EQ(Options.Config, "7");
        EXPECT_TRUE(Options.Check);
        EXPECT_EQ(Options.Width, 640.0f);
    }
}

TEST(CommandLineText, EverythingElseIsQuoted) {
    EXPECT_EQ(Build({"DataPath", "./data", "/home/me/demo", "my demo", "a#b", "-Log", "1.2.3", "", "x=1", "1e5"}),
              "DataPath \"./data\" \"/home/me/demo\" \"my demo\" \"a#b\" \"-Log\" \"1.2.3\" \"\" \"x=1\" \"1e5\"");
}

TEST(CommandLineText, DoubleQuoteIsRefused) {
    bool ok = true;
    std::string error;
    Build({"Log", "say \"hi\""}, &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("Argument 2 holds a double quote"), std::string::npos) << error;
}

TEST_F(CommandLine, BuiltTextParsesBackToTheArguments) {
    std::string text = Build({"Log", "DataPath", "/tmp/my demo/", "Config", "scripts/Main Script.txt", "Width", "640",
                              "Capture", "./frames"});
    EXPECT_TRUE(Parse(text));
    EXPECT_EQ(Options.DataPath, "/tmp/my demo/");
    EXPECT_EQ(Options.Config, "scripts/Main Script.txt");
    EXPECT_EQ(Options.Width, 640.0f);
    EXPECT_EQ(Options.Capture, "./frames");
}

TEST_F(CommandLine, MemoryLimitIsAWholeNumberOfMiB) {
    EXPECT_EQ(Options.MemoryLimit, 2048);
    EXPECT_TRUE(Parse("memorylimit 512 Check"));
    EXPECT_EQ(Options.MemoryLimit, 512);
    for (const char* bad : {"0", "1048577", "1.5", "lots"}) {
        Options = CommandLineOptions{};
        EXPECT_EQ(ParseFailing(std::string("MemoryLimit ") + bad),
                  std::string("Invalid value '") + bad +
                      "' for command line option 'MemoryLimit': expected a whole number of MiB from 1 to 1048576\n");
    }
}

TEST_F(CommandLine, CaptureQualityIsAWholeNumberFrom0To51) {
    EXPECT_EQ(Options.CaptureQuality, 18);
    EXPECT_TRUE(Parse("capturequality 0 Capture demo.mp4"));
    EXPECT_EQ(Options.CaptureQuality, 0);
    EXPECT_TRUE(Parse("CaptureQuality 51"));
    EXPECT_EQ(Options.CaptureQuality, 51);
    for (const char* bad : {"52", "-1", "17.5", "best"}) {
        Options = CommandLineOptions{};
        EXPECT_EQ(ParseFailing(std::string("CaptureQuality ") + bad),
                  std::string("Invalid value '") + bad +
                      "' for command line option 'CaptureQuality': expected a whole number from 0 to 51\n");
    }
}

TEST_F(CommandLine, BarTimesAreKeptAsWrittenAndGetTheirSecondsFromTheScriptsTempo) {
    // In the middle of the text a time is a Time token, at its end (or quoted) a word.
    ASSERT_TRUE(Parse("CaptureStart 8:0:0 CaptureEnd \"16:2:48\""));
    ASSERT_TRUE(Options.CaptureStartBars && Options.CaptureEndBars);
    EXPECT_EQ(*Options.CaptureEndBars, (BarBeatTick{16, 2, 48}));
    std::string error;
    ASSERT_TRUE(ResolveCaptureTimes(CMusicalTime(120.0f, 4, 96), error)) << error;
    EXPECT_EQ(Options.CaptureStart, 16.0f);
    EXPECT_EQ(Options.CaptureEnd, 33.25f);
    // The same bars at another tempo are other seconds; seconds stay seconds.
    ASSERT_TRUE(Parse("CaptureStart 2.5 CaptureEnd 2:0:0"));
    EXPECT_FALSE(Options.CaptureStartBars);
    ASSERT_TRUE(ResolveCaptureTimes(CMusicalTime(90.0f, 3, 4), error)) << error;
    EXPECT_EQ(Options.CaptureStart, 2.5f);
    EXPECT_EQ(Options.CaptureEnd, 4.0f);
    // A later value in seconds replaces a time given before it.
    ASSERT_TRUE(Parse("CaptureEnd 1:0:0 CaptureEnd 7"));
    EXPECT_FALSE(Options.CaptureEndBars);
}

TEST_F(CommandLine, BarTimesThatDoNotFitTheTempoOrTheRangeAreRefusedOnceItIsKnown) {
    std::string error;
    ASSERT_TRUE(Parse("CaptureStart 5:4:0"));
    EXPECT_FALSE(ResolveCaptureTimes(CMusicalTime(120.0f, 4, 96), error));
    EXPECT_EQ(error, "Invalid value '5:4:0' for command line option 'CaptureStart': the script's bars have 4 beats of "
                     "96 ticks, and a capture ends by 10000000 seconds");
    Options = CommandLineOptions{};
    ASSERT_TRUE(Parse("CaptureStart 8:0:0 CaptureEnd 10"));
    EXPECT_FALSE(ResolveCaptureTimes(CMusicalTime(), error));
    EXPECT_EQ(error, "Invalid value for command line option 'CaptureEnd': it must be later than CaptureStart");
    // Not a time: the message says what is expected.
    EXPECT_EQ(ParseFailing("CaptureStart 1:2"), "Invalid value '1:2' for command line option 'CaptureStart': "
                                                "expected a number of seconds from 0 to 10000000 or a bar:beat:tick "
                                                "time\n");
    ParseFailing("CaptureEnd \"-1:0:0\"");
}

TEST_F(CommandLine, CapturePartCountsFromOneAndJoinTakesEveryVideoAfterItsOutput) {
    ASSERT_TRUE(Parse("Capture p.mp4 CapturePart 3 7"));
    EXPECT_EQ(Options.CapturePart, 3);
    EXPECT_EQ(Options.CaptureParts, 7);
    EXPECT_NE(ParseFailing("Capture p.mp4 CapturePart 0 4").find("expected the part, counted from 1"),
              std::string::npos);
    EXPECT_EQ(ParseFailing("Capture p.mp4 CapturePart 5 4"),
              "Invalid value for command line option 'CapturePart': part 5 of 4 (parts count from 1)\n");
    Options = CommandLineOptions{};
    EXPECT_EQ(ParseFailing("CapturePart 1 2"),
              "Command line option 'CapturePart' needs 'Capture' with the video to write\n");

    Options = CommandLineOptions{};
    ASSERT_TRUE(Parse("Join out.mkv \"b/part-2.mp4\" part-1.MP4 DataPath demo Log"));
    EXPECT_EQ(Options.Join, "out.mkv");
    EXPECT_EQ(Options.JoinParts, (std::vector<std::string>{"b/part-2.mp4", "part-1.MP4"}));
    EXPECT_EQ(Options.DataPath, "demo");
    EXPECT_TRUE(Options.Log);
    Options = CommandLineOptions{};
    ResetLogForTests();
    EXPECT_EQ(ParseFailing("Join out.mp4 DataPath demo"),
              "Command line option 'Join' needs the parts to join after 'out.mp4', names ending in .mp4 or .mkv\n");
    EXPECT_NE(ParseFailing("Join out.avi a.mp4").find("needs the video to write"), std::string::npos);
    EXPECT_EQ(ParseFailing("Join out.mp4 a.mp4 Capture x.mp4"),
              "Command line option 'Join' cannot be given with 'Capture'\n");
}
