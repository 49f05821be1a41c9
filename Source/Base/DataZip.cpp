#include "Base/DataZip.h"

#include "Base/DataPaths.h"
#include "Base/ZipDirectory.h"
#include "Base/ZipScreen.h"
#include "Platform/NativeFile.h"

bool MountDataZip(const std::string& path, std::string& reason) {
    CDataPaths& paths = DataPaths();
    if (!paths.Started()) {
        reason = "the file system is not started";
        return false;
    }
    CNativeFile file;
    if (!OpenNativeFile(path, file, reason))
        return false;
    std::vector<ZipDirectoryEntry> entries;
    if (!ScreenZipArchive(file, reason, &entries))
        return false;
    if (!paths.MountZip(path, std::move(file), entries)) {
        reason = paths.LastError();
        return false;
    }
    return true;
}

bool UnmountDataZip(const std::string& path, std::string& reason) {
    CDataPaths& paths = DataPaths();
    if (!paths.IsMounted(path))
        return true;
    if (!paths.Unmount(path)) {
        reason = paths.LastError();
        return false;
    }
    return true;
}
