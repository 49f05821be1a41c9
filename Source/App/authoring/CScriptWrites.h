// The writes the overlay makes into the presentation's files, and their undo: each write replaces a
// file whole (ReplaceFileContents) and is kept with the text before and after it, so that Ctrl+Z and
// Ctrl+Shift+Z step back and forth through them. A file that someone else changed since is never
// overwritten: the step is refused with a message, and the history stays as it was.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CScriptWrites {
public:
    // Steps kept; the oldest go first.
    static constexpr size_t MaxSteps = 200;

    // The file's text now, read whole; false when it cannot be read.
    static bool ReadText(const std::string& path, std::string& text);

    // Replaces the file's text `before` with `after`. Refused when the file no longer holds `before`
    // (it changed since it was read). A new write forgets the steps undone before it.
    bool Write(const std::string& path, const std::string& before, const std::string& after, std::string& message);
    // Puts back the text before the last write still done, or writes again the last one undone.
    bool Undo(std::string& message);
    bool Redo(std::string& message);

    size_t DoneCount() const { return done.size(); }
    size_t UndoneCount() const { return undone.size(); }

private:
    struct Step {
        std::string path, before, after;
    };
    // Writes `to` over `from` when the file still holds `from`.
    static bool Replace(const std::string& path, const std::string& from, const std::string& to, std::string& message);
    static bool Move(std::vector<Step>& from, std::vector<Step>& to, bool back, std::string& message);

    std::vector<Step> done, undone;
};
