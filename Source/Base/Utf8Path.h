// Names are UTF-8 strings everywhere in the program; the standard library's paths take a plain string
// in the C library's narrow encoding, which on Windows is not UTF-8 (a capture folder "Bilder_ü"
// would be made as "Bilder_Ã¼"). Paths are made from names, and names from paths, through these.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}
