// The start-up error box: the text always goes to standard error, and a box captioned "ERROR" is shown
// as well when a display can be reached and nobody is waiting on the program unattended.
#pragma once

#include <string>

// `allowDialog` is false in Check and Capture runs, which must never wait for a click.
void ShowErrorBox(const std::string& text, bool allowDialog);
