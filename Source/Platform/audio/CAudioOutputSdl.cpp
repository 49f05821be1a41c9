#include "Platform/audio/CAudioOutputSdl.h"

#include "Platform/Platform.h"

#include "Platform/Clock.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>

std::unique_ptr<CAudioOutput> CreateAudioOutput() { return std::make_unique<CAudioOutputSdl>(); }

CAudioOutputSdl::~CAudioOutputSdl() {
    CloseDevice();
    StopWorker();
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

bool CAudioOutputSdl::OpenDevice(int frequency, int channelCount) {
    CloseDevice();
    SDL_AudioSpec want{};
    want.freq = frequency;
    want.format = AUDIO_F32SYS;
    want.channels = static_cast<Uint8>(channelCount);
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
    deviceRate = frequency;
    deviceChannels = channelCount;
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

void CAudioOutputSdl::StopWorker() {
    if (!worker.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(ringLock);
        quit = true;
    }
    ringChanged.notify_all();
    worker.join();
    quit = false;
}

bool CAudioOutputSdl::Load(const MusicOpener& open) {
    if (!subsystemStarted && !Init())
        return false;
    CloseDevice();
    StopWorker();
    loaded = false;
    length = 0;
    rate = channels = 0;
    opener = nullptr;
    if (!decoder.Open(open ? open() : nullptr, lastError))
        return false;
    if (!OpenDevice(decoder.SampleRate(), decoder.Channels())) {
        decoder.Close();
        lastError = AudioErrorDevice;
        return false;
    }
    length = decoder.Frames();
    rate = decoder.SampleRate();
    channels = decoder.Channels();
    // The spectrum reads up to a few device buffers behind the frame handed over.
    historyFrames = CSpectrumAnalyser::Size + 4 * static_cast<int64_t>(deviceBufferFrames);
    ringFrames = historyFrames + std::max<int64_t>(int64_t(AheadSeconds) * rate, 4 * CAudioDecoder::ChunkFrames);
    ring.assign(static_cast<size_t>(ringFrames * channels), 0.0f);
    decoded.assign(static_cast<size_t>(CAudioDecoder::ChunkFrames * channels), 0.0f);
    window.assign(static_cast<size_t>(CSpectrumAnalyser::Size * channels), 0.0f);
    std::fill(std::begin(lastBands), std::end(lastBands), 0.0f);
    ringStart = ringEnd = 0;
    ++generation;
    // The first second is decoded before playing starts, so the first callbacks find it ready.
    const int64_t first = std::min(ringFrames - historyFrames, length);
    ringEnd = decoder.Read(ring.data(), first);
    const size_t floats = ring.capacity() + decoded.capacity() + window.capacity();
    bytesHeld = decoder.Bytes() + static_cast<int64_t>(floats * sizeof(float));
    loaded = true;
    opener = open;
    holdFrame = 0;
    lastReported = 0;
    feedFrame = 0;
    anchorValid = false;
    worker = std::thread([this] { Decode(); });
    return true;
}

void CAudioOutputSdl::Decode() {
    std::unique_lock<std::mutex> lock(ringLock);
    for (;;) {
        ringChanged.wait(lock, [this] {
            return quit || (ringEnd < length && ringFrames - (ringEnd - ringStart) >= CAudioDecoder::ChunkFrames);
        });
        if (quit)
            return;
        const uint64_t seen = generation;
        const int64_t next = ringEnd;
        lock.unlock();
        const int64_t want = std::min(CAudioDecoder::ChunkFrames, length - next);
        int64_t got = 0;
        if (decoder.Position() == next || decoder.SeekTo(next))
            got = decoder.Read(decoded.data(), want);
        // What cannot be decoded plays as silence rather than stalling the clock for good.
        if (got < want) {
            std::fill(decoded.begin() + got * channels, decoded.begin() + want * channels, 0.0f);
            decoder.SeekTo(next + want);
        }
        lock.lock();
        if (seen != generation || ringEnd != next)
            continue;
        for (int64_t i = 0; i < want; ++i) {
            const int64_t slot = (next + i) % ringFrames;
            std::copy_n(decoded.data() + i * channels, channels, ring.data() + slot * channels);
        }
        ringEnd = next + want;
        // The spectrum may be waiting for these frames.
        ringChanged.notify_all();
    }
}

void CAudioOutputSdl::Callback(void* user, uint8_t* stream, int bytes) {
    CAudioOutputSdl* self = static_cast<CAudioOutputSdl*>(user);
    int frames = bytes / static_cast<int>(sizeof(float) * static_cast<size_t>(self->deviceChannels));
    self->Fill(reinterpret_cast<float*>(stream), frames);
}

void CAudioOutputSdl::Fill(float* out, int frames) {
    const int count = deviceChannels;
    const int64_t first = feedFrame;
    int done = 0;
    {
        std::lock_guard<std::mutex> lock(ringLock);
        while (done < frames && feedFrame < length && feedFrame >= ringStart && feedFrame < ringEnd) {
            const int64_t slot = feedFrame % ringFrames;
            const int64_t n = std::min({int64_t(frames - done), ringEnd - feedFrame, ringFrames - slot});
            const float* s = ring.data() + slot * count;
            float* o = out + static_cast<size_t>(done) * count;
            for (int64_t i = 0; i < n * count; ++i)
                o[i] = s[i] * gain;
            done += static_cast<int>(n);
            feedFrame += n;
        }
        // Past the end the last frames stay, for the spectrum at the end.
        ringStart = std::max(ringStart, std::min(feedFrame, length) - historyFrames);
    }
    ringChanged.notify_all();
    std::fill(out + static_cast<size_t>(done) * count, out + static_cast<size_t>(frames) * count, 0.0f);
    // Past the end the silence counts as played; before it, frames not yet decoded make the clock
    // wait for them instead of skipping music.
    if (feedFrame >= length)
        feedFrame += frames - done;
    // What this callback hands over is heard once the buffer queued before it has played.
    anchorFrame = first - deviceBufferFrames;
    anchorCounter = GetCounterValue();
    anchorValid = true;
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
    SetPositionFrames(heard);
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
    position = std::clamp(std::max(position, lastReported), int64_t(0), length);
    lastReported = position;
    return position;
}

void CAudioOutputSdl::SetPositionFrames(int64_t frame) {
    if (!loaded)
        return;
    frame = std::clamp(frame, int64_t(0), length);
    holdFrame = frame;
    lastReported = frame;
    if (device)
        SDL_LockAudioDevice(device);
    feedFrame = frame;
    anchorValid = false;
    {
        std::lock_guard<std::mutex> lock(ringLock);
        // A move within what is decoded (with the spectrum's frames before it) keeps the ring;
        // anything else starts decoding again where the spectrum's frames begin.
        const int64_t need = std::max<int64_t>(0, frame - CSpectrumAnalyser::Size);
        if (need < ringStart || frame > ringEnd) {
            ringStart = ringEnd = need;
            ++generation;
        }
    }
    if (device)
        SDL_UnlockAudioDevice(device);
    ringChanged.notify_all();
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
    if (!loaded) {
        std::fill(bands, bands + CSpectrumAnalyser::Bands, 0.0f);
        return;
    }
    const int64_t end = GetPositionFrames();
    const int64_t first = end - CSpectrumAnalyser::Size;
    bool ready = false;
    {
        std::unique_lock<std::mutex> lock(ringLock);
        // Just after a seek the worker is decoding the frames; it takes a few milliseconds.
        auto covered = [&] { return std::max<int64_t>(first, 0) >= ringStart && end <= ringEnd; };
        if (covered() || ringChanged.wait_for(lock, std::chrono::milliseconds(SpectrumWaitMs), covered)) {
            for (int64_t f = first; f < end; ++f) {
                float* w = window.data() + (f - first) * channels;
                if (f < 0)
                    std::fill_n(w, channels, 0.0f);
                else
                    std::copy_n(ring.data() + (f % ringFrames) * channels, channels, w);
            }
            ready = true;
        }
    }
    // Frames the worker could not decode in time: the last spectrum stands for a moment.
    if (ready)
        analyser.Analyse(window.data(), CSpectrumAnalyser::Size, channels, CSpectrumAnalyser::Size, lastBands);
    std::copy(std::begin(lastBands), std::end(lastBands), bands);
}

int64_t CAudioOutputSdl::DecodedBytes() const { return loaded ? bytesHeld : 0; }

DecodedMusicOpener CAudioOutputSdl::DecodedMusicSource() const {
    // A decoder of its own: the worker's follows playback.
    return loaded ? CAudioDecoder::ReaderOf(opener) : DecodedMusicOpener();
}
