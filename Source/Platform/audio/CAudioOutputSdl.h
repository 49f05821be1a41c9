// Live music output through SDL2's audio: a worker thread decodes ahead into a ring, the audio
// callback copies from the ring (scaled by the volume) to the device, and the position heard is
// reckoned from the callbacks' progress and the high-resolution counter, one device buffer behind
// what was last handed over. The ring keeps the frames just played, for the spectrum.
#pragma once

#include "Platform/CAudioOutput.h"
#include "Platform/audio/CAudioDecoder.h"
#include "Platform/audio/CSpectrumAnalyser.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class CAudioOutputSdl : public CAudioOutput {
public:
    // Frames per device buffer asked of SDL: about 23 ms at 44100 Hz.
    static constexpr int BufferFrames = 1024;
    // Seconds decoded ahead of the device.
    static constexpr int AheadSeconds = 1;
    // How long the spectrum waits, after a seek, for the worker to decode the frames it needs.
    static constexpr int SpectrumWaitMs = 250;

    CAudioOutputSdl() = default;
    ~CAudioOutputSdl() override;
    CAudioOutputSdl(const CAudioOutputSdl&) = delete;
    CAudioOutputSdl& operator=(const CAudioOutputSdl&) = delete;

    bool Init() override;
    bool Load(const MusicOpener& open) override;
    bool Play() override;
    void Pause() override;
    int64_t GetPositionFrames() override;
    void SetPositionFrames(int64_t frame) override;
    int64_t GetLengthFrames() const override { return length; }
    int GetSampleRate() const override { return rate; }
    void SetVolume(float gain) override;
    void GetSpectrum(float* bands) override;
    int GetLastError() const override { return lastError; }
    int64_t DecodedBytes() const override;
    DecodedMusicOpener DecodedMusicSource() const override;

private:
    static void Callback(void* user, uint8_t* stream, int bytes);
    void Fill(float* out, int frames);
    void Decode();
    void StopWorker();
    bool OpenDevice(int rate, int channels);
    void CloseDevice();

    bool subsystemStarted = false;
    uint32_t device = 0;
    int deviceRate = 0;
    int deviceChannels = 0;
    int deviceBufferFrames = 0;
    bool loaded = false;
    MusicOpener opener; // the music's file, for readers beside playback
    int64_t length = 0;
    int rate = 0;
    int channels = 0;
    int64_t bytesHeld = 0;
    CSpectrumAnalyser analyser;
    std::vector<float> window;                      // the spectrum's frames, main thread only
    float lastBands[CSpectrumAnalyser::Bands] = {}; // shown while a seek's frames are decoded
    int lastError = AudioErrorNone;

    // Owned by the worker once it runs.
    CAudioDecoder decoder;
    std::vector<float> decoded;
    std::thread worker;

    // The ring: frames ringStart..ringEnd, frame f at (f mod ringFrames). Under ringLock, held only to
    // copy a chunk in or a callback's frames out, never while decoding.
    std::mutex ringLock;
    // Both the worker and a spectrum waiting for a seek's frames wait on it: always notify_all.
    std::condition_variable ringChanged;
    std::vector<float> ring;
    int64_t ringFrames = 0;
    int64_t historyFrames = 0; // kept behind the frame handed over, for the spectrum
    int64_t ringStart = 0;
    int64_t ringEnd = 0;
    uint64_t generation = 0; // bumped by each seek outside the ring, so a chunk decoded before it is dropped
    bool quit = false;

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
