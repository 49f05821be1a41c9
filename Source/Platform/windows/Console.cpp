#include "Platform/Console.h"

#include "Platform/win32/WideNames.h"

#include <cstdio>
#include <cwchar>
#include <io.h>
#include <shellapi.h>

namespace {

// Whether the program was started without `stream`: no handle for it, or none the C library took.
bool Absent(DWORD which, FILE* stream) {
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE || _fileno(stream) < 0;
}

} // namespace

// A console answers GetConsoleMode; a file, a pipe or a terminal emulator's pipe does not.
bool ErrorStreamIsTerminal() {
    const int fd = _fileno(stderr);
    const HANDLE handle = fd >= 0 ? reinterpret_cast<HANDLE>(_get_osfhandle(fd)) : INVALID_HANDLE_VALUE;
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// The program is a windowed one (no console opens when it is double-clicked), so a command prompt
// hands it only the streams it redirected. Which ones are missing is judged before attaching, since
// attaching may fill the process's standard handles in.
void ConnectConsole() {
    const bool input = Absent(STD_INPUT_HANDLE, stdin);
    const bool output = Absent(STD_OUTPUT_HANDLE, stdout);
    const bool errors = Absent(STD_ERROR_HANDLE, stderr);
    if (!(input || output || errors) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (input)
        std::freopen("CONIN$", "r", stdin);
    if (output)
        std::freopen("CONOUT$", "w", stdout);
    if (errors && std::freopen("CONOUT$", "w", stderr))
        std::setvbuf(stderr, nullptr, _IONBF, 0);
}

// The C library's arguments are in the machine's code page, where a name outside it is lost: the
// command line is read again in UTF-16.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments.push_back(Utf8Name(wide[i], std::wcslen(wide[i])));
        LocalFree(wide);
        return arguments;
    }
    for (int i = 0; i < argc; ++i)
        arguments.emplace_back(argv[i] ? argv[i] : "");
    return arguments;
}
