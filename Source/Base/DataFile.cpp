#include "Base/DataFile.h"

#include "Base/DataPaths.h"

const char* LastDataError() { return DataPaths().LastError(); }

DataFileResult StatDataFile(const std::string& name) {
    CDataPaths& paths = DataPaths();
    return paths.Started() ? paths.Stat(name) : DataFileResult::NotFound;
}

bool DataFileExists(const std::string& name) { return DataPaths().Exists(name); }

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

DataFileResult ReadStream(CDataStream& stream, std::vector<uint8_t>& bytes, int64_t limit,
                          const std::function<bool(int64_t)>& admit) {
    const int64_t length = stream.Length();
    if (length > limit)
        return DataFileResult::TooLarge;
    if (length >= 0) {
        if (admit && !admit(length))
            return DataFileResult::Refused;
        bytes.resize(static_cast<size_t>(length));
        const int64_t read = length > 0 ? stream.Read(bytes.data(), length) : 0;
        return read == length ? DataFileResult::Ok : DataFileResult::ReadError;
    }
    // The archive cannot tell the length: read to the end, within the same limit.
    uint8_t chunk[65536];
    int64_t got;
    while ((got = stream.Read(chunk, sizeof chunk)) > 0) {
        const int64_t grown = static_cast<int64_t>(bytes.size()) + got;
        if (grown > limit)
            return DataFileResult::TooLarge;
        if (admit && !admit(got))
            return DataFileResult::Refused;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return got == 0 ? DataFileResult::Ok : DataFileResult::ReadError;
}

} // namespace

bool IsInDataArchive(const std::string& name) {
    CDataPaths& paths = DataPaths();
    return paths.Started() && paths.InArchive(name);
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
    // The data paths' look tells a folder, a FIFO or a symlink apart in its own words; the open
    // below decides again on what it opened.
    const DataFileResult kind = StatDataFile(name);
    if (kind != DataFileResult::Ok)
        return kind;
    std::unique_ptr<CDataStream> stream;
    DataFileResult result = DataPaths().Open(name, stream);
    if (result == DataFileResult::Ok)
        result = ReadStream(*stream, bytes, limit, admit);
    if (result != DataFileResult::Ok)
        bytes.clear();
    return result;
}
