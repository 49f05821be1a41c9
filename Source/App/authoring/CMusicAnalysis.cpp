#include "App/authoring/CMusicAnalysis.h"

#include "Base/Log.h"
#include "Music/CMusicStreamBass.h"

CMusicAnalysis::CMusicAnalysis(const CMusicOverview::Resolution& chosen) : resolution(chosen) {}

void CMusicAnalysis::Follow(const CMusicStream* stream) {
    // A reload opens the new music while the old stream still exists, so a new stream never has the
    // address of the one followed.
    if (stream == followed)
        return;
    followed = stream;
    const auto* music = dynamic_cast<const CMusicStreamBass*>(stream);
    Start(music ? music->DecodedMusicSource() : DecodedMusicOpener());
}

void CMusicAnalysis::Start(DecodedMusicOpener open) {
    Stop();
    if (!open)
        return;
    job.Start([resolution = resolution, open = std::move(open)](const std::atomic<bool>& stop) {
        // Opening may read the file (to count its frames): that too happens here, not in a frame, and
        // the music's file is closed on this thread.
        DecodedMusic music;
        return open(music) ? CMusicOverview::Build(music, stop, resolution) : nullptr;
    });
}

void CMusicAnalysis::Stop() {
    job.Cancel();
    result.reset();
}

std::shared_ptr<const CMusicOverview> CMusicAnalysis::Result() {
    if (job.Done() && job.Take(result) && !result) {
        // Logged here: the log is the main thread's.
        LOG("CMusicAnalysis::Result", "Failed to read the music for the time line");
    }
    return result;
}
