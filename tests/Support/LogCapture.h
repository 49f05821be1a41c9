// Runs a test inside a fresh temporary directory with the log switched on, so that the messages a
// piece of code logs can be read back from debug.log and compared exactly.
#pragma once

#include "Base/Log.h"

#include "Testing/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

class LogCapture {
public:
    LogCapture() {
        previous = std::filesystem::current_path();
        folder = std::make_unique<TempFolder>();
        directory = folder->Ready() ? folder->path : std::filesystem::temp_directory_path();
        std::filesystem::current_path(directory);
        ResetLogForTests();
        EnableLog();
    }
    ~LogCapture() {
        ResetLogForTests();
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        folder.reset();
    }

    // Forgets what was logged so far.
    void Restart() {
        ResetLogForTests();
        std::error_code ignored;
        std::filesystem::remove(directory / "debug.log", ignored);
        EnableLog();
    }

    // The message part of every line logged so far, in order.
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        std::ifstream in(directory / "debug.log");
        std::string line;
        while (std::getline(in, line)) {
            size_t end = line.find("] ");
            messages.push_back(end == std::string::npos ? line : line.substr(end + 2));
        }
        return messages;
    }
    // Every line as written, location included.
    std::string Text() const {
        std::ifstream in(directory / "debug.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Number of lines (location included) holding `text`.
    int Count(const std::string& text) const {
        std::istringstream in(Text());
        int n = 0;
        for (std::string line; std::getline(in, line);)
            if (line.find(text) != std::string::npos)
                ++n;
        return n;
    }
    bool Has(const std::string& text) const { return Count(text) > 0; }
    bool Contains(const std::string& message) const {
        for (const std::string& m : Messages())
            if (m == message)
                return true;
        return false;
    }

    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::filesystem::path directory;

private:
    std::unique_ptr<TempFolder> folder;
    std::filesystem::path previous;
};
