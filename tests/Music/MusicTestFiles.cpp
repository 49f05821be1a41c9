#include "MusicTestFiles.h"

#include "Base/Log.h"

#include <gtest/gtest.h>
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

void WriteLongSilence(const std::string& path, int64_t seconds) {
    const uint32_t data = static_cast<uint32_t>(seconds * 48000 * 4);
    std::string header = "RIFF";
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(36 + data, 4);
    header += "WAVEfmt ";
    put(16, 4);
    put(1, 2);         // PCM
    put(2, 2);         // channels
    put(48000, 4);     // rate
    put(48000 * 4, 4); // bytes a second
    put(4, 2);         // bytes a frame
    put(16, 2);        // bits
    header += "data";
    put(data, 4);
    std::ofstream(path, std::ios::binary) << header;
    std::filesystem::resize_file(path, header.size() + data);
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
