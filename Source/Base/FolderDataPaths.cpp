// The data paths read without PhysicsFS: a folder is looked at part by part and opened by the safe
// native open, a zip is read through libzip from the handle that was screened. Lookups follow
// PhysicsFS's rules, so that both implementations give the same answers and the same words.
#include "Base/DataPaths.h"
#include "Base/Utf8Path.h"
#include "Base/ZipDirectory.h"
#include "Base/ZipThroughFile.h"
#include "Platform/NativeFile.h"

#include <zip.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_map>

namespace {

thread_local DataError lastError = DataError::None;

bool Fail(DataError error) {
    lastError = error;
    return false;
}

// Compression methods PhysicsFS reads, and no others, so that an archive reads the same in both.
constexpr uint16_t Stored = 0, Deflated = 8;

// An entry from a system whose zip tools cannot store a symlink is none; from any other it may be.
bool MakerStoresSymlinks(uint16_t madeBy) {
    static constexpr uint16_t withoutLinks[] = {0, 1, 2, 4, 6, 11, 13, 14, 15, 18}; // FAT, NTFS, VMS, ...
    return std::find(std::begin(withoutLinks), std::end(withoutLinks), madeBy >> 8) == std::end(withoutLinks);
}

bool IsSymlinkEntry(const ZipDirectoryEntry& entry) {
    return MakerStoresSymlinks(entry.madeBy) && entry.size > 0 && ((entry.externalAttributes >> 16) & 0xF000) == 0xA000;
}

// One mounted zip: the names its entries make, each a file, a folder or a link.
struct ZipArchive {
    enum Kind { File, Folder, Link };
    struct Node {
        Kind kind = Folder;
        size_t entry = SIZE_MAX; // SIZE_MAX for a folder only implied by the names below it
    };

    ~ZipArchive() {
        if (archive)
            zip_discard(archive);
    }

    zip_t* archive = nullptr;
    std::mutex lock; // libzip's archive and the handle's position are one reader's at a time
    std::vector<ZipDirectoryEntry> entries;
    std::unordered_map<std::string, Node> nodes;
    std::atomic<int> openFiles = 0;

    // Builds the names as the screen checked them: a trailing '/' marks a folder, each part before a
    // '/' is a folder, and a file's entry that names an implied folder leaves it a folder.
    bool Index() {
        nodes.reserve(entries.size() * 2);
        for (size_t i = 0; i < entries.size(); ++i) {
            std::string name = entries[i].name;
            const bool folder = !name.empty() && name.back() == '/';
            if (folder)
                name.pop_back();
            for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
                const Node& above = nodes[name.substr(0, slash)];
                if (above.kind != Folder)
                    return Fail(DataError::Corrupt);
            }
            const Kind kind = folder ? Folder : IsSymlinkEntry(entries[i]) ? Link : File;
            const auto [at, added] = nodes.try_emplace(name, Node{kind, i});
            if (!added && at->second.entry != SIZE_MAX)
                return Fail(DataError::Corrupt);
            at->second.entry = i;
        }
        return true;
    }
};

// What one place says about a name.
struct Look {
    enum Outcome { Here, Missing, Hidden, Failed } outcome = Missing; // Hidden: a link on its way
    NativeKind kind = NativeKind::Missing;
    DataError error = DataError::NotFound;
};

struct Mount {
    std::string path;
    std::shared_ptr<ZipArchive> zip; // null for a folder
};

// Every part on the way and the name itself are looked at without following a link: a link anywhere
// hides the name. A part the system cannot look at leaves the decision to the name's own look.
Look LookInFolder(const std::string& root, const std::string& clean) {
    for (size_t slash = 0;; ++slash) {
        slash = clean.find('/', slash);
        Look look;
        look.kind = LookAtNative(root + "/" + clean.substr(0, slash), look.error);
        if (look.kind == NativeKind::Symlink)
            return Look{Look::Hidden, look.kind, DataError::Symlink};
        if (look.kind == NativeKind::Missing)
            return Look{Look::Missing, look.kind, DataError::NotFound};
        if (slash == std::string::npos) {
            look.outcome = look.kind == NativeKind::Failed ? Look::Failed : Look::Here;
            return look;
        }
    }
}

Look LookInZip(const ZipArchive& zip, const std::string& clean) {
    for (size_t slash = 0;; ++slash) {
        slash = clean.find('/', slash);
        const auto node = zip.nodes.find(slash == std::string::npos ? clean : clean.substr(0, slash));
        if (node == zip.nodes.end())
            return Look{Look::Missing, NativeKind::Missing, DataError::NotFound};
        if (node->second.kind == ZipArchive::Link)
            return Look{Look::Hidden, NativeKind::Symlink, DataError::Symlink};
        if (slash == std::string::npos) {
            const bool folder = node->second.kind == ZipArchive::Folder;
            return Look{Look::Here, folder ? NativeKind::Folder : NativeKind::Regular, DataError::None};
        }
    }
}

Look LookIn(const Mount& place, const std::string& clean) {
    return place.zip ? LookInZip(*place.zip, clean) : LookInFolder(place.path, clean);
}

// A file of a mounted zip, inflated by libzip as it is read.
class CZipStream : public CDataStream {
public:
    CZipStream(std::shared_ptr<ZipArchive> zip, size_t entry, zip_file_t* file)
        : zip(std::move(zip)), entry(entry), file(file), length(int64_t(this->zip->entries[entry].size)) {
        ++this->zip->openFiles;
    }
    ~CZipStream() override {
        {
            std::lock_guard<std::mutex> hold(zip->lock);
            if (file)
                zip_fclose(file);
        }
        --zip->openFiles;
    }

    int64_t Length() override { return length; }

    int64_t Read(void* buffer, int64_t count) override {
        if (count <= 0)
            return 0;
        std::lock_guard<std::mutex> hold(zip->lock);
        return ReadHeld(buffer, count);
    }

    // A compressed entry cannot be sought in: a seek back inflates it again from its start.
    bool Seek(int64_t offset) override {
        if (offset < 0 || offset > length)
            return Fail(DataError::PastEnd);
        std::lock_guard<std::mutex> hold(zip->lock);
        if (offset < position) {
            if (file)
                zip_fclose(file);
            position = 0;
            file = zip_fopen_index(zip->archive, entry, 0);
        }
        uint8_t skipped[16384];
        while (position < offset) {
            const int64_t got = ReadHeld(skipped, std::min<int64_t>(sizeof skipped, offset - position));
            if (got <= 0)
                return Fail(DataError::Corrupt);
        }
        return true;
    }

    int64_t Tell() override { return position; }

private:
    int64_t ReadHeld(void* buffer, int64_t count) {
        const zip_int64_t got = file ? zip_fread(file, buffer, zip_uint64_t(count)) : -1;
        if (got < 0) {
            lastError = DataError::Corrupt;
            return -1;
        }
        position += got;
        return got;
    }

    std::shared_ptr<ZipArchive> zip;
    size_t entry;
    zip_file_t* file;
    int64_t length, position = 0;
};

class CFolderDataPaths : public CDataPaths {
public:
    const char* Name() const override { return "folder"; }

    bool Start() override {
        started = true;
        return true;
    }
    bool Started() const override { return started; }
    void Stop() override {
        std::lock_guard<std::mutex> hold(lock);
        places.clear();
        started = false;
    }

    bool MountFolder(const std::string& path, Place where) override {
        std::lock_guard<std::mutex> hold(lock);
        if (!started)
            return Fail(DataError::NotStarted);
        if (Find(path))
            return true;
        if (!IsNativeFolder(path)) {
            DataError error = DataError::None;
            return Fail(LookAtNative(path, error) == NativeKind::Missing ? DataError::NotFound
                                                                         : DataError::Unsupported);
        }
        places.insert(where == Place::First ? places.begin() : places.end(), Mount{path, nullptr});
        return true;
    }

    bool MountZip(const std::string& path, CNativeFile file, const std::vector<ZipDirectoryEntry>& entries) override {
        std::lock_guard<std::mutex> hold(lock);
        if (!started)
            return Fail(DataError::NotStarted);
        if (Find(path))
            return true;
        auto zip = std::make_shared<ZipArchive>();
        zip->entries = entries;
        if (!zip->Index())
            return false;
        auto handle = std::make_shared<const CNativeFile>(std::move(file));
        std::string reason;
        zip->archive = OpenZipThroughFile(*handle, handle, reason);
        if (!zip->archive || zip_get_num_entries(zip->archive, 0) != zip_int64_t(entries.size()))
            return Fail(DataError::Corrupt);
        places.push_back(Mount{path, std::move(zip)});
        return true;
    }

    bool IsMounted(const std::string& path) override {
        std::lock_guard<std::mutex> hold(lock);
        return Find(path) != nullptr;
    }

    bool Unmount(const std::string& path) override {
        std::lock_guard<std::mutex> hold(lock);
        const auto place = std::find_if(places.begin(), places.end(), [&](const Mount& p) { return p.path == path; });
        if (place == places.end())
            return Fail(DataError::NotMounted);
        if (place->zip && place->zip->openFiles > 0)
            return Fail(DataError::FilesOpen);
        places.erase(place);
        return true;
    }

    // Cleans a name to look for: no value when there is a file to look for, otherwise what to answer
    // at once (a bad name, noted, is not found; the empty name is the root folder).
    std::optional<DataFileResult> Cleaned(const std::string& name, std::string& clean) {
        if (!CleanDataName(name, clean)) {
            lastError = DataError::BadName;
            return DataFileResult::NotFound;
        }
        if (clean.empty())
            return DataFileResult::Folder;
        return std::nullopt;
    }

    bool Exists(const std::string& name) override {
        std::string clean;
        if (!CleanDataName(name, clean))
            return Fail(DataError::BadName);
        std::lock_guard<std::mutex> hold(lock);
        if (clean.empty())
            return !places.empty();
        Look look;
        return Holder(clean, look) != nullptr;
    }

    DataFileResult Stat(const std::string& name) override {
        std::string clean;
        if (const std::optional<DataFileResult> early = Cleaned(name, clean))
            return *early;
        std::lock_guard<std::mutex> hold(lock);
        DataError error = DataError::NotFound;
        for (const Mount& place : places) {
            const Look look = LookIn(place, clean);
            if (look.outcome == Look::Here)
                return ResultOf(look.kind);
            error = look.error;
            // The place could not tell: the search ends there, as PhysicsFS's does.
            if (look.outcome == Look::Failed)
                break;
        }
        lastError = error;
        return error == DataError::Symlink ? DataFileResult::Symlink : DataFileResult::NotFound;
    }

    bool InArchive(const std::string& name) override {
        if (Stat(name) != DataFileResult::Ok)
            return false;
        std::string clean;
        CleanDataName(name, clean);
        std::lock_guard<std::mutex> hold(lock);
        Look look;
        const Mount* place = Holder(clean, look);
        return place && place->zip;
    }

    DataFileResult Open(const std::string& name, std::unique_ptr<CDataStream>& stream) override {
        stream.reset();
        std::string clean;
        if (const std::optional<DataFileResult> early = Cleaned(name, clean))
            return *early;
        std::lock_guard<std::mutex> hold(lock);
        Look look;
        const Mount* place = Holder(clean, look);
        if (!place)
            return DataFileResult::NotFound;
        if (!place->zip) {
            CNativeFile file;
            const DataFileResult result = OpenNativeFileInFolder(place->path, clean, file);
            if (result == DataFileResult::Ok)
                stream = NativeFileStream(std::move(file));
            return result;
        }
        const ZipArchive::Node& node = place->zip->nodes.at(clean);
        if (node.kind == ZipArchive::Folder) {
            lastError = DataError::NotAFile;
            return DataFileResult::Folder;
        }
        const uint16_t method = place->zip->entries[node.entry].method;
        if (method != Stored && method != Deflated) {
            lastError = DataError::Unsupported;
            return DataFileResult::NotFound;
        }
        zip_file_t* file = nullptr;
        {
            std::lock_guard<std::mutex> reading(place->zip->lock);
            file = zip_fopen_index(place->zip->archive, node.entry, 0);
        }
        if (!file) {
            lastError = DataError::Corrupt;
            return DataFileResult::NotFound;
        }
        stream = std::make_unique<CZipStream>(place->zip, node.entry, file);
        return DataFileResult::Ok;
    }

    std::vector<std::string> List(const std::string& name) override {
        std::set<std::string> names;
        std::string clean;
        if (!CleanDataName(name, clean)) {
            lastError = DataError::BadName;
            return {};
        }
        std::lock_guard<std::mutex> hold(lock);
        for (const Mount& place : places) {
            if (!clean.empty()) {
                const Look look = LookIn(place, clean);
                if (look.outcome != Look::Here || look.kind != NativeKind::Folder)
                    continue;
            }
            if (place.zip) {
                const std::string prefix = clean.empty() ? clean : clean + "/";
                for (const auto& [entry, node] : place.zip->nodes)
                    if (entry.size() > prefix.size() && entry.compare(0, prefix.size(), prefix) == 0 &&
                        entry.find('/', prefix.size()) == std::string::npos && node.kind != ZipArchive::Link)
                        names.insert(entry.substr(prefix.size()));
                continue;
            }
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(place.path + "/" + clean), error))
                if (!entry.is_symlink(error))
                    names.insert(Utf8FromPath(entry.path().filename()));
        }
        return {names.begin(), names.end()};
    }

    const char* LastError() override { return DataErrorText(lastError); }

private:
    static DataFileResult ResultOf(NativeKind kind) {
        return kind == NativeKind::Regular  ? DataFileResult::Ok
               : kind == NativeKind::Folder ? DataFileResult::Folder
                                            : DataFileResult::NotRegular;
    }

    const Mount* Find(const std::string& path) const {
        for (const Mount& place : places)
            if (place.path == path)
                return &place;
        return nullptr;
    }

    // The first place that holds `clean`; null with the last place's error otherwise.
    const Mount* Holder(const std::string& clean, Look& look) const {
        DataError error = DataError::NotFound;
        for (const Mount& place : places) {
            look = LookIn(place, clean);
            if (look.outcome == Look::Here)
                return &place;
            error = look.error;
        }
        lastError = error;
        return nullptr;
    }

    std::mutex lock;
    std::vector<Mount> places;
    std::atomic<bool> started = false;
};

} // namespace

std::unique_ptr<CDataPaths> CreateFolderDataPaths() { return std::make_unique<CFolderDataPaths>(); }
