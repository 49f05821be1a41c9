// The analysis behind the keyframes that follow the music: the whole track is read once, on a thread
// of its own, at a fixed step of at least 200 per second, and each frequency range a presentation
// follows gets its level at every step, from the same spectrum (window, size and scale) the spectrum
// keyframes see while the music plays. The reactions are then derived from the levels into a
// CReactionTable. The levels are kept for the music in use, so a reload that follows the same ranges
// (or fewer) makes its table without reading the music again.
#pragma once

#include "Base/AudioReactions.h"
#include "Base/CBackgroundJob.h"
#include "Platform/CAudioOutput.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class CReactionAnalysis {
public:
    // The analysis step: the largest whole number of frames that gives at least this many per second.
    static constexpr int StepsPerSecond = 200;
    // The most steps a second of music gives at any rate the decoder plays (8000 Hz and up).
    static constexpr int MostStepsPerSecond = 210;

    struct Range {
        float low, high; // Hz
        bool operator==(const Range&) const = default;
    };
    // The levels of ranges over the whole music: `steps` per range, range by range, step i the
    // spectrum of the frames that end at frame i x hop.
    struct Levels {
        int64_t hop = 0;
        double stepSeconds = 0.0;
        int64_t steps = 0;
        std::vector<Range> ranges;
        std::vector<float> values;
    };

    // The frames between steps at `sampleRate`.
    static int64_t HopFrames(int sampleRate);
    // The spectrum's bands (0..511) whose centre lies in the range at `sampleRate`; where none does,
    // the one band nearest to the range.
    static void BandsOf(const Range& range, int sampleRate, int& first, int& last);
    // Reads `music` through and measures each range; false when `stop` was set on the way or the music
    // cannot be read (no frames, no reader).
    static bool Measure(const DecodedMusic& music, const std::vector<Range>& ranges, const std::atomic<bool>& stop,
                        Levels& levels);
    // The memory the table of `rules` takes for music of `seconds`, with the levels kept for reloads:
    // what is charged to the presentation.
    static int64_t TableBytes(const std::vector<ReactionRule>& rules, double seconds);
    // The different ranges `rules` follow, in the order first named.
    static std::vector<Range> RangesOf(const std::vector<ReactionRule>& rules);

    // Starts the table of `rules` for the music `open` reads (keyed by `music`, the stream's identity),
    // dropping the one before. Levels kept for the same music are used again; when every range is
    // kept the table is made at once, otherwise a thread reads the music. No rules or no opener: no
    // table.
    void Start(const void* music, const std::vector<ReactionRule>& rules, DecodedMusicOpener open);
    // Stops the work under way and drops the table and the kept levels.
    void Stop();
    // The table of the last Start: waits for the thread when it is still at work; null when there is
    // none (no rules, no music, or the music could not be read).
    const CReactionTable* Table();
    bool Busy() const { return job.Busy(); }

private:
    // Makes the table from the kept levels (null when a range of `rules` has none).
    std::shared_ptr<const CReactionTable> Derive(const std::vector<ReactionRule>& rules) const;

    const void* music = nullptr;
    std::vector<ReactionRule> rules;
    Levels kept; // of `music`
    // Measures the ranges not kept yet; nothing where the music could not be read or it was stopped.
    CBackgroundJob<std::optional<Levels>> job;
    std::shared_ptr<const CReactionTable> table;
};
