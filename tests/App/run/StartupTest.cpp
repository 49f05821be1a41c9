// Runs the built program the way a user does and checks its exit status, its standard error and the
// lines of debug.log.
#include "Support/ProgramRun.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::filesystem::path Fixtures = std::filesystem::path(QV_SOURCE_DIR) / "tests/data/startup";

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// Zips the files of `folder` at the archive's root.
void Zip(const std::filesystem::path& folder, const std::filesystem::path& archive) {
    std::string command = "cd '" + folder.string() + "' && zip -q -r '" + archive.string() + "' .";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

} // namespace

TEST(Startup, ValidScriptPassesTheCheck) {
    TempFolder dir;
    std::string data = (Fixtures / "valid").string();
    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", data});
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_GE(run.log.size(), 6u) << Joined(run.log);
    EXPECT_EQ(run.log[0], "Setting data path to '" + data + "'");
    EXPECT_EQ(run.log[1], "Running system version: Test 2.0 ( Release build )");
    EXPECT_EQ(run.log[2], "Added datapath '" + data + "/' to physfs");
    EXPECT_EQ(run.log[3].rfind("Failed to add datapath '" + data + ".zip' to physfs: ", 0), 0u) << run.log[3];
    EXPECT_EQ(run.log[4], "Loading config file 'Config.txt'");
    EXPECT_EQ(run.log[5], "Config file loaded ok!");
    // The log's lines name where they come from (a long path keeps its end, the file's name).
    std::vector<std::string> raw = TempFolder::Lines(dir / "debug.log");
    EXPECT_EQ(raw[1].rfind("[", 0), 0u) << raw[1];
    EXPECT_NE(raw[1].find("App/run/CApplication.cpp@"), std::string::npos) << raw[1];
    EXPECT_NE(raw[1].find(" WinMain] "), std::string::npos) << raw[1];
}

TEST(Startup, WithoutTheLogNoFileIsWritten) {
    TempFolder dir;
    ProgramResult run = RunProgram(dir, {"check", "datapath", (Fixtures / "valid").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(run.logExists);
    EXPECT_EQ(run.err, "");
}

TEST(Startup, MissingDataPathFails) {
    TempFolder dir;
    std::string data = (dir / "nowhere").string();
    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", data});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.log, "Failed to add any datapaths to physfs (tried '" + data + "/' and '" + data + ".zip')"))
        << Joined(run.log);
    EXPECT_FALSE(Has(run.log, "Loading config file 'Config.txt'"));
    EXPECT_NE(run.err.find("\nFailed to add any datapaths to physfs!\n"), std::string::npos) << run.err;
}

TEST(Startup, DataBesideTheProgramIsFoundWhenTheWorkingFolderHasNone) {
    // A release folder, the program with its data.zip, started from the folder above it.
    TempFolder dir;
    const std::filesystem::path release = dir / "release";
    std::filesystem::create_directories(release);
    Zip(Fixtures / "valid", release / "data.zip");
    std::filesystem::copy_file(QV_PROGRAM, release / "quorin-vanto");
    auto run = [&](const std::vector<std::string>& args) {
        return FinishProgram(dir, StartProgram(dir, args, nullptr, (release / "quorin-vanto").string()), 60);
    };
    const ProgramResult found = run({"Log", "Check"});
    EXPECT_EQ(found.status, 0) << found.Said();
    EXPECT_TRUE(Has(found.log, "Added datapath '" + (release / "data").string() + ".zip' to physfs"))
        << Joined(found.log);
    // The working folder's data comes first, and a data path given in full is never looked for elsewhere.
    std::filesystem::copy(Fixtures / "valid", dir / "data", std::filesystem::copy_options::recursive);
    const ProgramResult own = run({"Log", "Check"});
    EXPECT_EQ(own.status, 0) << own.Said();
    EXPECT_TRUE(Has(own.log, "Added datapath 'data/' to physfs")) << Joined(own.log);
    const ProgramResult absent = run({"Log", "Check", "DataPath", (dir / "nowhere").string()});
    EXPECT_EQ(absent.status, 1);
}

TEST(Startup, ZipAloneIsMounted) {
    TempFolder dir;
    Zip(Fixtures / "valid", dir / "packed.zip");
    std::string data = (dir / "packed").string();
    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", data});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.log, "Added datapath '" + data + ".zip' to physfs")) << Joined(run.log);
    EXPECT_TRUE(Has(run.log, "Config file loaded ok!"));
}

TEST(Startup, FolderWinsOverTheZipAndBothStayMounted) {
    TempFolder dir;
    // The zip's script is broken and it holds a second script the folder lacks.
    dir.Write("zipsource/Config.txt", "broken {\n");
    dir.Write("zipsource/Only.txt", "end\n");
    Zip(dir / "zipsource", dir / "both.zip");
    std::filesystem::copy(Fixtures / "valid", dir / "both");
    std::string data = (dir / "both").string();

    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", data});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.log, "Added datapath '" + data + "/' to physfs")) << Joined(run.log);
    EXPECT_TRUE(Has(run.log, "Added datapath '" + data + ".zip' to physfs")) << Joined(run.log);

    ProgramResult fromZip = RunProgram(dir, {"Log", "Check", "DataPath", data, "Config", "Only.txt"});
    EXPECT_EQ(fromZip.status, 0) << fromZip.err;
}

TEST(Startup, TrailingSlashOnTheDataPathNamesTheSameData) {
    TempFolder dir;
    Zip(Fixtures / "valid", dir / "packed.zip");
    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", (dir / "packed").string() + "/"});
    EXPECT_EQ(run.status, 0) << Joined(run.log);
}

TEST(Startup, ScriptWithoutEndFails) {
    TempFolder dir;
    for (const char* fixture : {"noend", "empty"}) {
        ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", (Fixtures / fixture).string()});
        EXPECT_EQ(run.status, 1) << fixture;
        ASSERT_FALSE(run.log.empty()) << fixture;
        EXPECT_EQ(run.log.back(), "Failed to parse config file!") << fixture;
        EXPECT_NE(run.err.find("\nFailed to parse config file!\n"), std::string::npos) << run.err;
    }
}

TEST(Startup, UnknownBlockIsReportedWithItsLine) {
    TempFolder dir;
    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", (Fixtures / "unknownblock").string()});
    EXPECT_EQ(run.status, 1);
    ASSERT_GE(run.log.size(), 2u);
    EXPECT_EQ(run.log[run.log.size() - 2], "Unknown block 'systme' in system config on line 5");
    EXPECT_EQ(run.log.back(), "Failed to parse config file!");
}

TEST(Startup, MissingScriptFails) {
    TempFolder dir;
    ProgramResult run =
        RunProgram(dir, {"Log", "Check", "DataPath", (Fixtures / "valid").string(), "Config", "Missing.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.log, "Loading config file 'Missing.txt'"));
    ASSERT_FALSE(run.log.empty());
    EXPECT_EQ(run.log.back().rfind("Couldn't find config file: ", 0), 0u) << run.log.back();
    EXPECT_NE(run.err.find("\nCouldn't find config file\n"), std::string::npos) << run.err;
}

TEST(Startup, DirectoryInPlaceOfTheScriptFailsAsUnreadable) {
    TempFolder dir;
    dir.Write("data/Config.txt/inside", "end\n");
    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", (dir / "data").string()});
    EXPECT_EQ(run.status, 1);
    ASSERT_FALSE(run.log.empty());
    EXPECT_EQ(run.log.back().rfind("Couldn't read config file 'Config.txt': ", 0), 0u) << run.log.back();
}

TEST(Startup, BadCommandLineFails) {
    TempFolder dir;
    ProgramResult run = RunProgram(dir, {"Log", "Check", "Bogus"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.log,
              (std::vector<std::string>{"Unknown command line argument 'Bogus'", "Failed to parse the command line"}));
    EXPECT_NE(run.err.find("\nFailed to parse the command line\n"), std::string::npos) << run.err;

    // Before Log nothing reaches the log, but standard error still says what went wrong.
    TempFolder quietDir;
    ProgramResult quiet = RunProgram(quietDir, {"Check", "Volume", "3"});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_FALSE(quiet.logExists);
    EXPECT_EQ(quiet.err, "Invalid value '3' for command line option 'Volume': expected a number from 0 to 1\n"
                         "Failed to parse the command line\n");

    ProgramResult quote = RunProgram(dir, {"Check", "DataPath", "say \"hi\""});
    EXPECT_EQ(quote.status, 1);
    EXPECT_NE(quote.err.find("holds a double quote"), std::string::npos) << quote.err;
}

TEST(Startup, HelpAndVersionExitAtOnce) {
    TempFolder dir;
    ProgramResult version = RunProgram(dir, {"Log", "--version", "Bogus"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quorin-vanto Test 2.0 ( Release build )\n");
    EXPECT_FALSE(version.logExists);
    ProgramResult help = RunProgram(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("DataPath <path>"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("Check"), std::string::npos);
}
