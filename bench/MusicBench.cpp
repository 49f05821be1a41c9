// The per-frame cost of the music clock: reading the silent clock and computing the spectrum.
#include "Music/CMusicStreamNoSound.h"
#include "Platform/Clock.h"
#include "Platform/audio/CSpectrumAnalyser.h"

#include <benchmark/benchmark.h>

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
