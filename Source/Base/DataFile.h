// Reads a whole file of the data paths (folder or archive, DataPaths.h) into memory, telling a file
// that is missing apart from one that could not be read whole or is larger than the limit, and
// refusing anything that is not a regular file (a folder, a FIFO or device, a symlink). What is read
// from a data folder is opened without following links or waiting, and judged on the handle it
// opened, so a name swapped for a pipe between the look and the open cannot block the reader.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class DataFileResult {
    Ok,
    NotFound,
    ReadError,
    TooLarge,
    Folder,     // the name is a folder
    NotRegular, // a FIFO, socket or device: opening one could wait forever or never end
    Symlink,    // the name (or a folder on its way) is a symlink, which the file system refuses
    Refused,    // the caller's admission (a memory budget) refused the file's size
};

// Files above this size are refused before anything is allocated for them.
constexpr int64_t MaxDataFileBytes = int64_t(512) << 20;

DataFileResult ReadDataFile(const std::string& name, std::vector<uint8_t>& bytes, int64_t limit = MaxDataFileBytes);

// The same, asking `admit` with the file's size before anything is allocated for it (a file whose
// archive cannot tell its size is asked for each block as it grows): false refuses the file.
DataFileResult ReadDataFile(const std::string& name, std::vector<uint8_t>& bytes, int64_t limit,
                            const std::function<bool(int64_t bytes)>& admit);

// Whether the data paths hold the name (a file or a folder; a symlink is not there).
bool DataFileExists(const std::string& name);

// Whether the name is a file that an archive (the data zip), not a folder, holds.
bool IsInDataArchive(const std::string& name);

// The one spelling of a data file's name that the file system resolves the same way: "t.png",
// "/t.png" and "fx//t.png" become "t.png", "t.png" and "fx/t.png". Files shared by name share by it.
std::string DataFileKey(const std::string& name);

// What a file of the data paths is, without opening it: Ok for a regular file, else NotFound,
// Folder, NotRegular or Symlink.
DataFileResult StatDataFile(const std::string& name);

// Why a name that exists is not a file, as the end of a message ("it is a folder, not a file");
// null for the other results, whose words each caller has.
const char* NotAFileReason(DataFileResult result);

// Why a file read with the default limit was not read, as the end of a message: NotAFileReason's
// words, or the limit, or a read that came up short.
const char* ReadFailureReason(DataFileResult result);

// The data paths' words for their last error on this thread (never null).
const char* LastDataError();
