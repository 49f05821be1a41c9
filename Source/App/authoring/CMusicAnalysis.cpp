#include "App/authoring/CMusicAnalysis.h"

#include "Base/Log.h"
#include "Music/CMusicStreamBass.h"

CMusicAnalysis::CMusicAnalysis(const CMusicOverview::Resolution& chosen) : resolution(chosen) {}

CMusicAnalysis::~CMusicAnalysis() { Stop(); }

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
    running = true;
    worker = std::thread([this, open = std::move(open)] {
        std::shared_ptr<const CMusicOverview> overview;
        {
            // Opening may read the file (to count its frames): that too happens here, not in a frame.
            DecodedMusic music;
            if (open(music))
                overview = CMusicOverview::Build(music, stop, resolution);
        } // the music's file is closed on this thread
        made = std::move(overview);
        finished.store(true, std::memory_order_release);
    });
}

void CMusicAnalysis::Stop() {
    if (running) {
        stop.store(true, std::memory_order_relaxed);
        worker.join();
        running = false;
    }
    stop.store(false, std::memory_order_relaxed);
    finished.store(false, std::memory_order_relaxed);
    made.reset();
    result.reset();
}

std::shared_ptr<const CMusicOverview> CMusicAnalysis::Result() {
    if (running && finished.load(std::memory_order_acquire)) {
        worker.join(); // it has finished: this does not wait
        running = false;
        result = std::move(made);
        // Logged here: the log is the main thread's.
        if (!result)
            LOG("CMusicAnalysis::Result", "Failed to read the music for the time line");
    }
    return result;
}
