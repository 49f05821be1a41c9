#include "Scenes/ScriptEdit.h"

#include "Base/CTokeniser.h"
#include "Base/Log.h"
#include "Base/Names.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// One token of the script with where it lies in the text.
struct Token {
    TokenType type = TokenType::Invalid;
    size_t start = 0, end = 0;
    std::string text; // as GetString gives it (no quotes; a number keeps its terminator)
    double number = 0.0;
    int bar = 0, beat = 0, tick = 0;
};

// A `Name = value` line of a layer's block: the tokens of the name and of the value.
struct Setting {
    size_t name = 0, first = 0, last = 0;
};

struct Layer {
    size_t name = 0;            // token of the name, also where the declaration lies
    size_t open = 0, close = 0; // tokens of the braces of its parameter block
    std::vector<Setting> settings;
};

struct Block {
    size_t open = 0, close = 0; // tokens of the braces
};

struct Group {
    int64_t time = 0; // ticks from the scene's start
    size_t timeToken = 0;
    Block braces;
};

struct KeyframeLine {
    size_t layer = 0, parameter = 0, kind = 0;
    std::vector<size_t> payload;
    size_t group = 0; // index into SceneText::groups
};

// What the write needs to know of one scene: where its parts lie, in tokens.
struct SceneText {
    size_t name = 0;
    CMusicalTime tempo;
    int64_t start = 0, end = 0; // ticks on the music's time line
    Block body;
    std::vector<Layer> layers;
    std::vector<Block> keyframeBlocks;
    std::vector<Group> groups;
    std::vector<KeyframeLine> lines;
};

// Reads the script's structure as the loader does, recording tokens instead of building layers. It
// checks the shape, not the values: what it accepts the loader may still refuse.
class ScriptReader {
public:
    explicit ScriptReader(const std::string& text) : tokeniser(text.data(), text.size()) {}

    bool Read(std::vector<SceneText>& scenes, std::string& error);

    std::vector<Token> tokens;

private:
    size_t Next();
    size_t Peek();
    bool Expect(TokenType type, size_t& index);
    bool Fail(size_t index, const char* what);
    bool ReadSystem();
    bool SkipBlock();
    bool ReadScene(SceneText& scene);
    bool ReadTime(const CMusicalTime& tempo, size_t index, int64_t& ticks);
    bool ReadLayers(SceneText& scene);
    bool ReadKeyframes(SceneText& scene);

    CMemoryTokeniser tokeniser;
    CMusicalTime tempo;
    bool peeked = false;
    std::string failure;
};

size_t ScriptReader::Next() {
    if (peeked) {
        peeked = false;
        return tokens.size() - 1;
    }
    Token token;
    token.type = tokeniser.NextToken();
    token.start = tokeniser.GetTokenStart();
    token.end = tokeniser.GetTokenEnd();
    token.text = tokeniser.GetString();
    token.number = tokeniser.GetNumber();
    token.bar = tokeniser.GetBar();
    token.beat = tokeniser.GetBeat();
    token.tick = tokeniser.GetTick();
    tokens.push_back(std::move(token));
    return tokens.size() - 1;
}

size_t ScriptReader::Peek() {
    const size_t index = Next();
    peeked = true;
    return index;
}

bool ScriptReader::Fail(size_t index, const char* what) {
    if (failure.empty())
        failure = std::string(what) + " at byte " + std::to_string(tokens[index].start);
    return false;
}

bool ScriptReader::Expect(TokenType type, size_t& index) {
    index = Next();
    if (tokens[index].type == type)
        return true;
    static const char* const names[] = {"a word", "a number", "a time", "'{'", "'}'", "'='", "';'"};
    const int which = static_cast<int>(type);
    return Fail(index, (std::string("Expecting ") + (which < 7 ? names[which] : "a token")).c_str());
}

bool ScriptReader::Read(std::vector<SceneText>& scenes, std::string& error) {
    for (;;) {
        const size_t index = Next();
        const Token& token = tokens[index];
        bool read = false;
        if (token.type != TokenType::Word) {
            Fail(index, token.type == TokenType::EndOfFile ? "The script has no 'end'" : "Expecting a block");
        } else if (SameName(token.text, "end")) {
            return true;
        } else if (SameName(token.text, "system")) {
            read = ReadSystem();
        } else if (SameName(token.text, "resources")) {
            read = SkipBlock();
        } else if (SameName(token.text, "scene")) {
            SceneText scene;
            read = ReadScene(scene);
            scenes.push_back(std::move(scene));
        } else {
            Fail(index, "Unknown block");
        }
        if (!read) {
            error = "The script does not read: " + failure;
            return false;
        }
    }
}

// Only the tempo matters here: every pair is a key, '=' and one token.
bool ScriptReader::ReadSystem() {
    size_t index;
    if (!Expect(TokenType::OpenBrace, index))
        return false;
    for (;;) {
        const size_t key = Next();
        if (tokens[key].type == TokenType::CloseBrace)
            return true;
        if (tokens[key].type != TokenType::Word)
            return Fail(key, "Expecting a system key");
        if (!Expect(TokenType::Equals, index))
            return false;
        const size_t value = Next();
        const Token& v = tokens[value];
        if (v.type != TokenType::Word && v.type != TokenType::Number && v.type != TokenType::Time)
            return Fail(value, "Expecting a value");
        const double clamped = std::clamp(v.number, -2147483647.0, 2147483647.0);
        if (v.type == TokenType::Number && SameName(tokens[key].text, "Bpm"))
            tempo.SetBpm(static_cast<float>(v.number));
        else if (v.type == TokenType::Number && SameName(tokens[key].text, "Beats"))
            tempo.SetBeats(static_cast<int>(clamped));
        else if (v.type == TokenType::Number && SameName(tokens[key].text, "Ticks"))
            tempo.SetTicks(static_cast<int>(clamped));
    }
}

bool ScriptReader::SkipBlock() {
    size_t index;
    if (!Expect(TokenType::OpenBrace, index))
        return false;
    for (int depth = 1; depth > 0;) {
        index = Next();
        const TokenType type = tokens[index].type;
        if (type == TokenType::EndOfFile || type == TokenType::Invalid)
            return Fail(index, "Expecting '}'");
        depth += type == TokenType::OpenBrace ? 1 : type == TokenType::CloseBrace ? -1 : 0;
    }
    return true;
}

bool ScriptReader::ReadTime(const CMusicalTime& time, size_t index, int64_t& ticks) {
    const Token& t = tokens[index];
    if (t.type != TokenType::Time)
        return Fail(index, "Expecting a time");
    if (t.beat >= time.Beats() || t.tick >= time.Ticks())
        return Fail(index, "Time out of range");
    ticks = (static_cast<int64_t>(t.bar) * time.Beats() + t.beat) * time.Ticks() + t.tick;
    return true;
}

bool ScriptReader::ReadScene(SceneText& scene) {
    scene.tempo = tempo;
    if (!Expect(TokenType::Word, scene.name) || !ReadTime(tempo, Next(), scene.start) ||
        !ReadTime(tempo, Next(), scene.end) || !Expect(TokenType::OpenBrace, scene.body.open))
        return false;
    for (;;) {
        const size_t index = Next();
        const Token& token = tokens[index];
        if (token.type == TokenType::CloseBrace) {
            scene.body.close = index;
            return true;
        }
        if (token.type == TokenType::Word && SameName(token.text, "layers")) {
            if (!ReadLayers(scene))
                return false;
        } else if (token.type == TokenType::Word && SameName(token.text, "keyframes")) {
            if (!ReadKeyframes(scene))
                return false;
        } else {
            return Fail(index, "Expecting 'layers' or 'keyframes'");
        }
    }
}

bool ScriptReader::ReadLayers(SceneText& scene) {
    size_t index;
    if (!Expect(TokenType::OpenBrace, index))
        return false;
    for (;;) {
        Layer layer;
        layer.name = Next();
        if (tokens[layer.name].type == TokenType::CloseBrace)
            return true;
        if (tokens[layer.name].type != TokenType::Word)
            return Fail(layer.name, "Expecting a layer name");
        if (!Expect(TokenType::Word, index) || !Expect(TokenType::OpenBrace, layer.open))
            return false;
        for (;;) {
            Setting setting;
            setting.name = Next();
            if (tokens[setting.name].type == TokenType::CloseBrace)
                break;
            if (tokens[setting.name].type != TokenType::Word)
                return Fail(setting.name, "Expecting a parameter name");
            if (!Expect(TokenType::Equals, index))
                return false;
            // One word, or numbers up to the next name or the block's end.
            setting.first = setting.last = Next();
            if (tokens[setting.first].type == TokenType::Number) {
                while (tokens[Peek()].type == TokenType::Number)
                    setting.last = Next();
            } else if (tokens[setting.first].type != TokenType::Word) {
                return Fail(setting.first, "Expecting a value");
            }
            layer.settings.push_back(setting);
        }
        layer.close = tokens.size() - 1;
        scene.layers.push_back(std::move(layer));
    }
}

bool ScriptReader::ReadKeyframes(SceneText& scene) {
    Block block;
    if (!Expect(TokenType::OpenBrace, block.open))
        return false;
    for (;;) {
        Group group;
        group.timeToken = Next();
        if (tokens[group.timeToken].type == TokenType::CloseBrace)
            break;
        if (!ReadTime(scene.tempo, group.timeToken, group.time) || !Expect(TokenType::OpenBrace, group.braces.open))
            return false;
        for (;;) {
            KeyframeLine line;
            line.layer = Next();
            if (tokens[line.layer].type == TokenType::CloseBrace)
                break;
            if (tokens[line.layer].type != TokenType::Word)
                return Fail(line.layer, "Expecting a layer name");
            if (!Expect(TokenType::Word, line.parameter) || !Expect(TokenType::Word, line.kind))
                return false;
            // One word (bool, string), or numbers and times (a square's period) up to the next line.
            const size_t first = Next();
            const TokenType type = tokens[first].type;
            if (type != TokenType::Word && type != TokenType::Number && type != TokenType::Time)
                return Fail(first, "Expecting a keyframe value");
            line.payload.push_back(first);
            if (type != TokenType::Word) {
                for (TokenType next = tokens[Peek()].type; next == TokenType::Number || next == TokenType::Time;
                     next = tokens[Peek()].type)
                    line.payload.push_back(Next());
            }
            line.group = scene.groups.size();
            scene.lines.push_back(std::move(line));
        }
        group.braces.close = tokens.size() - 1;
        scene.groups.push_back(group);
    }
    block.close = tokens.size() - 1;
    scene.keyframeBlocks.push_back(block);
    return true;
}

// One change to the text: `length` bytes at `at` become `text`. Changes at the same place go in the
// order they were made.
struct Change {
    size_t at = 0, length = 0;
    std::string text;
    size_t order = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

size_t LineStart(const std::string& text, size_t at) {
    while (at > 0 && text[at - 1] != '\n')
        --at;
    return at;
}

std::string IndentationOf(const std::string& text, size_t at) {
    size_t start = LineStart(text, at), end = start;
    while (end < text.size() && IsBlank(text[end]))
        ++end;
    return text.substr(start, end - start);
}

// Whether only blanks stand before `at` on its line.
bool StartsLine(const std::string& text, size_t at) {
    for (size_t i = LineStart(text, at); i < at; ++i)
        if (!IsBlank(text[i]))
            return false;
    return true;
}

// The line ending of the line that holds `at` (or of the nearest line before it that has one).
std::string LineEndingAt(const std::string& text, size_t at) {
    size_t newline = text.find('\n', at);
    if (newline == std::string::npos)
        newline = at > 0 ? text.rfind('\n', at - 1) : std::string::npos;
    return newline != std::string::npos && newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

std::string Join(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts)
        joined += (joined.empty() ? "" : " ") + part;
    return joined;
}

// Builds the changes of one edit against the text as it was read.
class Writer {
public:
    Writer(const std::string& text, const std::vector<Token>& tokens, const SceneText& scene)
        : text(text), tokens(tokens), scene(scene) {}

    std::string Source(size_t token) const {
        return text.substr(tokens[token].start, tokens[token].end - tokens[token].start);
    }
    bool MultiLine(const Block& block) const {
        return text.find('\n', tokens[block.open].start) < tokens[block.close].start;
    }

    void Replace(size_t first, size_t last, const std::string& with) {
        changes.push_back({tokens[first].start, tokens[last].end - tokens[first].start, with, changes.size()});
    }

    // Puts an item at the end of a block: on a line of its own before the closing brace where that
    // brace starts a line of a block over several lines (`lines`, each indented like the item before
    // it), otherwise on the brace's line before the brace (`inlineForm`).
    void InsertAtEnd(const Block& block, const std::vector<std::string>& lines, const std::string& inlineForm) {
        const size_t close = tokens[block.close].start;
        if (MultiLine(block) && StartsLine(text, close)) {
            const std::string closeIndent = IndentationOf(text, close);
            std::string indent = closeIndent + unit;
            // The last thing in the block, comments included, on a line after the opening brace's.
            size_t last = close;
            while (last > tokens[block.open].end && std::isspace(static_cast<unsigned char>(text[last - 1])))
                --last;
            if (last > tokens[block.open].end && LineStart(text, last - 1) > tokens[block.open].start)
                indent = IndentationOf(text, last - 1);
            InsertLines(LineStart(text, close), indent, lines, LineEndingAt(text, close));
            return;
        }
        const bool spaced = close > 0 && std::isspace(static_cast<unsigned char>(text[close - 1]));
        changes.push_back({close, 0, (spaced ? "" : " ") + inlineForm + " ", changes.size()});
    }

    // Puts an item before a token: on lines of their own where the token starts its line.
    void InsertBefore(size_t token, const std::vector<std::string>& lines, const std::string& inlineForm) {
        const size_t at = tokens[token].start;
        if (StartsLine(text, at)) {
            InsertLines(LineStart(text, at), IndentationOf(text, at), lines, LineEndingAt(text, at));
            return;
        }
        changes.push_back({at, 0, inlineForm + " ", changes.size()});
    }

    void InsertLines(size_t at, const std::string& indent, const std::vector<std::string>& lines,
                     const std::string& ending) {
        std::string inserted;
        for (const std::string& line : lines)
            inserted += indent + line + ending;
        changes.push_back({at, 0, inserted, changes.size()});
    }

    // Adds keyframe lines at `time` ticks between the tokens `after` (the layer's declaration, or the
    // parameter's last keyframe before that time) and `before` (its first keyframe after it): into a
    // group of that time, else a new group before the first later one, else at the end of the last
    // `keyframes` block, else in a new `keyframes` block.
    void AddLines(int64_t time, size_t after, size_t before, const std::vector<std::string>& lines) {
        const Group* same = nullptr;
        const Group* later = nullptr;
        const Group* lastGroup = nullptr;
        for (const Group& group : scene.groups) {
            if (group.timeToken < after)
                continue;
            if (group.time == time && group.timeToken < before)
                same = &group;
            if (group.time > time && !later)
                later = &group;
            lastGroup = &group;
        }
        if (same) {
            for (const std::string& line : lines)
                InsertAtEnd(same->braces, {line}, line);
            return;
        }
        const BarBeatTick at = TimeOf(time);
        const std::string oneLine = CMusicalTime::Format(at) + " { " + JoinLines(lines) + " }";
        const Group* neighbour = later ? later : lastGroup;
        std::vector<std::string> groupLines = {oneLine};
        if (neighbour && MultiLine(neighbour->braces)) {
            // The brace where the neighbour has it: after the time, or on a line of its own.
            if (StartsLine(text, tokens[neighbour->braces.open].start))
                groupLines = {CMusicalTime::Format(at), "{"};
            else
                groupLines = {CMusicalTime::Format(at) + " {"};
            for (const std::string& line : lines)
                groupLines.push_back(unit + line);
            groupLines.push_back("}");
        }
        if (later) {
            InsertBefore(later->timeToken, groupLines, oneLine);
            return;
        }
        const Block* block = nullptr;
        for (const Block& candidate : scene.keyframeBlocks)
            if (candidate.close > after)
                block = &candidate;
        if (block) {
            InsertAtEnd(*block, groupLines, oneLine);
            return;
        }
        // Groups for a new block wait for Apply, so that one block takes all of them.
        for (const std::string& line : groupLines)
            newBlockLines.push_back(unit + line);
        newBlockInline += (newBlockInline.empty() ? "" : " ") + oneLine;
    }

    std::string Apply() {
        if (!newBlockLines.empty()) {
            newBlockLines.insert(newBlockLines.begin(), "keyframes {");
            newBlockLines.push_back("}");
            InsertAtEnd(scene.body, newBlockLines, "keyframes { " + newBlockInline + " }");
            newBlockLines.clear();
        }
        std::vector<Change> sorted = changes;
        std::sort(sorted.begin(), sorted.end(),
                  [](const Change& a, const Change& b) { return a.at != b.at ? a.at > b.at : a.order > b.order; });
        std::string edited = text;
        for (const Change& change : sorted)
            edited.replace(change.at, change.length, change.text);
        return edited;
    }

    std::string unit = "    "; // one step of indentation inside a new block

private:
    static std::string JoinLines(const std::vector<std::string>& lines) {
        std::string joined;
        for (const std::string& line : lines)
            joined += (joined.empty() ? "" : "   ") + line;
        return joined;
    }
    BarBeatTick TimeOf(int64_t ticks) const {
        const int64_t perBar = static_cast<int64_t>(scene.tempo.Beats()) * scene.tempo.Ticks();
        int64_t bar = ticks / perBar;
        if (ticks % perBar < 0)
            --bar;
        const int64_t inBar = ticks - bar * perBar;
        return BarBeatTick{static_cast<int>(bar), static_cast<int>(inBar / scene.tempo.Ticks()),
                           static_cast<int>(inBar % scene.tempo.Ticks())};
    }

    const std::string& text;
    const std::vector<Token>& tokens;
    const SceneText& scene;
    std::vector<Change> changes;
    std::vector<std::string> newBlockLines;
    std::string newBlockInline;
};

// The components must each be one number or one word, and a word stands alone.
bool CheckValue(const std::vector<std::string>& value, const char* what, bool& words, std::string& error) {
    if (value.empty()) {
        error = std::string("The ") + what + " is empty";
        return false;
    }
    words = false;
    for (const std::string& component : value) {
        const std::string padded = component + " ";
        CMemoryTokeniser t(padded.data(), padded.size());
        const TokenType type = t.NextToken();
        const bool whole = t.GetTokenStart() == 0 && t.GetTokenEnd() == component.size();
        if ((type != TokenType::Number && type != TokenType::Word) || !whole || t.NextToken() != TokenType::EndOfFile) {
            error = std::string("The ") + what + " component '" + component + "' is not one number or word";
            return false;
        }
        words = words || type == TokenType::Word;
    }
    if (words && value.size() != 1) {
        error = std::string("The ") + what + " mixes words with other components";
        return false;
    }
    return true;
}

} // namespace

std::string FormatScriptNumber(float value) {
    if (!std::isfinite(value))
        return {};
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed);
    return written.ec == std::errc() ? std::string(buffer, written.ptr) : std::string();
}

std::string FormatScriptWord(const std::string& word) {
    if (word.find('"') != std::string::npos)
        return {};
    const bool letter = !word.empty() && ((word[0] >= 'A' && word[0] <= 'Z') || (word[0] >= 'a' && word[0] <= 'z'));
    if (letter && word.find_first_of(" \t\r\n;") == std::string::npos)
        return word;
    return "\"" + word + "\"";
}

bool EditScript(const std::string& script, const ScriptEdit& edit, std::string& result, std::string& error) {
    bool words = false, startWords = false;
    if (!CheckValue(edit.value, "value", words, error))
        return false;

    ScriptReader reader(script);
    std::vector<SceneText> scenes;
    if (!reader.Read(scenes, error))
        return false;
    const std::vector<Token>& tokens = reader.tokens;

    // The scene, and the playhead on its time line.
    const SceneText* scene = nullptr;
    bool named = false;
    int64_t time = 0;
    for (const SceneText& candidate : scenes) {
        if (!SameName(tokens[candidate.name].text, edit.scene))
            continue;
        named = true;
        const CMusicalTime& tempo = candidate.tempo;
        const BarBeatTick& p = edit.playhead;
        if (p.beat < 0 || p.beat >= tempo.Beats() || p.tick < 0 || p.tick >= tempo.Ticks())
            continue;
        const int64_t playhead = (static_cast<int64_t>(p.bar) * tempo.Beats() + p.beat) * tempo.Ticks() + p.tick;
        if (playhead >= candidate.start && playhead < candidate.end) {
            scene = &candidate;
            time = playhead - candidate.start;
            break;
        }
    }
    if (!scene) {
        error = named ? "The playhead " + CMusicalTime::Format(edit.playhead) + " is outside scene '" + edit.scene + "'"
                      : "There is no scene '" + edit.scene + "'";
        return false;
    }
    const Layer* layer = nullptr;
    for (const Layer& candidate : scene->layers)
        if (!layer && SameName(tokens[candidate.name].text, edit.layer))
            layer = &candidate;
    if (!layer) {
        error = "There is no layer '" + edit.layer + "' in scene '" + edit.scene + "'";
        return false;
    }

    std::vector<const KeyframeLine*> keys;
    for (const KeyframeLine& line : scene->lines)
        if (line.layer > layer->name && SameName(tokens[line.layer].text, edit.layer) &&
            SameName(tokens[line.parameter].text, edit.parameter))
            keys.push_back(&line);

    // Keyframes are evaluated in the order written: out of time order, no place for a new one gives
    // its value at its time, so such a parameter is refused rather than written wrong.
    size_t after = layer->name, before = SIZE_MAX;
    for (size_t i = 0; i < keys.size(); ++i) {
        const Group& group = scene->groups[keys[i]->group];
        if (i > 0 && group.time < scene->groups[keys[i - 1]->group].time) {
            error = "The keyframes of '" + edit.layer + " " + edit.parameter +
                    "' are not in time order; put them in order first";
            return false;
        }
        if (group.time < time)
            after = std::max(after, group.timeToken);
        if (group.time > time)
            before = std::min(before, group.timeToken);
    }

    Writer writer(script, tokens, *scene);
    const std::string value = Join(edit.value);
    const size_t count = edit.value.size();
    // A token of the script may take a component of the value where both are numbers or both words.
    auto fits = [&](size_t first, size_t available) {
        if (available < count)
            return false;
        for (size_t i = 0; i < count; ++i) {
            const TokenType type = tokens[first + i].type;
            if (type != (words ? TokenType::Word : TokenType::Number))
                return false;
        }
        return true;
    };

    if (keys.empty() && !edit.keyframe) {
        // The base value: the last setting of the parameter wins, so that is the one written.
        const Setting* setting = nullptr;
        for (const Setting& candidate : layer->settings)
            if (SameName(tokens[candidate.name].text, edit.parameter))
                setting = &candidate;
        if (setting) {
            if (setting->last - setting->first + 1 != count || !fits(setting->first, count)) {
                error = "The value does not fit the script's value of '" + edit.parameter + "'";
                return false;
            }
            writer.Replace(setting->first, setting->last, value);
        } else {
            const std::string line = edit.parameter + " = " + value;
            writer.InsertAtEnd(Block{layer->open, layer->close}, {line}, line);
        }
        result = writer.Apply();
        return true;
    }

    // The keyframes at the playhead's tick get their value replaced; else a line is added.
    size_t keyframes = keys.size();
    const KeyframeLine* inForce = nullptr; // whose kind and further payload a new line takes
    bool replaced = false;
    for (const KeyframeLine* key : keys) {
        if (scene->groups[key->group].time != time)
            continue;
        if (!fits(key->payload.front(), key->payload.size())) {
            error = "The value does not fit the keyframe of '" + edit.parameter + "' at the playhead";
            return false;
        }
        writer.Replace(key->payload.front(), key->payload.front() + count - 1, value);
        inForce = key;
        replaced = true;
    }
    if (!replaced) {
        ++keyframes;
        for (const KeyframeLine* key : keys) {
            const int64_t at = scene->groups[key->group].time;
            const int64_t best = inForce ? scene->groups[inForce->group].time : 0;
            const bool before = at <= time;
            const bool bestBefore = inForce && best <= time;
            if (!inForce || (before && (!bestBefore || at >= best)) || (!before && !bestBefore && at < best))
                inForce = key;
        }
        if (inForce && !fits(inForce->payload.front(), inForce->payload.size())) {
            error = "The value does not fit the keyframes of '" + edit.parameter + "'";
            return false;
        }
    }

    // A new line: the layer and parameter as the script spells them, the kind in force with the rest
    // of its payload.
    auto lineWith = [&](const std::string& values) {
        std::string line = writer.Source(inForce ? inForce->layer : layer->name) + " ";
        line += inForce ? writer.Source(inForce->parameter) : edit.parameter;
        line += " " + (inForce ? writer.Source(inForce->kind) : std::string(words ? "hold" : "linear")) + " " + values;
        if (inForce && fits(inForce->payload.front(), inForce->payload.size()))
            for (size_t i = count; i < inForce->payload.size(); ++i)
                line += " " + writer.Source(inForce->payload[i]);
        return line;
    };
    std::vector<std::string> atTime;
    // One keyframe has no effect on most types: a second at the scene's start holds the value it has
    // there now (the edited one, where the edit is at the start).
    if (keyframes == 1 && !edit.oneKeyframeActs) {
        const std::vector<std::string>& start = time == 0 ? edit.value : edit.valueAtSceneStart;
        if (!CheckValue(start, "value at the scene's start", startWords, error))
            return false;
        if (startWords != words || start.size() != count) {
            error = "The value at the scene's start does not match the value";
            return false;
        }
        if (time == 0)
            atTime.push_back(lineWith(Join(start)));
        else
            writer.AddLines(0, layer->name, before, {lineWith(Join(start))});
    }
    if (!replaced)
        atTime.push_back(lineWith(value));
    if (!atTime.empty())
        writer.AddLines(time, after, before, atTime);

    std::string edited = writer.Apply();
    // The written text must still read as a script; anything else is a fault of this writer, and
    // the file is better left alone.
    std::vector<SceneText> check;
    ScriptReader again(edited);
    if (!again.Read(check, error)) {
        LOG("EditScript", "The edited script does not read: %s", error.c_str());
        error = "The edit would break the script (" + error + ")";
        return false;
    }
    result = std::move(edited);
    return true;
}
