// What the authoring overlay shows, as plain data the program fills every frame from the running
// presentation: the position and frame times, the time line with its scenes and loop, the spectrum,
// the scenes and layers running now, and a script error; and what the user did on it. The program
// also lays the time line and the spectrum's frequency axis out: positions come as fractions of the
// strip or plot (0 at its left end, 1 at its right end), which the overlay only maps to pixels. No
// engine type appears here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct OverlayStatus {
    std::string position; // bar:beat:tick, "12:3:48"
    float seconds = 0.0f; // the music's time
    float length = 0.0f;  // the show's end
    bool paused = false;
    float framesPerSecond = 0.0f;
    float lastFrameMs = 0.0f;
    // Recent frame times in milliseconds as a ring: `frameTimeCount` values from `frameTimes`, the
    // oldest at `frameTimeOldest`. Not copied: it must live until Draw returns.
    const float* frameTimes = nullptr;
    int frameTimeCount = 0;
    int frameTimeOldest = 0;
    std::string loop;        // the loop as text ("4:0:0 - 8:0:0"), empty when none
    std::string loopCommand; // the command line that exports exactly the loop, empty while it is not set
    std::string camera;      // the free camera's state, empty while it is off
    std::string help;        // the keys, one line
};

struct OverlayTimelineScene {
    std::string name;
    float start = 0.0f; // seconds
    float end = 0.0f;
};

struct OverlayBarLine {
    float at = 0.0f; // across the strip
    int bar = 0;
    bool labelled = false; // its number is written
};

struct OverlayLane {
    int scene = 0;                // index into the time line's scenes; also the lane's row
    float from = 0.0f, to = 0.0f; // across the strip
    bool now = false;             // the playhead is inside the scene
};

struct OverlayTimeline {
    float length = 0.0f; // the whole show: the music's length, or the last scene's end
    float secondsPerBar = 2.0f;
    int beatsPerBar = 4;
    float playhead = 0.0f;
    bool hasLoopStart = false, hasLoopEnd = false;
    float loopStart = 0.0f, loopEnd = 0.0f;
    std::vector<OverlayTimelineScene> scenes; // in declaration order, one lane each

    // The layout, for the strip the overlay drew last (OverlayActions::strip): bar lines thinned so
    // that their numbers never overlap, the lanes, the playhead and the loop's ends, across the strip.
    // The lists are not copied: they must live until Draw returns.
    int widestBar = 0; // the number whose width, with a gap, lies between two numbers
    std::span<const OverlayBarLine> barLines;
    std::span<const float> beatLines; // between the bar lines, thinned so that they stay apart
    std::span<const OverlayLane> lanes;
    float playheadAt = 0.0f;
    bool hasLoop = false; // both ends set, the start first: the stretch between them is shaded
    float loopStartAt = 0.0f, loopEndAt = 0.0f;

    // The music under the bar lines, once its overview is made: empty before, and without music.
    // The waveform is the lowest and highest sample (-1 to 1) of each pixel column of the strip, from
    // its left end up to `musicEndAt`. The spectrum over time is `spectrumRows` rows of
    // `spectrumColumns` levels (0 to 255), the lowest frequencies first, each row from the music's
    // start; it spans the strip from its left end to `musicEndAt` (past 1 where the music outlasts
    // the show). `musicVersion` changes whenever the
    // music's overview does. Not copied: they must live until Draw returns.
    bool musicPending = false; // the overview is being made
    uint64_t musicVersion = 0;
    float musicEndAt = 0.0f;
    std::span<const float> waveLows, waveHighs;
    std::span<const uint8_t> spectrum;
    int spectrumColumns = 0, spectrumRows = 0;
};

struct OverlayFrequencyLabel {
    float hz = 0.0f;
    float at = 0.0f; // across the plot
};

// A frequency range that keyframes follow through an analysis of the whole music, and where it is now.
struct OverlayReaction {
    std::string kind;                // "level", "peak", "onset", "accumulate"
    float low = 0.0f, high = 0.0f;   // Hz
    int firstBand = 0, lastBand = 0; // the bands the range takes its level from
    float level = 0.0f;              // the range's level now
    float value = 0.0f;              // the envelope, peak, pulse (0 to 1) or integral now
};

struct OverlaySpectrum {
    const float* values = nullptr; // `count` magnitudes, band 0 first; not copied
    int count = 0;
    float sampleRate = 0.0f;                // of the music; 0 when unknown (44100 is assumed)
    std::vector<int> markedBands;           // the bands the presentation's spectrum keyframes follow
    std::vector<OverlayReaction> reactions; // empty without music or before its analysis

    // The logarithmic frequency axis across the plot: band k spans from bandEdges[k] to
    // bandEdges[k + 1]; the labels are round frequencies, lowest first. Not copied: they must live
    // until Draw returns.
    std::span<const float> bandEdges;
    std::span<const OverlayFrequencyLabel> labels;
};

struct OverlayLayer {
    std::string name, type, renderTarget;
    bool active = true;
    bool highlighted = false; // the arrow keys' place: Enter opens it
    bool inspected = false;   // open in the inspector
};

struct OverlayScene {
    int index = 0; // the scene's place in the script, which names it when a layer row is chosen
    std::string name;
    float localTime = 0.0f;
    std::string localPosition;        // bar:beat:tick since the scene's start
    std::vector<OverlayLayer> layers; // in drawing order
};

// One parameter of the inspected layer. Values are numbers (a bool is 0 or 1); words have none.
struct OverlayParameter {
    std::string name, type;
    int components = 0;                        // 0 for a word, which shows `word`
    float value[4] = {0.0f, 0.0f, 0.0f, 0.0f}; // now, the edit included
    std::string word;
    bool whole = false;   // an int: dragged in steps of 1
    bool boolean = false; // a bool: a check box
    std::string kind;     // the keyframe kind in force now, empty without keyframes
    int keyframes = 0;
    bool edited = false; // a tweak stands in for the script's value
    int loneLine = 0;    // the line of a single keyframe that has no effect, 0 when none

    // The curve across the scene, from the keyframes as they play: `samples` values per component,
    // component after component, with the keyframes' places and values; positions are fractions of
    // the scene (0 its start, 1 its end). Empty for a parameter without keyframes.
    int samples = 0;
    std::vector<float> curve;
    std::vector<float> keyAt;      // one per keyframe
    std::vector<float> keyValue;   // `components` per keyframe
    float low = 0.0f, high = 1.0f; // the curve's range, with the value now
    float playheadAt = 0.0f;
};

struct OverlayInspector {
    bool open = false;
    std::string scene, layer, type;
    float sceneStart = 0.0f, sceneEnd = 0.0f; // seconds
    bool running = false;                     // the playhead is inside the scene: edits can be written
    bool writable = true;                     // false for a data zip, which cannot be written
    bool hasEdits = false;
    std::vector<OverlayParameter> parameters;
};

struct OverlayError {
    bool shown = false;
    std::string file;
    int line = 0; // 0 when the error has no line
    std::string message;
};

struct OverlayFrame {
    OverlayStatus status;
    OverlayTimeline timeline;
    OverlaySpectrum spectrum;
    std::vector<OverlayScene> scenes; // running now
    OverlayInspector inspector;
    OverlayError error;
    std::string notice; // a short message shown for a moment ("Keyframe copied"), empty for none
};

// The time line's strip as the overlay drew it, in pixels: what the next frame's time line is laid
// out for. 0 wide when it was not drawn.
struct OverlayStrip {
    float width = 0.0f;
    float labelSpacing = 0.0f; // the widest bar number and a gap
};

// What the user did on the overlay this frame, and the strip it drew.
struct OverlayActions {
    // A click on the time line, or each step of a drag along it: where across the strip (not clamped),
    // whether it is a step of a drag (not its first press), and the keys held that change where it
    // snaps to (Shift: nowhere; Alt: bars; otherwise beats).
    std::optional<float> seekAt;
    bool seekDragged = false;
    bool shiftHeld = false, altHeld = false;
    bool wantsMouse = false;    // the pointer is over a panel, so it is not the free camera's
    bool wantsKeyboard = false; // a number is being typed: the keys are not the show's

    // A layer row clicked in the scenes list: the scene's index and the layer's name.
    std::optional<int> chosenScene;
    std::string chosenLayer;
    // A parameter's value dragged or typed in the inspector.
    std::string tweaked;
    float tweakValue[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    // The inspector's buttons: write the edits (as keyframes even where a parameter has none), discard
    // them, close the inspector.
    bool write = false, writeKeyframes = false, discard = false, close = false;
    OverlayStrip strip;
};
