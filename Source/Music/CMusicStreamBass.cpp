#include "Music/CMusicStreamBass.h"

#include "Base/CDataFileReader.h"
#include "Base/CMemoryByteSource.h"
#include "Base/Log.h"

#include <cmath>

namespace {

// The music file's bytes, shared by every reader of it (playback, spectrum, a sound track).
class CHeldFileSource : public CMemoryByteSource {
public:
    explicit CHeldFileSource(std::shared_ptr<const std::vector<uint8_t>> bytes)
        : CMemoryByteSource(bytes->data(), bytes->size()), bytes(std::move(bytes)) {}

private:
    std::shared_ptr<const std::vector<uint8_t>> bytes;
};

} // namespace

CMusicStreamBass::CMusicStreamBass(const std::string& fileName, float volume, std::unique_ptr<CAudioOutput> output)
    : fileName(fileName), volume(volume), output(std::move(output)) {}

bool CMusicStreamBass::Init(float startSeconds) {
    loaded = false;
    paused = false;
    CDataFileReader probe;
    const DataFileResult read = probe.Open(fileName);
    if (read == DataFileResult::NotFound) {
        LOG("CMusicStreamBass::Init", "Failed to find music file '%s'", fileName.c_str());
        return false;
    }
    if (const char* reason = NotAFileReason(read)) {
        LOG("CMusicStreamBass::Init", "Failed to read music file '%s': %s", fileName.c_str(), reason);
        return false;
    }
    if (!output || !output->Init()) {
        LOG("CMusicStreamBass::Init", "Failed to initialise Bass: '%d'",
            output ? output->GetLastError() : int(AudioErrorDriver));
        return false;
    }
    if (read != DataFileResult::Ok) {
        LOG("CMusicStreamBass::Init", "Failed to create Bass stream: '%d'", int(AudioErrorFormat));
        return false;
    }
    // Each reader of the music (playback, the spectrum, a sound track) opens the file for itself. A
    // file the data zip holds is read into memory once instead: an open file would keep the zip
    // mounted (live reload mounts a rebuilt one afresh), and a seek back in a compressed entry would
    // inflate it again from its start.
    MusicOpener open = [name = fileName]() -> std::unique_ptr<CByteSource> {
        auto reader = std::make_unique<CDataFileReader>();
        return reader->Open(name) == DataFileResult::Ok ? std::move(reader) : nullptr;
    };
    held.reset();
    if (IsInDataArchive(fileName)) {
        probe.Close();
        auto bytes = std::make_shared<std::vector<uint8_t>>();
        const DataFileResult whole = ReadDataFile(fileName, *bytes, MaxDataFileBytes, admission);
        if (whole == DataFileResult::Refused)
            return false; // the budget said why
        if (whole != DataFileResult::Ok) {
            LOG("CMusicStreamBass::Init", "Failed to read music file '%s': %s", fileName.c_str(),
                ReadFailureReason(whole));
            return false;
        }
        held = bytes;
        open = [bytes]() -> std::unique_ptr<CByteSource> { return std::make_unique<CHeldFileSource>(bytes); };
    }
    if (!output->Load(open)) {
        if (output->GetLastError() == AudioErrorStopped)
            return false; // the run is ending; the caller says so
        LOG("CMusicStreamBass::Init", "Failed to create Bass stream: '%d'", output->GetLastError());
        return false;
    }
    loaded = true;
    // The volume goes to the output in whole percent, as the settings dialog's slider has it.
    float clamped = volume >= 0.0f ? (volume <= 1.0f ? volume : 1.0f) : 0.0f;
    output->SetVolume(static_cast<float>(static_cast<int>(clamped * 100.0f)) / 100.0f);
    SeekBy(startSeconds);
    if (!output->Play()) {
        LOG("CMusicStreamBass::Init", "Failed to play Bass stream: '%d'", output->GetLastError());
        return false;
    }
    return true;
}

float CMusicStreamBass::GetTime() {
    if (!loaded || output->GetSampleRate() <= 0)
        return 0.0f;
    return static_cast<float>(static_cast<double>(output->GetPositionFrames()) / output->GetSampleRate());
}

void CMusicStreamBass::SetPaused(bool p) {
    if (p == paused || !loaded)
        return;
    if (p)
        output->Pause();
    else
        output->Play();
    paused = p;
}

bool CMusicStreamBass::IsPaused() { return paused; }

void CMusicStreamBass::SeekBy(float seconds) {
    if (!loaded || !std::isfinite(seconds))
        return;
    // Whole frames, truncated toward zero like the seconds-to-bytes conversion it stands for.
    int64_t delta = static_cast<int64_t>(static_cast<double>(seconds) * output->GetSampleRate());
    int64_t target = output->GetPositionFrames() + delta;
    output->SetPositionFrames(target > 0 ? target : 0);
}

void CMusicStreamBass::Restart() {
    if (loaded)
        output->SetPositionFrames(0);
}

void CMusicStreamBass::GetSpectrum(float* buffer) {
    if (loaded) {
        output->GetSpectrum(buffer);
        return;
    }
    for (int i = 0; i < SpectrumBands; ++i)
        buffer[i] = 0.0f;
}

bool CMusicStreamBass::HasFinished() { return loaded && output->GetPositionFrames() >= output->GetLengthFrames(); }

float CMusicStreamBass::GetLength() const {
    if (!loaded || output->GetSampleRate() <= 0)
        return 0.0f;
    return static_cast<float>(static_cast<double>(output->GetLengthFrames()) / output->GetSampleRate());
}

void CMusicStreamBass::SetTime(float seconds) {
    if (!loaded || !std::isfinite(seconds))
        return;
    double frames = std::round(static_cast<double>(seconds) * output->GetSampleRate());
    double length = static_cast<double>(output->GetLengthFrames());
    output->SetPositionFrames(static_cast<int64_t>(frames < 0 ? 0 : (frames > length ? length : frames)));
}
