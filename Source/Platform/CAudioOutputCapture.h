// The music output of an offline capture: it decodes the music like live playback but sends nothing
// to a device. The position moves only when the caller sets it (frame i of a capture at its time),
// so the spectrum of a captured frame is the one a listener would have had at that moment.
#pragma once

#include "Platform/CAudioDecoder.h"
#include "Platform/CAudioOutput.h"
#include "Platform/CSpectrumAnalyser.h"

class CAudioOutputCapture : public CAudioOutput {
public:
    bool Init() override { return true; }
    bool Load(const void* data, size_t size) override;
    bool Play() override;
    void Pause() override {}
    int64_t GetPositionFrames() override { return position; }
    void SetPositionFrames(int64_t frame) override;
    int64_t GetLengthFrames() const override { return music.Frames(); }
    int GetSampleRate() const override { return music.SampleRate(); }
    void SetVolume(float) override {}
    void GetSpectrum(float* bands) override;
    int GetLastError() const override { return lastError; }
    int64_t DecodedBytes() const override { return music.Bytes(); }
    bool GetDecodedMusic(DecodedMusic& decoded) const override;

private:
    CAudioDecoder music;
    CSpectrumAnalyser analyser;
    bool loaded = false;
    int64_t position = 0;
    int lastError = AudioErrorNone;
};
