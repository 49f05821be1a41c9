// A fresh temporary folder for one test (or one fuzzing process), removed with everything in it
// afterwards, with helpers to write and read files there; optionally mounted on the data paths for its
// lifetime, so the code under test reads it as a presentation's data.
#pragma once

#include "Base/DataPaths.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

class TempFolder {
public:
    enum Mount { NotMounted, Mounted };

    explicit TempFolder(Mount mount = NotMounted) {
        // A name no one can guess, made by this call alone (making a folder that is there already
        // fails), readable by its owner only where the system has such permissions.
        std::error_code error;
        const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
        std::random_device random;
        for (int attempt = 0; !error && attempt < 100 && path.empty(); ++attempt) {
            char suffix[17];
            std::snprintf(suffix, sizeof suffix, "%08x%08x", unsigned(random()), unsigned(random()));
            const std::filesystem::path candidate = temp / (std::string("qv-test-") + suffix);
            std::error_code clash;
            if (std::filesystem::create_directory(candidate, clash)) {
                path = candidate;
                std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::replace, clash);
            }
        }
        if (mount == Mounted && !path.empty()) {
            mounted = DataPaths().Start() && DataPaths().MountFolder(path.string());
        }
    }
    ~TempFolder() {
        if (mounted)
            DataPaths().Unmount(path.string());
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Ready() const { return !path.empty(); }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
    std::string PathOf(const std::string& name) const { return (path / name).string(); }

    // Writes a file (folders on the way are made); false when it cannot be written.
    bool Write(const std::string& name, const void* data, size_t size) const {
        std::error_code ignored;
        std::filesystem::create_directories((path / name).parent_path(), ignored);
        std::ofstream out(path / name, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        return static_cast<bool>(out);
    }
    bool Write(const std::string& name, const std::string& content) const {
        return Write(name, content.data(), content.size());
    }
    bool WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return Write(name, bytes.data(), bytes.size());
    }
    std::vector<uint8_t> ReadBytes(const std::string& name) const {
        std::ifstream in(path / name, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static std::string Read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static std::vector<std::string> Lines(const std::filesystem::path& file) {
        std::vector<std::string> lines;
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::filesystem::path path;

private:
    bool mounted = false;
};
