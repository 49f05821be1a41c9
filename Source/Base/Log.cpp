#include "Base/Log.h"

#include "Base/EscapeControlCharacters.h"

#include "Platform/NativeFile.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

struct LogRecord {
    const char* file = "";
    const char* function = "";
    int line = 0;
    bool enabled = false;
    FILE* out = nullptr;
    bool openFailed = false;
};

LogRecord& Record() {
    static LogRecord record;
    return record;
}

constexpr size_t MessageBytes = 10240;
constexpr size_t FileChars = 30;

// A debug.log planted as a link would have the log overwrite whatever it points at, and a pipe would
// stop the program at its first message until someone reads it: neither is written.
FILE* OpenLogFile() {
    NativeLogRefusal refusal = NativeLogRefusal::None;
    FILE* file = OpenNativeLogFile("debug.log", refusal);
    if (refusal == NativeLogRefusal::Symlink)
        std::fputs("debug.log is a symbolic link: the log is not written to a file\n", stderr);
    else if (refusal == NativeLogRefusal::NotRegular)
        std::fputs("debug.log is not a regular file: the log is not written to a file\n", stderr);
    return file;
}

} // namespace

void EnableLog() { Record().enabled = true; }
bool IsLogEnabled() { return Record().enabled; }

void ResetLogForTests() {
    LogRecord& r = Record();
    if (r.out)
        std::fclose(r.out);
    r = LogRecord{};
}

LogObserver& Observer() {
    static LogObserver observer;
    return observer;
}

void SetLogObserver(LogObserver observer) { Observer() = std::move(observer); }

void AdviseAuthor(const char* format, ...) {
    if (!Observer())
        return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Observer()(AdviceFunction, text);
}

std::vector<LoggedLine>*& Recorder() {
    static std::vector<LoggedLine>* recorder = nullptr;
    return recorder;
}

std::vector<LoggedLine>* SetLogRecorder(std::vector<LoggedLine>* into) {
    std::vector<LoggedLine>* before = Recorder();
    Recorder() = into;
    return before;
}

void Relog(const LoggedLine& line) {
    SetLogLocation(line.file, line.function, line.line);
    LogMessage("%s", line.message.c_str());
}

void SetLogLocation(const char* file, const char* function, int line) {
    LogRecord& r = Record();
    if (!r.enabled && !Observer() && !Recorder())
        return;
    r.file = file ? file : "";
    r.function = function ? function : "";
    r.line = line;
}

void LogMessage(const char* format, ...) {
    LogRecord& r = Record();
    if (!r.enabled && !Observer() && !Recorder())
        return;

    const char* file = r.file;
    size_t fileLength = std::strlen(file);
    if (fileLength > FileChars)
        file += fileLength - FileChars;

    char prefix[512];
    std::snprintf(prefix, sizeof prefix, "%s@%d %s", file, r.line, r.function);

    static char message[MessageBytes];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (written < 0)
        message[0] = 0;

    size_t length = std::strlen(message);
    while (length > 0 && (message[length - 1] == '\n' || message[length - 1] == '\r'))
        message[--length] = 0;

    if (Recorder())
        Recorder()->push_back(LoggedLine{r.file, r.function, r.line, message});
    if (Observer())
        Observer()(r.function, message);
    if (!r.enabled)
        return;

    if (!r.out && !r.openFailed) {
        r.out = OpenLogFile();
        if (!r.out)
            r.openFailed = true;
    }
    if (r.out) {
        std::fputs("[", r.out);
        std::fputs(prefix, r.out);
        std::fputs("] ", r.out);
        std::fputs(message, r.out);
        std::fputs("\n", r.out);
        std::fflush(r.out);
    }
    // The file keeps the message as it was; the terminal must not act on control characters in it.
    std::fprintf(stderr, "[%s] %s\n", prefix, EscapeControlCharacters(message).c_str());
}
