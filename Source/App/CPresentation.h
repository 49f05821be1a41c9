// The presentation from a parsed script to its last frame: the settings (dialog or command line),
// the window and device, resources and scenes, the music stream, then the main loop, an offline
// capture into PNG files, or (for Check) nothing more. One member per start-up stage.
#pragma once

#include <memory>
#include <string>

class CGraphicsDevice;
class CMusicStream;
class CMusicStreamBass;
class CSystem;
class CVertexBuffer;
class CWindow;

class CPresentation {
public:
    // Runs the presentation parsed from the script.
    explicit CPresentation(std::unique_ptr<CSystem> presentation);
    ~CPresentation();

    // Runs every stage after the script; returns the exit status (0 after a presentation that ran,
    // a capture that wrote every frame, a Check that passed or a dialog the user cancelled).
    int Run();

    // Reads the music file and starts decoding it in the background, so that the music stream's Init
    // finds the samples ready; does nothing for a file that cannot be read (Init reports that).
    static void DecodeMusicAhead(const std::string& fileName);

private:
    enum class Outcome { Continue, Stop, Failed };

    Outcome RunSettings();     // dialog, or the command line's values
    bool OpenWindowAndDevice(); // hidden for Check and Capture
    bool CreateResourcesAndScenes();
    bool StartMusic();
    void RenderFrame(float time, float delta);
    int RunMainLoop();
    int RunCapture();

    bool Unattended() const;
    bool Fail(const std::string& boxText);

    std::unique_ptr<CSystem> system;
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CGraphicsDevice> device;
    std::unique_ptr<CVertexBuffer> letterboxBars;
    std::unique_ptr<CMusicStream> stream;
    // The music, when unattended runs decode it without playing: capture sets its time per frame.
    CMusicStreamBass* silentMusic = nullptr;
};
