// GetValue of each of the seven parameter classes with 16 keyframes of the kinds the class takes,
// sweeping all segments: the call every layer makes for every parameter every frame.
#include "Base/CTokeniser.h"
#include "Params/CParamBool.h"
#include "Params/CParamFloat.h"
#include "Params/CParamInt.h"
#include "Params/CParamRgba.h"
#include "Params/CParamString.h"
#include "Params/CParamVector2.h"
#include "Params/CParamVector3.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int Keys = 16;

// Keyframes one second apart, the kind word chosen by the key's index from `kinds`.
template <class Param> bool Fill(Param& param, const char* const* kinds, int kindCount, const char* payload) {
    for (int k = 0; k < Keys; ++k) {
        const std::string text = std::string(kinds[k % kindCount]) + " " + payload + "\n";
        CMemoryTokeniser tokeniser(text.data(), text.size());
        if (!param.AddKeyframeFromTokeniser(static_cast<float>(k), tokeniser))
            return false;
    }
    return true;
}

template <class Param>
void Sweep(benchmark::State& state, Param& param, const char* const* kinds, int kindCount, const char* payload) {
    if (!Fill(param, kinds, kindCount, payload)) {
        state.SkipWithError("a keyframe was refused");
        return;
    }
    float t = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(param.GetValue(t));
        t += 0.37f;
        if (t > Keys)
            t -= Keys;
    }
}

const char* const Numeric[] = {"linear", "smooth", "hold", "linear"};
const char* const Whole[] = {"linear", "hold"};
const char* const Held[] = {"hold"};

void GetValueBool(benchmark::State& state) {
    CParamBool param(false);
    Sweep(state, param, Held, 1, "true");
}
void GetValueInt(benchmark::State& state) {
    CParamInt param(0);
    Sweep(state, param, Whole, 2, "12");
}
void GetValueFloat(benchmark::State& state) {
    CParamFloat param(0.0f);
    Sweep(state, param, Numeric, 4, "0.5");
}
void GetValueRgba(benchmark::State& state) {
    CParamRgba param(glm::vec4(0.0f));
    Sweep(state, param, Numeric, 4, "1 0.5 0.25 1");
}
void GetValueString(benchmark::State& state) {
    CParamString param("Base");
    Sweep(state, param, Held, 1, "SomeTextureNameLongerThanInline");
}
void GetValueVector2(benchmark::State& state) {
    CParamVector2 param(glm::vec2(0.0f));
    Sweep(state, param, Numeric, 4, "3 4");
}
void GetValueVector3(benchmark::State& state) {
    CParamVector3 param(glm::vec3(0.0f));
    Sweep(state, param, Numeric, 4, "3 4 5");
}

} // namespace

BENCHMARK(GetValueBool);
BENCHMARK(GetValueInt);
BENCHMARK(GetValueFloat);
BENCHMARK(GetValueRgba);
BENCHMARK(GetValueString);
BENCHMARK(GetValueVector2);
BENCHMARK(GetValueVector3);
