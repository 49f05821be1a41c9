#include "App/authoring/CLiveReload.h"

#include "Base/DataFile.h"
#include "Base/Utf8Path.h"
#include "Platform/CFileWatcher.h"
#include "Resources/CResourceModel.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"
#include "System/CSystem.h"

#include <algorithm>
#include <filesystem>

CLiveReload::CLiveReload(std::unique_ptr<CFileWatcher> watcher, std::string dataPath, std::string script)
    : watcher(std::move(watcher)), dataPath(std::move(dataPath)), script(std::move(script)) {}

CLiveReload::~CLiveReload() = default;

std::vector<std::string> CLiveReload::FilesOf(const CSystem& system) {
    std::vector<std::string> files;
    for (const ResourceEntry<CResourceShader>& entry : system.resources.Shaders())
        if (entry.resource->program != ":INTERNAL")
            files.push_back(entry.resource->program);
    for (const ResourceEntry<CResourceTexture>& entry : system.resources.Textures())
        if (const auto* image = dynamic_cast<const CResourceTextureImage*>(entry.resource.get()))
            files.push_back(image->fileName);
    for (const ResourceEntry<CResourceModel>& entry : system.resources.Models())
        files.push_back(entry.resource->fileName);
    if (!system.Music.empty())
        files.push_back(system.Music);
    return files;
}

std::string CLiveReload::PathInData(const std::string& dataPath, const std::string& name) {
    const std::string key = DataFileKey(name);
    if (key.empty())
        return {};
    std::string path = dataPath;
    for (size_t start = 0; start <= key.size();) {
        size_t slash = key.find('/', start);
        if (slash == std::string::npos)
            slash = key.size();
        const std::string part = key.substr(start, slash - start);
        if (part == "." || part == "..")
            return {};
        path += "/" + part;
        // A link would take the watch (and the editor's save) somewhere the loader does not read.
        std::error_code error;
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(PathFromUtf8(path), error)))
            return {};
        start = slash + 1;
    }
    return path;
}

void CLiveReload::Watch(const CSystem* system, bool keep) {
    std::vector<std::string> names = {script};
    if (system) {
        const std::vector<std::string> named = FilesOf(*system);
        names.insert(names.end(), named.begin(), named.end());
    }
    if (!keep)
        watched.clear();
    auto add = [&](const std::string& path) {
        if (!path.empty() && std::find(watched.begin(), watched.end(), path) == watched.end())
            watched.push_back(path);
    };
    // A file is read from the folder or, when the folder lacks it, from the zip: both count.
    for (const std::string& name : names)
        add(PathInData(dataPath, name));
    std::error_code error;
    if (std::filesystem::is_regular_file(PathFromUtf8(dataPath + ".zip"), error))
        add(dataPath + ".zip");
    // The folder's own name: when it is a link pointed at another folder, everything is read from there.
    if (std::filesystem::is_symlink(PathFromUtf8(dataPath), error))
        add(dataPath);
    watcher->Watch(watched);
}

bool CLiveReload::IsDataZip(const std::string& changed) const {
    std::error_code error;
    const auto zip = std::filesystem::absolute(PathFromUtf8(dataPath + ".zip"), error).lexically_normal();
    return !error && zip == std::filesystem::absolute(PathFromUtf8(changed), error).lexically_normal();
}

bool CLiveReload::Poll(std::string& changed) { return watcher->Poll(changed); }
