// Collects the messages logged while a presentation is loaded or created (also with the log off), and
// makes of them what the error panel shows: the file at fault, its line and what went wrong.
#pragma once

#include <string>
#include <vector>

struct LoadFailure {
    std::string file;    // the file at fault (the script when no other is named)
    int line = 0;        // 0 when the messages name no line
    std::string message; // what went wrong, the most telling message first
};

class CFailureCapture {
public:
    // Collects from now on; stops when destroyed.
    CFailureCapture();
    ~CFailureCapture();
    CFailureCapture(const CFailureCapture&) = delete;
    CFailureCapture& operator=(const CFailureCapture&) = delete;

    const std::vector<std::string>& Messages() const { return messages; }
    // The panel's view of the messages so far; `script` is the file blamed when none is named, and
    // `scriptLine` (where parsing stopped, 0 when unknown) its line when no message names one.
    LoadFailure Failure(const std::string& script, int scriptLine = 0) const;

private:
    std::vector<std::string> messages;
    std::vector<std::string> advice; // for the panel only, each text once
};
