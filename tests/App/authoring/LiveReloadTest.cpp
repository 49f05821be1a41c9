// Live reload with real files: a saved script, image or effect is picked up at the same time, a broken
// save keeps the running pictures and says why, a fixed one recovers, a start that fails waits for a
// fix, and reloading again and again leaves no device object behind.
#include "App/authoring/CAuthoring.h"
#include "App/authoring/CLiveReload.h"
#include "App/run/LoadPresentation.h"
#include "App/run/RunningShow.h"
#include "Base/DataPaths.h"
#include "Base/DataZip.h"
#include "Music/CMusicStreamBass.h"
#include "Music/CMusicStreamNoSound.h"
#include "Platform/Clock.h"
#include "Platform/Platform.h"
#include "Platform/linux/CInotifyFileWatcher.h"
#include "Render/CRenderState.h"
#include "Support/BackBufferColours.h"
#include "Support/LogCapture.h"
#include "Support/ProcessState.h"
#include "Support/ProgramRun.h"
#include "Support/SolidImage.h"
#include "System/CSystem.h"
#include "Testing/CRecordingDevice.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace {

// A clear from red at 0:0:0 to `end` at 4:0:0 (8 s), and an image in the middle from pic.png drawn
// through the effect in plain.fx.
std::string Script(const char* end) {
    return std::string("resources { Texture Pic pic.png Shader Plain plain.fx Plain { } }\n"
                       "scene S 0:0:0 100:0:0 {\n"
                       " layers { C ClearRenderTarget { } P 2DImage { Shader = Plain Texture1 = Pic "
                       "Position = 960 600 Scale = 20 20 } }\n"
                       " keyframes { 0:0:0 { C ClearColourValue linear 1 0 0 1 }\n"
                       "             4:0:0 { C ClearColourValue linear ") +
           end + " }\n }\n}\nend\n";
}

// An effect that draws its texture, or, given a colour, that colour.
std::string Effect(const char* colour = nullptr) {
    return std::string("@common\nuniform mat4 g_mWorldViewProjection;\nuniform sampler2D g_Texture;\n"
                       "@vertex VS\nlayout(location = 0) in vec3 inPosition;\nlayout(location = 3) in vec2 inUv;\n"
                       "out vec2 uv;\nvoid main() { gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0); "
                       "uv = inUv; }\n@fragment PS\nin vec2 uv;\nout vec4 colour;\nvoid main() { colour = ") +
           (colour ? colour : "texture(g_Texture, uv)") + "; }\n@technique Plain\n@pass vertex=VS fragment=PS\n";
}

// Replaces a file the way many editors save: a temporary file renamed over it.
void Save(const TempFolder& folder, const std::string& name, const std::string& content) {
    folder.Write(name + ".swp", content);
    std::filesystem::rename(folder / (name + ".swp"), folder / name);
}

// `frames` of 8 kHz mono silence as a WAV file: music for a presentation that needs some.
std::string SilentWav(int frames) {
    std::string wav = "RIFF";
    auto u32 = [&](uint32_t v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
    u32(36 + frames * 2), wav += "WAVEfmt ", u32(16), u16(1), u16(1), u32(8000), u32(16000), u16(2), u16(16);
    wav += "data", u32(frames * 2), wav.append(size_t(frames) * 2, '\0');
    return wav;
}

// A show as the program runs one, drawn on a recording device in no window, its music opened as the
// program opens it: a failed Init leaves the silent clock.
struct ShowWithMusic {
    struct NoWindow : CWindow {
        bool PumpEvents() override { return true; }
    };
    CRecordingDevice device;
    NoWindow window;
    std::unique_ptr<CSystem> system;
    std::unique_ptr<CMusicStream> stream;
    RunningShow running{system, stream, device, window, [this](float start) { return StartMusic(start); }};

    bool Load() {
        std::string failure;
        system = LoadPresentation("Config.txt", failure);
        return system && system->CreateAllResources(device, ScreenFrom(Settings)) && system->CreateAllScenes();
    }
    bool StartMusic(float start) {
        stream = std::make_unique<CMusicStreamBass>(system->Music, 1.0f, CreateCaptureAudioOutput());
        if (stream->Init(start))
            return true;
        stream = std::make_unique<CMusicStreamNoSound>(CounterSource{GetCounterFrequency, GetCounterValue});
        stream->Init(start);
        return false;
    }
};

// A zip of a script and other files, written beside and renamed over `file` as a build tool replaces
// its output.
void SaveZip(const std::filesystem::path& file, const std::string& script,
             const std::vector<std::pair<std::string, std::string>>& others = {}) {
    const std::filesystem::path temporary = file.string() + ".new";
    int error = 0;
    zip_t* archive = zip_open(temporary.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    zip_source_t* source = zip_source_buffer(archive, script.data(), script.size(), 0);
    ASSERT_GE(zip_file_add(archive, "Config.txt", source, ZIP_FL_ENC_RAW), 0);
    for (const auto& [name, bytes] : others)
        ASSERT_GE(zip_file_add(archive, name.c_str(), zip_source_buffer(archive, bytes.data(), bytes.size(), 0),
                               ZIP_FL_ENC_RAW),
                  0);
    ASSERT_EQ(zip_close(archive), 0);
    std::filesystem::rename(temporary, file);
}

class LiveReloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        Settings.aspect = 1.6f;
        Options.DataPath = data.path.string();
        Options.Config = "Config.txt";
    }
    void TearDown() override {
        authoring.reset();
        show.reset();
        system.reset();
        stream.reset();
        device.reset();
        window.reset();
        ResetProcessState();
    }

    // The show at 4 s, paused there, on a hidden OpenGL window.
    bool Start() {
        window = CreateMainWindow("quorin-vanto tests", 64, 40, false, true);
        if (window)
            device = CreateGraphicsDevice(*window, GraphicsDeviceOptions{64, 40, 0, 256, false});
        if (!device)
            return false;
        std::string failure;
        system = LoadPresentation("Config.txt", failure);
        if (system && !(system->CreateAllResources(*device, ScreenFrom(Settings)) && system->CreateAllScenes()))
            system.reset();
        show.reset(new RunningShow{
            system, stream, *device, *window, [this](float t) {
                stream = std::make_unique<CMusicStreamNoSound>(CounterSource{GetCounterFrequency, GetCounterValue});
                return stream->Init(t);
            }});
        show->startMusic(4.0f);
        stream->SetPaused(true);
        authoring = std::make_unique<CAuthoring>(*show);
        authoring->StartWatching();
        return true;
    }

    // Frames until the presentation is another one or a reload failed (a few seconds at most).
    bool WaitForReload() {
        const CSystem* before = system.get();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            authoring->BeforeFrame();
            if (system.get() != before || log.Contains("Reload failed: kept the running presentation"))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The centre and a corner of a frame at the music's time, as 0xRRGGBB.
    std::pair<uint32_t, uint32_t> Frame() {
        if (!system)
            return {0, 0};
        system->GetRenderState()->BeginFrame();
        system->RenderScenes(stream->GetTime(), 0.0f);
        authoring->FramePresented();
        return CentreAndCorner(*device);
    }

    LogCapture log;
    TempFolder data{TempFolder::Mounted};
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CGraphicsDevice> device;
    std::unique_ptr<CSystem> system;
    std::unique_ptr<CMusicStream> stream;
    std::unique_ptr<RunningShow> show;
    std::unique_ptr<CAuthoring> authoring;
};

} // namespace

TEST_F(LiveReloadTest, ASavedScriptIsShownAtTheSameTimeABrokenOneIsKeptOutAndAFixRecovers) {
    data.Write("Config.txt", Script("0 0 1 1"));
    data.Write("plain.fx", Effect());
    WriteSolidPng(data / "pic.png", 255, 255, 255);
    if (!Start())
        GTEST_SKIP() << "no OpenGL window can be made here";
    ASSERT_TRUE(system) << log.Text();
    EXPECT_TRUE(log.Contains("Watching '" + data.path.string() + "' for changes"));
    EXPECT_EQ(Frame(), std::make_pair(0xFFFFFFu, 0x7F007Fu)) << "halfway from red to blue";

    // The keyframed colour goes on from the same second with the new keyframes.
    Save(data, "Config.txt", Script("0 1 0 1"));
    ASSERT_TRUE(WaitForReload());
    EXPECT_NEAR(stream->GetTime(), 4.0f, 1e-3f);
    EXPECT_EQ(Frame(), std::make_pair(0xFFFFFFu, 0x7F7F00u)) << "halfway from red to green";
    EXPECT_TRUE(log.Contains("Reloading after a change to '" + (data / "Config.txt").string() + "'"));
    EXPECT_TRUE(log.Has("Reloaded in "));
    // The effects and the picture did not change: they are taken over, not made again.
    EXPECT_TRUE(log.Contains(
        "Reused 2 effect(s), 1 image(s), 0 model(s) and 0 render target(s) unchanged since the last load"));

    // A broken save: its own message, then the running presentation stays.
    const CSystem* running = system.get();
    Save(data, "Config.txt", "scene S 0:0:0 1:0:0 { layers { X Sparkle { } } }\nend\n");
    ASSERT_TRUE(WaitForReload());
    EXPECT_EQ(system.get(), running);
    EXPECT_TRUE(log.Contains("Unknown layer type 'Sparkle' found at line 1"));
    EXPECT_TRUE(log.Contains("Failed to parse config file!"));
    EXPECT_TRUE(log.Contains("Reload failed: kept the running presentation"));
    EXPECT_EQ(Frame(), std::make_pair(0xFFFFFFu, 0x7F7F00u));

    // The next good save recovers; the image alone changing is picked up too.
    log.Restart();
    Save(data, "Config.txt", Script("0 0 1 1"));
    ASSERT_TRUE(WaitForReload());
    EXPECT_EQ(Frame(), std::make_pair(0xFFFFFFu, 0x7F007Fu));
    WriteSolidPng(data / "pic.png", 0, 255, 0);
    ASSERT_TRUE(WaitForReload());
    EXPECT_EQ(Frame(), std::make_pair(0x00FF00u, 0x7F007Fu));
    EXPECT_TRUE(log.Contains(
        "Reused 2 effect(s), 0 image(s), 0 model(s) and 0 render target(s) unchanged since the last load"));
    // And the effect alone.
    Save(data, "plain.fx", Effect("vec4(1.0, 0.0, 1.0, 1.0)"));
    ASSERT_TRUE(WaitForReload());
    EXPECT_EQ(Frame(), std::make_pair(0xFF00FFu, 0x7F007Fu));
}

// A save that would crash the driver's compiler is refused before it gets there: the show runs on.
TEST_F(LiveReloadTest, AnEffectTooDeepForTheCompilerIsAFailedReload) {
    data.Write("Config.txt", Script("0 0 1 1"));
    data.Write("plain.fx", Effect());
    WriteSolidPng(data / "pic.png", 255, 255, 255);
    if (!Start())
        GTEST_SKIP() << "no OpenGL window can be made here";
    ASSERT_TRUE(system) << log.Text();
    const CSystem* running = system.get();
    std::string sum = "1.0";
    for (int i = 1; i < 20000; ++i)
        sum += "+1.0";
    const std::string deep = "vec4(" + sum + ")";
    Save(data, "plain.fx", Effect(deep.c_str()));
    ASSERT_TRUE(WaitForReload());
    EXPECT_EQ(system.get(), running);
    EXPECT_TRUE(log.Has("a statement with more than 4096 operators")) << log.Text();
    EXPECT_TRUE(log.Contains("Reload failed: kept the running presentation"));
    EXPECT_EQ(Frame(), std::make_pair(0xFFFFFFu, 0x7F007Fu));
}

TEST(LiveReload, ReloadingAHundredTimesLeavesTheSameDeviceObjects) {
    LogCapture log;
    ResetProcessState();
    TempFolder data(TempFolder::Mounted);
    WriteSolidPng(data / "pic.png", 10, 20, 30);
    data.Write("plain.fx", Effect());
    data.Write("Config.txt", Script("0 0 1 1"));
    Options.Config = "Config.txt";
    CRecordingDevice device;
    struct NoWindow : CWindow {
        bool PumpEvents() override { return true; }
    } window;
    std::string failure;
    std::unique_ptr<CSystem> system = LoadPresentation("Config.txt", failure);
    ASSERT_TRUE(system && system->CreateAllResources(device, ScreenFrom(Settings)) && system->CreateAllScenes());
    std::unique_ptr<CMusicStream> stream =
        std::make_unique<CMusicStreamNoSound>(CounterSource{GetCounterFrequency, GetCounterValue});
    stream->Init(0.0f);
    RunningShow show{system, stream, device, window, [](float) { return true; }};
    CAuthoring authoring(show);
    const int alive = device.LiveObjects();
    for (int reload = 0; reload < 100; ++reload)
        authoring.Reload("Config.txt");
    EXPECT_EQ(device.LiveObjects(), alive);
    EXPECT_FALSE(log.Contains("Reload failed: kept the running presentation"));
    ResetProcessState();
}

TEST(LiveReload, MusicThatCannotBePlayedFailsTheReloadAndTheOldMusicPlaysOn) {
    LogCapture log;
    ResetProcessState();
    TempFolder data(TempFolder::Mounted);
    auto writeWav = [&](int frames) { data.Write("song.wav", SilentWav(frames)); };
    writeWav(8000);
    data.Write("Config.txt", "system { Music = \"song.wav\" }\nscene S 0:0:0 1:0:0 { }\nend\n");
    Options.Config = "Config.txt";
    ShowWithMusic show;
    ASSERT_TRUE(show.Load());
    ASSERT_TRUE(show.StartMusic(0.0f));
    std::unique_ptr<CSystem>& system = show.system;
    std::unique_ptr<CMusicStream>& stream = show.stream;
    CAuthoring authoring(show.running);
    const CSystem* running = system.get();
    const CMusicStream* playing = stream.get();

    std::string noise(4096, '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    data.Write("song.wav", noise);
    authoring.Reload((data / "song.wav").string());
    EXPECT_TRUE(log.Contains("Reload failed: kept the running presentation")) << log.Text();
    EXPECT_EQ(system.get(), running);
    EXPECT_EQ(stream.get(), playing);
    ASSERT_TRUE(authoring.Failure());
    EXPECT_EQ(authoring.Failure()->file, "song.wav");

    // Playable music again: the reload goes through and the panel goes.
    writeWav(16000);
    log.Restart();
    authoring.Reload((data / "song.wav").string());
    EXPECT_FALSE(log.Contains("Reload failed: kept the running presentation")) << log.Text();
    EXPECT_NE(system.get(), running);
    EXPECT_FALSE(authoring.Failure());
    ResetProcessState();
}

TEST(LiveReload, ARebuiltZipIsMountedAgainAndAPipeInItsPlaceFailsAtOnce) {
    LogCapture log;
    ResetProcessState();
    TempFolder dir;
    Options.DataPath = (dir / "data").string();
    Options.Config = "Config.txt";
    const std::filesystem::path zip = dir / "data.zip";
    // The music plays from the zip while it is rebuilt: it must not keep the old zip from being let go.
    const std::string wav = SilentWav(8000);
    const std::string music = "system { Music = \"song.wav\" }\n";
    SaveZip(zip, music + "scene A 0:0:0 1:0:0 { }\nend\n", {{"song.wav", wav}});
    DataPaths().Start();
    std::string reason;
    ASSERT_TRUE(MountDataZip(zip.string(), reason)) << reason;
    ShowWithMusic show;
    ASSERT_TRUE(show.Load());
    ASSERT_TRUE(show.StartMusic(0.0f)) << log.Text();
    std::unique_ptr<CSystem>& system = show.system;
    CAuthoring authoring(show.running);
    authoring.StartWatching();
    auto reloaded = [&](const std::string& line) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline && !log.Contains(line)) {
            authoring.BeforeFrame();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return log.Contains(line);
    };

    // A longer script moves every offset the first directory gave.
    SaveZip(zip, music + "scene A 0:0:0 1:0:0 { }\nscene Longer 0:0:0 2:0:0 { }\nend\n", {{"song.wav", wav}});
    ASSERT_TRUE(reloaded("Reloading after a change to '" + zip.string() + "'")) << log.Text();
    EXPECT_FALSE(log.Contains("Reload failed: kept the running presentation")) << log.Text();
    ASSERT_TRUE(system);
    EXPECT_EQ(system->scenes.GetScenes().size(), 2u);

    // A pipe renamed over the zip is refused without waiting for a writer; the show goes on.
    const CSystem* running = system.get();
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::filesystem::rename(dir / "pipe", zip);
    log.Restart();
    ASSERT_TRUE(reloaded("Reload failed: kept the running presentation")) << log.Text();
    EXPECT_TRUE(log.Contains("Failed to add datapath '" + zip.string() + "' to physfs: it is not a regular file"));
    EXPECT_EQ(system.get(), running);
    ASSERT_TRUE(authoring.Failure());
    EXPECT_EQ(authoring.Failure()->file, zip.string());
    DataPaths().Unmount(zip.string());
    ResetProcessState();
}

// Keeps the last list of files it was asked to watch.
struct RecordingWatcher : CFileWatcher {
    explicit RecordingWatcher(std::vector<std::string>& seen) : seen(seen) {}
    bool Watch(const std::vector<std::string>& files) override {
        seen = files;
        return true;
    }
    bool Poll(std::string&) override { return false; }
    std::vector<std::string>& seen;
};

TEST(LiveReload, OnlyFilesTheLoaderCouldReadAreWatchedAndThoseNoLongerNamedAreLetGo) {
    ResetProcessState();
    TempFolder data(TempFolder::Mounted);
    const std::string root = data.path.string();
    std::filesystem::create_directory(data / "real");
    std::filesystem::create_directory_symlink("/usr/share", data / "linked");
    std::filesystem::create_symlink("/etc/passwd", data / "Passwd.txt");
    data.Write("Config.txt", "resources { Texture A \"../../../usr/share/x.png\" Texture B \"linked/x.png\"\n"
                             "Texture C \"//real/c.png\" Texture D \"real/./d.png\" } end\n");
    std::vector<std::string> seen;
    CLiveReload live(std::make_unique<RecordingWatcher>(seen), root, "Config.txt");
    std::string failure;
    std::unique_ptr<CSystem> first = LoadPresentation("Config.txt", failure);
    ASSERT_TRUE(first) << failure;
    live.Watch(first.get());
    EXPECT_EQ(seen, (std::vector<std::string>{root + "/Config.txt", root + "/real/c.png"}));

    // A script that is a link is not followed out of the data.
    CLiveReload linked(std::make_unique<RecordingWatcher>(seen), root, "Passwd.txt");
    linked.Watch(nullptr);
    EXPECT_TRUE(seen.empty());

    // A reload that worked lets go of what the old presentation named; a failed one keeps it.
    data.Write("Config.txt", "resources { Texture E e.png } end\n");
    std::unique_ptr<CSystem> second = LoadPresentation("Config.txt", failure);
    ASSERT_TRUE(second) << failure;
    live.Watch(second.get(), true);
    EXPECT_EQ(seen, (std::vector<std::string>{root + "/Config.txt", root + "/real/c.png", root + "/e.png"}));
    live.Watch(second.get());
    EXPECT_EQ(seen, (std::vector<std::string>{root + "/Config.txt", root + "/e.png"}));
    ResetProcessState();
}

TEST(LiveReload, ADataFolderLinkPointedElsewhereIsNoticedAndItsNewFolderWatched) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "d1");
    std::filesystem::create_directory(dir / "d2");
    dir.Write("d1/Config.txt", "end\n");
    dir.Write("d2/Config.txt", "end\n");
    std::filesystem::create_directory_symlink("d1", dir / "data");
    const std::string data = (dir / "data").string();
    CLiveReload live(std::make_unique<CInotifyFileWatcher>(20, 200), data, "Config.txt");
    live.Watch(nullptr);
    auto report = [&] {
        std::string changed;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            if (live.Poll(changed))
                return changed;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::string("nothing");
    };

    // As `ln -sfn d2 data` does it: a new link renamed over the old one.
    std::filesystem::create_directory_symlink("d2", dir / "data.new");
    std::filesystem::rename(dir / "data.new", dir / "data");
    EXPECT_EQ(report(), data);
    live.Watch(nullptr); // what the reload that follows does
    Save(dir, "d2/Config.txt", "scene S 0:0:0 1:0:0 { }\nend\n");
    EXPECT_EQ(report(), data + "/Config.txt");
}

TEST(LiveReload, AStartThatFailsWaitsInTheWindowForAFix) {
    TempFolder dir;
    dir.Write("data/Config.txt", "scene S 0:0:0 1:0:0 { layers { X Sparkle { } } }\nend\n");
    StartedProgram program = StartProgram(dir, {"Log", "Watch", "SkipSettings", "Windowed", "Width", "64", "Height",
                                                "40", "DataPath", (dir / "data").string()});
    auto logged = [&](const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (TempFolder::Read(dir / "debug.log").find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    EXPECT_TRUE(logged("Entering main loop.."));
    EXPECT_TRUE(logged("Unknown layer type 'Sparkle' found at line 1"));
    Save(dir, "data/Config.txt", "scene S 0:0:0 1000:0:0 { layers { C ClearRenderTarget { } } }\nend\n");
    EXPECT_TRUE(logged("Reloaded in "));
    kill(program.pid, SIGTERM); // the window closes as when its close button is pressed
    ProgramResult run = FinishProgram(dir, program);
    // It closes cleanly, and then ends by the signal.
    EXPECT_EQ(run.signal, SIGTERM) << run.Said();
    EXPECT_TRUE(run.Logged("End...")) << run.Said();
    EXPECT_TRUE(run.Logged("Watching '" + (dir / "data").string() + "' for changes")) << run.Said();
    EXPECT_FALSE(run.LoggedStart("Reload failed")) << run.Said();
}

TEST(LiveReload, CheckAndCaptureIgnoreWatch) {
    TempFolder dir;
    dir.Write("data/Config.txt", "end\n");
    ProgramResult run = RunProgram(dir, {"Log", "Watch", "Check", "DataPath", (dir / "data").string()});
    EXPECT_EQ(run.status, 0) << run.Said();
    EXPECT_TRUE(run.Logged("Watch is ignored with Check: it renders without a window to watch in")) << run.Said();
    EXPECT_FALSE(run.LoggedStart("Watching "));
}

TEST(FailureCapture, ThePanelNamesTheFileAndLineOfTheFirstTellingMessage) {
    LogCapture log;
    CFailureCapture capture;
    LOG("Test", "Adding texture resource 'Sky'");
    LOG("Test", "Malformed model 'ship.model' on line 7: expecting a vertex");
    LOG("Test", "Failed to create all model resources!");
    LoadFailure failure = capture.Failure("Config.txt");
    EXPECT_EQ(failure.file, "ship.model");
    EXPECT_EQ(failure.line, 7);
    EXPECT_EQ(failure.message, "Malformed model 'ship.model' on line 7: expecting a vertex");

    CFailureCapture shader;
    LOG("Test", "Failed to create shader");
    LOG("Test", "fx/glow.fx, @fragment PS: 0(12) : error C1008: undefined variable");
    failure = shader.Failure("Config.txt");
    EXPECT_EQ(failure.file, "fx/glow.fx");
    EXPECT_EQ(failure.line, 12);

    // Mesa's messages: the error's line, not the column of a warning after it.
    CFailureCapture mesa;
    LOG("Test", "Failed to create shader");
    LOG("Test", "fx/glow.fx, @fragment PS:\n0:30(55): warning: `x' used uninitialized\n"
                "0:27(38): error: `nothing' undeclared");
    failure = mesa.Failure("Config.txt");
    EXPECT_EQ(failure.file, "fx/glow.fx");
    EXPECT_EQ(failure.line, 27);
}

TEST(FailureCapture, AnUnknownLayerTypeNearAKnownOneGetsAHint) {
    CFailureCapture typo;
    LOG("Test", "Unknown layer type '2DImgae' found at line 3");
    LoadFailure failure = typo.Failure("Config.txt");
    EXPECT_EQ(failure.line, 3);
    EXPECT_EQ(failure.message, "Unknown layer type '2DImgae' found at line 3\nDid you mean 2DImage?");

    CFailureCapture far;
    LOG("Test", "Unknown layer type 'Sparkle' found at line 1");
    EXPECT_EQ(far.Failure("Config.txt").message, "Unknown layer type 'Sparkle' found at line 1");
}

TEST(FailureCapture, ThePanelSaysWhatToDoNextWhileTheLogKeepsItsOwnWords) {
    ResetProcessState();
    LogCapture log;
    TempFolder data{TempFolder::Mounted};
    auto panelFor = [&](const std::string& script) {
        data.Write("Config.txt", script);
        CFailureCapture capture;
        std::string boxText;
        int stoppedAt = 0;
        std::unique_ptr<CSystem> system = LoadPresentation("Config.txt", boxText, &stoppedAt);
        CRecordingDevice device;
        if (system) {
            EXPECT_FALSE(system->CreateAllResources(device, ScreenSetup{})) << script;
        }
        return capture.Failure("Config.txt", stoppedAt).message;
    };
    EXPECT_NE(panelFor("scene S 0:0:0 1:0:0 { layers { L 2DImage { Rotaton = 3 } } }\nend\n")
                  .find("\nDid you mean Rotation?"),
              std::string::npos);
    const std::string keyframed =
        panelFor("scene S 0:0:0 1:0:0 { layers { Logo 2DImage { } }\n keyframes { 0:0:0 { Logo Rotatoin hold 1 } } }\n"
                 "end\n");
    EXPECT_NE(keyframed.find("Line 2: the layer has no parameter 'Rotatoin'.\nDid you mean Rotation?"),
              std::string::npos)
        << keyframed;
    EXPECT_NE(panelFor("scene S 0:0:0 1:0:0 { layers { Logo 2DImage { } }\n keyframes { 0:0:0 { Lgo Rotation hold 1 } "
                       "} }\nend\n")
                  .find("\nDid you mean Logo?"),
              std::string::npos);

    // A picture cut short: the decoder's reason and the line that names the file.
    WriteSolidPng(data / "sky.png", 10, 20, 30, 64);
    std::filesystem::resize_file(data / "sky.png", std::filesystem::file_size(data / "sky.png") - 40);
    const std::string picture = panelFor("resources\n{\n    Texture Sky \"sky.png\"\n}\nend\n");
    EXPECT_EQ(picture.rfind("Error creating texture 'sky.png'\nThe image decoder says: ", 0), 0u) << picture;
    EXPECT_NE(picture.find("'sky.png' is named on line 3 of Config.txt."), std::string::npos) << picture;
    // The log has none of it.
    EXPECT_EQ(log.Text().find("Did you mean"), std::string::npos);
    EXPECT_EQ(log.Text().find("decoder says"), std::string::npos);
}

TEST(FailureCapture, ASyntaxErrorWithoutAMessageIsPlacedWhereTheParserStopped) {
    ResetProcessState();
    LogCapture log;
    TempFolder data{TempFolder::Mounted};
    data.Write("Config.txt", "system {\n  AppName = \"x\"\n  Bpm = fast\n}\nend\n");
    CFailureCapture capture;
    std::string boxText;
    int stoppedAt = -1;
    EXPECT_FALSE(LoadPresentation("Config.txt", boxText, &stoppedAt));
    LoadFailure failure = capture.Failure("Config.txt", stoppedAt);
    EXPECT_EQ(failure.file, "Config.txt");
    EXPECT_EQ(failure.line, 3) << log.Text();
    EXPECT_EQ(failure.message, "Failed to parse config file!");
    // A message that names its own line keeps it.
    CFailureCapture named;
    LOG("Test", "Unknown layer type 'Sparkle' found at line 9");
    EXPECT_EQ(named.Failure("Config.txt", 12).line, 9);
    ResetProcessState();
}
