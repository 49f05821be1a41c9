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

// Replaces the regular file at `path` with `bytes` at once: a temporary file beside it (made new, with
// the file's permissions) is written, flushed and renamed over it, so that a reader (an editor, the
// file watcher) sees the old file or the new one, never half of one. False, with `error` saying why
// and the file as it was, when it is not a regular file or cannot be replaced.
bool ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& error);
