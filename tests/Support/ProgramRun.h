// Runs the built program the way a user does, in a directory of its own, with no display to reach
// (so no error box waits for a click) and silent audio, and keeps what the user gets: the exit
// status, standard output and error and, with the Log option, debug.log.
#pragma once

#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

struct ProgramResult {
    int status = -1; // exit status; -1 when the program died of a signal or ran out of time
    int signal = 0;  // the signal that ended it, if any
    bool timedOut = false;
    std::string out, err;
    std::vector<std::string> errLines;
    bool logExists = false;
    std::string logText;          // debug.log as written
    std::vector<std::string> log; // its message parts, without the location prefix

    bool Logged(const std::string& message) const { return std::find(log.begin(), log.end(), message) != log.end(); }
    // True when some log message starts with `prefix`.
    bool LoggedStart(const std::string& prefix) const {
        return std::any_of(log.begin(), log.end(), [&](const std::string& m) { return m.rfind(prefix, 0) == 0; });
    }
    bool ErrLine(const std::string& line) const {
        return std::find(errLines.begin(), errLines.end(), line) != errLines.end();
    }
    // Everything the program said, for failure messages.
    std::string Said() const { return logText + err; }
};

// A run of the program started in `dir` (its current directory), not yet waited for.
struct StartedProgram {
    pid_t pid = -1;
    std::string outPath, errPath;
};

// `inChild` runs in the new process just before the program starts (to set a resource limit, say);
// `program` is the file started, the build's program unless another is given.
inline StartedProgram StartProgram(const TempFolder& dir, const std::vector<std::string>& args,
                                   const std::function<void()>& inChild = nullptr,
                                   const std::string& program = QV_PROGRAM) {
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    StartedProgram started;
    started.outPath = (dir / "stdout.txt").string();
    started.errPath = (dir / "stderr.txt").string();
    std::error_code ignored;
    std::filesystem::remove(dir / "debug.log", ignored);

    started.pid = fork();
    if (started.pid == 0) {
        int out = open(started.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(started.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (chdir(dir.path.c_str()) != 0 || out < 0 || err < 0)
            _exit(126);
        dup2(out, 1);
        dup2(err, 2);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (inChild)
            inChild();
        execv(argv[0], argv.data());
        _exit(127);
    }
    return started;
}

// Waits for a started run to end (a hang is a failure too: it is killed after `limitSeconds`) and
// collects what it said.
inline ProgramResult FinishProgram(const TempFolder& dir, const StartedProgram& started, int limitSeconds = 60) {
    ProgramResult run;
    int status = 0;
    const pid_t pid = started.pid;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    while (pid > 0) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || done < 0)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            run.timedOut = true;
            ADD_FAILURE() << "the program ran past " << limitSeconds << " s";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!run.timedOut && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    run.out = TempFolder::Read(started.outPath);
    run.err = TempFolder::Read(started.errPath);
    run.errLines = TempFolder::Lines(started.errPath);
    const std::filesystem::path log = dir / "debug.log";
    run.logExists = std::filesystem::exists(log);
    run.logText = TempFolder::Read(log);
    for (const std::string& line : TempFolder::Lines(log)) {
        size_t end = line.find("] ");
        run.log.push_back(end == std::string::npos ? line : line.substr(end + 2));
    }
    return run;
}

// A hang is a failure too: the program is killed after `limitSeconds`.
inline ProgramResult RunProgram(const TempFolder& dir, const std::vector<std::string>& args, int limitSeconds = 60,
                                const std::function<void()>& inChild = nullptr) {
    return FinishProgram(dir, StartProgram(dir, args, inChild), limitSeconds);
}
