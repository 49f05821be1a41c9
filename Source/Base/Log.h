// The process-wide diagnostic log. A message is written in two steps: the caller records where it is
// (file, function, line) and then formats the message. Nothing is written unless the log was enabled
// by the Log command-line option; lines then go to "debug.log" in the current directory and, one line
// per message, to standard error.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Formats are checked as the C library in use reads them: MinGW-w64's own printf (C99, with %zu) is
// chosen for Windows builds, where the system's would not know every conversion.
#ifdef __MINGW_PRINTF_FORMAT
#define QV_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define QV_PRINTF_FORMAT printf
#endif

void SetLogLocation(const char* file, const char* function, int line);
void LogMessage(const char* format, ...) __attribute__((format(QV_PRINTF_FORMAT, 1, 2)));

// Switches the log on (the Log option). Never switched off again.
void EnableLog();
bool IsLogEnabled();

// Receives every message as it is logged (the function's name and the formatted message), also
// while the log is off; an empty function removes it. Live reload collects a failed reload's
// messages this way, to show them in the window.
using LogObserver = std::function<void(const char* function, const char* message)>;
void SetLogObserver(LogObserver observer);

// What an author needs next beside a failure the log reports (the nearest valid name, a decoder's
// reason): given only to the observer, under the function name AdviceFunction, never written to the
// log, whose lines stay the system's own.
inline constexpr const char* AdviceFunction = "(advice)";
void AdviseAuthor(const char* format, ...) __attribute__((format(QV_PRINTF_FORMAT, 1, 2)));

// One logged message with where it was logged (the location's texts are the literals LOG gives).
struct LoggedLine {
    const char* file = "";
    const char* function = "";
    int line = 0;
    std::string message;
};
// Appends every message logged from now on (also while the log is off) to `into`; null stops.
// Returns the list that collected before, to be put back when done.
std::vector<LoggedLine>* SetLogRecorder(std::vector<LoggedLine>* into);
// Logs a recorded message again, in its words and at its location: a failure met once is reported
// alike for everything that meets it again.
void Relog(const LoggedLine& line);

// For tests: closes the log file, forgets a failed open and disables the log, so that the next
// enabled message opens "debug.log" afresh in the current directory.
void ResetLogForTests();

// Records the call site and logs one message. `func` is the qualified function name as a string.
#define LOG(func, ...)                                                                                                 \
    do {                                                                                                               \
        SetLogLocation(__FILE__, func, __LINE__);                                                                      \
        LogMessage(__VA_ARGS__);                                                                                       \
    } while (0)
