// An upper bound on the text the GLSL preprocessor makes of an effect's macros, worked out before the
// compiler sees the effect: a kilobyte of self-doubling #defines expands to gigabytes, and the
// system's compiler holds all of it in memory. Likewise the operators of one statement: the compiler
// walks an expression's tree by recursion, and a chain of 20,000 additions runs it out of stack.
// Effects whose bound passes either limit are refused.
#pragma once

#include <cstddef>
#include <string>

class CMacroExpansionBound {
public:
    // The most text an effect may expand to, counting each token with one separator.
    static constexpr double MaxExpandedBytes = double(4 << 20);
    // The most operators one statement may hold, its macros expanded. Mesa's compiler runs out of its
    // 8 MiB stack near 17,000 chained additions; hand-written statements hold a few dozen.
    static constexpr double MaxStatementOperators = 4096;

    // False with "line N: ..." when a #define, or the effect's text with its macros expanded, could
    // come to more than `limit` bytes. The bound never undercounts: conditional sections count as if
    // every branch were taken, every definition of a name counts as the largest, and macros that
    // refer to each other in a circle count as if expanded as deep as there are definitions.
    // Then false with "line N: a statement with more than ..." when one statement could hold more than
    // `operatorLimit` operators, measured the same way.
    static bool Check(const std::string& text, std::string& error, double limit = MaxExpandedBytes,
                      double operatorLimit = MaxStatementOperators);
};
