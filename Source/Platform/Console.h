// What the program's standard streams are connected to.
#pragma once

// True when standard error is a terminal, where a progress line may be redrawn in place.
bool ErrorStreamIsTerminal();
