#include "Platform/CAudioOutputCapture.h"

#include "Platform/Platform.h"

#include <algorithm>

std::unique_ptr<CAudioOutput> CreateCaptureAudioOutput() { return std::make_unique<CAudioOutputCapture>(); }

bool CAudioOutputCapture::Load(const void* data, size_t size) {
    position = 0;
    loaded = music.Decode(data, size, lastError);
    return loaded;
}

bool CAudioOutputCapture::Play() {
    if (!loaded) {
        lastError = AudioErrorNotLoaded;
        return false;
    }
    return true;
}

void CAudioOutputCapture::SetPositionFrames(int64_t frame) { position = std::clamp(frame, int64_t(0), music.Frames()); }

void CAudioOutputCapture::GetSpectrum(float* bands) {
    analyser.Analyse(music.Samples(), music.Frames(), music.Channels(), position, bands);
}

bool CAudioOutputCapture::GetDecodedMusic(DecodedMusic& decoded) const {
    if (!loaded)
        return false;
    decoded.samples = music.Samples();
    decoded.frames = music.Frames();
    decoded.channels = music.Channels();
    decoded.sampleRate = music.SampleRate();
    return true;
}
