// Reads the effect file format: GLSL split by directive lines into shared text, vertex and fragment
// sections, techniques of passes, and sampler lines. The engine parses once and hands devices the
// description, so every device reports a malformed file the same way. Plain text processing.
#pragma once

#include "Platform/EffectDescription.h"

#include <string>

class CEffectParser {
public:
    // Splits `text` by its directive lines. On failure returns false with a message naming the line
    // (also for a technique of more than CEffect::MaxPasses passes, or macros that expand too far).
    static bool Parse(const std::string& text, EffectDescription& out, std::string& error);
};
