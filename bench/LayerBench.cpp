// Cost of the two procedural 3D layers per frame on the recording device: the wire's CPU rebuild of
// its 13,464 vertices (alone, and as a whole frame with the draw), and a 40-copy tunnel frame.
#include "Base/CTokeniser.h"
#include "Base/DataPaths.h"
#include "Layers/CLayer_Tunnel.h"
#include "Layers/CLayer_Wire.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceManager.h"
#include "Testing/CRecordingDevice.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Set(CLayer &layer, const std::string &name, const std::string &value) {
    const std::string text = "= " + value + "\n";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    layer.params.SetValueFromTokeniser(tokeniser, name);
}

void Key(CLayer &layer, float time, const std::string &line) {
    const std::string text = line + "\n";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    layer.params.AddKeyframeFromTokeniser(time, tokeniser);
}

// A wire whose path parameters are keyframed as a script would animate them, so that evaluation
// searches real keyframe lists.
void Animate(CLayer_Wire &wire) {
    for (int k = 0; k < 32; ++k) {
        const float t = static_cast<float>(k);
        Key(wire, t, "Rotation smooth " + std::to_string(90 + 40 * (k % 3)));
        Key(wire, t, "Distance linear " + std::to_string(400 + 50 * (k % 4)));
        Key(wire, t, "Spin smooth " + std::to_string(15 * k));
        Key(wire, t, "Thickness1 linear " + std::to_string(60 + 10 * (k % 2)));
    }
}

struct RecordingSetup {
    CRecordingDevice device;
    CRenderState state{device};
    CResourceManager resources;
};

void WireRebuild(benchmark::State &state) {
    RecordingSetup setup;
    CLayer_Wire wire;
    Animate(wire);
    std::vector<CLayer_Wire::Vertex> vertices(CLayer_Wire::Vertices);
    float t = 0.0f;
    for (auto _ : state) {
        wire.BuildVertices(t, vertices.data());
        benchmark::DoNotOptimize(vertices.data());
        t += 1.0f / 60.0f;
    }
}
BENCHMARK(WireRebuild)->Unit(benchmark::kMicrosecond);

void WireFrame(benchmark::State &state) {
    RecordingSetup setup;
    setup.resources.CreateAllResources(setup.device); // the built-in shaders
    CLayer_Wire wire;
    Animate(wire);
    wire.Create(setup.state, setup.resources);
    float t = 0.0f;
    for (auto _ : state) {
        wire.Render(t, 1.0f / 60.0f);
        setup.device.ClearCalls();
        t += 1.0f / 60.0f;
    }
}
BENCHMARK(WireFrame)->Unit(benchmark::kMicrosecond);

// One model of 200 triangles, drawn 40 times per frame.
std::string TunnelModel() {
    std::string text = "1\nStandardMaterial\n0 0 0\n0.5 0.5 0.5\n0 0 0\n0\nnomap\n0\n0\n1\n0\n3\n"
                       "0 0 0 0 0 1\n1 0 0 0 0 1\n0 1 0 0 0 1\n1\n0 0\n200\n";
    for (int i = 0; i < 200; ++i)
        text += "0 2 1 0 0 0\n";
    return text + "0\n1 1 1 1\n0\n";
}

void TunnelFrame(benchmark::State &state) {
    RecordingSetup setup;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "qv-bench-tunnel";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "ring.txt") << TunnelModel();
    DataPaths().Start();
    DataPaths().MountFolder(folder.string());
    const std::string text = "{ Model Ring \"ring.txt\" }\n";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    if (!setup.resources.LoadFromTokeniser(tokeniser) || !setup.resources.CreateAllResources(setup.device)) {
        state.SkipWithError("the tunnel's model did not load");
        return;
    }
    CLayer_Tunnel tunnel;
    Set(tunnel, "Model1", "Ring");
    Set(tunnel, "Spacing", "100");
    Key(tunnel, 0.0f, "Position linear 0");
    Key(tunnel, 60.0f, "Position linear 6000");
    Key(tunnel, 0.0f, "Rotation smooth 0");
    Key(tunnel, 30.0f, "Rotation smooth 3");
    tunnel.Create(setup.state, setup.resources);
    float t = 0.0f;
    for (auto _ : state) {
        tunnel.Render(t, 1.0f / 60.0f);
        setup.device.ClearCalls();
        t += 1.0f / 60.0f;
    }
    DataPaths().Unmount(folder.string());
    std::filesystem::remove_all(folder);
}
BENCHMARK(TunnelFrame)->Unit(benchmark::kMicrosecond);

} // namespace
