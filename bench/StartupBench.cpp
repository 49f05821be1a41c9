// Start-up work measured in parts: parsing a generated script of 1 MB (many scenes, layers and
// keyframes) and creating every resource of a generated data folder and of the bundled example.
#include "Support/Workload.h"
#include "Testing/CRecordingDevice.h"

#include <benchmark/benchmark.h>

namespace {

void ParseLargeScript(benchmark::State& state) {
    const std::string text = Workload::LargeScript(static_cast<size_t>(state.range(0)) * 1024);
    Options = CommandLineOptions();
    for (auto _ : state) {
        state.PauseTiming();
        auto system = std::make_unique<CSystem>();
        state.ResumeTiming();
        CMemoryTokeniser tokeniser(text.data(), text.size());
        if (!system->LoadFromTokeniser(tokeniser)) {
            state.SkipWithError("the generated script did not parse");
            break;
        }
        state.PauseTiming();
        system.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(ParseLargeScript)->Arg(1024)->Unit(benchmark::kMillisecond);

// Declares the folder's resources once per iteration (not timed), then creates them all.
void CreateResources(benchmark::State& state, const std::filesystem::path& folder, std::string script) {
    CRecordingDevice device;
    Options = CommandLineOptions();
    DataPaths().Start();
    DataPaths().MountFolder(folder.string(), CDataPaths::Place::First);
    if (script.empty()) {
        std::ifstream in(folder / "Config.txt", std::ios::binary);
        script.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto system = std::make_unique<CSystem>();
        device.ClearCalls();
        CMemoryTokeniser tokeniser(script.data(), script.size());
        const bool parsed = system->LoadFromTokeniser(tokeniser);
        state.ResumeTiming();
        if (!parsed || !system->resources.CreateAllResources(device)) {
            state.SkipWithError("the resources were not created");
            break;
        }
        state.PauseTiming();
        system.reset();
        state.ResumeTiming();
    }
    DataPaths().Unmount(folder.string());
}

void CreateAllResourcesGenerated(benchmark::State& state) {
    Workload::GeneratedData data("resources");
    CreateResources(state, data.path, Workload::EveryLayerScript());
}
BENCHMARK(CreateAllResourcesGenerated)->Unit(benchmark::kMillisecond);

void CreateAllResourcesExample(benchmark::State& state) {
    for (const char* root : {QV_BINARY_DIR "/examples/neon-drift", QV_SOURCE_DIR "/build/examples/neon-drift"}) {
        if (std::filesystem::exists(std::filesystem::path(root) / "torus.model")) {
            CreateResources(state, root, std::string());
            return;
        }
    }
    state.SkipWithError("the example has not been built");
}
BENCHMARK(CreateAllResourcesExample)->Unit(benchmark::kMillisecond);

} // namespace
