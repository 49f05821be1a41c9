// What the machine's desktop offers the windows and boxes the program opens.
#pragma once

#include <string>

// True when a desktop can be reached to show a window or a box on (an X11 or Wayland display named in
// the environment on Linux; always on Windows).
bool DesktopReachable();

// A TrueType font file for the interface's text (overlay and dialog), or empty when the machine has
// none where it is looked for (Dear ImGui's built-in font is used then).
std::string InterfaceFontFile();

// The folder the running program's file lies in (UTF-8, no separator at the end), or empty when the
// system does not say. A release folder keeps its data there.
std::string ProgramFolder();
