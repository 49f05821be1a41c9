// Files the program creates for the user (a screenshot, an export's temporary file) are made only
// where no file was: never over an existing one, never through a link laid at the name.
#pragma once

#include <cstddef>
#include <string>

enum class NewFileResult {
    Created, // the file is new, holds the bytes and is closed
    Taken,   // something (a file, a folder, a link, even a dangling one) already has the name
    Failed,  // the folder refused it, or the write failed; `error` says why and nothing is left behind
};

NewFileResult WriteNewFile(const std::string& path, const void* bytes, size_t size, std::string& error);
