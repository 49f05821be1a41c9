// How the script's names and keywords compare: without regard to the letter case of ASCII letters
// (block and key words, type, resource, scene, layer and parameter names, "true" and "false",
// command-line options). Other bytes compare as they are, whatever the locale.
#pragma once

#include <string>
#include <string_view>
#include <vector>

bool SameName(std::string_view a, std::string_view b);
// The name with its ASCII letters in lower case: two names are the same name exactly when their keys
// are equal, so the key finds a name in a hash map.
std::string NameKey(std::string_view name);
// The candidate nearest to `name` in edits of single characters (letter case ignored), for a "did you
// mean" hint; empty when none is near enough to be what was meant (more than a third of the name, and
// at least one character, would have to change) or two are equally near.
std::string NearestName(std::string_view name, const std::vector<std::string>& candidates);
