// Tells live reload when a demo author has saved one of the presentation's files: whatever way the
// editor saves (in place, truncate, a temporary file renamed over, delete and re-create, the old file
// renamed to a backup), one finished save gives one report, never a half-written file.
#pragma once

#include <memory>
#include <string>
#include <vector>

class CFileWatcher {
public:
    virtual ~CFileWatcher() = default;

    // Replaces the watched set with these files (paths on disk; they need not exist yet: a file
    // created later under a watched name counts as a change). A file whose folder does not exist when
    // Watch is called is not watched (logged). False with a log line when nothing can be watched.
    virtual bool Watch(const std::vector<std::string>& files) = 0;

    // Never blocks. True, with the path that changed first, once a burst of changes to watched files
    // has been quiet for the watcher's quiet time (about 100 ms), so a file still being written is
    // never reported half-way; each burst is reported once.
    virtual bool Poll(std::string& changed) = 0;
};
