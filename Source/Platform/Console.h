// The program's standard streams and command line as the machine hands them over.
#pragma once

#include <string>
#include <vector>

// True when standard error is a terminal, where a progress line may be redrawn in place.
bool ErrorStreamIsTerminal();

// Connects the standard streams that the program was started without to the console of the program
// that started it, where a windowed program starts without any (a command prompt still shows
// `--version`, `Check` and the log's echo); streams redirected to a file or pipe are kept. Nothing to
// do where every program has the streams it was given.
void ConnectConsole();

// The program's arguments, in UTF-8 whatever the machine's code page.
std::vector<std::string> ProgramArguments(int argc, char** argv);
