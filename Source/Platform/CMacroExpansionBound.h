// An upper bound on the text the GLSL preprocessor makes of an effect's macros, worked out before the
// compiler sees the effect: a kilobyte of self-doubling #defines expands to gigabytes, and the
// system's compiler holds all of it in memory. Effects whose bound passes the limit are refused.
#pragma once

#include <cstddef>
#include <string>

class CMacroExpansionBound {
public:
    // The most text an effect may expand to, counting each token with one separator.
    static constexpr double MaxExpandedBytes = double(4 << 20);

    // False with "line N: ..." when a #define, or the effect's text with its macros expanded, could
    // come to more than `limit` bytes. The bound never undercounts: conditional sections count as if
    // every branch were taken, every definition of a name counts as the largest, and macros that
    // refer to each other in a circle count as if expanded as deep as there are definitions.
    static bool Check(const std::string& text, std::string& error, double limit = MaxExpandedBytes);
};
