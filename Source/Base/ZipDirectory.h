// Reads a zip archive's central directory the way the data file system finds it when it mounts the
// archive: the last end record in the file's final 64 KiB, then the Zip64 records that record points
// to. Screening this directory, rather than the one another reader might pick, screens what is mounted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CNativeFile;

struct ZipDirectoryEntry {
    std::string name; // as the mount reads it, with a folder's trailing '/'
    uint32_t crc = 0;
    uint64_t compressedSize = 0, size = 0;
    uint64_t offset = 0;             // of the entry's local header, from the start of the file
    uint16_t madeBy = 0;             // the system that made it (high byte) and the format's version
    uint16_t method = 0;             // the compression method
    uint32_t externalAttributes = 0; // a Unix maker's file mode in the high 16 bits
};

// Reads the directory of the archive open on `file` into `entries`. Refuses, before reading them, a
// directory that claims more than `maxEntries` entries, and stops at the first name longer than
// `maxNameBytes` or one that takes the names past `maxNameBytesInAll`. False with `reason` otherwise.
bool ReadZipDirectory(const CNativeFile& file, uint64_t maxEntries, size_t maxNameBytes, uint64_t maxNameBytesInAll,
                      std::vector<ZipDirectoryEntry>& entries, std::string& reason);
