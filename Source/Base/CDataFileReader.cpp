#include "Base/CDataFileReader.h"

#include <physfs.h>

CDataFileReader::~CDataFileReader() {
    if (file)
        PHYSFS_close(file);
}

DataFileResult CDataFileReader::Open(const std::string& name) {
    if (file) {
        PHYSFS_close(file);
        file = nullptr;
    }
    // A FIFO or device would wait for a writer or never end; only regular files are opened.
    const DataFileResult kind = StatDataFile(name);
    if (kind != DataFileResult::Ok)
        return kind;
    file = PHYSFS_openRead(name.c_str());
    return file ? DataFileResult::Ok : DataFileResult::NotFound;
}

int64_t CDataFileReader::Length() { return file ? PHYSFS_fileLength(file) : -1; }

int64_t CDataFileReader::Read(void* buffer, int64_t count) {
    if (!file || count <= 0)
        return 0;
    const PHYSFS_sint64 got = PHYSFS_readBytes(file, buffer, static_cast<PHYSFS_uint64>(count));
    return got > 0 ? got : 0;
}

bool CDataFileReader::Seek(int64_t offset) {
    return file && offset >= 0 && PHYSFS_seek(file, static_cast<PHYSFS_uint64>(offset)) != 0;
}

int64_t CDataFileReader::Tell() { return file ? PHYSFS_tell(file) : -1; }
