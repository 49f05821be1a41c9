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

MountedTempFolder::MountedTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-music-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    folder = mkdtemp(buffer.data()) ? buffer.data() : "";
    EXPECT_FALSE(folder.empty());
    EXPECT_NE(PHYSFS_init(nullptr), 0);
    EXPECT_NE(PHYSFS_mount(folder.c_str(), nullptr, 1), 0);
}

MountedTempFolder::~MountedTempFolder() {
    PHYSFS_deinit();
    std::error_code ignored;
    if (!folder.empty())
        std::filesystem::remove_all(folder, ignored);
}

void MountedTempFolder::WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(PathOf(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> MountedTempFolder::ReadBytes(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double BinFrequency(int bin) { return bin * 44100.0 / 1024.0; }

bool WriteSineFile(const std::string& path, double seconds, double frequency, double amplitude,
                   int channels, int sampleRate, SineFormat format) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    switch (format) {
    case SineFormat::WavFloat: info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT; break;
    case SineFormat::Flac: info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16; break;
    case SineFormat::OggVorbis: info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS; break;
    case SineFormat::Opus: info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS; break;
    case SineFormat::Mp3: info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III; break;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    sf_count_t frames = static_cast<sf_count_t>(std::llround(seconds * sampleRate));
    std::vector<float> samples(static_cast<size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i) {
        float v = static_cast<float>(amplitude *
                                     std::sin(2.0 * std::numbers::pi * frequency * i / sampleRate));
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
