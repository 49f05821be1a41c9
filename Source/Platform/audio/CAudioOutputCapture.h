// The music output of an offline capture: it decodes the music like live playback but sends nothing
// to a device. The position moves only when the caller sets it (frame i of a capture at its time),
// so the spectrum of a captured frame is the one a listener would have had at that moment; its
// frames are decoded when asked for, so a capture holds no more of the music than one window.
#pragma once

#include "Platform/CAudioOutput.h"
#include "Platform/audio/CAudioDecoder.h"
#include "Platform/audio/CSpectrumAnalyser.h"

#include <vector>

class CAudioOutputCapture : public CAudioOutput {
public:
    bool Init() override { return true; }
    bool Load(const MusicOpener& open) override;
    bool Play() override;
    void Pause() override {}
    int64_t GetPositionFrames() override { return position; }
    void SetPositionFrames(int64_t frame) override;
    int64_t GetLengthFrames() const override { return music.Frames(); }
    int GetSampleRate() const override { return music.SampleRate(); }
    void SetVolume(float) override {}
    void GetSpectrum(float* bands) override;
    int GetLastError() const override { return lastError; }
    int64_t DecodedBytes() const override;
    DecodedMusicOpener DecodedMusicSource() const override;

private:
    MusicOpener opener;
    CAudioDecoder music;
    CSpectrumAnalyser analyser;
    // The spectrum's frames windowStart..windowStart + Size, kept so that frames close together
    // decode only what is new.
    std::vector<float> window;
    int64_t windowStart = 0;
    bool windowValid = false;
    bool loaded = false;
    int64_t position = 0;
    int lastError = AudioErrorNone;
};
