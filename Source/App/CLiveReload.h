// Live reload's watch over a presentation's files: the script, every file its resources and music
// name (the textures models made included), in the data folder, and the data zip. It reports when a
// save has settled; building the new presentation is the caller's.
#pragma once

#include <memory>
#include <string>
#include <vector>

class CFileWatcher;
class CSystem;

class CLiveReload {
public:
    CLiveReload(std::unique_ptr<CFileWatcher> watcher, std::string dataPath, std::string script);
    ~CLiveReload();

    // Watches the script and the files `system` names (null: the script alone), keeping what was
    // watched before (a failed reload still names the files it got to).
    void Watch(const CSystem* system);
    // True, with the file's path, when a save to one of them has settled.
    bool Poll(std::string& changed);

    // True when `changed`, a path Poll reported, is the data zip: it is mounted again before a reload.
    bool IsDataZip(const std::string& changed) const;

    // The names, inside the data, of the files a presentation reads.
    static std::vector<std::string> FilesOf(const CSystem& system);

private:
    std::unique_ptr<CFileWatcher> watcher;
    std::string dataPath;
    std::string script;
    std::vector<std::string> watched; // paths on disk
};
