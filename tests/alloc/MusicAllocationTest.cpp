#include "AllocationCounter.h"

#include "Base/DataPaths.h"
#include "Music/CMusicStreamBass.h"
#include "Music/CMusicStreamNoSound.h"
#include "Platform/Clock.h"
#include "Platform/Platform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// A 16-bit mono WAV of a 1 kHz sine, written by hand so that this program needs no test helpers.
void WriteWav(const std::string& path, int frames) {
    auto u32 = [](std::ofstream& o, uint32_t v) { o.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::ofstream& o, uint16_t v) { o.write(reinterpret_cast<const char*>(&v), 2); };
    std::ofstream o(path, std::ios::binary);
    o.write("RIFF", 4);
    u32(o, 36 + frames * 2);
    o.write("WAVEfmt ", 8);
    u32(o, 16);
    u16(o, 1);
    u16(o, 1);
    u32(o, 44100);
    u32(o, 44100 * 2);
    u16(o, 2);
    u16(o, 16);
    o.write("data", 4);
    u32(o, frames * 2);
    for (int i = 0; i < frames; ++i)
        u16(o, static_cast<uint16_t>(static_cast<int16_t>(20000 * std::sin(i * 2 * 3.14159265 / 44.1))));
}

// What the main loop does with the music every frame.
void Frames(CMusicStream& music, int count) {
    static float bands[SpectrumBands];
    for (int i = 0; i < count; ++i) {
        music.HasFinished();
        music.GetTime();
        music.GetSpectrum(bands);
    }
}

} // namespace

TEST(MusicAllocation, PerFrameCallsAllocateNothing) {
    std::string folder = (std::filesystem::temp_directory_path() / "qv-music-alloc").string();
    std::filesystem::create_directories(folder);
    WriteWav(folder + "/tone.wav", 22050);
    ASSERT_TRUE(DataPaths().Start());
    ASSERT_TRUE(DataPaths().MountFolder(folder));
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    CMusicStreamNoSound silent{CounterSource{GetCounterFrequency, GetCounterValue}};
    ASSERT_TRUE(silent.Init(0.0f));
    auto capture = std::make_unique<CMusicStreamBass>("tone.wav", 1.0f, CreateCaptureAudioOutput());
    ASSERT_TRUE(capture->Init(0.0f));
    auto live = std::make_unique<CMusicStreamBass>("tone.wav", 1.0f, CreateAudioOutput());
    ASSERT_TRUE(live->Init(0.0f));

    std::size_t before = AllocationCount();
    Frames(silent, 100);
    for (int i = 0; i < 100; ++i) {
        capture->SetTime(i / 200.0f);
        Frames(*capture, 1);
    }
    Frames(*live, 100);
    // Seeks back and forth: the decoders seek or read on within the buffers they have.
    for (float t : {0.4f, 0.05f, 0.3f, 0.0f, 0.49f}) {
        capture->SetTime(t);
        Frames(*capture, 1);
        live->SetTime(t);
        Frames(*live, 1);
    }
    EXPECT_EQ(AllocationCount(), before);

    live.reset();
    capture.reset();
    DataPaths().Stop();
    std::filesystem::remove_all(folder);
}
