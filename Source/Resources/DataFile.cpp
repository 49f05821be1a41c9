#include "Resources/DataFile.h"

#include <physfs.h>

DataFileResult ReadDataFile(const std::string& name, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (!PHYSFS_isInit())
        return DataFileResult::NotFound;
    PHYSFS_File* file = PHYSFS_openRead(name.c_str());
    if (!file)
        return DataFileResult::NotFound;
    PHYSFS_sint64 length = PHYSFS_fileLength(file);
    if (length < 0 || length > MaxDataFileBytes) {
        PHYSFS_close(file);
        return DataFileResult::ReadError;
    }
    bytes.resize(static_cast<size_t>(length));
    PHYSFS_sint64 read = length > 0 ? PHYSFS_readBytes(file, bytes.data(), static_cast<PHYSFS_uint64>(length)) : 0;
    PHYSFS_close(file);
    if (read != length) {
        bytes.clear();
        return DataFileResult::ReadError;
    }
    return DataFileResult::Ok;
}
