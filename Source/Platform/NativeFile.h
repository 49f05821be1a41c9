// The few calls the data layer makes to the machine's file system, in one place, so that another
// system needs only its own implementation beside Platform/posix/NativeFile.cpp: a read-only file handle, the look at a
// name that follows no link, and the two ways a data file is opened (a data folder's file, the data zip).
//
// What a variant for another system must keep: names are '/'-separated; a name whose letter case
// differs from the file's is missing (as it is on a case-sensitive file system); no link or reparse
// point is followed inside a data folder; nothing waits on a pipe; a handle is not inherited by
// programs started later.
#pragma once

#include "Base/DataFile.h"
#include "Base/DataPaths.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// What a name on the file system is, the name itself not followed when it is a link.
enum class NativeKind { Missing, Regular, Folder, Symlink, Other, Failed };

// A file open for reading. Move-only; closed when it goes.
class CNativeFile {
public:
    CNativeFile() = default;
    ~CNativeFile() { Close(); }
    CNativeFile(CNativeFile&& other) noexcept : handle(other.handle) { other.handle = -1; }
    CNativeFile& operator=(CNativeFile&& other) noexcept {
        if (this != &other) {
            Close();
            handle = other.handle;
            other.handle = -1;
        }
        return *this;
    }
    CNativeFile(const CNativeFile&) = delete;
    CNativeFile& operator=(const CNativeFile&) = delete;

    bool IsOpen() const { return handle >= 0; }
    // What the open file is, judged on the handle; false with `error`, the system's words.
    bool Describe(NativeKind& kind, int64_t& size, std::string& error) const;
    // The file's size now, or -1.
    int64_t Length() const;
    // Up to `count` bytes at `offset`, leaving the position alone: short only at the end; -1 on an error.
    int64_t ReadAt(int64_t offset, void* buffer, int64_t count) const;
    // Up to `count` bytes from the position, which moves on: short only at the end; -1 on an error.
    int64_t Read(void* buffer, int64_t count);
    bool Seek(int64_t offset);
    int64_t Tell() const;
    void Close();

private:
    friend bool OpenNativeFile(const std::string& path, CNativeFile& file, std::string& error);
    friend DataFileResult OpenNativeFileInFolder(const std::string& folder, const std::string& name, CNativeFile& file);
    intptr_t handle = -1;
};

// Opens the file at `path` for reading without waiting on a pipe (a link to it is followed: the data
// zip may be one). False with `error`, the system's words ("No such file or directory").
bool OpenNativeFile(const std::string& path, CNativeFile& file, std::string& error);

// Opens `name` (a clean data name: no empty, "." or ".." part) below `folder` one part at a time,
// following no link, so that no folder on the way nor the file itself can be swapped for a link
// between a look and the open, and never waiting on a pipe. The handle is judged: Ok for a regular
// file, else Folder, NotRegular, Symlink or NotFound, and `file` is left closed.
DataFileResult OpenNativeFileInFolder(const std::string& folder, const std::string& name, CNativeFile& file);

// What `path` is, a link at its end not followed; Failed with `error` set when the system could not
// tell (Missing sets NotFound).
NativeKind LookAtNative(const std::string& path, DataError& error);

// Whether `path` is a folder, a link to one followed (a data folder may be a link).
bool IsNativeFolder(const std::string& path);

// Why OpenNativeLogFile gave no file: a link at the name, something other than a regular file there
// (a pipe, a device, a folder), or another failure.
enum class NativeLogRefusal { None, Symlink, NotRegular, Failed };

// Opens `path` to write the log from its start (made when missing, emptied when there) through no
// link at the name, never waiting on a pipe, and not inherited by programs started later. Null, with
// the refusal, when it is not a regular file that can be written.
FILE* OpenNativeLogFile(const std::string& path, NativeLogRefusal& refusal);

// Opens `path` (UTF-8) with the C library's modes ("wb"), as fopen does with a name in the system's
// own encoding.
std::FILE* OpenNativeStdioFile(const std::string& path, const char* mode);

// A data stream reading `file` from its position (a data folder's file as the data paths open it).
std::unique_ptr<CDataStream> NativeFileStream(CNativeFile file);
