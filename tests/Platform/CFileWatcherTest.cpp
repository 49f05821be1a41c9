// The file watcher against real files: every way editors save gives exactly one report, once the
// file is whole, and files that are not watched give none.
#include "Platform/linux/CInotifyFileWatcher.h"
#include "Support/LogCapture.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int QuietMs = 40;

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

void WriteInPlace(const std::filesystem::path& file, const std::string& text) {
    int fd = open(file.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(pwrite(fd, text.data(), text.size(), 0), ssize_t(text.size()));
    close(fd);
}

} // namespace

TEST(CFileWatcher, EverySavingStyleIsReportedOnce) {
    TempFolder folder{TempFolder::Mounted};
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
    CInotifyFileWatcher watcher(QuietMs);
    ASSERT_TRUE(watcher.Watch({file.string()}));
    for (const auto& [style, save] : styles) {
        save();
        EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{file.string()}) << style;
    }
}

TEST(CFileWatcher, OtherFilesInTheFolderAreNotReported) {
    TempFolder folder{TempFolder::Mounted};
    folder.Write("Config.txt", "watched\n");
    folder.Write("Earlier.txt", "watched before\n");
    CInotifyFileWatcher watcher(QuietMs);
    ASSERT_TRUE(watcher.Watch({(folder.path / "Earlier.txt").string()}));
    // Watching again replaces the set.
    ASSERT_TRUE(watcher.Watch({(folder.path / "Config.txt").string()}));
    folder.Write(".Config.txt.swp", "editor swap file\n");
    folder.Write("Config.txt~", "backup\n");
    folder.Write("Earlier.txt", "no longer watched\n");
    std::filesystem::remove(folder.path / "Config.txt~");
    EXPECT_TRUE(Reports(watcher, std::chrono::milliseconds(QuietMs * 6), false).empty());
}

TEST(CFileWatcher, FileIsReportedOnceItExists) {
    TempFolder folder{TempFolder::Mounted};
    folder.Write("pictures/old.png", "old\n");
    const std::string file = (folder.path / "pictures" / "new.png").string();
    CInotifyFileWatcher watcher(QuietMs);
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
    TempFolder folder{TempFolder::Mounted};
    folder.Write("elsewhere/real.txt", "old\n");
    std::filesystem::create_directory(folder.path / "data");
    const std::filesystem::path link = folder.path / "data" / "Config.txt";
    std::filesystem::create_symlink(folder.path / "elsewhere" / "real.txt", link);
    CInotifyFileWatcher watcher(QuietMs);
    ASSERT_TRUE(watcher.Watch({link.string()}));
    folder.Write("elsewhere/real.txt", "new\n");
    EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{link.string()});
}

TEST(CFileWatcher, FileStillOpenForWritingIsNotReportedHalfWay) {
    TempFolder folder{TempFolder::Mounted};
    folder.Write("Config.txt", "old\n");
    const std::filesystem::path file = folder.path / "Config.txt";
    CInotifyFileWatcher watcher(QuietMs, QuietMs * 8);
    ASSERT_TRUE(watcher.Watch({file.string()}));
    int fd = open(file.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "half", 4), 4);
    EXPECT_TRUE(Reports(watcher, std::chrono::milliseconds(QuietMs * 4), false).empty());
    ASSERT_EQ(write(fd, " and the rest\n", 14), 14);
    close(fd);
    EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{file.string()});
    // A writer that keeps its file open is reported all the same once the longest hold has passed.
    fd = open(file.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "all\n", 4), 4);
    EXPECT_EQ(ReportsOfOneSave(watcher), std::vector<std::string>{file.string()});
    close(fd);
}

TEST(CFileWatcher, NothingToWatchIsRefusedWithALogLine) {
    LogCapture log;
    CInotifyFileWatcher watcher(QuietMs);
    EXPECT_FALSE(watcher.Watch({"/nonexistent-qv-folder/Config.txt"}));
    EXPECT_TRUE(log.Has("Not watching files in '/nonexistent-qv-folder': No such file or directory")) << log.Text();
    EXPECT_TRUE(log.Contains("Watching none of the 1 files asked for")) << log.Text();
    EXPECT_FALSE(watcher.Watch({}));
}
