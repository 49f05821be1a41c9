#include "Base/CommandLine.h"

#include "Base/CTokeniser.h"
#include "Base/EscapeControlCharacters.h"
#include "Base/Log.h"
#include "Base/Names.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

CommandLineOptions Options;

// The log may still be off when the command line is wrong, so its errors also go to standard error
// (the log writes there itself once it is on).
#define REPORT(...)                                                                                                    \
    do {                                                                                                               \
        LOG("ParseCommandLine", __VA_ARGS__);                                                                          \
        if (!IsLogEnabled()) {                                                                                         \
            char reportText[8192];                                                                                     \
            std::snprintf(reportText, sizeof reportText, __VA_ARGS__);                                                 \
            std::fprintf(stderr, "%s\n", EscapeControlCharacters(reportText).c_str());                                 \
        }                                                                                                              \
    } while (0)

namespace {

bool Is(const char* a, const char* b) { return SameName(a, b); }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An optional sign, digits and at most one '.', with at least one digit.
bool IsPlainDecimal(const char* s) {
    if (*s == '+' || *s == '-')
        ++s;
    bool digits = false, dot = false;
    for (; *s; ++s) {
        if (IsDigit(*s))
            digits = true;
        else if (*s == '.' && !dot)
            dot = true;
        else
            return false;
    }
    return digits;
}

bool IsPlainWord(const char* s) {
    if (!IsLetter(*s))
        return false;
    for (; *s; ++s)
        if (!IsLetter(*s) && !IsDigit(*s) && !std::strchr("._-+", *s))
            return false;
    return true;
}

// The token's text without the terminator that a number's text keeps.
std::string TokenText(const CTokeniser& t) {
    std::string s = t.GetString();
    if (t.GetTokenType() == TokenType::Number && !s.empty() && std::strchr(" \t\r\n;", s.back()))
        s.pop_back();
    return s;
}

struct NumericOption {
    const char* name;
    double low, high;
    bool integral;
    bool (*allowed)(double); // extra rule, or null
    const char* rule;        // what the message says a valid value is
};

bool IsAntiAliasLevel(double v) { return v == 0 || v == 2 || v == 4 || v == 8 || v == 16; }

const NumericOption NumericOptions[] = {
    {"Width", 1, 16384, false, nullptr, "a number from 1 to 16384"},
    {"Height", 1, 16384, false, nullptr, "a number from 1 to 16384"},
    {"Aspect", 0.1, 10, false, nullptr, "a number from 0.1 to 10"},
    {"AntiAlias", 0, 16, true, IsAntiAliasLevel, "one of 0, 2, 4, 8 or 16"},
    {"Volume", 0, 1, false, nullptr, "a number from 0 to 1"},
    {"CaptureFps", 1, 1000, false, nullptr, "a number from 1 to 1000"},
    {"CaptureStart", 0, 1e7, false, nullptr, "a number of seconds from 0 to 10000000 or a bar:beat:tick time"},
    {"CaptureEnd", 0, 1e7, false, nullptr, "a number of seconds from 0 to 10000000 or a bar:beat:tick time"},
    {"CaptureQuality", 0, 51, true, nullptr, "a whole number from 0 to 51"},
    {"MemoryLimit", 1, 1048576, true, nullptr, "a whole number of MiB from 1 to 1048576"},
};

void Store(const char* name, double v) {
    float f = static_cast<float>(v);
    if (Is(name, "Width"))
        Options.Width = f;
    else if (Is(name, "Height"))
        Options.Height = f;
    else if (Is(name, "Aspect"))
        Options.Aspect = f;
    else if (Is(name, "AntiAlias"))
        Options.AntiAlias = static_cast<int>(v);
    else if (Is(name, "Volume"))
        Options.Volume = f;
    else if (Is(name, "CaptureFps"))
        Options.CaptureFps = f;
    else if (Is(name, "CaptureStart"))
        Options.CaptureStart = f;
    else if (Is(name, "CaptureEnd"))
        Options.CaptureEnd = f;
    else if (Is(name, "CaptureQuality"))
        Options.CaptureQuality = static_cast<int>(v);
    else if (Is(name, "MemoryLimit"))
        Options.MemoryLimit = static_cast<int>(v);
}

constexpr int MaxParts = 100000;

// A time as the script writes it, "bar:beat:tick", read by the script's own tokeniser; no part may be
// negative. It arrives as a Time token in the middle of the text, as a word at its end or when quoted.
bool ParseBarTime(const std::string& text, BarBeatTick& position) {
    const std::string line = text + "\n";
    CMemoryTokeniser tokeniser(line.data(), line.size());
    if (tokeniser.NextToken() != TokenType::Time)
        return false;
    position = BarBeatTick{tokeniser.GetBar(), tokeniser.GetBeat(), tokeniser.GetTick()};
    return position.bar >= 0 && position.beat >= 0 && position.tick >= 0 &&
           tokeniser.NextToken() == TokenType::EndOfFile;
}

bool IsVideoName(const std::string& name) {
    return name.size() > 4 &&
           (SameName(name.c_str() + name.size() - 4, ".mp4") || SameName(name.c_str() + name.size() - 4, ".mkv"));
}

// A whole number from `low` to `high` as the next token (a number, or a word that is one); false
// with the token's text in `text` otherwise.
bool ReadWholeNumber(CTokeniser& t, int low, int high, int& value, std::string& text) {
    const TokenType type = t.NextToken();
    if (type == TokenType::EndOfFile) {
        text.clear();
        return false;
    }
    text = TokenText(t);
    if (type != TokenType::Number && !(type == TokenType::Word && IsPlainDecimal(text.c_str())))
        return false;
    const double number = type == TokenType::Number ? t.GetNumber() : std::strtod(text.c_str(), nullptr);
    if (!(number >= low && number <= high) || number != std::trunc(number))
        return false;
    value = static_cast<int>(number);
    return true;
}

// CapturePart <i> <n>.
bool ReadCapturePart(CTokeniser& t) {
    std::string text;
    int count = 0, index = 0;
    if (!ReadWholeNumber(t, 1, MaxParts, index, text)) {
        REPORT("Invalid value '%s' for command line option 'CapturePart': expected the part, counted from 1, then "
               "the number of parts",
               text.c_str());
        return false;
    }
    if (!ReadWholeNumber(t, 1, MaxParts, count, text)) {
        REPORT("Invalid number of parts '%s' for command line option 'CapturePart': expected a whole number from 1 "
               "to %d",
               text.c_str(), MaxParts);
        return false;
    }
    if (index > count) {
        REPORT("Invalid value for command line option 'CapturePart': part %d of %d (parts count from 1)", index, count);
        return false;
    }
    Options.CapturePart = index;
    Options.CaptureParts = count;
    return true;
}

// Reads the value of a numeric option. A number at the very end of the text has no terminator and so
// comes as a Word: a word that is a plain decimal number is taken as one.
bool ReadNumericOption(CTokeniser& t, const NumericOption& option) {
    TokenType type = t.NextToken();
    if (type == TokenType::EndOfFile) {
        REPORT("Missing value for command line option '%s'", option.name);
        return false;
    }
    std::string text = TokenText(t);
    double value = 0.0;
    bool isNumber = false;
    if (type == TokenType::Number) {
        value = t.GetNumber();
        isNumber = true;
    } else if (type == TokenType::Word && IsPlainDecimal(text.c_str())) {
        value = std::strtod(text.c_str(), nullptr);
        isNumber = true;
    }
    const bool isTime = Is(option.name, "CaptureStart") || Is(option.name, "CaptureEnd");
    BarBeatTick bars;
    if (isTime && !isNumber && (type == TokenType::Time || type == TokenType::Word) && ParseBarTime(text, bars)) {
        (Is(option.name, "CaptureStart") ? Options.CaptureStartBars : Options.CaptureEndBars) = bars;
        return true;
    }
    if (isTime)
        (Is(option.name, "CaptureStart") ? Options.CaptureStartBars : Options.CaptureEndBars).reset();
    bool valid = isNumber && std::isfinite(value) && value >= option.low && value <= option.high &&
                 (!option.integral || value == std::trunc(value)) && (!option.allowed || option.allowed(value));
    if (!valid) {
        REPORT("Invalid value '%s' for command line option '%s': expected %s", text.c_str(), option.name, option.rule);
        return false;
    }
    Store(option.name, value);
    return true;
}

} // namespace

bool ParseCommandLine(const char* text, size_t length) {
    CMemoryTokeniser t(text, length);
    bool captureEndGiven = false;
    // Join's list of parts ends at the first word that is no video: that word is read as an option.
    bool tokenRead = false;
    for (;;) {
        TokenType type = tokenRead ? t.GetTokenType() : t.NextToken();
        tokenRead = false;
        if (type == TokenType::EndOfFile)
            break;
        if (type != TokenType::Word)
            return false;
        const char* word = t.GetString();

        if (Is(word, "SkipSettings")) {
            Options.SkipSettings = true;
        } else if (Is(word, "DebugKeys")) {
            Options.DebugKeys = true;
        } else if (Is(word, "Watch")) {
            Options.Watch = true;
        } else if (Is(word, "Log")) {
            Options.Log = true;
            EnableLog();
        } else if (Is(word, "IgnoreResourceErrors")) {
            Options.IgnoreResourceErrors = true;
        } else if (Is(word, "Check")) {
            Options.Check = true;
        } else if (Is(word, "DrawOnly")) {
            Options.DrawOnly = true;
        } else if (Is(word, "Windowed")) {
            Options.Windowed = true;
        } else if (Is(word, "DataPath")) {
            if (t.NextToken() != TokenType::Word)
                return false;
            LOG("ParseCommandLine", "Setting data path to '%s'", t.GetString());
            Options.DataPath = t.GetString();
        } else if (Is(word, "Config")) {
            if (t.NextToken() != TokenType::Word)
                return false;
            LOG("ParseCommandLine", "Setting config name to '%s'", t.GetString());
            Options.Config = t.GetString();
        } else if (Is(word, "Capture")) {
            if (t.NextToken() != TokenType::Word || t.GetString()[0] == 0) {
                REPORT("Command line option 'Capture' needs a folder name");
                return false;
            }
            Options.Capture = t.GetString();
        } else if (Is(word, "CapturePart")) {
            if (!ReadCapturePart(t))
                return false;
        } else if (Is(word, "Join")) {
            if (t.NextToken() != TokenType::Word || !IsVideoName(t.GetString())) {
                REPORT("Command line option 'Join' needs the video to write, a name ending in .mp4 or .mkv");
                return false;
            }
            Options.Join = t.GetString();
            Options.JoinParts.clear();
            while ((type = t.NextToken()) == TokenType::Word && IsVideoName(t.GetString()))
                Options.JoinParts.push_back(t.GetString());
            tokenRead = true;
            if (Options.JoinParts.empty()) {
                REPORT("Command line option 'Join' needs the parts to join after '%s', names ending in .mp4 or "
                       ".mkv",
                       Options.Join.c_str());
                return false;
            }
        } else {
            const NumericOption* option = nullptr;
            for (const NumericOption& o : NumericOptions)
                if (Is(word, o.name))
                    option = &o;
            if (!option) {
                REPORT("Unknown command line argument '%s'", word);
                return false;
            }
            if (!ReadNumericOption(t, *option))
                return false;
            if (option->name == std::string("CaptureEnd"))
                captureEndGiven = true;
        }
    }
    // With a bar:beat:tick on either side the range is checked once the tempo is known.
    if (captureEndGiven && !Options.CaptureStartBars && !Options.CaptureEndBars &&
        Options.CaptureEnd <= Options.CaptureStart) {
        REPORT("Invalid value for command line option 'CaptureEnd': it must be later than CaptureStart");
        return false;
    }
    if (Options.DrawOnly && Options.Capture.empty()) {
        REPORT("Command line option 'DrawOnly' needs 'Capture'");
        return false;
    }
    if (Options.CaptureParts > 0 && Options.Capture.empty()) {
        REPORT("Command line option 'CapturePart' needs 'Capture' with the video to write");
        return false;
    }
    if (!Options.Join.empty() && (!Options.Capture.empty() || Options.Check)) {
        REPORT("Command line option 'Join' cannot be given with '%s'", Options.Check ? "Check" : "Capture");
        return false;
    }
    return true;
}

bool ResolveCaptureTimes(const CMusicalTime& tempo, std::string& error) {
    const std::optional<BarBeatTick>* given[2] = {&Options.CaptureStartBars, &Options.CaptureEndBars};
    float* seconds[2] = {&Options.CaptureStart, &Options.CaptureEnd};
    const char* names[2] = {"CaptureStart", "CaptureEnd"};
    char text[256];
    for (int i = 0; i < 2; ++i) {
        if (!*given[i])
            continue;
        const BarBeatTick& bars = **given[i];
        float value = 0.0f;
        if (!tempo.ToSeconds(bars.bar, bars.beat, bars.tick, value) || !(value <= 1e7f)) {
            std::snprintf(text, sizeof text,
                          "Invalid value '%s' for command line option '%s': the script's bars have %d beats of %d "
                          "ticks, and a capture ends by 10000000 seconds",
                          CMusicalTime::Format(bars).c_str(), names[i], tempo.Beats(), tempo.Ticks());
            error = text;
            LOG("ResolveCaptureTimes", "%s", text);
            return false;
        }
        *seconds[i] = value;
    }
    if ((Options.CaptureStartBars || Options.CaptureEndBars) && Options.CaptureEnd >= 0 &&
        Options.CaptureEnd <= Options.CaptureStart) {
        error = "Invalid value for command line option 'CaptureEnd': it must be later than CaptureStart";
        LOG("ResolveCaptureTimes", "%s", error.c_str());
        return false;
    }
    return true;
}

bool BuildCommandLineText(int argc, const char* const* argv, std::string& text, std::string& error) {
    text.clear();
    error.clear();
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i] ? argv[i] : "";
        if (std::strchr(arg, '"')) {
            error =
                "Argument " + std::to_string(i) + " holds a double quote, which the command line cannot carry: " + arg;
            return false;
        }
        if (!text.empty())
            text += ' ';
        // A bare number would be read as a Number token in the middle of the text but as a word at its
        // end, so a folder or script named 2024 would parse in one argument order only; quoted, it is a
        // word everywhere, and numeric options read quoted numbers as well.
        if (IsPlainWord(arg)) {
            text += arg;
        } else {
            text += '"';
            text += arg;
            text += '"';
        }
    }
    return true;
}

const char* CommandLineUsage() {
    return "Usage: quorin-vanto [option...]\n"
           "Plays the presentation in the data folder (or the zip archive of the same name).\n"
           "Options (names in any letter case):\n"
           "  Log                    write every step to debug.log in the current directory\n"
           "  DataPath <path>        the data folder and zip to mount (default: data, data.zip)\n"
           "  Config <name>          the script inside the data (default: Config.txt)\n"
           "  SkipSettings           start without the settings dialog\n"
           "  Windowed               play in a window instead of full screen\n"
           "  Width <n>, Height <n>  the resolution (default 1024 x 768)\n"
           "  Aspect <n>             the screen aspect, width over height (default 1.3333)\n"
           "  AntiAlias <n>          multisampling: 0, 2, 4, 8 or 16 samples (default 4)\n"
           "  Volume <n>             music volume from 0 to 1 (default 1)\n"
           "  DebugKeys              enable the debug keys while playing\n"
           "  Watch                  reload the presentation when a file of it is saved; authoring keys\n"
           "  IgnoreResourceErrors   keep going when a resource cannot be created\n"
           "  Check                  load and check the presentation without playing it; exit 0 if all is well\n"
           "  Capture <folder>       render offline into numbered PNG files in the folder\n"
           "  Capture <name>.mp4     render offline into a video with the music (also .mkv)\n"
           "  CaptureFps <n>         frames per second of the capture (default 60)\n"
           "  CaptureStart <s>       first second to capture, or a bar:beat:tick time (default 0)\n"
           "  CaptureEnd <s>         second (or bar:beat:tick) at which the capture stops (default: the end)\n"
           "  CapturePart <i> <n>    capture only part i (from 1) of the range cut into n, as a video\n"
           "  DrawOnly               with Capture: draw and read back every frame, write nothing\n"
           "  CaptureQuality <n>     a video's quality, 0 (lossless) to 51 (default 18; lower is better)\n"
           "  Join <out> <part...>   join the parts of a capture into one video with the music\n"
           "  MemoryLimit <n>        the memory a presentation may take, in MiB (default 2048)\n"
           "  --help, --version      print this text or the version and exit\n";
}
