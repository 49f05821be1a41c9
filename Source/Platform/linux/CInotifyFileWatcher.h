// The Linux file watcher: inotify watches on the folders that hold the watched files, filtered by
// name, since saving by renaming a new file over the old one replaces the inode a file watch sits on.
// Events are gathered into bursts that are reported once the folder has been quiet for a while.
#pragma once

#include "Platform/CFileWatcher.h"

#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

class CInotifyFileWatcher : public CFileWatcher {
public:
    static constexpr int DefaultQuietMs = 100;
    // A file modified but not yet closed by its writer holds the report back, up to this long after
    // the last event, for writers that pause; one that keeps its file open is reported all the same.
    static constexpr int DefaultMaxHoldMs = 2000;

    explicit CInotifyFileWatcher(int quietMs = DefaultQuietMs, int maxHoldMs = DefaultMaxHoldMs);
    ~CInotifyFileWatcher() override;
    CInotifyFileWatcher(const CInotifyFileWatcher&) = delete;
    CInotifyFileWatcher& operator=(const CInotifyFileWatcher&) = delete;

    bool Watch(const std::vector<std::string>& files) override;
    // A burst that leaves every file it changed missing (deleted or renamed away, not yet back) is
    // held until one of them is back, so a slow delete-then-create is still one report.
    bool Poll(std::string& changed) override;

private:
    using Clock = std::chrono::steady_clock;

    struct Folder {
        std::string path;
        std::map<std::string, std::string> names; // name in the folder -> the watched path it reports
    };

    void ReadEvents();
    void HandleEvent(int wd, uint32_t mask, const std::string& name);
    void NoteChange(const std::string& path);

    int fd = -1;
    int initError = 0;
    std::chrono::milliseconds quiet, maxHold;
    std::map<int, Folder> folders; // by watch descriptor
    std::vector<std::string> watched;

    // The burst being gathered: changed paths in the order of their first change, the paths written
    // and not yet closed, and when the last event came.
    std::vector<std::string> changedPaths;
    std::set<std::string> writing;
    Clock::time_point lastEvent;
};
