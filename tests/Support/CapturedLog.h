// Switches the log on inside a fresh temporary directory for one test and reads back what it wrote,
// so tests can assert the system's own log lines.
#pragma once

#include "Log.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

class CapturedLog {
public:
    CapturedLog() {
        char pattern[] = "/tmp/qv-log-XXXXXX";
        const char* made = mkdtemp(pattern);
        directory = made ? made : "/tmp";
        previous = std::filesystem::current_path();
        std::filesystem::current_path(directory);
        ResetLogForTests();
        EnableLog();
    }
    ~CapturedLog() {
        ResetLogForTests();
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        std::filesystem::remove_all(directory, ignored);
    }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    // Everything logged so far.
    std::string Text() const {
        std::ifstream in(directory / "debug.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Number of lines holding `text`.
    int Count(const std::string& text) const {
        std::istringstream in(Text());
        int n = 0;
        for (std::string line; std::getline(in, line);)
            if (line.find(text) != std::string::npos)
                ++n;
        return n;
    }
    bool Has(const std::string& text) const { return Count(text) > 0; }

    std::filesystem::path directory;

private:
    std::filesystem::path previous;
};
