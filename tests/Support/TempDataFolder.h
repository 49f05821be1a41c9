// A temporary data folder mounted as the only PhysicsFS search path for the length of a test.
#pragma once

#include <physfs.h>

#include <filesystem>
#include <fstream>
#include <string>

class TempDataFolder {
public:
    TempDataFolder() {
        char pattern[] = "/tmp/qv-data-XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "/tmp/qv-data";
        if (!PHYSFS_isInit())
            PHYSFS_init(nullptr);
        PHYSFS_mount(path.c_str(), nullptr, 1);
    }
    ~TempDataFolder() {
        PHYSFS_unmount(path.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    void Write(const std::string& name, const std::string& content) const {
        std::filesystem::path file = path / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out << content;
    }

    std::filesystem::path path;
};
