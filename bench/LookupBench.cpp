// Lookups of resources by name, the call drawing layers make every frame with the current value of
// a string parameter: in a registry of `range(0)` textures, the first declared, the last declared
// (in another letter case) and a name that is not declared.
#include "Resources/CResourceManager.h"
#include "Base/CTokeniser.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

bool Declare(int count) {
    CResourceManager::Clear();
    std::string text = "{\n";
    for (int i = 0; i < count; ++i)
        text += "Texture SceneTexture" + std::to_string(i) + " \"images/t" + std::to_string(i) + ".png\"\n";
    text += "}\n";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    return CResourceManager::LoadFromTokeniser(tokeniser);
}

void Lookup(benchmark::State& state, const std::string& name) {
    if (!Declare(static_cast<int>(state.range(0)))) {
        state.SkipWithError("the textures were not declared");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(FindTexture(name));
    CResourceManager::Clear();
}

void FindFirstTexture(benchmark::State& state) { Lookup(state, "SceneTexture0"); }
void FindLastTexture(benchmark::State& state) { Lookup(state, "scenetexture" + std::to_string(state.range(0) - 1)); }
void FindUnknownTexture(benchmark::State& state) { Lookup(state, "NoSuchTextureAnywhere"); }

} // namespace

BENCHMARK(FindFirstTexture)->Arg(8)->Arg(64);
BENCHMARK(FindLastTexture)->Arg(8)->Arg(64);
BENCHMARK(FindUnknownTexture)->Arg(8)->Arg(64);
