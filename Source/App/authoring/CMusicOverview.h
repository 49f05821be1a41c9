// The whole music at a glance, for the overlay's time line: its waveform as the lowest and highest
// sample of each of a fixed number of stretches of it, and its spectrum over time as levels on a
// logarithmic frequency axis. Made in one pass over the decoded music, away from the frames; its size
// is set by its resolution, never by the music's length. Immutable once made.
#pragma once

#include "Platform/CAudioOutput.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CMusicOverview {
public:
    struct Resolution {
        int waveColumns = 4096;
        int spectrumColumns = 1024;
        int spectrumRows = 64;
        // Music longer than this many frames (about 50 minutes at 44100 Hz) is not read through:
        // each waveform column reads only its beginning, so that the work stays bounded too.
        int64_t maxFramesRead = int64_t(1) << 27;
    };
    // Levels span this many decibels under the music's loudest (255 at it, 0 at the floor and below),
    // so that a quiet master shows as much as a loud one; music quieter than QuietDecibels is not
    // raised further.
    static constexpr float RangeDecibels = 60.0f;
    static constexpr float QuietDecibels = -40.0f;

    // Reads `music` through. Null when `stop` was set on the way; music without frames (or without a
    // reader) gives an overview without columns.
    static std::shared_ptr<const CMusicOverview> Build(const DecodedMusic& music, const std::atomic<bool>& stop,
                                                       const Resolution& resolution);

    float Seconds() const { return seconds; }
    float SampleRate() const { return sampleRate; }
    // True when every frame was read (the music was not longer than Resolution::maxFramesRead).
    bool ReadThrough() const { return readThrough; }

    // Column c covers the music's frames from c x frames / columns up to the next column's first; its
    // lowest and highest sample over every channel.
    int WaveColumns() const { return static_cast<int>(lows.size()); }
    std::span<const float> Lows() const { return lows; }
    std::span<const float> Highs() const { return highs; }

    // Row r (0 the lowest frequencies) spans r / rows to (r + 1) / rows of the spectrum panel's
    // logarithmic axis and takes its loudest band; column c is the spectrum at the middle of the c-th
    // of `columns` equal stretches of the music. Stored row by row: level (row, column) at
    // row x columns + column.
    int SpectrumColumns() const { return spectrumColumns; }
    int SpectrumRows() const { return spectrumRows; }
    std::span<const uint8_t> Spectrum() const { return spectrum; }
    uint8_t Level(int row, int column) const {
        return spectrum[static_cast<size_t>(row) * static_cast<size_t>(spectrumColumns) + static_cast<size_t>(column)];
    }

private:
    float seconds = 0.0f;
    float sampleRate = 0.0f;
    bool readThrough = true;
    std::vector<float> lows, highs;
    int spectrumColumns = 0, spectrumRows = 0;
    std::vector<uint8_t> spectrum;
};
