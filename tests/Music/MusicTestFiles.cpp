#include "MusicTestFiles.h"

#include "Base/Log.h"

#include <gtest/gtest.h>
#include <physfs.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>

double BinFrequency(int bin) { return bin * 44100.0 / 1024.0; }

bool WriteSineFile(const std::string& path, double seconds, double frequency, double amplitude, int channels,
                   int sampleRate, SineFormat format) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    switch (format) {
    case SineFormat::WavFloat:
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        break;
    case SineFormat::Flac:
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        break;
    case SineFormat::OggVorbis:
        info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        break;
    case SineFormat::Opus:
        info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS;
        break;
    case SineFormat::Mp3:
        info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
        break;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    sf_count_t frames = static_cast<sf_count_t>(std::llround(seconds * sampleRate));
    std::vector<float> samples(static_cast<size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i) {
        float v = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / sampleRate));
        for (int c = 0; c < channels; ++c)
            samples[static_cast<size_t>(i * channels + c)] = v;
    }
    bool ok = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

std::string CaptureLog(const std::function<void()>& body) {
    ResetLogForTests();
    EnableLog();
    testing::internal::CaptureStderr();
    body();
    std::string text = testing::internal::GetCapturedStderr();
    ResetLogForTests();
    return text;
}
