// The engine's CPU cost of whole frames: a generated presentation that uses every layer type, and the
// bundled example when it has been built, each at ten representative times. On the recording device
// the figure includes the recording of every call (strings and vectors per call); on the null device
// it is the engine's own work alone.
#include "Support/Workload.h"
#include "Testing/CNullDevice.h"
#include "Testing/CRecordingDevice.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The example as the build assembles it (script, effects and the generated pictures and models).
std::filesystem::path ExampleFolder() {
    for (const char* root : {QV_BINARY_DIR "/examples/neon-drift", QV_SOURCE_DIR "/build/examples/neon-drift"})
        if (std::filesystem::exists(std::filesystem::path(root) / "torus.model"))
            return root;
    return {};
}

// One time in each of the example's five scenes and one in each overlap of two, and its last frame.
const std::vector<float> ExampleTimes = {2.0f, 13.0f, 20.0f, 30.5f, 36.0f, 44.0f, 50.0f, 58.0f, 66.0f, 72.0f};

// The example's music is of no interest here: the frame is drawn at given times.
template <class Device> void Frames(benchmark::State& state, bool example) {
    Device device;
    std::unique_ptr<Workload::GeneratedData> data;
    std::filesystem::path folder;
    std::string script;
    if (example) {
        folder = ExampleFolder();
        if (folder.empty()) {
            state.SkipWithError("the example has not been built");
            return;
        }
    } else {
        data = std::make_unique<Workload::GeneratedData>("frame");
        folder = data->path;
        script = Workload::EveryLayerScript();
    }
    {
        Workload::Presentation presentation(device, folder, script);
        if (!presentation.error.empty()) {
            state.SkipWithError(presentation.error.c_str());
        } else {
            const std::vector<float> times = example ? ExampleTimes : Workload::FrameTimes();
            const float time = times[static_cast<size_t>(state.range(0))];
            state.SetLabel("t=" + std::to_string(time).substr(0, 5));
            for (auto _ : state) {
                presentation.Frame(time, 1.0f / 60.0f);
                if constexpr (std::is_same_v<Device, CRecordingDevice>)
                    device.ClearCalls();
            }
        }
    }
}

void GeneratedFrameRecording(benchmark::State& state) { Frames<CRecordingDevice>(state, false); }
void GeneratedFrameNull(benchmark::State& state) { Frames<CNullDevice>(state, false); }
void ExampleFrameRecording(benchmark::State& state) { Frames<CRecordingDevice>(state, true); }
void ExampleFrameNull(benchmark::State& state) { Frames<CNullDevice>(state, true); }

} // namespace

BENCHMARK(GeneratedFrameRecording)->DenseRange(0, 9)->Unit(benchmark::kMicrosecond);
BENCHMARK(GeneratedFrameNull)->DenseRange(0, 9)->Unit(benchmark::kMicrosecond);
BENCHMARK(ExampleFrameRecording)->DenseRange(0, 9)->Unit(benchmark::kMicrosecond);
BENCHMARK(ExampleFrameNull)->DenseRange(0, 9)->Unit(benchmark::kMicrosecond);
