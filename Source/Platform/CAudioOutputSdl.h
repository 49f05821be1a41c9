// Live music output through SDL2's audio: an audio callback copies the decoded samples (scaled by
// the volume) to the device, and the position heard is reckoned from the callbacks' progress and
// the high-resolution counter, one device buffer behind what was last handed over.
#pragma once

#include "Platform/CAudioDecoder.h"
#include "Platform/CAudioOutput.h"
#include "Platform/CSpectrumAnalyser.h"

#include <cstdint>

class CAudioOutputSdl : public CAudioOutput {
public:
    // Frames per device buffer asked of SDL: about 23 ms at 44100 Hz.
    static constexpr int BufferFrames = 1024;

    CAudioOutputSdl() = default;
    ~CAudioOutputSdl() override;
    CAudioOutputSdl(const CAudioOutputSdl&) = delete;
    CAudioOutputSdl& operator=(const CAudioOutputSdl&) = delete;

    bool Init() override;
    bool Load(const void* data, size_t size) override;
    bool Play() override;
    void Pause() override;
    int64_t GetPositionFrames() override;
    void SetPositionFrames(int64_t frame) override;
    int64_t GetLengthFrames() const override { return music.Frames(); }
    int GetSampleRate() const override { return music.SampleRate(); }
    void SetVolume(float gain) override;
    void GetSpectrum(float* bands) override;
    int GetLastError() const override { return lastError; }
    int64_t DecodedBytes() const override { return music.Bytes(); }

private:
    static void Callback(void* user, uint8_t* stream, int bytes);
    void Fill(float* out, int frames);
    bool OpenDevice(int rate, int channels);
    void CloseDevice();

    bool subsystemStarted = false;
    uint32_t device = 0;
    int deviceRate = 0;
    int deviceChannels = 0;
    int deviceBufferFrames = 0;
    bool loaded = false;
    CAudioDecoder music;
    CSpectrumAnalyser analyser;
    int lastError = AudioErrorNone;

    // Shared with the audio thread, which touches them only inside the callback; the main thread
    // takes the device lock around them.
    int64_t feedFrame = 0;     // the next frame the callback hands to the device
    int64_t anchorFrame = 0;   // the frame heard when the last callback ran
    int64_t anchorCounter = 0; // the counter value at that callback
    bool anchorValid = false;  // false until a callback has run since the last start or seek
    float gain = 1.0f;

    // Main thread only.
    bool playing = false;
    int64_t holdFrame = 0;    // the position while stopped, and the start after a seek
    int64_t lastReported = 0; // keeps the reported position from going backwards
};
