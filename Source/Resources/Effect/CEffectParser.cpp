#include "Resources/Effect/CEffectParser.h"

#include "Platform/CEffect.h"
#include "Resources/Effect/CMacroExpansionBound.h"

#include <cstdio>
#include <sstream>
#include <unordered_set>

namespace {

bool IsBlank(const std::string& s) { return s.find_first_not_of(" \t\r\f\v") == std::string::npos; }

bool IsName(const std::string& s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string w;
    while (in >> w)
        words.push_back(w);
    return words;
}

std::string AtLine(int line, const std::string& message) { return "line " + std::to_string(line) + ": " + message; }

// Splits "key=value"; false when there is no '=' or either side is empty.
bool KeyValue(const std::string& word, std::string& key, std::string& value) {
    size_t eq = word.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == word.size())
        return false;
    key = word.substr(0, eq);
    value = word.substr(eq + 1);
    return true;
}

// True when `text` names `main` outside its comments (or pastes tokens, which could make the name).
// A stage without it fails to compile or link with words about names the effect never wrote.
bool MentionsMain(const std::string& text) {
    const size_t n = text.size();
    size_t pos = 0;
    while (pos < n) {
        const char c = text[pos];
        if (c == '/' && pos + 1 < n && text[pos + 1] == '/') {
            pos = text.find('\n', pos);
            if (pos == std::string::npos)
                return false;
        } else if (c == '/' && pos + 1 < n && text[pos + 1] == '*') {
            pos = text.find("*/", pos + 2);
            if (pos == std::string::npos)
                return false;
            pos += 2;
        } else if (c == '#' && pos + 1 < n && text[pos + 1] == '#') {
            return true;
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') {
            size_t end = pos + 1;
            while (end < n && ((text[end] >= 'a' && text[end] <= 'z') || (text[end] >= 'A' && text[end] <= 'Z') ||
                               (text[end] >= '0' && text[end] <= '9') || text[end] == '_'))
                ++end;
            if (text.compare(pos, end - pos, "main") == 0)
                return true;
            pos = end;
        } else {
            ++pos;
        }
    }
    return false;
}

bool StageMentionsMain(const EffectDescription& source, const EffectSection& stage) {
    if (MentionsMain(stage.text))
        return true;
    for (const auto& c : source.common)
        if (MentionsMain(c.text))
            return true;
    return false;
}

} // namespace

bool CEffectParser::Parse(const std::string& text, EffectDescription& out, std::string& error) {
    out = EffectDescription();
    EffectSection* section = nullptr; // where text lines go; null after a technique or sampler line
    EffectTechnique* technique = nullptr;
    // The names so far, so that a file of many sections is read in linear time.
    std::unordered_set<std::string> vertexNames, fragmentNames, techniqueNames;
    int lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();

        if (line.empty() || line[0] != '@') {
            if (section) {
                section->text += line;
                section->text += '\n';
            } else if (!IsBlank(line)) {
                error = AtLine(lineNumber, "text outside a @common, @vertex or @fragment section");
                return false;
            }
            continue;
        }

        std::vector<std::string> words = Words(line);
        const std::string directive = words[0];
        if (directive == "@common") {
            if (words.size() != 1) {
                error = AtLine(lineNumber, "@common takes no name");
                return false;
            }
            out.common.push_back(EffectSection{"", "", lineNumber + 1});
            section = &out.common.back();
            technique = nullptr;
        } else if (directive == "@vertex" || directive == "@fragment") {
            const bool vertex = directive == "@vertex";
            if (words.size() != 2 || !IsName(words[1])) {
                error = AtLine(lineNumber, directive + " needs one name");
                return false;
            }
            auto& list = vertex ? out.vertexShaders : out.fragmentShaders;
            if (!(vertex ? vertexNames : fragmentNames).insert(words[1]).second) {
                error = AtLine(lineNumber, "a second " + directive + " section named '" + words[1] + "'");
                return false;
            }
            list.push_back(EffectSection{words[1], "", lineNumber + 1});
            section = &list.back();
            technique = nullptr;
        } else if (directive == "@technique") {
            if (words.size() != 2 || !IsName(words[1])) {
                error = AtLine(lineNumber, "@technique needs one name");
                return false;
            }
            if (!techniqueNames.insert(words[1]).second) {
                error = AtLine(lineNumber, "a second technique named '" + words[1] + "'");
                return false;
            }
            out.techniques.push_back(EffectTechnique{words[1], {}});
            technique = &out.techniques.back();
            section = nullptr;
        } else if (directive == "@pass") {
            if (!technique) {
                error = AtLine(lineNumber, "@pass outside a technique");
                return false;
            }
            EffectPass pass;
            pass.line = lineNumber;
            for (size_t i = 1; i < words.size(); ++i) {
                std::string key, value;
                if (!KeyValue(words[i], key, value) || !IsName(value) || (key != "vertex" && key != "fragment")) {
                    error = AtLine(lineNumber, "'" + words[i] + "' is not vertex=<name> or fragment=<name>");
                    return false;
                }
                (key == "vertex" ? pass.vertex : pass.fragment) = value;
            }
            if (pass.vertex.empty() || pass.fragment.empty()) {
                error = AtLine(lineNumber, "@pass needs both vertex= and fragment=");
                return false;
            }
            if (technique->passes.size() >= static_cast<size_t>(CEffect::MaxPasses)) {
                error = AtLine(lineNumber, "technique '" + technique->name + "' has more than " +
                                               std::to_string(CEffect::MaxPasses) + " passes");
                return false;
            }
            technique->passes.push_back(pass);
            section = nullptr;
        } else if (directive == "@sampler") {
            if (words.size() < 2 || !IsName(words[1])) {
                error = AtLine(lineNumber, "@sampler needs a uniform name");
                return false;
            }
            EffectSampler sampler;
            sampler.uniform = words[1];
            for (size_t i = 2; i < words.size(); ++i) {
                std::string key, value;
                bool ok = KeyValue(words[i], key, value);
                if (ok && key == "filter" && (value == "point" || value == "linear")) {
                    sampler.hasFilter = true;
                    sampler.filter = value == "point" ? TextureFilter::Point : TextureFilter::Linear;
                } else if (ok && key == "address" && (value == "clamp" || value == "wrap")) {
                    sampler.hasAddress = true;
                    sampler.address = value == "clamp" ? TextureAddress::Clamp : TextureAddress::Wrap;
                } else {
                    error = AtLine(lineNumber, "'" + words[i] + "' is not filter=point|linear or address=clamp|wrap");
                    return false;
                }
            }
            out.samplers.push_back(sampler);
            section = nullptr;
            technique = nullptr;
        } else {
            error = AtLine(lineNumber, "unknown directive '" + directive + "'");
            return false;
        }
    }

    if (out.techniques.empty()) {
        error = "the effect has no @technique";
        return false;
    }
    for (const auto& t : out.techniques) {
        if (t.passes.empty()) {
            error = "technique '" + t.name + "' has no @pass";
            return false;
        }
        for (const auto& p : t.passes) {
            const EffectSection* vertex = out.FindVertex(p.vertex);
            if (!vertex) {
                error = AtLine(p.line, "no @vertex section named '" + p.vertex + "'");
                return false;
            }
            const EffectSection* fragment = out.FindFragment(p.fragment);
            if (!fragment) {
                error = AtLine(p.line, "no @fragment section named '" + p.fragment + "'");
                return false;
            }
            if (!StageMentionsMain(out, *vertex)) {
                error = AtLine(vertex->firstLine - 1, "the @vertex section '" + p.vertex + "' has no main function");
                return false;
            }
            if (!StageMentionsMain(out, *fragment)) {
                error =
                    AtLine(fragment->firstLine - 1, "the @fragment section '" + p.fragment + "' has no main function");
                return false;
            }
        }
    }
    // Self-doubling #defines in a kilobyte would make the compiler expand gigabytes.
    return CMacroExpansionBound::Check(text, error);
}
