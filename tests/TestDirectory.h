// A fresh temporary directory for one test, removed afterwards, with helpers to write and read files
// in it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

class TestDirectory {
public:
    TestDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qv-test-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back(0);
        if (mkdtemp(buffer.data()))
            path = buffer.data();
        EXPECT_FALSE(path.empty()) << "could not create a temporary directory";
    }
    ~TestDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TestDirectory(const TestDirectory&) = delete;
    TestDirectory& operator=(const TestDirectory&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path / name; }

    void Write(const std::string& name, const std::string& content) const {
        std::filesystem::create_directories((path / name).parent_path());
        std::ofstream(path / name, std::ios::binary) << content;
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
};

