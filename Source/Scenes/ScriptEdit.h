// Writes one parameter value into a script's text, as the author sets it while the show plays: a
// keyframe at the playhead, or the base value of a parameter that has no keyframes. Only the tokens
// and lines the write needs change; every other byte of the text (comments, spacing, letter case,
// line endings) stays as it was, so the diff of the script is the edit itself.
#pragma once

#include "Base/CMusicalTime.h"

#include <string>
#include <vector>

struct ScriptEdit {
    // The scene, layer and parameter, in any letter case. Scene names are unique in a script that
    // loads; should several scenes share the name, the first whose time range holds the playhead is
    // written.
    std::string scene;
    std::string layer;
    std::string parameter;
    // Where the music is, on the music's time line (not the scene's). The keyframe goes to this tick,
    // measured from the scene's start; a playhead outside the scene's range is refused.
    BarBeatTick playhead;
    // The new value, one text per component as the script writes it: numbers from FormatScriptNumber,
    // true or false, or one word (FormatScriptWord quotes a word that needs it).
    std::vector<std::string> value;
    // The value at the scene's start as it plays before the write, one text per component. Held by
    // the keyframe at the scene's start that the write adds where the parameter would otherwise be
    // left with a single keyframe, which has no effect. Needed only then.
    std::vector<std::string> valueAtSceneStart;
    // Write a keyframe even where the parameter has none; otherwise such a parameter gets its base
    // value (`Name = value` in the layer's block) changed.
    bool keyframe = false;
    // Int and string parameters act from their first keyframe; the other types need two.
    bool oneKeyframeActs = false;
};

// Applies the edit to `script` into `result`. The keyframe rules:
// - a keyframe of the layer and parameter at that time gets the value components of its payload
//   replaced (the band, scale or period of a spectrum or square keyframe stay);
// - otherwise the line goes into the time group of that time (after the layer's declaration), or a
//   new group made before the first later group, at the end of the last `keyframes` block, or in a
//   new `keyframes` block at the end of the scene;
// - a new line takes the kind in force at that time (that of the latest keyframe at or before it, or
//   of the earliest when there is none before), with the rest of that keyframe's payload; `linear`
//   for numbers and `hold` for words when the parameter has no keyframe.
// - keyframes of the parameter out of time order are refused: evaluation follows the written order,
//   and no place for a new line would give its value at its time.
// New lines and groups take the indentation and line ending of their neighbours. False, with the
// reason in `error` and `result` untouched, when the script does not read as a script, the scene,
// layer or playhead do not fit, or the value is not one the script or the parameter can hold.
bool EditScript(const std::string& script, const ScriptEdit& edit, std::string& result, std::string& error);

// The shortest decimal text that reads back as the same float, without an exponent (the script has
// none): 0.1f gives "0.1", 90 gives "90". Empty for an infinite or NaN value, which no script holds.
std::string FormatScriptNumber(float value);
// A word as the script writes it: as it is when it starts with a letter and holds no white space, ';'
// or double quote, otherwise in double quotes. Empty for a word that holds a double quote, which the
// script cannot write.
std::string FormatScriptWord(const std::string& word);
