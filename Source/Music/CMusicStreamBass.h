// The time source of a presentation with music: it reads the whole music file through PhysicsFS,
// plays it through a CAudioOutput and takes the presentation's time from the position being heard.
// With the capture output it plays nothing and the caller sets the time frame by frame.
#pragma once

#include "Music/CMusicStream.h"
#include "Platform/CAudioOutput.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class DataFileResult;

class CMusicStreamBass : public CMusicStream {
public:
    // Music files larger than this are refused before anything is allocated for them.
    static constexpr int64_t MaxFileBytes = int64_t(512) << 20;

    // `volume` 0 to 1 (the settings' volume); the output plays the music (live) or stands where the
    // capture puts it (offline), and decodes what Init hands it: `bytes` when given (the file as it was
    // read already, for its decoding ahead), else the file read then.
    CMusicStreamBass(const std::string& fileName, float volume, std::unique_ptr<CAudioOutput> output,
                     std::shared_ptr<const std::vector<uint8_t>> bytes = nullptr);

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
    // The memory the decoded music takes; 0 before a successful Init.
    int64_t DecodedBytes() const { return loaded ? output->DecodedBytes() : 0; }
    // Puts the position at `seconds` (clamped to 0..length); the capture clock's only way forward.
    void SetTime(float seconds);
    // The decoded samples, for a video export's sound track; false before a successful Init or
    // where the output keeps none.
    bool GetDecodedMusic(DecodedMusic& music) const { return loaded && output->GetDecodedMusic(music); }

    // Reads a music file whole through the data paths, within the size limit.
    static DataFileResult ReadFile(const std::string& fileName, std::vector<uint8_t>& data);

private:
    std::string fileName;
    float volume;
    std::unique_ptr<CAudioOutput> output;
    std::shared_ptr<const std::vector<uint8_t>> bytes; // let go once loaded
    bool loaded = false;
    bool paused = false;
};
