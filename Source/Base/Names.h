// How the script's names and keywords compare: without regard to the letter case of ASCII letters
// (block and key words, type, resource, scene, layer and parameter names, "true" and "false",
// command-line options). Other bytes compare as they are, whatever the locale.
#pragma once

#include <string>
#include <string_view>

bool SameName(std::string_view a, std::string_view b);
// The name with its ASCII letters in lower case: two names are the same name exactly when their keys
// are equal, so the key finds a name in a hash map.
std::string NameKey(std::string_view name);
