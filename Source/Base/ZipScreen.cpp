#include "Base/ZipScreen.h"

#include "Base/ZipDirectory.h"
#include "Base/ZipThroughFile.h"
#include "Platform/NativeFile.h"

#include <zip.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

std::string TooMany() { return "it holds more than " + std::to_string(MaxZipFilesAndFolders) + " files and folders"; }

// libzip must see the directory the mount will use, entry for entry: a second directory that one
// reader finds and the other does not would pass the screen and then be mounted unscreened.
bool SameAsLibzip(const CNativeFile& file, const std::vector<ZipDirectoryEntry>& entries, std::string& reason) {
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(OpenZipThroughFile(file, nullptr, reason), zip_discard);
    if (!archive)
        return false;
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

// Each name is a file or a folder once: two entries of one name, or an entry inside what an earlier
// entry made a file, leave the mount nothing sound to read. A name is as the mount keeps it: one
// trailing '/' marks a folder, and each part before a '/' is a folder it implies. A file's entry
// that names a folder implied before it leaves it a folder, as the mount does.
bool NamesAreOneTree(const std::vector<ZipDirectoryEntry>& entries, std::string& reason) {
    constexpr size_t Implied = SIZE_MAX;
    struct Node {
        size_t entry = Implied; // the entry that named it
        bool folder = true;
    };
    std::unordered_map<std::string_view, Node> nodes;
    nodes.reserve(entries.size() * 2);
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string_view name(entries[i].name);
        const bool folder = !name.empty() && name.back() == '/';
        if (folder)
            name.remove_suffix(1);
        for (size_t slash = name.find('/'); slash != std::string_view::npos; slash = name.find('/', slash + 1)) {
            const Node& above = nodes[name.substr(0, slash)];
            if (!above.folder) {
                reason =
                    "entry " + std::to_string(i) + " lies inside entry " + std::to_string(above.entry) + ", a file";
                return false;
            }
        }
        const auto [at, added] = nodes.try_emplace(name, Node{i, folder});
        if (!added && at->second.entry != Implied) {
            reason = "entry " + std::to_string(i) + " repeats entry " + std::to_string(at->second.entry) + "'s name";
            return false;
        }
        at->second.entry = i;
    }
    return true;
}

} // namespace

bool ScreenZipArchive(const CNativeFile& file, std::string& reason, std::vector<ZipDirectoryEntry>* read) {
    // A pipe or a device would block the reader or never end.
    NativeKind kind;
    int64_t length = 0;
    if (!file.Describe(kind, length, reason))
        return false;
    if (kind != NativeKind::Regular) {
        reason = "it is not a regular file";
        return false;
    }

    std::vector<ZipDirectoryEntry> entries;
    if (!ReadZipDirectory(file, MaxZipEntries, MaxZipNameBytes, MaxZipNameBytesInAll, entries, reason))
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
    if (!NamesAreOneTree(entries, reason) || !SameAsLibzip(file, entries, reason))
        return false;
    if (read)
        *read = std::move(entries);
    return true;
}

bool ScreenZipArchive(const std::string& path, std::string& reason) {
    CNativeFile file;
    return OpenNativeFile(path, file, reason) && ScreenZipArchive(file, reason);
}
