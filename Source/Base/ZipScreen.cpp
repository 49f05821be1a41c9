#include "Base/ZipScreen.h"

#include "Base/ZipDirectory.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

std::string ZipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

std::string TooMany() { return "it holds more than " + std::to_string(MaxZipFilesAndFolders) + " files and folders"; }

// libzip must see the directory the mount will use, entry for entry: a second directory that one
// reader finds and the other does not would pass the screen and then be mounted unscreened.
bool SameAsLibzip(int fd, const std::vector<ZipDirectoryEntry>& entries, std::string& reason) {
    const int copy = dup(fd);
    if (copy < 0) {
        reason = std::strerror(errno);
        return false;
    }
    int error = 0;
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(zip_fdopen(copy, ZIP_RDONLY, &error), zip_discard);
    if (!archive) {
        close(copy);
        reason = ZipErrorText(error);
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count < 0 || uint64_t(count) != entries.size()) {
        reason = "it holds two directories that disagree (" + std::to_string(entries.size()) + " entries and " +
                 std::to_string(count) + ")";
        return false;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        const ZipDirectoryEntry& entry = entries[i];
        const bool read = zip_stat_index(archive.get(), i, ZIP_FL_ENC_RAW | ZIP_FL_UNCHANGED, &stat) == 0 && stat.name;
        std::string name = read ? stat.name : "";
        // The mount reads a FAT archive's '\\' as '/'; the directory read above did the same.
        if (name != entry.name)
            std::replace(name.begin(), name.end(), '\\', '/');
        if (!read || entry.name != name || entry.size != stat.size || entry.compressedSize != stat.comp_size ||
            entry.crc != stat.crc) {
            reason = "it holds two directories that disagree about entry " + std::to_string(i);
            return false;
        }
    }
    return true;
}

} // namespace

bool ScreenZipArchive(int fd, std::string& reason) {
    // A pipe or a device would block the reader or never end.
    struct stat info;
    if (fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "it is not a regular file";
        return false;
    }

    std::vector<ZipDirectoryEntry> entries;
    if (!ReadZipDirectory(fd, MaxZipEntries, MaxZipNameBytes, MaxZipNameBytesInAll, entries, reason))
        return false;

    std::unordered_set<std::string_view> nodes;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string_view name(entries[i].name);
        // "a/b/" is the folder "a/b", one level below the root like "a/b.txt".
        while (!name.empty() && name.back() == '/')
            name.remove_suffix(1);
        const auto depth = std::count(name.begin(), name.end(), '/');
        if (depth > MaxZipFolderDepth) {
            reason = "entry " + std::to_string(i) + "'s name is " + std::to_string(depth) +
                     " folders deep, more than " + std::to_string(MaxZipFolderDepth);
            return false;
        }
        for (size_t slash = name.find('/'); slash != std::string_view::npos; slash = name.find('/', slash + 1))
            nodes.insert(name.substr(0, slash));
        nodes.insert(name);
        if (nodes.size() > MaxZipFilesAndFolders) {
            reason = TooMany();
            return false;
        }
    }
    return SameAsLibzip(fd, entries, reason);
}

bool ScreenZipArchive(const std::string& path, std::string& reason) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    const bool passed = ScreenZipArchive(fd, reason);
    close(fd);
    return passed;
}
