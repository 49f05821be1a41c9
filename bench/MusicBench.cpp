// The per-frame cost of the music clock: reading the silent clock and computing the spectrum; and the
// analysis of a whole track for the reactions, made once per music.
#include "App/run/CReactionAnalysis.h"
#include "Base/AudioReactions.h"
#include "Music/CMusicStreamNoSound.h"
#include "Platform/Clock.h"
#include "Platform/audio/CSpectrumAnalyser.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <vector>

static void SpectrumOfStereoMusic(benchmark::State& state) {
    std::vector<float> samples(2 * 44100);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.5f * std::sin(0.01f * static_cast<float>(i));
    CSpectrumAnalyser analyser;
    float bands[CSpectrumAnalyser::Bands];
    int64_t end = 1024;
    for (auto _ : state) {
        analyser.Analyse(samples.data(), 44100, 2, end, bands);
        benchmark::DoNotOptimize(bands);
        end = end < 44100 ? end + 735 : 1024;
    }
}
BENCHMARK(SpectrumOfStereoMusic);

static void SilentClockGetTime(benchmark::State& state) {
    CMusicStreamNoSound clock{CounterSource{GetCounterFrequency, GetCounterValue}};
    clock.Init(0.0f);
    for (auto _ : state)
        benchmark::DoNotOptimize(clock.GetTime());
}
BENCHMARK(SilentClockGetTime);

// The analysis behind the music's reactions, without decoding: 72 seconds of stereo music held in
// memory, four ranges measured at 200 steps a second and an onset derived from one of them.
static void ReactionAnalysisOf72Seconds(benchmark::State& state) {
    const int64_t frames = 72 * 44100;
    std::vector<float> samples(static_cast<size_t>(2 * frames));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.4f * std::sin(0.013f * static_cast<float>(i)) * std::sin(0.00002f * static_cast<float>(i));
    DecodedMusic music;
    music.frames = frames;
    music.channels = 2;
    music.sampleRate = 44100;
    music.read = [&](int64_t first, int64_t count, float* out) {
        for (int64_t i = 0; i < 2 * count; ++i) {
            const int64_t at = 2 * first + i;
            out[i] = at >= 0 && at < 2 * frames ? samples[static_cast<size_t>(at)] : 0.0f;
        }
    };
    const std::vector<CReactionAnalysis::Range> ranges = {{40, 130}, {200, 400}, {2000, 6000}, {20, 20000}};
    std::atomic<bool> stop{false};
    for (auto _ : state) {
        CReactionAnalysis::Levels levels;
        CReactionAnalysis::Measure(music, ranges, stop, levels);
        std::vector<float> pulse(static_cast<size_t>(levels.steps));
        DeriveReaction(ReactionRule{ReactionKind::Onset, 40, 130, 0.1f, 0.0f}, levels.values.data(), levels.steps,
                       levels.stepSeconds, pulse.data());
        benchmark::DoNotOptimize(pulse.data());
    }
}
BENCHMARK(ReactionAnalysisOf72Seconds)->Unit(benchmark::kMillisecond);
