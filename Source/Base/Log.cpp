#include "Base/Log.h"

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

} // namespace

void EnableLog() { Record().enabled = true; }
bool IsLogEnabled() { return Record().enabled; }

void ResetLogForTests() {
    LogRecord& r = Record();
    if (r.out)
        std::fclose(r.out);
    r = LogRecord{};
}

void SetLogLocation(const char* file, const char* function, int line) {
    LogRecord& r = Record();
    if (!r.enabled)
        return;
    r.file = file ? file : "";
    r.function = function ? function : "";
    r.line = line;
}

void LogMessage(const char* format, ...) {
    LogRecord& r = Record();
    if (!r.enabled)
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

    if (!r.out && !r.openFailed) {
        r.out = std::fopen("debug.log", "wt");
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
    std::fprintf(stderr, "[%s] %s\n", prefix, message);
}
