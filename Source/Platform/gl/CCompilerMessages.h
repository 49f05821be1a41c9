// Reads the line numbers in a GLSL compiler's messages, which each driver writes its own way: Mesa
// "0:27(38): error: ...", NVIDIA "0(27) : error C1008: ...", AMD and Intel on Windows
// "ERROR: 0:27: ...". Used to name the effect file's own line rather than the compiled text's.
#pragma once

#include <functional>
#include <string>

class CCompilerMessages {
public:
    // The line of the first error in `log`; of the first warning when no error names one; 0 when
    // no message has a line.
    static int FirstErrorLine(const std::string& log);
    // `log` with each message's line number replaced by `map(line)`; where that is 0 the number stays.
    static std::string MapLines(const std::string& log, const std::function<int(int)>& map);
};
