// The Windows file watcher: one directory-change read (ReadDirectoryChangesW, overlapped) on each
// folder that holds watched files, filtered by name, since saving by renaming a new file over the old
// one replaces the file a watch on the file itself would sit on. Names compare without regard to
// letter case, as the file system does. Events are gathered into bursts that are reported once the
// folder has been quiet for a while.
#pragma once

#include "Platform/CFileWatcher.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class CDirectoryChangesWatcher : public CFileWatcher {
public:
    static constexpr int DefaultQuietMs = 100;
    // Windows tells of no file closed after writing: a changed file that some program still holds
    // open for writing holds the report back, up to this long after the last event, for writers that
    // pause; one that keeps its file open is reported all the same.
    static constexpr int DefaultMaxHoldMs = 2000;

    explicit CDirectoryChangesWatcher(int quietMs = DefaultQuietMs, int maxHoldMs = DefaultMaxHoldMs);
    // Cancels the reads in flight and waits for them before their buffers go.
    ~CDirectoryChangesWatcher() override;
    CDirectoryChangesWatcher(const CDirectoryChangesWatcher&) = delete;
    CDirectoryChangesWatcher& operator=(const CDirectoryChangesWatcher&) = delete;

    bool Watch(const std::vector<std::string>& files) override;
    // A burst that leaves every file it changed missing (deleted or renamed away, not yet back) is
    // held until one of them is back, so a slow delete-then-create is still one report.
    bool Poll(std::string& changed) override;

private:
    using Clock = std::chrono::steady_clock;
    // A folder's open handle, its read in flight and the names watched in it (defined in the source,
    // as it holds the system's types).
    struct Folder;

    void ReadEvents();
    // False when the folder can no longer be watched (logged).
    bool ReadFolder(Folder& folder);
    void HandleRecords(Folder& folder, size_t bytes);
    void NoteLostChanges(const Folder& folder);
    void NoteChange(const std::string& path);

    std::chrono::milliseconds quiet, maxHold;
    std::vector<std::unique_ptr<Folder>> folders;
    std::vector<std::string> watched;

    // The burst being gathered: changed paths in the order of their first change, and when the last
    // event came.
    std::vector<std::string> changedPaths;
    Clock::time_point lastEvent;
};
