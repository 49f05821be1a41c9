#include "Platform/audio/CAudioOutputCapture.h"

#include "Platform/Platform.h"

#include <algorithm>

std::unique_ptr<CAudioOutput> CreateCaptureAudioOutput() { return std::make_unique<CAudioOutputCapture>(); }

bool CAudioOutputCapture::Load(const MusicOpener& open) {
    position = 0;
    windowValid = false;
    opener = open;
    loaded = music.Open(open ? open() : nullptr, lastError);
    window.assign(loaded ? static_cast<size_t>(CSpectrumAnalyser::Size * music.Channels()) : 0, 0.0f);
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
    if (!loaded) {
        std::fill(bands, bands + CSpectrumAnalyser::Bands, 0.0f);
        return;
    }
    const int64_t size = CSpectrumAnalyser::Size;
    const int channels = music.Channels();
    const int64_t first = position - size;
    const int64_t kept = windowValid ? windowStart + size - first : 0;
    if (first == windowStart && windowValid) {
        // The same frames as last time.
    } else if (first > windowStart && kept > 0 && music.Position() == windowStart + size) {
        // Frames that overlap the last window are not decoded again (nor sought back to).
        std::copy(window.begin() + (size - kept) * channels, window.end(), window.begin());
        music.ReadAt(windowStart + size, size - kept, window.data() + kept * channels);
    } else {
        music.ReadAt(first, size, window.data());
    }
    windowStart = first;
    windowValid = true;
    analyser.Analyse(window.data(), size, channels, size, bands);
}

int64_t CAudioOutputCapture::DecodedBytes() const {
    return loaded ? music.Bytes() + static_cast<int64_t>(window.capacity() * sizeof(float)) : 0;
}

DecodedMusicOpener CAudioOutputCapture::DecodedMusicSource() const {
    // A decoder of its own, so that the sound track reads on in order while the spectrum's decoder
    // follows the frames.
    return loaded ? CAudioDecoder::ReaderOf(opener) : DecodedMusicOpener();
}
