#include "Base/ZipScreen.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unordered_set>

namespace {

std::string ZipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

std::string TooMany() { return "it holds more than " + std::to_string(MaxZipFilesAndFolders) + " files and folders"; }

} // namespace

bool ScreenZipArchive(const std::string& path, std::string& reason) {
    // A pipe or a device would block the reader or never end.
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "it is not a regular file";
        return false;
    }

    int error = 0;
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(zip_open(path.c_str(), ZIP_RDONLY, &error), zip_discard);
    if (!archive) {
        reason = ZipErrorText(error);
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count < 0 || zip_uint64_t(count) > MaxZipFilesAndFolders) {
        reason = TooMany();
        return false;
    }

    // Names stay owned by the archive while it is open; the set only points into them.
    std::unordered_set<std::string_view> nodes;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(archive.get(), zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!raw) {
            reason = "entry " + std::to_string(i) + " has no readable name";
            return false;
        }
        std::string_view name(raw);
        if (name.size() > MaxZipNameBytes) {
            reason = "entry " + std::to_string(i) + "'s name is " + std::to_string(name.size()) +
                     " bytes long, more than " + std::to_string(MaxZipNameBytes);
            return false;
        }
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
    return true;
}
