#include "App/authoring/CMusicOverview.h"

#include "App/authoring/CLogFrequencyAxis.h"
#include "Platform/audio/CSpectrumAnalyser.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t ChunkFrames = 4096;
// The frames kept before each chunk: a spectrum's window may reach back that far.
constexpr int64_t History = CSpectrumAnalyser::Size;
constexpr int MaxColumns = 1 << 16;
// Far beyond a day of music at any rate the decoder plays; the column arithmetic stays in range.
constexpr int64_t MaxFrames = int64_t(1) << 40;

// Columns split the music's frames as evenly as whole frames allow.
int64_t ColumnStart(int64_t column, int64_t columns, int64_t frames) { return column * frames / columns; }
int64_t ColumnOf(int64_t frame, int64_t columns, int64_t frames) { return ((frame + 1) * columns - 1) / frames; }

// A magnitude of the spectrum (0.5 for a full-scale sine) in decibels; silence is far below anything.
float DecibelsOf(float magnitude) {
    return magnitude > 0.0f && std::isfinite(magnitude) ? 20.0f * std::log10(magnitude) : -1000.0f;
}

} // namespace

std::shared_ptr<const CMusicOverview> CMusicOverview::Build(const DecodedMusic& music, const std::atomic<bool>& stop,
                                                            const Resolution& resolution) {
    auto overview = std::make_shared<CMusicOverview>();
    if (!music.read || music.frames <= 0 || music.frames > MaxFrames || music.channels <= 0 || music.sampleRate <= 0)
        return overview;
    const int64_t frames = music.frames;
    const int channels = music.channels;
    overview->seconds = static_cast<float>(static_cast<double>(frames) / music.sampleRate);
    overview->sampleRate = static_cast<float>(music.sampleRate);
    // Never more columns than frames, so that every column holds at least one.
    const int64_t waves = std::min<int64_t>(std::clamp(resolution.waveColumns, 1, MaxColumns), frames);
    const int64_t spectra = std::min<int64_t>(std::clamp(resolution.spectrumColumns, 1, MaxColumns), waves);
    const int rows = std::clamp(resolution.spectrumRows, 1, CSpectrumAnalyser::Bands);
    overview->lows.assign(static_cast<size_t>(waves), FLT_MAX);
    overview->highs.assign(static_cast<size_t>(waves), -FLT_MAX);
    overview->spectrumColumns = static_cast<int>(spectra);
    overview->spectrumRows = rows;
    overview->spectrum.assign(static_cast<size_t>(spectra) * static_cast<size_t>(rows), 0);
    // Kept in decibels until the loudest is known.
    std::vector<float> decibels(overview->spectrum.size(), DecibelsOf(0.0f));

    const bool through = frames <= std::max<int64_t>(resolution.maxFramesRead, 1);
    overview->readThrough = through;
    // What each column reads of itself when the music is too long to read through.
    const int64_t span = through ? std::numeric_limits<int64_t>::max()
                                 : std::max<int64_t>(2 * History, resolution.maxFramesRead / waves);
    auto stretchOf = [&](int64_t column, int64_t& from, int64_t& to) {
        from = ColumnStart(column, waves, frames);
        to = from + std::min(ColumnStart(column + 1, waves, frames) - from, span);
    };
    // The frame a spectrum column's window ends at: centred on the middle of its stretch of the music,
    // inside what is read of it.
    auto windowEnd = [&](int64_t column) {
        if (column >= spectra)
            return std::numeric_limits<int64_t>::max();
        const int64_t middle = (2 * column + 1) * frames / (2 * spectra);
        const int64_t end = middle + History / 2;
        if (through)
            return std::min(end, frames);
        int64_t from = 0, to = 0;
        stretchOf(ColumnOf(middle, waves, frames), from, to);
        return std::clamp(end, from + std::min(History, to - from), to);
    };

    // Which rows of the axis each band of the spectrum covers; a row takes its loudest band.
    const CLogFrequencyAxis axis(overview->sampleRate);
    int firstRow[CSpectrumAnalyser::Bands], lastRow[CSpectrumAnalyser::Bands];
    for (int band = 0; band < CSpectrumAnalyser::Bands; ++band) {
        const float start = axis.BandStart(band) * static_cast<float>(rows);
        const float end = axis.BandEnd(band) * static_cast<float>(rows);
        firstRow[band] = std::clamp(static_cast<int>(std::floor(start)), 0, rows - 1);
        lastRow[band] = std::clamp(static_cast<int>(std::ceil(end)) - 1, firstRow[band], rows - 1);
    }

    CSpectrumAnalyser analyser;
    float bands[CSpectrumAnalyser::Bands];
    std::vector<float> loudest(static_cast<size_t>(rows));
    // History frames, then a chunk: frames bufferStart.. in order.
    std::vector<float> buffer(static_cast<size_t>((History + ChunkFrames) * channels));
    float* const chunk = buffer.data() + History * channels;
    int64_t bufferStart = 0, previousEnd = -1;
    int64_t nextSpectrum = 0, nextEnd = windowEnd(0);
    int64_t column = 0, columnEnd = ColumnStart(1, waves, frames);

    auto readStretch = [&](int64_t from, int64_t to) {
        if (from != previousEnd) {
            // Before the music's first frame (or a stretch read after a gap) there is silence.
            std::fill(buffer.begin(), buffer.begin() + History * channels, 0.0f);
            bufferStart = from - History;
        }
        for (int64_t position = from; position < to;) {
            if (stop.load(std::memory_order_relaxed))
                return false;
            const int64_t count = std::min(ChunkFrames, to - position);
            music.read(position, count, chunk);
            for (int64_t frame = position; frame < position + count;) {
                while (frame >= columnEnd) {
                    ++column;
                    columnEnd = ColumnStart(column + 1, waves, frames);
                }
                const int64_t until = std::min(position + count, columnEnd);
                const float* first = chunk + (frame - position) * channels;
                const auto [low, high] = std::minmax_element(first, first + (until - frame) * channels);
                float& columnLow = overview->lows[static_cast<size_t>(column)];
                float& columnHigh = overview->highs[static_cast<size_t>(column)];
                columnLow = std::min(columnLow, *low);
                columnHigh = std::max(columnHigh, *high);
                frame = until;
            }
            for (; nextSpectrum < spectra && nextEnd <= position + count; nextEnd = windowEnd(++nextSpectrum)) {
                analyser.Analyse(buffer.data(), History + count, channels, nextEnd - bufferStart, bands);
                std::fill(loudest.begin(), loudest.end(), 0.0f);
                for (int band = 0; band < CSpectrumAnalyser::Bands; ++band)
                    for (int row = firstRow[band]; row <= lastRow[band]; ++row)
                        loudest[static_cast<size_t>(row)] = std::max(loudest[static_cast<size_t>(row)], bands[band]);
                for (int row = 0; row < rows; ++row)
                    decibels[static_cast<size_t>(row) * static_cast<size_t>(spectra) +
                             static_cast<size_t>(nextSpectrum)] = DecibelsOf(loudest[static_cast<size_t>(row)]);
            }
            std::memmove(buffer.data(), buffer.data() + count * channels,
                         static_cast<size_t>(History * channels) * sizeof(float));
            bufferStart += count;
            position += count;
        }
        previousEnd = to;
        return true;
    };

    if (through) {
        if (!readStretch(0, frames))
            return nullptr;
    } else {
        for (int64_t c = 0; c < waves; ++c) {
            int64_t from = 0, to = 0;
            stretchOf(c, from, to);
            if (!readStretch(from, to))
                return nullptr;
        }
    }
    const float top = std::max(*std::max_element(decibels.begin(), decibels.end()), QuietDecibels);
    for (size_t i = 0; i < decibels.size(); ++i) {
        const float fraction = (decibels[i] - top) / RangeDecibels + 1.0f;
        overview->spectrum[i] = static_cast<uint8_t>(std::lround(std::clamp(fraction, 0.0f, 1.0f) * 255.0f));
    }
    for (size_t c = 0; c < overview->lows.size(); ++c) {
        // Every column was read; samples are kept within full scale.
        overview->lows[c] = std::clamp(overview->lows[c], -1.0f, 1.0f);
        overview->highs[c] = std::clamp(overview->highs[c], overview->lows[c], 1.0f);
    }
    return overview;
}
