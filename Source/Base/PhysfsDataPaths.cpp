// The data paths over PhysicsFS. A data folder's files are opened by the safe native open, in the
// folder PhysicsFS says holds them; an archive's are read through PhysicsFS, which reads the archive
// through the handle that was screened.
#include "Base/DataPaths.h"
#include "Platform/NativeFile.h"

#include <physfs.h>

namespace {

// The archive's handle, shared by the PHYSFS_Io PhysicsFS keeps and the copies it makes to read
// files; each copy has its own position and reads at it, so that none moves another's.
struct SharedArchive {
    CNativeFile file;
    int64_t length = 0;
};

struct FileIo {
    std::shared_ptr<const SharedArchive> archive;
    uint64_t position = 0;
};

PHYSFS_Io* MakeIo(std::shared_ptr<const SharedArchive> archive);

FileIo& StateOf(PHYSFS_Io* io) { return *static_cast<FileIo*>(io->opaque); }

PHYSFS_sint64 IoRead(PHYSFS_Io* io, void* buffer, PHYSFS_uint64 length) {
    FileIo& state = StateOf(io);
    const int64_t got = state.archive->file.ReadAt(int64_t(state.position), buffer, int64_t(length));
    if (got < 0) {
        PHYSFS_setErrorCode(PHYSFS_ERR_IO);
        return -1;
    }
    state.position += PHYSFS_uint64(got);
    return PHYSFS_sint64(got);
}

PHYSFS_sint64 IoWrite(PHYSFS_Io*, const void*, PHYSFS_uint64) {
    PHYSFS_setErrorCode(PHYSFS_ERR_READ_ONLY);
    return -1;
}

int IoSeek(PHYSFS_Io* io, PHYSFS_uint64 offset) {
    StateOf(io).position = offset;
    return 1;
}

PHYSFS_sint64 IoTell(PHYSFS_Io* io) { return PHYSFS_sint64(StateOf(io).position); }

PHYSFS_sint64 IoLength(PHYSFS_Io* io) { return StateOf(io).archive->length; }

PHYSFS_Io* IoDuplicate(PHYSFS_Io* io) {
    PHYSFS_Io* copy = MakeIo(StateOf(io).archive);
    if (!copy)
        PHYSFS_setErrorCode(PHYSFS_ERR_OUT_OF_MEMORY);
    return copy;
}

int IoFlush(PHYSFS_Io*) { return 1; }

void IoDestroy(PHYSFS_Io* io) {
    delete static_cast<FileIo*>(io->opaque);
    delete io;
}

PHYSFS_Io* MakeIo(std::shared_ptr<const SharedArchive> archive) {
    return new PHYSFS_Io{
        0,        new FileIo{std::move(archive), 0}, IoRead, IoWrite, IoSeek, IoTell, IoLength, IoDuplicate, IoFlush,
        IoDestroy};
}

// The last error, left in place for the next look (reading PhysicsFS's clears it).
PHYSFS_ErrorCode PeekError() {
    const PHYSFS_ErrorCode code = PHYSFS_getLastErrorCode();
    PHYSFS_setErrorCode(code);
    return code;
}

void SetError(DataError error) {
    switch (error) {
    case DataError::NotFound:
        PHYSFS_setErrorCode(PHYSFS_ERR_NOT_FOUND);
        break;
    case DataError::BadName:
        PHYSFS_setErrorCode(PHYSFS_ERR_BAD_FILENAME);
        break;
    case DataError::NotAFile:
        PHYSFS_setErrorCode(PHYSFS_ERR_NOT_A_FILE);
        break;
    default:
        PHYSFS_setErrorCode(PHYSFS_ERR_UNSUPPORTED);
        break;
    }
}

// A file of an archive, read through PhysicsFS.
class CPhysfsStream : public CDataStream {
public:
    explicit CPhysfsStream(PHYSFS_File* file) : file(file) {}
    ~CPhysfsStream() override { PHYSFS_close(file); }
    int64_t Length() override { return PHYSFS_fileLength(file); }
    int64_t Read(void* buffer, int64_t count) override {
        return count > 0 ? PHYSFS_readBytes(file, buffer, PHYSFS_uint64(count)) : 0;
    }
    bool Seek(int64_t offset) override { return offset >= 0 && PHYSFS_seek(file, PHYSFS_uint64(offset)) != 0; }
    int64_t Tell() override { return PHYSFS_tell(file); }

private:
    PHYSFS_File* file;
};

class CPhysfsDataPaths : public CDataPaths {
public:
    const char* Name() const override { return "physfs"; }

    bool Start() override { return PHYSFS_isInit() || PHYSFS_init(nullptr); }
    bool Started() const override { return PHYSFS_isInit() != 0; }
    void Stop() override {
        if (PHYSFS_isInit())
            PHYSFS_deinit();
    }

    bool MountFolder(const std::string& path, Place place) override {
        if (IsMounted(path))
            return true;
        // PhysicsFS would mount a file as an archive, unscreened: only a folder is mounted here.
        if (PHYSFS_isInit() && !IsNativeFolder(path)) {
            DataError error = DataError::None;
            SetError(LookAtNative(path, error) == NativeKind::Missing ? DataError::NotFound : DataError::Unsupported);
            return false;
        }
        return PHYSFS_mount(path.c_str(), nullptr, place == Place::Last) != 0;
    }

    bool MountZip(const std::string& path, CNativeFile file, const std::vector<ZipDirectoryEntry>&) override {
        if (IsMounted(path))
            return true;
        const int64_t length = file.Length();
        auto archive = std::make_shared<const SharedArchive>(SharedArchive{std::move(file), length});
        PHYSFS_Io* io = MakeIo(std::move(archive));
        if (!PHYSFS_mountIo(io, path.c_str(), nullptr, 1)) {
            IoDestroy(io);
            return false;
        }
        return true;
    }

    bool IsMounted(const std::string& path) override {
        return PHYSFS_isInit() && PHYSFS_getMountPoint(path.c_str()) != nullptr;
    }

    bool Unmount(const std::string& path) override { return PHYSFS_unmount(path.c_str()) != 0; }

    bool Exists(const std::string& name) override {
        std::string clean;
        if (!Clean(name, clean))
            return false;
        return PHYSFS_exists(clean.c_str()) != 0;
    }

    DataFileResult Stat(const std::string& name) override {
        std::string clean;
        if (!PHYSFS_isInit() || !Clean(name, clean))
            return DataFileResult::NotFound;
        PHYSFS_Stat stat;
        if (!PHYSFS_stat(clean.c_str(), &stat)) {
            // Symlinks are not followed, and a symlink is reported as missing with this error.
            return PeekError() == PHYSFS_ERR_SYMLINK_FORBIDDEN ? DataFileResult::Symlink : DataFileResult::NotFound;
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

    bool InArchive(const std::string& name) override {
        std::string clean;
        return Stat(name) == DataFileResult::Ok && CleanDataName(name, clean) && FolderHolding(clean).empty();
    }

    DataFileResult Open(const std::string& name, std::unique_ptr<CDataStream>& stream) override {
        stream.reset();
        std::string clean;
        if (!PHYSFS_isInit() || !Clean(name, clean))
            return DataFileResult::NotFound;
        if (clean.empty())
            return DataFileResult::Folder;
        const std::string folder = FolderHolding(clean);
        if (!folder.empty()) {
            CNativeFile file;
            const DataFileResult result = OpenNativeFileInFolder(folder, clean, file);
            if (result == DataFileResult::Ok)
                stream = NativeFileStream(std::move(file));
            return result;
        }
        PHYSFS_File* file = PHYSFS_openRead(clean.c_str());
        if (!file)
            return PeekError() == PHYSFS_ERR_NOT_A_FILE ? DataFileResult::Folder : DataFileResult::NotFound;
        stream = std::make_unique<CPhysfsStream>(file);
        return DataFileResult::Ok;
    }

    std::vector<std::string> List(const std::string& name) override {
        std::vector<std::string> names;
        std::string clean;
        if (!PHYSFS_isInit() || !Clean(name, clean))
            return names;
        char** found = PHYSFS_enumerateFiles(clean.c_str());
        if (!found)
            return names;
        for (char** entry = found; *entry; ++entry)
            names.emplace_back(*entry);
        PHYSFS_freeList(found);
        return names;
    }

    const char* LastError() override {
        const char* text = PHYSFS_getErrorByCode(PeekError());
        return text ? text : "unknown error";
    }

private:
    // PhysicsFS takes a name ending in "/." or "/.." for the folder above it: such a name is refused
    // here with the words PhysicsFS has for the others.
    static bool Clean(const std::string& name, std::string& clean) {
        if (CleanDataName(name, clean))
            return true;
        SetError(DataError::BadName);
        return false;
    }

    // The folder mount's path on disk that holds `name`, or empty when an archive holds it.
    static std::string FolderHolding(const std::string& clean) {
        const char* dir = PHYSFS_getRealDir(clean.c_str());
        return dir && IsNativeFolder(dir) ? dir : std::string();
    }
};

} // namespace

std::unique_ptr<CDataPaths> CreatePhysfsDataPaths() { return std::make_unique<CPhysfsDataPaths>(); }
