#include "Platform/Console.h"

#include <cstdio>
#include <unistd.h>

bool ErrorStreamIsTerminal() { return isatty(fileno(stderr)) != 0; }
