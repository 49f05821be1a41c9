#include "Platform/CAudioOutputSdl.h"

#include "Platform/Platform.h"

#include "Platform/Clock.h"

#include <SDL.h>

#include <algorithm>

std::unique_ptr<CAudioOutput> CreateAudioOutput() { return std::make_unique<CAudioOutputSdl>(); }

CAudioOutputSdl::~CAudioOutputSdl() {
    CloseDevice();
    if (subsystemStarted)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool CAudioOutputSdl::Init() {
    if (!subsystemStarted) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            lastError = AudioErrorDriver;
            return false;
        }
        subsystemStarted = true;
    }
    // Opening a device now tells at once whether there is one; Load reopens it for the music's own
    // rate and channel count when they differ.
    if (!device && !OpenDevice(44100, 2)) {
        lastError = AudioErrorDevice;
        return false;
    }
    return true;
}

bool CAudioOutputSdl::OpenDevice(int rate, int channels) {
    CloseDevice();
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = BufferFrames;
    want.callback = Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware takes, so the callback always sees
    // the music's own format and one callback frame is one music frame.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0)
        return false;
    device = id;
    deviceRate = rate;
    deviceChannels = channels;
    deviceBufferFrames = have.samples > 0 ? have.samples : BufferFrames;
    return true;
}

void CAudioOutputSdl::CloseDevice() {
    if (device) {
        SDL_CloseAudioDevice(device);
        device = 0;
    }
    playing = false;
}

bool CAudioOutputSdl::Load(const void* data, size_t size) {
    if (!subsystemStarted && !Init())
        return false;
    CloseDevice();
    loaded = false;
    if (!music.Decode(data, size, lastError))
        return false;
    if (!OpenDevice(music.SampleRate(), music.Channels())) {
        lastError = AudioErrorDevice;
        return false;
    }
    loaded = true;
    holdFrame = 0;
    lastReported = 0;
    feedFrame = 0;
    anchorValid = false;
    return true;
}

void CAudioOutputSdl::Callback(void* user, uint8_t* stream, int bytes) {
    CAudioOutputSdl* self = static_cast<CAudioOutputSdl*>(user);
    int frames = bytes / static_cast<int>(sizeof(float) * static_cast<size_t>(self->deviceChannels));
    self->Fill(reinterpret_cast<float*>(stream), frames);
}

void CAudioOutputSdl::Fill(float* out, int frames) {
    const int channels = deviceChannels;
    const int64_t total = music.Frames();
    const float* samples = music.Samples();
    for (int i = 0; i < frames; ++i) {
        int64_t frame = feedFrame + i;
        float* o = out + static_cast<size_t>(i) * channels;
        if (frame >= 0 && frame < total) {
            const float* s = samples + frame * channels;
            for (int c = 0; c < channels; ++c)
                o[c] = s[c] * gain;
        } else {
            for (int c = 0; c < channels; ++c)
                o[c] = 0.0f;
        }
    }
    // What this callback hands over is heard once the buffer queued before it has played.
    anchorFrame = feedFrame - deviceBufferFrames;
    anchorCounter = GetCounterValue();
    anchorValid = true;
    feedFrame += frames;
}

bool CAudioOutputSdl::Play() {
    if (!loaded || !device) {
        lastError = AudioErrorNotLoaded;
        return false;
    }
    if (playing)
        return true;
    SDL_LockAudioDevice(device);
    feedFrame = holdFrame;
    anchorValid = false;
    SDL_UnlockAudioDevice(device);
    lastReported = holdFrame;
    playing = true;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void CAudioOutputSdl::Pause() {
    if (!playing)
        return;
    int64_t heard = GetPositionFrames();
    SDL_PauseAudioDevice(device, 1);
    playing = false;
    holdFrame = heard;
}

int64_t CAudioOutputSdl::GetPositionFrames() {
    if (!playing)
        return holdFrame;
    SDL_LockAudioDevice(device);
    bool valid = anchorValid;
    int64_t frame = anchorFrame;
    int64_t counter = anchorCounter;
    int64_t handed = feedFrame - deviceBufferFrames;
    SDL_UnlockAudioDevice(device);

    int64_t position = holdFrame;
    if (valid) {
        double ticks = static_cast<double>(GetCounterValue() - counter);
        double frequency = static_cast<double>(GetCounterFrequency());
        int64_t elapsed = frequency > 0 ? static_cast<int64_t>(ticks * deviceRate / frequency) : 0;
        // Never beyond what the device was given: a late callback makes the clock wait, not jump.
        position = std::min(frame + std::max<int64_t>(elapsed, 0), handed);
    }
    position = std::clamp(std::max(position, lastReported), int64_t(0), music.Frames());
    lastReported = position;
    return position;
}

void CAudioOutputSdl::SetPositionFrames(int64_t frame) {
    if (!loaded)
        return;
    frame = std::clamp(frame, int64_t(0), music.Frames());
    holdFrame = frame;
    lastReported = frame;
    if (device) {
        SDL_LockAudioDevice(device);
        feedFrame = frame;
        anchorValid = false;
        SDL_UnlockAudioDevice(device);
    }
}

void CAudioOutputSdl::SetVolume(float value) {
    float clamped = value >= 0.0f ? std::min(value, 1.0f) : 0.0f;
    if (!device) {
        gain = clamped;
        return;
    }
    SDL_LockAudioDevice(device);
    gain = clamped;
    SDL_UnlockAudioDevice(device);
}

void CAudioOutputSdl::GetSpectrum(float* bands) {
    analyser.Analyse(music.Samples(), music.Frames(), music.Channels(), GetPositionFrames(), bands);
}
