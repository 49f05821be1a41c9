// Feeds arbitrary arguments to the command line: the input is split at zero bytes into argv, which is
// turned into the command-line text and parsed; the same bytes are also parsed as text directly.
// Every option value that is accepted must lie in its documented range.
#include "Base/CommandLine.h"
#include "Base/Log.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void CheckOptions() {
    const CommandLineOptions& o = Options;
    auto inRangeOrUnset = [](float v, float low, float high) { return v == -1.0f || (v >= low && v <= high); };
    if (!inRangeOrUnset(o.Width, 1, 16384) || !inRangeOrUnset(o.Height, 1, 16384) ||
        !inRangeOrUnset(o.Aspect, 0.1f, 10) || !inRangeOrUnset(o.Volume, 0, 1) || !std::isfinite(o.CaptureFps) ||
        o.CaptureFps < 1 || o.CaptureFps > 1000 || o.CaptureStart < 0)
        std::abort();
}

void Parse(const std::string& text) {
    Options = CommandLineOptions();
    if (ParseCommandLine(text.data(), text.size()))
        CheckOptions();
    // The Log option switches the log on; it must not write a file for every input.
    ResetLogForTests();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments{"quorin-vanto"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    arguments.push_back(current);

    std::vector<const char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(a.c_str());
    std::string text, error;
    if (BuildCommandLineText(static_cast<int>(argv.size()), argv.data(), text, error))
        Parse(text);

    Parse(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
