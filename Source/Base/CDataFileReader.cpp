#include "Base/CDataFileReader.h"

#include <physfs.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

CDataFileReader::~CDataFileReader() { Close(); }

void CDataFileReader::Close() {
    if (file)
        PHYSFS_close(file);
    if (fd >= 0)
        close(fd);
    file = nullptr;
    fd = -1;
}

DataFileResult CDataFileReader::Open(const std::string& name) {
    Close();
    // A FIFO or device would wait for a writer or never end; only regular files are opened.
    const DataFileResult kind = StatDataFile(name);
    if (kind != DataFileResult::Ok)
        return kind;
    if (!IsInDataArchive(name))
        return OpenDataFileInFolder(name, fd);
    file = PHYSFS_openRead(name.c_str());
    return file ? DataFileResult::Ok : DataFileResult::NotFound;
}

int64_t CDataFileReader::Length() {
    if (fd >= 0) {
        struct stat info;
        return fstat(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
    }
    return file ? PHYSFS_fileLength(file) : -1;
}

int64_t CDataFileReader::Read(void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    if (fd >= 0) {
        int64_t done = 0;
        while (done < count) {
            const ssize_t got = read(fd, static_cast<char*>(buffer) + done, static_cast<size_t>(count - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        return done;
    }
    if (!file)
        return 0;
    const PHYSFS_sint64 got = PHYSFS_readBytes(file, buffer, static_cast<PHYSFS_uint64>(count));
    return got > 0 ? got : 0;
}

bool CDataFileReader::Seek(int64_t offset) {
    if (offset < 0)
        return false;
    if (fd >= 0)
        return lseek(fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
    return file && PHYSFS_seek(file, static_cast<PHYSFS_uint64>(offset)) != 0;
}

int64_t CDataFileReader::Tell() {
    if (fd >= 0)
        return static_cast<int64_t>(lseek(fd, 0, SEEK_CUR));
    return file ? PHYSFS_tell(file) : -1;
}
