// Music fixtures the tests make themselves: sine files written with libsndfile into a fresh temp
// folder that is mounted with PhysicsFS for the test's lifetime.
#pragma once

#include "Testing/TempFolder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Frequency of FFT bin `bin` at 44100 Hz, so a sine of it sits at a bin centre.
double BinFrequency(int bin);

enum class SineFormat { WavFloat, Flac, OggVorbis, Opus, Mp3 };

// Writes a sine of `frequency` Hz and peak `amplitude` (0 for silence) to `path`; all channels
// carry the same signal. False also where libsndfile cannot write that format.
bool WriteSineFile(const std::string& path, double seconds, double frequency, double amplitude, int channels = 1,
                   int sampleRate = 44100, SineFormat format = SineFormat::WavFloat);

// Writes a 16-bit stereo WAV of `seconds` of silence at 48 kHz; the samples are a hole in the file, so
// a track of hours costs no disk.
void WriteLongSilence(const std::string& path, int64_t seconds);

// Runs `body` with the log enabled and returns what it wrote to standard error.
std::string CaptureLog(const std::function<void()>& body);
