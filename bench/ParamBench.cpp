// Cost of one parameter evaluation, the call every layer makes for every parameter every frame.
#include "Base/AudioReactions.h"
#include "Base/CTokeniser.h"
#include "Music/CMusicStream.h"
#include "Params/CParamFloat.h"
#include "Params/CParamString.h"
#include "Params/CParamVector2.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

template <class Param> void Key(Param &param, float time, const std::string &line) {
    const std::string text = line + "\n";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    param.AddKeyframeFromTokeniser(time, tokeniser);
}

// Keys one second apart; evaluation sweeps the whole range so every segment is searched.
template <class Param, class MakeLine> void Fill(Param &param, int count, MakeLine line) {
    for (int k = 0; k < count; ++k)
        Key(param, static_cast<float>(k), line(k));
}

template <class Param> void Sweep(benchmark::State &state, const Param &param, int count) {
    const float end = static_cast<float>(count > 1 ? count - 1 : 1);
    float t = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(param.GetValue(t));
        t += 0.37f;
        if (t > end)
            t -= end;
    }
}

void FloatLinear(benchmark::State &state) {
    const int count = static_cast<int>(state.range(0));
    CParamFloat param(0.0f);
    Fill(param, count, [](int k) { return "linear " + std::to_string(k % 7); });
    Sweep(state, param, count);
}

void FloatSmooth(benchmark::State &state) {
    const int count = static_cast<int>(state.range(0));
    CParamFloat param(0.0f);
    Fill(param, count, [](int k) { return "smooth " + std::to_string(k % 5); });
    Sweep(state, param, count);
}

void Vector2Spectrum(benchmark::State &state) {
    const int count = static_cast<int>(state.range(0));
    for (int band = 0; band < SpectrumBands; ++band)
        SpectrumBuffer[band] = static_cast<float>(band % 10) / 8.0f;
    CParamVector2 param(glm::vec2(0.0f));
    Fill(param, count, [](int k) { return "spectrum 1 1 " + std::to_string(k * 13) + " 0.5 0.25"; });
    Sweep(state, param, count);
}

// A keyframe that follows the music: a lookup in the analysis's table and an interpolation.
void FloatOnset(benchmark::State &state) {
    const int count = static_cast<int>(state.range(0));
    CReactionSet set;
    CParamFloat param(0.0f);
    for (int k = 0; k < count; ++k) {
        const std::string text = "onset 1 40 130 2 0:0:24\n";
        CMemoryTokeniser tokeniser(text.data(), text.size());
        tokeniser.reactions = &set;
        param.AddKeyframeFromTokeniser(static_cast<float>(k), tokeniser);
    }
    const int64_t steps = 72 * 200;
    std::vector<float> values(static_cast<size_t>(steps));
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<float>(i % 100) / 100.0f;
    const CReactionTable table(0.005, steps, values, values);
    ActiveReactions = ReactionFrame{&table, 3.0f};
    Sweep(state, param, count);
    ActiveReactions = ReactionFrame{};
}

void StringHold(benchmark::State &state) {
    const int count = static_cast<int>(state.range(0));
    CParamString param("Base");
    Fill(param, count, [](int k) { return "hold Texture" + std::to_string(k); });
    Sweep(state, param, count);
}

} // namespace

BENCHMARK(FloatLinear)->Arg(2)->Arg(16)->Arg(256);
BENCHMARK(FloatSmooth)->Arg(2)->Arg(16)->Arg(256);
BENCHMARK(Vector2Spectrum)->Arg(16);
BENCHMARK(FloatOnset)->Arg(16);
BENCHMARK(StringHold)->Arg(16);
