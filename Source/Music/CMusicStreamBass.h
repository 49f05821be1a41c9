// The time source of a presentation with music: it opens the music file through PhysicsFS, plays it
// through a CAudioOutput (which decodes it as it plays) and takes the presentation's time from the
// position being heard.
// With the capture output it plays nothing and the caller sets the time frame by frame.
#pragma once

#include "Music/CMusicStream.h"
#include "Platform/CAudioOutput.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMusicStreamBass : public CMusicStream {
public:
    // `volume` 0 to 1 (the settings' volume); the output plays the music (live) or stands where the
    // capture puts it (offline).
    CMusicStreamBass(const std::string& fileName, float volume, std::unique_ptr<CAudioOutput> output);

    // Asked with the size of a music file the data zip holds before it is read into memory (a budget's
    // charge): false refuses the music. Without it such a file is read within the data-file limit.
    void SetAdmission(std::function<bool(int64_t bytes)> admit) { admission = std::move(admit); }

    bool Init(float startSeconds) override;
    float GetTime() override;
    void SetPaused(bool paused) override;
    bool IsPaused() override;
    void SeekBy(float seconds) override;
    void Restart() override;
    void GetSpectrum(float* buffer) override;
    bool HasFinished() override;

    // The music's length in seconds; 0 before a successful Init.
    float GetLength() const;
    // The memory the music's decoding holds (not the music's length); 0 before a successful Init.
    int64_t DecodedBytes() const { return loaded ? output->DecodedBytes() : 0; }
    // The bytes of a music file the data zip holds, kept in memory while it plays (0 for a folder's).
    int64_t HeldFileBytes() const { return held ? static_cast<int64_t>(held->size()) : 0; }
    // Puts the position at `seconds` (clamped to 0..length); the capture clock's only way forward.
    void SetTime(float seconds);
    // A reader of the decoded samples, for a video export's sound track; false before a successful
    // Init or where the output gives none.
    bool GetDecodedMusic(DecodedMusic& music) const { return loaded && output->GetDecodedMusic(music); }
    // What opens such a reader later, on any thread, even after this stream is gone; empty before a
    // successful Init.
    DecodedMusicOpener DecodedMusicSource() const { return loaded ? output->DecodedMusicSource() : nullptr; }

private:
    std::string fileName;
    float volume;
    std::unique_ptr<CAudioOutput> output;
    std::function<bool(int64_t)> admission;
    std::shared_ptr<const std::vector<uint8_t>> held;
    bool loaded = false;
    bool paused = false;
};
