// Feeds script text to parameters through the real tokeniser, the way the layer and keyframe block
// readers do.
#pragma once

#include "Base/CTokeniser.h"

#include <string>

// The tempo script lines are read with (the default unless a test sets another).
inline CMusicalTime &LineTempo() {
    static CMusicalTime tempo;
    return tempo;
}

// A line as it stands in a script: a newline ends it, since digits at the very end of the input would
// form a word rather than a number.
inline CMemoryTokeniser ScriptLine(const std::string &text) {
    const std::string line = text + "\n";
    CMemoryTokeniser tokeniser(line.data(), line.size());
    tokeniser.tempo = LineTempo();
    return tokeniser;
}

template <class Param> bool SetValue(Param &param, const std::string &value) {
    CMemoryTokeniser tokeniser = ScriptLine(value);
    return param.SetValueFromTokeniser(tokeniser);
}

// `line` is what follows the parameter name: the interpolation word and the payload.
template <class Param> bool AddKey(Param &param, float time, const std::string &line) {
    CMemoryTokeniser tokeniser = ScriptLine(line);
    return param.AddKeyframeFromTokeniser(time, tokeniser);
}
