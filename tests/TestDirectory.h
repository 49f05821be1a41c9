// A fresh temporary directory for one test, removed afterwards, with helpers to write and read files
// in it. ScopedLogInDirectory runs the log into debug.log there and puts everything back afterwards.
#pragma once

#include "Log.h"

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

// Switches the log on with debug.log in a temporary directory for the lifetime of the object.
class ScopedLogInDirectory {
public:
    ScopedLogInDirectory() : previous(std::filesystem::current_path()) {
        ResetLogForTests();
        std::filesystem::current_path(directory.path);
        EnableLog();
    }
    ~ScopedLogInDirectory() {
        ResetLogForTests();
        std::filesystem::current_path(previous);
    }

    // The message parts of the lines written so far (the text after "] ").
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const std::string& line : TestDirectory::Lines(directory / "debug.log")) {
            size_t end = line.find("] ");
            messages.push_back(end == std::string::npos ? line : line.substr(end + 2));
        }
        return messages;
    }

    TestDirectory directory;

private:
    std::filesystem::path previous;
};
