// What the authoring tools act on while a presentation plays: the presentation itself, its music,
// and the device and window it plays in. Whoever runs the show owns them; live reload replaces the
// presentation (and the music, when that changed) between two frames.
#pragma once

#include <functional>
#include <memory>

class CGraphicsDevice;
class CMainLoop;
class CMusicStream;
class CSystem;
class CWindow;

struct RunningShow {
    std::unique_ptr<CSystem>& system; // null while a presentation that failed waits for a fix
    std::unique_ptr<CMusicStream>& stream;
    CGraphicsDevice& device;
    CWindow& window;
    // Opens the presentation's music (or the silent clock) at a time in seconds into `stream`; false
    // when the music failed and the silent clock stands in.
    std::function<bool(float start)> startMusic;
    // The main loop while it runs: a new music stream and the spectrum switch go there.
    CMainLoop* loop = nullptr;
};
