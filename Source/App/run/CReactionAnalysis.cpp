#include "App/run/CReactionAnalysis.h"

#include "Base/Log.h"
#include "Base/StopRequest.h"
#include "Platform/audio/CSpectrumAnalyser.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int64_t ChunkFrames = 8192;
constexpr int64_t History = CSpectrumAnalyser::Size;
// Far beyond a day of music at any rate the decoder plays; the step arithmetic stays in range.
constexpr int64_t MaxFrames = int64_t(1) << 40;

} // namespace

int64_t CReactionAnalysis::HopFrames(int sampleRate) { return std::max<int64_t>(1, sampleRate / StepsPerSecond); }

void CReactionAnalysis::BandsOf(const Range& range, int sampleRate, int& first, int& last) {
    const double width = static_cast<double>(sampleRate) / CSpectrumAnalyser::Size;
    const int top = CSpectrumAnalyser::Bands - 1;
    // Band k's centre is k x width.
    const double from = std::ceil(range.low / width), to = std::floor(range.high / width);
    if (from <= to && from <= top) {
        first = static_cast<int>(from);
        last = static_cast<int>(std::min<double>(to, top));
        return;
    }
    const double middle = 0.5 * (static_cast<double>(range.low) + range.high) / width;
    first = last = static_cast<int>(std::clamp<double>(std::round(middle), 0, top));
}

std::vector<CReactionAnalysis::Range> CReactionAnalysis::RangesOf(const std::vector<ReactionRule>& rules) {
    std::vector<Range> ranges;
    for (const ReactionRule& rule : rules)
        if (std::find(ranges.begin(), ranges.end(), Range{rule.low, rule.high}) == ranges.end())
            ranges.push_back({rule.low, rule.high});
    return ranges;
}

int64_t CReactionAnalysis::TableBytes(const std::vector<ReactionRule>& rules, double seconds) {
    const double steps = std::max(seconds, 0.0) * MostStepsPerSecond + 2.0;
    // A level and a value per reaction and step, and the levels kept per range.
    const size_t numbers = 2 * rules.size() + RangesOf(rules).size();
    return static_cast<int64_t>(std::ceil(steps * static_cast<double>(numbers) * sizeof(float)));
}

bool CReactionAnalysis::Measure(const DecodedMusic& music, const std::vector<Range>& ranges,
                                const std::atomic<bool>& stop, Levels& levels) {
    if (!music.read || music.frames <= 0 || music.frames > MaxFrames || music.channels <= 0 || music.sampleRate <= 0)
        return false;
    const int64_t frames = music.frames;
    const int channels = music.channels;
    levels.hop = HopFrames(music.sampleRate);
    levels.stepSeconds = static_cast<double>(levels.hop) / music.sampleRate;
    levels.steps = frames / levels.hop + 1;
    levels.ranges = ranges;
    const auto steps = static_cast<size_t>(levels.steps);
    levels.values.assign(steps * ranges.size(), 0.0f);

    std::vector<int> firsts(ranges.size()), lasts(ranges.size());
    int highest = 0;
    for (size_t r = 0; r < ranges.size(); ++r) {
        BandsOf(ranges[r], music.sampleRate, firsts[r], lasts[r]);
        highest = std::max(highest, lasts[r]);
    }

    CSpectrumAnalyser analyser;
    float bands[CSpectrumAnalyser::Bands];
    // Running sums of the bands' levels, clamped as the spectrum keyframes see them: a range's mean
    // is one difference.
    double sums[CSpectrumAnalyser::Bands + 1];
    sums[0] = 0.0;
    // The music is mixed to mono once, as the analyser mixes it, and each window analysed from the
    // mix. History frames, then a chunk: frames bufferStart.. in order; before the music, silence.
    std::vector<float> chunk(static_cast<size_t>(ChunkFrames * channels));
    std::vector<float> mono(static_cast<size_t>(History + ChunkFrames), 0.0f);
    int64_t bufferStart = -History;
    int64_t step = 0;
    for (int64_t position = 0; position < frames;) {
        if (stop.load(std::memory_order_relaxed) || StopRequested())
            return false;
        const int64_t count = std::min(ChunkFrames, frames - position);
        music.read(position, count, chunk.data());
        for (int64_t i = 0; i < count; ++i)
            mono[static_cast<size_t>(History + i)] = CSpectrumAnalyser::Mix(chunk.data() + i * channels, channels);
        // Every step whose window ends within what is read now.
        for (; step < levels.steps && step * levels.hop <= position + count; ++step) {
            analyser.Analyse(mono.data(), History + count, 1, step * levels.hop - bufferStart, bands, highest + 1);
            for (int band = 0; band <= highest; ++band) {
                const float level = bands[band] > 0.0f ? std::min(bands[band], 1.0f) : 0.0f;
                sums[band + 1] = sums[band] + level;
            }
            for (size_t r = 0; r < ranges.size(); ++r) {
                const double mean = (sums[lasts[r] + 1] - sums[firsts[r]]) / (lasts[r] - firsts[r] + 1);
                levels.values[r * steps + static_cast<size_t>(step)] = static_cast<float>(mean);
            }
        }
        std::memmove(mono.data(), mono.data() + count, static_cast<size_t>(History) * sizeof(float));
        bufferStart += count;
        position += count;
    }
    return true;
}

void CReactionAnalysis::Start(const void* stream, const std::vector<ReactionRule>& wanted, DecodedMusicOpener open) {
    job.Cancel();
    table.reset();
    if (stream != music) {
        kept = Levels();
        music = stream;
    }
    rules = wanted;
    if (rules.empty() || !open)
        return;
    std::vector<Range> missing = RangesOf(rules);
    std::erase_if(missing, [this](const Range& range) {
        return std::find(kept.ranges.begin(), kept.ranges.end(), range) != kept.ranges.end();
    });
    if (missing.empty()) {
        table = Derive(rules);
        return;
    }
    job.Start([open = std::move(open), missing = std::move(missing)](const std::atomic<bool>& stop) {
        // Opening may read the file (to count its frames): that too happens here, not in a frame, and
        // the music's file is closed on this thread.
        DecodedMusic decoded;
        Levels made;
        std::optional<Levels> measured;
        if (open(decoded) && Measure(decoded, missing, stop, made))
            measured = std::move(made);
        return measured;
    });
}

std::shared_ptr<const CReactionTable> CReactionAnalysis::Derive(const std::vector<ReactionRule>& wanted) const {
    const auto steps = static_cast<size_t>(kept.steps);
    std::vector<float> levels(wanted.size() * steps), values(wanted.size() * steps);
    for (size_t i = 0; i < wanted.size(); ++i) {
        const Range range{wanted[i].low, wanted[i].high};
        const auto at =
            static_cast<size_t>(std::find(kept.ranges.begin(), kept.ranges.end(), range) - kept.ranges.begin());
        if (at >= kept.ranges.size())
            return nullptr;
        const float* source = kept.values.data() + at * steps;
        std::copy(source, source + steps, levels.begin() + static_cast<std::ptrdiff_t>(i * steps));
        DeriveReaction(wanted[i], source, kept.steps, kept.stepSeconds, values.data() + i * steps);
    }
    return std::make_shared<const CReactionTable>(kept.stepSeconds, kept.steps, std::move(levels), std::move(values));
}

void CReactionAnalysis::Stop() {
    job.Cancel();
    table.reset();
    kept = Levels();
    music = nullptr;
    rules.clear();
}

const CReactionTable* CReactionAnalysis::Table() {
    // A frame that needs the table waits for it.
    std::optional<Levels> made;
    if (!job.Take(made))
        return table.get();
    if (!made) {
        // Logged here: the log is the main thread's.
        if (!StopRequested())
            LOG("CReactionAnalysis::Table", "Failed to read the music for its reactions: they follow nothing");
        return nullptr;
    }
    if (kept.ranges.empty() || kept.hop != made->hop || kept.steps != made->steps) {
        kept = std::move(*made);
    } else {
        kept.ranges.insert(kept.ranges.end(), made->ranges.begin(), made->ranges.end());
        kept.values.insert(kept.values.end(), made->values.begin(), made->values.end());
    }
    table = Derive(rules);
    return table.get();
}
