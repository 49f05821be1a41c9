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

bool CScriptWrites::Undo(std::string& message) {
    if (done.empty()) {
        message = "Nothing to undo";
        return false;
    }
    const Step& step = done.back();
    if (!Replace(step.path, step.after, step.before, message))
        return false;
    undone.push_back(std::move(done.back()));
    done.pop_back();
    message = "Undone: '" + undone.back().path + "' is as it was before the write";
    return true;
}

bool CScriptWrites::Redo(std::string& message) {
    if (undone.empty()) {
        message = "Nothing to redo";
        return false;
    }
    const Step& step = undone.back();
    if (!Replace(step.path, step.before, step.after, message))
        return false;
    done.push_back(std::move(undone.back()));
    undone.pop_back();
    message = "Redone: '" + done.back().path + "' has the write again";
    return true;
}
