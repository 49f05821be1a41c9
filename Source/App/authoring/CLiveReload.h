// Live reload's watch over a presentation's files: the script, every file its resources and music
// name (the textures models made included), in the data folder, the data zip, and the data folder's
// own name (a link to it may be pointed elsewhere). Only names the loader could read are watched:
// inside the data folder, with no symbolic link on the way. It reports when a save has settled;
// building the new presentation is the caller's.
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

    // Watches the script and the files `system` names (null: the script alone). With `keep`, what was
    // watched before stays watched (a failed reload names only the files it got to); without, the
    // files no longer named are let go.
    void Watch(const CSystem* system, bool keep = false);
    // True, with the file's path, when a save to one of them has settled.
    bool Poll(std::string& changed);

    // True when `changed`, a path Poll reported, is the data zip: it is mounted again before a reload.
    bool IsDataZip(const std::string& changed) const;

    // The names, inside the data, of the files a presentation reads.
    static std::vector<std::string> FilesOf(const CSystem& system);
    // The path on disk of `name` in the data folder `dataPath`, or empty when the loader could not
    // read it from there: a name that climbs out with "..", or one with a symbolic link on its way.
    static std::string PathInData(const std::string& dataPath, const std::string& name);

private:
    std::unique_ptr<CFileWatcher> watcher;
    std::string dataPath;
    std::string script;
    std::vector<std::string> watched; // paths on disk
};
