// Every kind of bad input a user can hand the program, run end to end: what the user is told on
// standard error (the error box's text), the detail in debug.log with the Log option, and the exit
// status. docs/bad-input.md lists the same rows; a row there without a test here is a bug.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct BadInput {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files; // written under the test directory
    std::vector<std::string> args;                         // the command line after the program
    std::string userLine;                                  // a whole line of standard error
    std::string logStart;                                  // the start of a debug.log message; empty: none
    int status = 1;
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }

const std::string Script = "system { AppName = \"Bad\" }\n";

std::vector<BadInput> CommandLineCases() {
    return {
        {"UnknownOption", {}, {"Log", "Frobnicate"}, "Failed to parse the command line",
         "Unknown command line argument 'Frobnicate'"},
        {"ValueOutOfRange", {}, {"Log", "Width", "-5"}, "Failed to parse the command line",
         "Invalid value '-5' for command line option 'Width': expected a number from 1 to 16384"},
        {"ValueNotANumber", {}, {"Log", "Volume", "loud"}, "Failed to parse the command line",
         "Invalid value 'loud' for command line option 'Volume': expected a number from 0 to 1"},
        {"MissingValue", {}, {"Log", "AntiAlias"}, "Failed to parse the command line",
         "Missing value for command line option 'AntiAlias'"},
        {"CaptureEndBeforeStart", {}, {"Log", "Check", "CaptureStart", "5", "CaptureEnd", "2"},
         "Failed to parse the command line",
         "Invalid value for command line option 'CaptureEnd': it must be later than CaptureStart"},
        {"ArgumentWithQuote", {}, {"Config", "a\"b.txt"}, "Failed to parse the command line", ""},
        {"ArgumentLongerThanAToken", {}, {"Log", "Config", std::string(3000, 'c')}, "Failed to parse the command line",
         "Token longer than 2047 characters on line 1"},
    };
}

std::vector<BadInput> DataPathCases() {
    return {
        {"DataPathMissing", {}, {"Log", "Check", "DataPath", "nowhere"}, "Failed to add any datapaths to physfs!",
         "Failed to add any datapaths to physfs (tried 'nowhere/' and 'nowhere.zip')"},
        {"DataZipCorrupt", {{"broken.zip", "PK\x03\x04 this is not an archive"}}, {"Log", "Check", "DataPath", "broken"},
         "Failed to add any datapaths to physfs!", "Failed to add any datapaths to physfs"},
        {"ScriptMissing", {{"data/readme.txt", "no script here"}}, {"Log", "Check"}, "Couldn't find config file",
         "Couldn't find config file: "},
        {"ScriptIsAFolder", {{"data/Config.txt/inside.txt", ""}}, {"Log", "Check"}, "Couldn't read config file",
         "Couldn't read config file 'Config.txt'"},
    };
}

std::vector<BadInput> ScriptCases() {
    const std::string longWord(3000, 'w');
    return {
        {"ScriptUnknownBlock", {{"data/Config.txt", Script + "sound { }\nend\n"}}, {"Log", "Check"},
         "Failed to parse config file!", "Unknown block 'sound' in system config on line 2"},
        {"ScriptWithoutEnd", {{"data/Config.txt", Script}}, {"Log", "Check"}, "Failed to parse config file!",
         "Failed to parse config file!"},
        {"ScriptEmpty", {{"data/Config.txt", ""}}, {"Log", "Check"}, "Failed to parse config file!",
         "Failed to parse config file!"},
        {"ScriptBinary", {{"data/Config.txt", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\xff\xfe{}=;", 16)}},
         {"Log", "Check"}, "Failed to parse config file!", "Failed to parse config file!"},
        {"ScriptTokenTooLong", {{"data/Config.txt", Script + "scene " + longWord + " 0:0:0 1:0:0 { }\nend\n"}},
         {"Log", "Check"}, "Failed to parse config file!", "Token longer than 2047 characters on line 2"},
        {"ScriptTimeOutOfRange", {{"data/Config.txt", Script + "scene S 99999999999:0:0 1:0:0 { }\nend\n"}},
         {"Log", "Check"}, "Failed to parse config file!", "Time literal '99999999999:0:0' out of range on line 2"},
        {"ScriptZeroTempo", {{"data/Config.txt", "system { Bpm = 0 }\nend\n"}}, {"Log", "Check"},
         "Failed to parse config file!", "Invalid value for 'Bpm' on line 1: it must be a number greater than zero"},
        {"ScriptBeatOutOfRange", {{"data/Config.txt", Script + "scene S 0:4:0 1:0:0 { }\nend\n"}}, {"Log", "Check"},
         "Failed to parse config file!", "Failed to parse config file!"},
        {"ScriptDuplicateScene", {{"data/Config.txt", Script + "scene S 0:0:0 1:0:0 { }\nscene s 0:0:0 1:0:0 { }\nend\n"}},
         {"Log", "Check"}, "Failed to parse config file!", "Scene name 's' already exists"},
        {"ScriptUnknownLayerType",
         {{"data/Config.txt", Script + "scene S 0:0:0 1:0:0 {\n layers {\n A Sparkle { }\n }\n}\nend\n"}},
         {"Log", "Check"}, "Failed to parse config file!", "Unknown layer type 'Sparkle' found at line 4"},
        {"ScriptKeyframeForUnknownLayer",
         {{"data/Config.txt", Script + "scene S 0:0:0 1:0:0 {\n keyframes { 0:0:0 { Ghost Active hold true } }\n}\nend\n"}},
         {"Log", "Check"}, "Failed to parse config file!", "Couldn't load keyframe for unknown layer 'Ghost' on line 3"},
        {"ScriptDuplicateResource",
         {{"data/Config.txt", Script + "resources { Texture A a.png Texture a b.png }\nend\n"}}, {"Log", "Check"},
         "Failed to parse config file!", "Resource name already in use!"},
        {"ScriptBadRenderTargetSize",
         {{"data/Config.txt", Script + "resources { RenderTarget R huge }\nend\n"}}, {"Log", "Check"},
         "Failed to parse config file!", "Unknown render target size 'huge' line 2"},
    };
}

class BadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, TellsTheUserAndFails) {
    const BadInput& c = GetParam();
    TestDirectory dir;
    for (const auto& [name, content] : c.files)
        dir.Write(name, content);

    ProgramResult logged = RunProgramIn(dir, c.args);
    EXPECT_FALSE(logged.timedOut);
    EXPECT_EQ(logged.signal, 0) << logged.err;
    EXPECT_EQ(logged.status, c.status) << logged.err;
    EXPECT_TRUE(logged.ErrLine(c.userLine)) << "standard error:\n" << logged.err;
    if (!c.logStart.empty()) {
        EXPECT_TRUE(logged.LoggedStart(c.logStart)) << "debug.log lacks '" << c.logStart << "'; standard error:\n"
                                                    << logged.err;
    }

    // Without the Log option the user still gets the box text and the same status, and no log file.
    std::vector<std::string> quiet;
    for (const std::string& a : c.args)
        if (a != "Log")
            quiet.push_back(a);
    ProgramResult plain = RunProgramIn(dir, quiet);
    EXPECT_EQ(plain.status, c.status) << plain.err;
    EXPECT_TRUE(plain.ErrLine(c.userLine)) << "standard error:\n" << plain.err;
    EXPECT_TRUE(plain.log.empty());
}

std::string Name(const ::testing::TestParamInfo<BadInput>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(CommandLine, BadInputTest, ::testing::ValuesIn(CommandLineCases()), Name);
INSTANTIATE_TEST_SUITE_P(DataPath, BadInputTest, ::testing::ValuesIn(DataPathCases()), Name);
INSTANTIATE_TEST_SUITE_P(Script, BadInputTest, ::testing::ValuesIn(ScriptCases()), Name);

} // namespace
