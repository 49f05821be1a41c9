#include "Platform/Console.h"

#include <cstdio>
#include <unistd.h>

bool ErrorStreamIsTerminal() { return isatty(fileno(stderr)) != 0; }

void ConnectConsole() {}

// Arguments arrive as the bytes that were typed, which on this system are UTF-8 names.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.emplace_back(argv[i] ? argv[i] : "");
    return arguments;
}
