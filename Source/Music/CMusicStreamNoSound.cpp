#include "Music/CMusicStreamNoSound.h"

#include "Base/Log.h"

CMusicStreamNoSound::CMusicStreamNoSound(CounterSource counter) : counter(counter) {}

bool CMusicStreamNoSound::Init(float startSeconds) {
    frequency = counter.frequency ? counter.frequency() : 0;
    if (frequency <= 0 || !counter.value) {
        LOG("CMusicStreamNoSound::Init", "No performance timer found!");
        return false;
    }
    paused = false;
    pausedCount = 0;
    base = counter.value();
    secondsPerCount = static_cast<float>(1.0 / static_cast<double>(frequency));
    base -= static_cast<int64_t>(static_cast<double>(startSeconds) * static_cast<double>(frequency));
    return true;
}

float CMusicStreamNoSound::GetTime() {
    if (frequency <= 0)
        return 0.0f;
    int64_t elapsed = paused ? pausedCount : counter.value() - base;
    return static_cast<float>(static_cast<double>(elapsed) * secondsPerCount);
}

void CMusicStreamNoSound::SetPaused(bool p) {
    if (frequency <= 0)
        return;
    int64_t now = counter.value();
    paused = p;
    if (p)
        pausedCount = now - base;
    else
        base = now - pausedCount;
}

bool CMusicStreamNoSound::IsPaused() { return paused; }

void CMusicStreamNoSound::SeekBy(float seconds) {
    if (frequency <= 0)
        return;
    int64_t delta = static_cast<int64_t>(static_cast<double>(frequency) * static_cast<double>(seconds));
    int64_t now = counter.value();
    base -= delta;
    if (base > now)
        base = now;
    if (paused) {
        pausedCount += delta;
        if (pausedCount < 0)
            pausedCount = 0;
    }
}

void CMusicStreamNoSound::Restart() {
    if (frequency <= 0)
        return;
    base = counter.value();
    pausedCount = 0;
}

void CMusicStreamNoSound::GetSpectrum(float* buffer) {
    for (int i = 0; i < SpectrumBands; ++i)
        buffer[i] = 0.0f;
}

bool CMusicStreamNoSound::HasFinished() { return false; }
