// The frame rate and the recent frame times the overlay plots: the last 240 frame durations in
// milliseconds in a fixed ring, so that recording a frame never allocates.
#pragma once

class CFrameStats {
public:
    static constexpr int Capacity = 240;

    // One frame's duration in seconds; a negative or non-finite duration (a clock that jumped) is
    // left out.
    void AddFrame(float seconds);
    void Clear();

    int Count() const { return count; }
    // Milliseconds, oldest first (0 .. Count() - 1).
    float FrameMs(int index) const;
    // The ring as stored and the index of its oldest entry, for plots that read rings directly.
    const float* Ring() const { return ring; }
    int Oldest() const { return count < Capacity ? 0 : next; }

    // Frames per second over the frames of about the last second (all of them while fewer); 0 with
    // no frames.
    float FramesPerSecond() const;
    float LastMs() const { return count ? ring[(next + Capacity - 1) % Capacity] : 0.0f; }
    float LongestMs() const;

private:
    float ring[Capacity] = {};
    int next = 0;
    int count = 0;
};
