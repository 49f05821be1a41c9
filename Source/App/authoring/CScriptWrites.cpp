#include "App/authoring/CScriptWrites.h"

#include "Base/Utf8Path.h"
#include "Platform/NewFile.h"

#include <fstream>
#include <iterator>

bool CScriptWrites::ReadText(const std::string& path, std::string& text) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool CScriptWrites::Replace(const std::string& path, const std::string& from, const std::string& to,
                            std::string& message) {
    std::string now;
    if (!ReadText(path, now)) {
        message = "Cannot read '" + path + "'";
        return false;
    }
    if (now != from) {
        message = "'" + path + "' was changed outside the overlay since: it is left as it is";
        return false;
    }
    std::string error;
    if (!ReplaceFileContents(path, to, error)) {
        message = "Cannot write the script: " + error;
        return false;
    }
    return true;
}

bool CScriptWrites::Write(const std::string& path, const std::string& before, const std::string& after,
                          std::string& message) {
    if (!Replace(path, before, after, message))
        return false;
    done.push_back(Step{path, before, after});
    if (done.size() > MaxSteps)
        done.erase(done.begin());
    undone.clear();
    return true;
}

// Takes the last step of `from` over to `to`, writing its text `back` (before) or forward (after).
bool CScriptWrites::Move(std::vector<Step>& from, std::vector<Step>& to, bool back, std::string& message) {
    if (from.empty()) {
        message = back ? "Nothing to undo" : "Nothing to redo";
        return false;
    }
    const Step& step = from.back();
    if (!Replace(step.path, back ? step.after : step.before, back ? step.before : step.after, message))
        return false;
    message = back ? "Undone: '" + step.path + "' is as it was before the write"
                   : "Redone: '" + step.path + "' has the write again";
    to.push_back(std::move(from.back()));
    from.pop_back();
    return true;
}

bool CScriptWrites::Undo(std::string& message) { return Move(done, undone, true, message); }

bool CScriptWrites::Redo(std::string& message) { return Move(undone, done, false, message); }
