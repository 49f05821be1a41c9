// The data paths: the folders and zip archives a presentation's files are read from, searched in the
// order they were mounted (the data folder, then the data zip), the first that holds a name giving
// its file. A name is relative and '/'-separated; a leading '/' and repeated '/' are dropped; letter
// case counts; a "." or ".." part, '\\' and ':' make a name illegal. A symlink anywhere on a name's
// way hides it in that place, and only regular files are opened.
//
// Two implementations behave alike: one over PhysicsFS ("physfs"), and one that reads folders
// straight from the file system and zips through libzip ("folder"), for where PhysicsFS cannot be
// built. The build picks one (QV_DATA_BACKEND); DataPaths() is the one in use. Reading a data file,
// with its limits and refusals, is DataFile.h's; mounting the data zip after screening it is
// DataZip.h's.
#pragma once

#include "Base/DataFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CNativeFile;
struct ZipDirectoryEntry;

// Why the last call on the data paths failed. Each has the same words in both implementations
// (DataErrorText), those PhysicsFS has always used.
enum class DataError {
    None,
    NotFound,
    Symlink,     // a symlink on the name's way
    BadName,     // a "." or ".." part, '\\' or ':'
    NotAFile,    // a folder opened as a file
    Corrupt,     // an archive entry that cannot be read
    Unsupported, // neither a folder nor an archive; an entry's compression method
    FilesOpen,   // an archive unmounted while a file of it is open
    NotMounted,
    NotStarted,
    PastEnd,
    Io,
    Permission,
    OutOfMemory,
    Other,
};

const char* DataErrorText(DataError error);

// A file of the data paths open for reading.
class CDataStream {
public:
    virtual ~CDataStream() = default;
    virtual int64_t Length() = 0;                          // -1 when unknown
    virtual int64_t Read(void* buffer, int64_t count) = 0; // 0 at the end, -1 on an error
    virtual bool Seek(int64_t offset) = 0;                 // false past the end
    virtual int64_t Tell() = 0;
};

class CDataPaths {
public:
    enum class Place { Last, First };

    virtual ~CDataPaths() = default;
    // "physfs" or "folder".
    virtual const char* Name() const = 0;

    // Ready for mounts; true also when already started. False with LastError().
    virtual bool Start() = 0;
    virtual bool Started() const = 0;
    // Unmounts everything (a test's end).
    virtual void Stop() = 0;

    // Adds the folder at `path` (a link to a folder is followed) to the search, after the places
    // already there or before them. True when `path` is already mounted. False with LastError().
    virtual bool MountFolder(const std::string& path, Place place = Place::Last) = 0;
    // Adds the zip archive open on `file`, already screened (`entries` is its directory as the screen
    // read it), after the places already there, under the name `path`. The archive is read through
    // that handle only. True when `path` is already mounted. False with LastError().
    virtual bool MountZip(const std::string& path, CNativeFile file, const std::vector<ZipDirectoryEntry>& entries) = 0;
    virtual bool IsMounted(const std::string& path) = 0;
    // Takes `path` off the search. False with LastError() when it is not mounted, or while a file of
    // an archive is open.
    virtual bool Unmount(const std::string& path) = 0;

    // Whether a place holds `name` (a file, a folder, anything but a link).
    virtual bool Exists(const std::string& name) = 0;
    // What `name` is in the first place that holds it: Ok for a regular file, Folder, NotRegular; or
    // Symlink when the last place looked at hid it behind a link, else NotFound.
    virtual DataFileResult Stat(const std::string& name) = 0;
    // Whether the first place that holds `name` is an archive.
    virtual bool InArchive(const std::string& name) = 0;
    // Opens `name` from the first place that holds it: a folder's file as OpenNativeFileInFolder opens
    // it (no link followed, no waiting on a pipe, judged on the handle), an archive's through the
    // archive. Ok with `stream` set, or why not.
    virtual DataFileResult Open(const std::string& name, std::unique_ptr<CDataStream>& stream) = 0;
    // The names in the folder `name` of every place, once each, sorted, links left out.
    virtual std::vector<std::string> List(const std::string& name) = 0;

    // The words for the last error of this thread (never null).
    virtual const char* LastError() = 0;
};

// The data paths the program reads from.
CDataPaths& DataPaths();

// The implementations this build has ("physfs" first where it has it); the first is the default.
std::vector<std::string> DataPathsBackends();
// A fresh instance of a backend DataPathsBackends() names; null otherwise. PhysicsFS keeps one state
// per process, so two "physfs" instances see the same mounts.
std::unique_ptr<CDataPaths> CreateDataPaths(const std::string& backend);
// Makes `paths` the one DataPaths() returns (null: the default again); returns the one it replaces.
CDataPaths* UseDataPaths(CDataPaths* paths);

// The name as the data paths look it up: `clean` without a leading, repeated or trailing '/'. False
// (with `clean` empty) for an illegal name.
bool CleanDataName(const std::string& name, std::string& clean);

// Each implementation's factory: CreatePhysfsDataPaths exists where PhysicsFS is built.
std::unique_ptr<CDataPaths> CreatePhysfsDataPaths();
std::unique_ptr<CDataPaths> CreateFolderDataPaths();
