#include "App/authoring/CFailureCapture.h"

#include "Base/DataFile.h"
#include "Base/Log.h"
#include "Base/Names.h"
#include "Layers/CLayer.h"
#include "Platform/gl/CCompilerMessages.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

// Messages that only report progress, or say that a stage failed after the message that says why.
bool IsSummary(const std::string& message) {
    static const char* const starts[] = {"Failed to parse config file!",
                                         "Failed to create resources",
                                         "Failed to create scenes",
                                         "Failed to create shader",
                                         "Failed to create all ",
                                         "Adding ",
                                         "Creating ",
                                         "Loading ",
                                         "Found ",
                                         "Reloading after",
                                         "Model loaded successfully",
                                         "Created resources successfully!",
                                         "Config file loaded ok!"};
    for (const char* start : starts)
        if (message.rfind(start, 0) == 0)
            return true;
    return message.find("Auto-creating it..") != std::string::npos;
}

// The number after "line ", or else the line of the first error in a compiler's messages (each
// driver writes it its own way), 0 when there is none.
int LineIn(const std::string& message) {
    for (const char* marker : {"line ", "Line "}) {
        const size_t at = message.find(marker);
        if (at != std::string::npos && std::isdigit(static_cast<unsigned char>(message[at + 5])))
            return std::atoi(message.c_str() + at + 5);
    }
    return CCompilerMessages::FirstErrorLine(message);
}

// A file the message names: the first quoted name with a dot in it, or the name an effect message
// starts with.
std::string FileIn(const std::string& message) {
    for (size_t open = message.find('\''); open != std::string::npos; open = message.find('\'', open + 1)) {
        const size_t close = message.find('\'', open + 1);
        if (close == std::string::npos)
            break;
        const std::string quoted = message.substr(open + 1, close - open - 1);
        if (quoted.find('.') != std::string::npos && quoted.find(' ') == std::string::npos)
            return quoted;
        open = close;
    }
    // "fx/glow.fx: line 4: ...", "fx/glow.fx, @fragment PS: 0(12) : ...": the effect's own messages.
    const size_t end = message.find_first_of(",:");
    if (end != std::string::npos) {
        const std::string prefix = message.substr(0, end);
        if (prefix.find('.') != std::string::npos && prefix.find(' ') == std::string::npos)
            return prefix;
    }
    return std::string();
}

// What the author most likely meant, for a message about a name the script got wrong: "\nDid you
// mean 2DImage?" for an unknown layer type near a registered one; empty otherwise.
std::string HintFor(const std::string& message) {
    constexpr std::string_view UnknownType = "Unknown layer type '";
    if (message.rfind(UnknownType, 0) != 0)
        return std::string();
    const size_t close = message.find('\'', UnknownType.size());
    if (close == std::string::npos)
        return std::string();
    std::vector<std::string> types;
    for (const LayerTypeEntry& entry : GetLayerTypeRegistry())
        types.push_back(entry.name);
    const std::string nearest = NearestName(message.substr(UnknownType.size(), close - UnknownType.size()), types);
    return nearest.empty() ? std::string() : "\nDid you mean " + nearest + "?";
}

// The line of the script that names `file` in quotes (the declaration of the resource read from it),
// 0 when the script cannot be read or never names it.
int DeclaringLine(const std::string& script, const std::string& file) {
    std::vector<uint8_t> bytes;
    if (ReadDataFile(script, bytes) != DataFileResult::Ok)
        return 0;
    const std::string text(bytes.begin(), bytes.end());
    const size_t at = text.find("\"" + file + "\"");
    if (at == std::string::npos)
        return 0;
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

} // namespace

CFailureCapture::CFailureCapture() {
    SetLogObserver([this](const char* function, const char* message) {
        if (function && std::strcmp(function, AdviceFunction) == 0) {
            if (std::find(advice.begin(), advice.end(), message) == advice.end())
                advice.emplace_back(message);
        } else {
            messages.emplace_back(message);
        }
    });
}

CFailureCapture::~CFailureCapture() { SetLogObserver(nullptr); }

LoadFailure CFailureCapture::Failure(const std::string& script, int scriptLine) const {
    LoadFailure failure;
    failure.file = script;
    std::string first, rest;
    for (const std::string& message : messages) {
        if (IsSummary(message))
            continue;
        if (first.empty()) {
            first = message;
            const std::string named = FileIn(message);
            if (!named.empty())
                failure.file = named;
            failure.line = LineIn(message);
        } else {
            rest += "\n" + message;
        }
    }
    // Nothing but summaries: the last of them is what there is to say.
    if (first.empty() && !messages.empty())
        first = messages.back();
    failure.message = first + HintFor(first);
    // What to do next goes right under what went wrong.
    for (const std::string& text : advice)
        failure.message += "\n" + text;
    if (failure.file != script && !failure.file.empty())
        if (const int line = DeclaringLine(script, failure.file); line > 0)
            failure.message +=
                "\n'" + failure.file + "' is named on line " + std::to_string(line) + " of " + script + ".";
    failure.message += rest;
    // Many syntax errors stop the parser without a message of their own: where it stopped is the
    // place to look.
    if (failure.line == 0 && failure.file == script)
        failure.line = scriptLine;
    return failure;
}
