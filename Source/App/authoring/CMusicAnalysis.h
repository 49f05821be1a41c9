// Makes the overview of the music playing now (CMusicOverview) on a thread of its own, once per
// music: no frame waits for it, and a frame only picks the finished overview up. A new music (a
// reload that changed it) stops the overview under way and starts another; destruction stops it too,
// within one chunk of decoding.
#pragma once

#include "App/authoring/CMusicOverview.h"
#include "Base/CBackgroundJob.h"

#include <memory>

class CMusicStream;

class CMusicAnalysis {
public:
    explicit CMusicAnalysis(const CMusicOverview::Resolution& resolution = {});

    // Called each frame with the music stream now in use: a stream it has not followed yet starts the
    // overview of its music (none for the silent clock). Compares a pointer when nothing changed.
    void Follow(const CMusicStream* stream);
    // Starts the overview of the music `open` gives, dropping the one before; an empty opener makes
    // none.
    void Start(DecodedMusicOpener open);
    // Stops the overview under way, waits for its thread, and drops the finished one.
    void Stop();

    // True from Start until the overview is finished (or failed).
    bool Busy() const { return job.Busy(); }
    // The finished overview; null while it is being made, and where there is no music or it could
    // not be read. Stays the same object until the music changes.
    std::shared_ptr<const CMusicOverview> Result();

private:
    CMusicOverview::Resolution resolution;
    const CMusicStream* followed = nullptr;
    CBackgroundJob<std::shared_ptr<const CMusicOverview>> job;
    std::shared_ptr<const CMusicOverview> result;
};
