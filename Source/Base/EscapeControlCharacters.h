// Makes text safe to show on a terminal or in a message box. Messages carry names from scripts, data
// files and the command line; a control character in one could move the cursor, retitle the terminal
// or hide the rest of the line. debug.log keeps the text as it was.
#pragma once

#include <string>
#include <string_view>

// Every byte of a control character other than tab and newline (C0, DEL, and C1 whether encoded as
// UTF-8 or as a single byte), and every byte that is not part of valid UTF-8, is written as \xNN with
// two lowercase hex digits. Everything else is kept as it is.
std::string EscapeControlCharacters(std::string_view text);
