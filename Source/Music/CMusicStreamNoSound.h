// The silent clock: the time source of a presentation without music. It runs on the counter it is
// given (the app passes the platform's monotonic high-resolution counter), pauses and seeks like the
// music would, and never finishes.
#pragma once

#include "Music/CMusicStream.h"

#include <cstdint>

// Where the silent clock reads its ticks: ticks per second (0 when there is no counter) and the
// counter now. The app passes the platform's counter, tests a fake one; a missing function makes
// Init fail as a counter without frequency does.
struct CounterSource {
    int64_t (*frequency)() = nullptr;
    int64_t (*value)() = nullptr;
};

class CMusicStreamNoSound : public CMusicStream {
public:
    explicit CMusicStreamNoSound(CounterSource counter);

    bool Init(float startSeconds) override;
    float GetTime() override;
    void SetPaused(bool paused) override;
    bool IsPaused() override;
    void SeekBy(float seconds) override;
    void Restart() override;
    void GetSpectrum(float* buffer) override;
    bool HasFinished() override;

private:
    CounterSource counter;
    bool paused = false;
    int64_t frequency = 0;
    float secondsPerCount = 0.0f;
    // The counter value at which the time was 0.
    int64_t base = 0;
    // While paused: the elapsed ticks at the moment of pausing.
    int64_t pausedCount = 0;
};
