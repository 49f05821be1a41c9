#include "Base/DataZip.h"

#include "Base/DataFile.h"
#include "Base/ZipScreen.h"

#include <physfs.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The archive's descriptor, shared by the handle PhysicsFS keeps and the copies it makes to read
// files; each copy has its own position, and reads with pread so that none moves another's.
struct SharedFile {
    explicit SharedFile(int fd) : fd(fd) {}
    ~SharedFile() { close(fd); }
    int fd;
    int64_t length = 0;
};

struct FileIo {
    std::shared_ptr<SharedFile> file;
    uint64_t position = 0;
};

PHYSFS_Io* MakeIo(std::shared_ptr<SharedFile> file, uint64_t position);

FileIo& StateOf(PHYSFS_Io* io) { return *static_cast<FileIo*>(io->opaque); }

PHYSFS_sint64 Read(PHYSFS_Io* io, void* buffer, PHYSFS_uint64 length) {
    FileIo& state = StateOf(io);
    auto* bytes = static_cast<uint8_t*>(buffer);
    PHYSFS_uint64 done = 0;
    while (done < length) {
        const ssize_t got = pread(state.file->fd, bytes + done, length - done, off_t(state.position));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            PHYSFS_setErrorCode(PHYSFS_ERR_IO);
            return done > 0 ? PHYSFS_sint64(done) : -1;
        }
        if (got == 0)
            break;
        done += PHYSFS_uint64(got);
        state.position += PHYSFS_uint64(got);
    }
    return PHYSFS_sint64(done);
}

PHYSFS_sint64 Write(PHYSFS_Io*, const void*, PHYSFS_uint64) {
    PHYSFS_setErrorCode(PHYSFS_ERR_READ_ONLY);
    return -1;
}

int Seek(PHYSFS_Io* io, PHYSFS_uint64 offset) {
    StateOf(io).position = offset;
    return 1;
}

PHYSFS_sint64 Tell(PHYSFS_Io* io) { return PHYSFS_sint64(StateOf(io).position); }

PHYSFS_sint64 Length(PHYSFS_Io* io) { return StateOf(io).file->length; }

PHYSFS_Io* Duplicate(PHYSFS_Io* io) {
    PHYSFS_Io* copy = MakeIo(StateOf(io).file, 0);
    if (!copy)
        PHYSFS_setErrorCode(PHYSFS_ERR_OUT_OF_MEMORY);
    return copy;
}

int Flush(PHYSFS_Io*) { return 1; }

void Destroy(PHYSFS_Io* io) {
    delete static_cast<FileIo*>(io->opaque);
    delete io;
}

PHYSFS_Io* MakeIo(std::shared_ptr<SharedFile> file, uint64_t position) {
    auto* io = new PHYSFS_Io{
        0, new FileIo{std::move(file), position}, Read, Write, Seek, Tell, Length, Duplicate, Flush, Destroy};
    return io;
}

} // namespace

bool MountDataZip(const std::string& path, std::string& reason) {
    if (!PHYSFS_isInit()) {
        reason = "the file system is not started";
        return false;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    auto file = std::make_shared<SharedFile>(fd);
    if (!ScreenZipArchive(fd, reason))
        return false;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    file->length = info.st_size;
    PHYSFS_Io* io = MakeIo(file, 0);
    if (!PHYSFS_mountIo(io, path.c_str(), nullptr, 1)) {
        reason = LastDataError();
        Destroy(io);
        return false;
    }
    return true;
}

bool UnmountDataZip(const std::string& path, std::string& reason) {
    if (!PHYSFS_getMountPoint(path.c_str()))
        return true;
    if (!PHYSFS_unmount(path.c_str())) {
        reason = LastDataError();
        return false;
    }
    return true;
}
