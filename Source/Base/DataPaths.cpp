#include "Base/DataPaths.h"

#include "Platform/NativeFile.h"

#include <atomic>
#include <string_view>

namespace {

std::atomic<CDataPaths*> chosen = nullptr;

CDataPaths& BuiltDataPaths() {
    static const std::unique_ptr<CDataPaths> paths = CreateDataPaths(DataPathsBackends().front());
    return *paths;
}

// A data folder's file, read through its own handle.
class CNativeFileStream : public CDataStream {
public:
    explicit CNativeFileStream(CNativeFile file) : file(std::move(file)) {}
    int64_t Length() override { return file.Length(); }
    int64_t Read(void* buffer, int64_t count) override { return file.Read(buffer, count); }
    bool Seek(int64_t offset) override { return offset >= 0 && file.Seek(offset); }
    int64_t Tell() override { return file.Tell(); }

private:
    CNativeFile file;
};

} // namespace

const char* DataErrorText(DataError error) {
    // PhysicsFS's words, which messages have always ended with.
    switch (error) {
    case DataError::None:
        return "no error";
    case DataError::NotFound:
        return "not found";
    case DataError::Symlink:
        return "symlinks are forbidden";
    case DataError::BadName:
        return "filename is illegal or insecure";
    case DataError::NotAFile:
        return "not a file";
    case DataError::Corrupt:
        return "corrupted";
    case DataError::Unsupported:
        return "unsupported";
    case DataError::FilesOpen:
        return "files still open";
    case DataError::NotMounted:
        return "not mounted";
    case DataError::NotStarted:
        return "not initialized";
    case DataError::PastEnd:
        return "past end of file";
    case DataError::Io:
        return "i/o error";
    case DataError::Permission:
        return "permission denied";
    case DataError::OutOfMemory:
        return "out of memory";
    case DataError::Other:
        break;
    }
    return "OS reported an error";
}

bool CleanDataName(const std::string& name, std::string& clean) {
    clean.clear();
    for (size_t start = 0; start < name.size();) {
        size_t slash = name.find('/', start);
        if (slash == std::string::npos)
            slash = name.size();
        const std::string_view part(name.data() + start, slash - start);
        if (part == "." || part == ".." || part.find_first_of("\\:") != std::string_view::npos) {
            clean.clear();
            return false;
        }
        if (!part.empty()) {
            if (!clean.empty())
                clean += '/';
            clean += part;
        }
        start = slash + 1;
    }
    return true;
}

std::vector<std::string> DataPathsBackends() {
#ifdef QV_DATA_BACKEND_PHYSFS
    return {"physfs", "folder"};
#else
    return {"folder"};
#endif
}

std::unique_ptr<CDataPaths> CreateDataPaths(const std::string& backend) {
#ifdef QV_DATA_BACKEND_PHYSFS
    if (backend == "physfs")
        return CreatePhysfsDataPaths();
#endif
    if (backend == "folder")
        return CreateFolderDataPaths();
    return nullptr;
}

CDataPaths& DataPaths() {
    CDataPaths* paths = chosen.load();
    return paths ? *paths : BuiltDataPaths();
}

CDataPaths* UseDataPaths(CDataPaths* paths) { return chosen.exchange(paths); }

std::unique_ptr<CDataStream> NativeFileStream(CNativeFile file) {
    return std::make_unique<CNativeFileStream>(std::move(file));
}
