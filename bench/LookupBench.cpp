// Finding resources by name. Layers find what their string parameters name once, when they are
// created (FindTexture, in a registry of `range(0)` textures: the first declared, the last declared
// in another letter case, a name that is not declared); every frame they only pick the resolved
// resource for the parameter's current text (ResolvedName).
#include "Base/CTokeniser.h"
#include "Layers/CResourceName.h"
#include "Params/CParamString.h"
#include "Resources/CResourceManager.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

bool Declare(CResourceManager& resources, int count) {
    std::string text = "{\n";
    for (int i = 0; i < count; ++i)
        text += "Texture SceneTexture" + std::to_string(i) + " \"images/t" + std::to_string(i) + ".png\"\n";
    text += "}\n";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    return resources.LoadFromTokeniser(tokeniser);
}

void Lookup(benchmark::State& state, const std::string& name) {
    CResourceManager resources;
    if (!Declare(resources, static_cast<int>(state.range(0)))) {
        state.SkipWithError("the textures were not declared");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(resources.FindTexture(name));
}

void FindFirstTexture(benchmark::State& state) { Lookup(state, "SceneTexture0"); }
void FindLastTexture(benchmark::State& state) { Lookup(state, "scenetexture" + std::to_string(state.range(0) - 1)); }
void FindUnknownTexture(benchmark::State& state) { Lookup(state, "NoSuchTextureAnywhere"); }

// A name keyframed through 16 textures, picked at times across them.
void ResolvedName(benchmark::State& state) {
    CResourceManager resources;
    if (!Declare(resources, 64)) {
        state.SkipWithError("the textures were not declared");
        return;
    }
    CParamString param("SceneTexture0");
    for (int k = 1; k <= 16; ++k) {
        const std::string line = "hold SceneTexture" + std::to_string(k * 3) + "\n";
        CMemoryTokeniser tokeniser(line.data(), line.size());
        param.AddKeyframeFromTokeniser(static_cast<float>(k), tokeniser);
    }
    CResourceName<CResourceTexture> name(&param);
    name.Resolve(resources);
    float t = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(name.At(t));
        t = t > 17.0f ? 0.0f : t + 0.37f;
    }
}

} // namespace

BENCHMARK(FindFirstTexture)->Arg(8)->Arg(64);
BENCHMARK(FindLastTexture)->Arg(8)->Arg(64);
BENCHMARK(FindUnknownTexture)->Arg(8)->Arg(64);
BENCHMARK(ResolvedName);
