#include "Base/DataFile.h"

#include <physfs.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* LastDataError() {
    const char* text = PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode());
    return text ? text : "unknown error";
}

DataFileResult StatDataFile(const std::string& name) {
    if (!PHYSFS_isInit())
        return DataFileResult::NotFound;
    PHYSFS_Stat stat;
    if (!PHYSFS_stat(name.c_str(), &stat)) {
        // Symlinks are not followed, and a symlink is reported as missing with this error.
        return PHYSFS_getLastErrorCode() == PHYSFS_ERR_SYMLINK_FORBIDDEN ? DataFileResult::Symlink
                                                                         : DataFileResult::NotFound;
    }
    switch (stat.filetype) {
    case PHYSFS_FILETYPE_REGULAR:
        return DataFileResult::Ok;
    case PHYSFS_FILETYPE_DIRECTORY:
        return DataFileResult::Folder;
    case PHYSFS_FILETYPE_SYMLINK:
        return DataFileResult::Symlink;
    default:
        return DataFileResult::NotRegular;
    }
}

const char* NotAFileReason(DataFileResult result) {
    switch (result) {
    case DataFileResult::Folder:
        return "it is a folder, not a file";
    case DataFileResult::NotRegular:
        return "it is not a regular file";
    case DataFileResult::Symlink:
        // The file system's own words, which the script's message has always shown.
        return "symlinks are forbidden";
    default:
        return nullptr;
    }
}

const char* ReadFailureReason(DataFileResult result) {
    if (const char* reason = NotAFileReason(result))
        return reason;
    if (result == DataFileResult::Refused)
        return "it does not fit the memory limit";
    return result == DataFileResult::TooLarge ? "the file is larger than 512 MiB" : "the file cannot be read whole";
}

namespace {

// The folder mount's path on disk that holds `name`, or empty when an archive holds it.
std::string FolderHolding(const std::string& name) {
    const char* dir = PHYSFS_getRealDir(name.c_str());
    struct stat info;
    if (!dir || stat(dir, &info) != 0 || !S_ISDIR(info.st_mode))
        return {};
    return dir;
}

// Opens `name` below `folder` one component at a time, following no link, so that no folder on the
// way nor the file itself can be swapped for a link between the check and the open.
DataFileResult OpenInFolder(const std::string& folder, const std::string& name, int& fd) {
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return DataFileResult::NotFound;
    std::vector<std::string> parts;
    for (size_t start = 0; start <= name.size();) {
        size_t slash = name.find('/', start);
        if (slash == std::string::npos)
            slash = name.size();
        if (slash > start)
            parts.push_back(name.substr(start, slash - start));
        start = slash + 1;
    }
    DataFileResult result = parts.empty() ? DataFileResult::NotFound : DataFileResult::Ok;
    for (size_t i = 0; i < parts.size() && result == DataFileResult::Ok; ++i) {
        if (parts[i] == "." || parts[i] == "..") {
            result = DataFileResult::NotFound;
            break;
        }
        const bool last = i + 1 == parts.size();
        // Opening a FIFO without O_NONBLOCK would wait for a writer.
        const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (last ? O_NONBLOCK : O_DIRECTORY);
        const int next = openat(dir, parts[i].c_str(), flags);
        if (next < 0)
            result = errno == ELOOP ? DataFileResult::Symlink : DataFileResult::NotFound;
        close(dir);
        dir = next;
    }
    if (result != DataFileResult::Ok) {
        if (dir >= 0)
            close(dir);
        return result;
    }
    struct stat info;
    if (fstat(dir, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool folder = fstat(dir, &info) == 0 && S_ISDIR(info.st_mode);
        close(dir);
        return folder ? DataFileResult::Folder : DataFileResult::NotRegular;
    }
    fd = dir;
    return DataFileResult::Ok;
}

DataFileResult ReadOpenFile(int fd, std::vector<uint8_t>& bytes, int64_t limit,
                            const std::function<bool(int64_t)>& admit) {
    struct stat info;
    if (fstat(fd, &info) != 0)
        return DataFileResult::ReadError;
    const int64_t length = info.st_size;
    if (length > limit)
        return DataFileResult::TooLarge;
    if (admit && !admit(length))
        return DataFileResult::Refused;
    bytes.resize(static_cast<size_t>(length));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return DataFileResult::ReadError;
        done += size_t(got);
    }
    return DataFileResult::Ok;
}

DataFileResult ReadThroughFileSystem(const std::string& name, std::vector<uint8_t>& bytes, int64_t limit,
                                     const std::function<bool(int64_t)>& admit) {
    PHYSFS_File* file = PHYSFS_openRead(name.c_str());
    if (!file)
        return DataFileResult::NotFound;
    const PHYSFS_sint64 length = PHYSFS_fileLength(file);
    DataFileResult result = DataFileResult::Ok;
    if (length > limit) {
        result = DataFileResult::TooLarge;
    } else if (length >= 0 && admit && !admit(length)) {
        result = DataFileResult::Refused;
    } else if (length >= 0) {
        bytes.resize(static_cast<size_t>(length));
        const PHYSFS_sint64 read =
            length > 0 ? PHYSFS_readBytes(file, bytes.data(), static_cast<PHYSFS_uint64>(length)) : 0;
        if (read != length)
            result = DataFileResult::ReadError;
    } else {
        // The archive cannot tell the length: read to the end, within the same limit.
        uint8_t chunk[65536];
        PHYSFS_sint64 got;
        while (result == DataFileResult::Ok && (got = PHYSFS_readBytes(file, chunk, sizeof chunk)) > 0) {
            const int64_t grown = static_cast<int64_t>(bytes.size()) + got;
            if (grown > limit)
                result = DataFileResult::TooLarge;
            else if (admit && !admit(got))
                result = DataFileResult::Refused;
            else
                bytes.insert(bytes.end(), chunk, chunk + got);
        }
        if (result == DataFileResult::Ok && !PHYSFS_eof(file))
            result = DataFileResult::ReadError;
    }
    PHYSFS_close(file);
    return result;
}

} // namespace

DataFileResult OpenDataFileInFolder(const std::string& name, int& fd) {
    fd = -1;
    const std::string folder = FolderHolding(name);
    return folder.empty() ? DataFileResult::NotFound : OpenInFolder(folder, name, fd);
}

bool IsInDataArchive(const std::string& name) {
    return PHYSFS_isInit() && StatDataFile(name) == DataFileResult::Ok && FolderHolding(name).empty();
}

std::string DataFileKey(const std::string& name) {
    std::string key;
    for (size_t start = 0; start < name.size();) {
        size_t slash = name.find('/', start);
        if (slash == std::string::npos)
            slash = name.size();
        if (slash > start) {
            if (!key.empty())
                key += '/';
            key.append(name, start, slash - start);
        }
        start = slash + 1;
    }
    return key;
}

DataFileResult ReadDataFile(const std::string& name, std::vector<uint8_t>& bytes, int64_t limit) {
    return ReadDataFile(name, bytes, limit, nullptr);
}

DataFileResult ReadDataFile(const std::string& name, std::vector<uint8_t>& bytes, int64_t limit,
                            const std::function<bool(int64_t)>& admit) {
    bytes.clear();
    // The file system's look tells a folder, a FIFO or a symlink apart in its own words; the open
    // below decides again on what it opened.
    const DataFileResult kind = StatDataFile(name);
    if (kind != DataFileResult::Ok)
        return kind;
    DataFileResult result;
    const std::string folder = FolderHolding(name);
    if (!folder.empty()) {
        int fd = -1;
        result = OpenInFolder(folder, name, fd);
        if (result == DataFileResult::Ok) {
            result = ReadOpenFile(fd, bytes, limit, admit);
            close(fd);
        }
    } else {
        // An archive: PhysicsFS reads it through the handle that was screened when it was mounted.
        result = ReadThroughFileSystem(name, bytes, limit, admit);
    }
    if (result != DataFileResult::Ok)
        bytes.clear();
    return result;
}
