// The data layer's file system calls on POSIX systems.
#include "Platform/NativeFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

NativeKind KindOf(mode_t mode) {
    if (S_ISREG(mode))
        return NativeKind::Regular;
    if (S_ISDIR(mode))
        return NativeKind::Folder;
    if (S_ISLNK(mode))
        return NativeKind::Symlink;
    return NativeKind::Other;
}

DataError ErrorOf(int code) {
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return DataError::NotFound;
    case EACCES:
    case EPERM:
        return DataError::Permission;
    case ENAMETOOLONG:
        return DataError::BadName;
    case ELOOP:
        return DataError::Symlink;
    case EISDIR:
        return DataError::NotAFile;
    case EIO:
        return DataError::Io;
    case ENOMEM:
        return DataError::OutOfMemory;
    default:
        return DataError::Other;
    }
}

} // namespace

void CNativeFile::Close() {
    if (handle >= 0)
        close(int(handle));
    handle = -1;
}

bool CNativeFile::Describe(NativeKind& kind, int64_t& size, std::string& error) const {
    struct stat info;
    if (handle < 0 || fstat(int(handle), &info) != 0) {
        error = std::strerror(handle < 0 ? EBADF : errno);
        return false;
    }
    kind = KindOf(info.st_mode);
    size = info.st_size;
    return true;
}

int64_t CNativeFile::Length() const {
    struct stat info;
    return handle >= 0 && fstat(int(handle), &info) == 0 ? int64_t(info.st_size) : -1;
}

namespace {

// Calls `readSome(to, wanted, done)` until `count` bytes arrived, the end came or an error other than
// an interruption: the bytes read, or -1 when an error came before any.
template <class ReadSome> int64_t ReadFully(void* buffer, int64_t count, ReadSome&& readSome) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t got = readSome(bytes + done, size_t(count - done), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return done > 0 ? done : -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace

int64_t CNativeFile::ReadAt(int64_t offset, void* buffer, int64_t count) const {
    if (handle < 0 || offset < 0)
        return -1;
    return ReadFully(buffer, count, [&](uint8_t* to, size_t wanted, int64_t done) {
        return pread(int(handle), to, wanted, off_t(offset + done));
    });
}

int64_t CNativeFile::Read(void* buffer, int64_t count) {
    if (handle < 0)
        return -1;
    return ReadFully(buffer, count, [&](uint8_t* to, size_t wanted, int64_t) { return read(int(handle), to, wanted); });
}

bool CNativeFile::Seek(int64_t offset) {
    return handle >= 0 && offset >= 0 && lseek(int(handle), off_t(offset), SEEK_SET) == off_t(offset);
}

int64_t CNativeFile::Tell() const { return handle >= 0 ? int64_t(lseek(int(handle), 0, SEEK_CUR)) : -1; }

bool OpenNativeFile(const std::string& path, CNativeFile& file, std::string& error) {
    file.Close();
    // Opening a FIFO without O_NONBLOCK would wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    file.handle = fd;
    return true;
}

DataFileResult OpenNativeFileInFolder(const std::string& folder, const std::string& name, CNativeFile& file) {
    file.Close();
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
        const bool isFolder = fstat(dir, &info) == 0 && S_ISDIR(info.st_mode);
        close(dir);
        return isFolder ? DataFileResult::Folder : DataFileResult::NotRegular;
    }
    file.handle = dir;
    return DataFileResult::Ok;
}

NativeKind LookAtNative(const std::string& path, DataError& error) {
    struct stat info;
    if (lstat(path.c_str(), &info) == 0)
        return KindOf(info.st_mode);
    error = ErrorOf(errno);
    return error == DataError::NotFound ? NativeKind::Missing : NativeKind::Failed;
}

bool IsNativeFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

FILE* OpenNativeLogFile(const std::string& path, NativeLogRefusal& refusal) {
    refusal = NativeLogRefusal::None;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        // ENXIO: a pipe nobody reads.
        refusal = errno == ELOOP   ? NativeLogRefusal::Symlink
                  : errno == ENXIO ? NativeLogRefusal::NotRegular
                                   : NativeLogRefusal::Failed;
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        refusal = NativeLogRefusal::NotRegular;
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "w");
    if (!file) {
        refusal = NativeLogRefusal::Failed;
        close(fd);
    }
    return file;
}

std::FILE* OpenNativeStdioFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }
