// What the authoring overlay shows, as plain data the program fills every frame from the running
// presentation: the position and frame times, the time line with its scenes and loop, the spectrum,
// the scenes and layers running now, and a script error. No engine type appears here.
#pragma once

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
    std::string loop;   // the loop as text ("4:0:0 - 8:0:0"), empty when none
    std::string camera; // the free camera's state, empty while it is off
    std::string help;   // the keys, one line
};

struct OverlayTimelineScene {
    std::string name;
    float start = 0.0f; // seconds
    float end = 0.0f;
};

struct OverlayTimeline {
    float length = 0.0f; // the whole show: the music's length, or the last scene's end
    float secondsPerBar = 2.0f;
    float playhead = 0.0f;
    bool hasLoopStart = false, hasLoopEnd = false;
    float loopStart = 0.0f, loopEnd = 0.0f;
    std::vector<OverlayTimelineScene> scenes; // in declaration order, one lane each
};

struct OverlaySpectrum {
    const float* values = nullptr; // `count` magnitudes, band 0 first; not copied
    int count = 0;
    float sampleRate = 0.0f;      // of the music; 0 when unknown (44100 is assumed)
    std::vector<int> markedBands; // the bands the presentation's spectrum keyframes follow
};

struct OverlayLayer {
    std::string name, type, renderTarget;
    bool active = true;
};

struct OverlayScene {
    std::string name;
    float localTime = 0.0f;
    std::string localPosition;        // bar:beat:tick since the scene's start
    std::vector<OverlayLayer> layers; // in drawing order
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
    OverlayError error;
    std::string notice; // a short message shown for a moment ("Keyframe copied"), empty for none
};
