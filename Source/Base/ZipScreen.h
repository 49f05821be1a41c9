// Screens a data zip before the data paths mount it. PhysicsFS builds a node for every file and every
// folder an archive's names imply, in a table whose cost grows with the square of their number and
// with the length of each name, so an archive no real presentation needs can cost minutes and
// gigabytes. The directory screened is the one PhysicsFS will read, and libzip must read the same one:
// an archive that shows one reader something else than the other is refused. Either implementation of
// the data paths then mounts what was screened, and sees the same files and folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CNativeFile;
struct ZipDirectoryEntry;

// Limits on what an archive may hold (docs/bad-input.md lists them).
constexpr size_t MaxZipNameBytes = 1024;                     // bytes in one entry's name
constexpr int MaxZipFolderDepth = 32;                        // folder levels above one entry
constexpr size_t MaxZipEntries = 65536;                      // entries in the directory
constexpr size_t MaxZipFilesAndFolders = 65536 + 4096;       // entries plus the folders their names imply
constexpr uint64_t MaxZipNameBytesInAll = uint64_t(4) << 20; // bytes of all names together

// True when the archive open on `file` is a zip archive within the limits, whose names make one tree
// of files and folders (no name twice, nothing inside a file), with its directory in `entries` when
// given; otherwise false with `reason`, a phrase that can follow "Failed to add datapath '…' to
// physfs: ".
bool ScreenZipArchive(const CNativeFile& file, std::string& reason, std::vector<ZipDirectoryEntry>* entries = nullptr);
// The same for the file at `path`, which must be a regular file (a pipe is refused, never waited on).
bool ScreenZipArchive(const std::string& path, std::string& reason);
