#include "Base/DataFile.h"

#include <physfs.h>

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
    return result == DataFileResult::TooLarge ? "the file is larger than 512 MiB" : "the file cannot be read whole";
}

DataFileResult ReadDataFile(const std::string& name, std::vector<uint8_t>& bytes, int64_t limit) {
    bytes.clear();
    // Opening a FIFO or a device named in the data would wait for a writer, or read forever; a folder
    // opens but reads nothing. Only regular files are opened.
    const DataFileResult kind = StatDataFile(name);
    if (kind != DataFileResult::Ok)
        return kind;
    PHYSFS_File* file = PHYSFS_openRead(name.c_str());
    if (!file)
        return DataFileResult::NotFound;
    const PHYSFS_sint64 length = PHYSFS_fileLength(file);
    DataFileResult result = DataFileResult::Ok;
    if (length > limit) {
        result = DataFileResult::TooLarge;
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
            if (static_cast<int64_t>(bytes.size()) + got > limit)
                result = DataFileResult::TooLarge;
            else
                bytes.insert(bytes.end(), chunk, chunk + got);
        }
        if (result == DataFileResult::Ok && !PHYSFS_eof(file))
            result = DataFileResult::ReadError;
    }
    PHYSFS_close(file);
    if (result != DataFileResult::Ok)
        bytes.clear();
    return result;
}
