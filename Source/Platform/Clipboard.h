// The desktop's clipboard, for text the program hands to the user (a keyframe line to paste into the
// script).
#pragma once

#include <string>

// Puts the text on the clipboard; false (with a log line) where there is none, such as without a
// display.
bool CopyToClipboard(const std::string& text);
