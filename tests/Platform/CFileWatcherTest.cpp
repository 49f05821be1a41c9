// The file watcher against real files: every way editors save gives exactly one report, once the
// file is whole, and files that are not watched give none.
#ifdef _WIN32
#include "Platform/win32/WideNames.h"
#include "Platform/windows/CDirectoryChangesWatcher.h"
using PlatformWatcher = CDirectoryChangesWatcher;
#else
#include "Platform/linux/CInotifyFileWatcher.h"
using PlatformWatcher = CInotifyFileWatcher;
#endif
#include "Base/Log.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int QuietMs = 40;

// The messages logged while it lives.
class LoggedMessages {
public:
    LoggedMessages() : previous(SetLogRecorder(&lines)) {}
    ~LoggedMessages() { SetLogRecorder(previous); }
    LoggedMessages(const LoggedMessages&) = delete;
    LoggedMessages& operator=(const LoggedMessages&) = delete;

    bool Has(const std::string& message) const {
        for (const LoggedLine& line : lines)
            if (line.message == message)
                return true;
        return false;
    }
    std::string Text() const {
        std::string text;
        for (const LoggedLine& line : lines)
            text += std::string(line.function) + ": " + line.message + "\n";
        return text;
    }

private:
    std::vector<LoggedLine> lines;
    std::vector<LoggedLine>* previous;
};

#ifdef _WIN32
bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}
#endif

// A path as the program passes paths: UTF-8, whatever the system's code page.
std::string Utf8(const std::filesystem::path& path) {
#ifdef _WIN32
    return Utf8Name(path.wstring());
#else
    return path.string();
#endif
}

// Polls as live reload does, once a frame, until `until` has passed; stops at the first report when
// `stopAtFirst`.
std::vector<std::string> Reports(CFileWatcher& watcher, std::chrono::milliseconds until, bool stopAtFirst) {
    std::vector<std::string> reports;
    const auto deadline = std::chrono::steady_clock::now() + until;
    while (std::chrono::steady_clock::now() < deadline) {
        std::string changed;
        if (watcher.Poll(changed)) {
            reports.push_back(changed);
            if (stopAtFirst)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return reports;
}

// The first report within a few seconds, then nothing more for several quiet times.
std::vector<std::string> ReportsOfOneSave(CFileWatcher& watcher) {
    std::vector<std::string> reports = Reports(watcher, std::chrono::seconds(3), true);
    std::vector<std::string> more = Reports(watcher, std::chrono::milliseconds(QuietMs * 6), false);
    reports.insert(reports.end(), more.begin(), more.end());
    return reports;
}

// Overwrites the start of the file, keeping its length and what follows.
void WriteInPlace(const std::filesystem::path& file, const std::string& text) {
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(out.is_open());
    out.seekp(0);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    EXPECT_TRUE(out.flush());
}

} // namespace

TEST(CFileWatcher, EverySavingStyleIsReportedOnce) {
    TempFolder folder;
    const std::filesystem::path file = folder.path / "Config.txt";
    const std::string name = file.filename().string();
    const std::vector<std::pair<const char*, std::function<void()>>> styles = {
        {"write in place", [&] { WriteInPlace(file, "in place\n"); }},
        {"truncate and write", [&] { folder.Write(name, "truncated\n"); }},
        {"temporary file renamed over",
         [&] {
             folder.Write(name + ".tmp", "renamed over\n");
             std::filesystem::rename(folder.path / (name + ".tmp"), file);
         }},
        {"delete and re-create",
         [&] {
             std::filesystem::remove(file);
             folder.Write(name, "re-created\n");
         }},
        {"old file renamed to a backup",
         [&] {
             std::filesystem::rename(file, folder.path / (name + "~"));
             folder.Write(name, "backed up\n");
             std::filesystem::remove(folder.path / (name + "~"));
         }},
    };
    folder.Write(name, "first\n");
    PlatformWatcher watcher(QuietMs);
    ASSERT_TRUE(watcher.Watch({Utf8(file)}));
    for (const auto& [style, save] : styles) {
        save();
        EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{Utf8(file)}) << style;
    }
}

TEST(CFileWatcher, OtherFilesInTheFolderAreNotReported) {
    TempFolder folder;
    folder.Write("Config.txt", "watched\n");
    folder.Write("Earlier.txt", "watched before\n");
    PlatformWatcher watcher(QuietMs);
    ASSERT_TRUE(watcher.Watch({Utf8(folder.path / "Earlier.txt")}));
    // Watching again replaces the set.
    ASSERT_TRUE(watcher.Watch({Utf8(folder.path / "Config.txt")}));
    folder.Write(".Config.txt.swp", "editor swap file\n");
    folder.Write("Config.txt~", "backup\n");
    folder.Write("Earlier.txt", "no longer watched\n");
    std::filesystem::remove(folder.path / "Config.txt~");
    EXPECT_TRUE(Reports(watcher, std::chrono::milliseconds(QuietMs * 6), false).empty());
}

// Windows compares names without regard to letter case and Linux with it: a save under another case
// is a save of the watched file on one and of another file on the other.
TEST(CFileWatcher, NamesCompareAsTheFileSystemComparesThem) {
    TempFolder folder;
    folder.Write("Config.txt", "old\n");
    const std::string file = Utf8(folder.path / "config.TXT");
    PlatformWatcher watcher(QuietMs);
    ASSERT_TRUE(watcher.Watch({file}));
    folder.Write("Config.txt", "new\n");
#ifdef _WIN32
    EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{file});
#else
    EXPECT_TRUE(Reports(watcher, std::chrono::milliseconds(QuietMs * 6), false).empty());
#endif
}

TEST(CFileWatcher, FileIsReportedOnceItExists) {
    TempFolder folder;
    folder.Write("pictures/old.png", "old\n");
    const std::string file = Utf8(folder.path / "pictures" / "new.png");
    PlatformWatcher watcher(QuietMs);
    ASSERT_TRUE(watcher.Watch({file}));
    folder.Write("pictures/new.png", "created after Watch\n");
    EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{file});
    // Deleted, it is held back until it is there again, however long that takes.
    std::filesystem::remove(file);
    EXPECT_TRUE(Reports(watcher, std::chrono::milliseconds(QuietMs * 4), false).empty());
    folder.Write("pictures/new.png", "back\n");
    EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{file});
}

TEST(CFileWatcher, SavingTheTargetOfALinkReportsTheLink) {
    TempFolder folder;
    folder.Write("elsewhere/real.txt", "old\n");
    std::filesystem::create_directory(folder.path / "data");
    const std::filesystem::path link = folder.path / "data" / "Config.txt";
#ifdef _WIN32
    // Without the privilege (or developer mode) Windows makes no link.
    const std::filesystem::path target = folder.path / "elsewhere" / "real.txt";
    if (!CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        GTEST_SKIP() << "Cannot make a symbolic link here: " << SystemMessage(GetLastError());
    // Wine answers success and makes nothing.
    if (TempFolder::Read(link) != "old\n")
        GTEST_SKIP() << "The symbolic link made here does not lead to its target";
#else
    std::filesystem::create_symlink(folder.path / "elsewhere" / "real.txt", link);
#endif
    PlatformWatcher watcher(QuietMs);
    ASSERT_TRUE(watcher.Watch({Utf8(link)}));
    folder.Write("elsewhere/real.txt", "new\n");
    EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{Utf8(link)});
}

TEST(CFileWatcher, FileStillOpenForWritingIsNotReportedHalfWay) {
    TempFolder folder;
    folder.Write("Config.txt", "old\n");
    const std::filesystem::path file = folder.path / "Config.txt";
    PlatformWatcher watcher(QuietMs, QuietMs * 8);
    ASSERT_TRUE(watcher.Watch({Utf8(file)}));
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out.is_open());
    ASSERT_TRUE(out.write("half", 4).flush());
    EXPECT_TRUE(Reports(watcher, std::chrono::milliseconds(QuietMs * 4), false).empty());
    ASSERT_TRUE(out.write(" and the rest\n", 14).flush());
    out.close();
    EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{Utf8(file)});
    // A writer that keeps its file open is reported all the same once the longest hold has passed.
    out.open(file, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out.is_open());
    ASSERT_TRUE(out.write("all\n", 4).flush());
    EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{Utf8(file)});
    out.close();
}

TEST(CFileWatcher, FolderThatGoesAwayIsDroppedWithALogLine) {
    TempFolder folder;
    folder.Write("gone/Config.txt", "old\n");
    folder.Write("kept/Config.txt", "old\n");
    const std::string gone = Utf8(folder.path / "gone" / "Config.txt");
    const std::string kept = Utf8(folder.path / "kept" / "Config.txt");
    LoggedMessages log;
    PlatformWatcher watcher(QuietMs);
    ASSERT_TRUE(watcher.Watch({gone, kept}));
    std::filesystem::remove_all(folder.path / "gone");
#ifdef _WIN32
    // Wine keeps a deleted folder until its last handle is closed, and its reads never hear of it.
    if (RunningUnderWine())
        GTEST_SKIP() << "Wine does not tell a watched folder's deletion";
#endif
    // Its file is missing, so nothing is reported; the other folder is still watched.
    EXPECT_TRUE(Reports(watcher, std::chrono::milliseconds(QuietMs * 6), false).empty());
    EXPECT_TRUE(log.Has("Stopped watching files in '" + Utf8(folder.path / "gone") + "': the folder is gone"))
        << log.Text();
    folder.Write("kept/Config.txt", "new\n");
    EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{kept});
}

TEST(CFileWatcher, NothingToWatchIsRefusedWithALogLine) {
    LoggedMessages log;
    PlatformWatcher watcher(QuietMs);
    EXPECT_FALSE(watcher.Watch({"/nonexistent-qv-folder/Config.txt"}));
#ifdef _WIN32
    // The folder is on the current drive; the system words the error.
    const std::string missing =
        Utf8(std::filesystem::absolute("/nonexistent-qv-folder")) + "': " + SystemMessage(ERROR_FILE_NOT_FOUND);
#else
    const std::string missing = "/nonexistent-qv-folder': No such file or directory";
#endif
    EXPECT_TRUE(log.Has("Not watching files in '" + missing)) << log.Text();
    EXPECT_TRUE(log.Has("Watching none of the 1 files asked for")) << log.Text();
    EXPECT_FALSE(watcher.Watch({}));
}
