#include "AllocationCounter.h"

#include "Music/CMusicStream.h"
#include "Support/Workload.h"
#include "Testing/CNullDevice.h"

#include <gtest/gtest.h>

namespace {

// Counts the heap allocations of frames at every time of Workload::FrameTimes, after one earlier
// frame at each (anything made once, on first use, belongs to start-up).
std::size_t AllocationsOverFrames(Workload::Presentation& presentation, const std::vector<float>& times) {
    for (float t : times)
        presentation.Frame(t, 1.0f / 60.0f);
    const std::size_t before = AllocationCount();
    for (int pass = 0; pass < 3; ++pass)
        for (float t : times)
            presentation.Frame(t, 1.0f / 60.0f);
    return AllocationCount() - before;
}

class FrameAllocation : public ::testing::Test {
protected:
    CNullDevice device;
};

} // namespace

TEST_F(FrameAllocation, EveryLayerTypeDrawsFramesWithoutAllocating) {
    for (int band = 0; band < SpectrumBands; ++band)
        SpectrumBuffer[band] = static_cast<float>(band % 7) / 10.0f;
    Workload::GeneratedData data("alloc");
    Workload::Presentation presentation(device, data.path, Workload::EveryLayerScript());
    ASSERT_EQ(presentation.error, "");
    // The frames must draw something, or counting their allocations proves nothing.
    presentation.Frame(1.3f, 0.0f);
    ASSERT_GT(device.counters.draws, 40);
    EXPECT_EQ(AllocationsOverFrames(presentation, Workload::FrameTimes()), 0u);
    // Any time in the presentation, also between the chosen ones.
    std::vector<float> sweep;
    for (float t = -1.0f; t < 42.0f; t += 0.37f)
        sweep.push_back(t);
    EXPECT_EQ(AllocationsOverFrames(presentation, sweep), 0u);
}

TEST_F(FrameAllocation, TheExampleDrawsFramesWithoutAllocating) {
    std::filesystem::path folder;
    for (const char* root : {QV_BINARY_DIR "/examples/neon-drift", QV_SOURCE_DIR "/build/examples/neon-drift"})
        if (std::filesystem::exists(std::filesystem::path(root) / "torus.model"))
            folder = root;
    if (folder.empty())
        GTEST_SKIP() << "the example has not been built";
    Workload::Presentation presentation(device, folder);
    ASSERT_EQ(presentation.error, "");
    std::vector<float> sweep;
    for (float t = 0.0f; t < 76.0f; t += 0.23f)
        sweep.push_back(t);
    EXPECT_EQ(AllocationsOverFrames(presentation, sweep), 0u);
}
