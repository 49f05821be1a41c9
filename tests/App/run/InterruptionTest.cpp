// SIGINT and SIGTERM sent to unattended runs of the built program: each stops at its next step with
// "Interrupted", keeps the PNG frames it wrote (whole), leaves no part of a video and then ends by
// the signal itself, as a shell expects of a program it interrupted.
#include "App/run/Interruption.h"
#include "Base/StopRequest.h"
#include "Platform/StopSignals.h"
#include "Support/ProgramRun.h"
#include "Support/SolidImage.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <signal.h>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A long scene (a hundred bars at 120 beats a minute: 200 s) of a clear colour fading.
void WriteLongShow(const TempFolder& dir) {
    dir.Write("data/Config.txt", "scene Long 0:0:0 100:0:0 {\n"
                                 "  layers { Background ClearRenderTarget { ClearColourValue = 0 0 0 1 } }\n"
                                 "  keyframes {\n"
                                 "    0:0:0 { Background ClearColourValue linear 0 0 0 1 }\n"
                                 "    100:0:0 { Background ClearColourValue linear 0 0 1 1 }\n"
                                 "  }\n"
                                 "}\nend\n");
}

bool WaitUntil(const std::function<bool()>& done, int seconds = 30) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

int FilesEndingIn(const fs::path& folder, const std::string& ending) {
    int n = 0;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        const std::string name = entry.path().filename().string();
        n += name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
    }
    return n;
}

std::vector<std::string> CaptureArgs(const TempFolder& dir, const fs::path& target) {
    return {
        "Log",        "DataPath", (dir / "data").string(), "Capture", target.string(), "Width", "64", "Height", "40",
        "CaptureFps", "30"};
}

} // namespace

TEST(Interruption, ACaptureStopsByTheSignalAndKeepsTheFramesItWroteWhole) {
    for (int signal : {SIGINT, SIGTERM}) {
        TempFolder dir;
        WriteLongShow(dir);
        const fs::path frames = dir / "frames";
        StartedProgram program = StartProgram(dir, CaptureArgs(dir, frames));
        EXPECT_TRUE(WaitUntil([&] { return FilesEndingIn(frames, ".png") >= 3; }));
        kill(program.pid, signal);
        ProgramResult run = FinishProgram(dir, program);

        EXPECT_EQ(run.signal, signal) << run.Said();
        EXPECT_TRUE(run.Logged("Interrupted")) << run.Said();
        EXPECT_TRUE(run.Logged("End...")) << "the clean-up ran before the signal ended it";
        const int written = FilesEndingIn(frames, ".png");
        EXPECT_GE(written, 3);
        EXPECT_LT(written, 6000) << "the capture ran to its end";
        for (const auto& entry : fs::directory_iterator(frames)) {
            int width = 0, height = 0, channels = 0;
            EXPECT_TRUE(stbi_info(entry.path().c_str(), &width, &height, &channels)) << entry.path();
            stbi_uc* pixels = stbi_load(entry.path().c_str(), &width, &height, &channels, 4);
            EXPECT_NE(pixels, nullptr) << entry.path() << " is not a whole PNG";
            stbi_image_free(pixels);
        }
    }
}

TEST(Interruption, AVideoExportStopsAndLeavesNoFileUnderEitherName) {
    TempFolder dir;
    WriteLongShow(dir);
    const fs::path video = dir / "show.mp4";
    StartedProgram program = StartProgram(dir, CaptureArgs(dir, video));
    EXPECT_TRUE(WaitUntil([&] { return FilesEndingIn(dir.path, ".part") > 0; }));
    kill(program.pid, SIGTERM);
    ProgramResult run = FinishProgram(dir, program);

    if (run.LoggedStart("Video export is not available"))
        GTEST_SKIP() << "this build has no video export";
    EXPECT_EQ(run.signal, SIGTERM) << run.Said();
    EXPECT_TRUE(run.Logged("Interrupted")) << run.Said();
    EXPECT_FALSE(fs::exists(video));
    EXPECT_EQ(FilesEndingIn(dir.path, ".part"), 0);
}

TEST(Interruption, ACheckStopsWhileItsResourcesAreMade) {
    // Effects of long arithmetic, each its own file and text (no compiler cache knows them), take a
    // good part of a second each to compile: the signal arrives while they are being made.
    TempFolder dir;
    std::mt19937 random(std::random_device{}());
    auto number = [&] { return std::to_string(random() % 100000) + ".0 / 100000.0"; };
    std::string resources = "resources {\n";
    const int effects = 300;
    for (int i = 0; i < effects; ++i) {
        std::string body;
        for (int line = 0; line < 200; ++line)
            body += "v = sin(v * (" + number() + ") + vec4(" + number() + "));\n";
        const std::string file = "fx" + std::to_string(i) + ".fx";
        dir.Write("data/" + file, "@vertex VS\nvoid main() { gl_Position = vec4(0.0); }\n@fragment PS\nout vec4 c;\n"
                                  "void main() { vec4 v = gl_FragCoord;\n" +
                                      body + "c = v; }\n@technique T\n@pass vertex=VS fragment=PS\n");
        resources += "  Shader S" + std::to_string(i) + " \"" + file + "\" T { }\n";
    }
    dir.Write("data/Config.txt", resources + "}\nend\n");
    StartedProgram program = StartProgram(
        dir, {"Log", "Check", "SkipSettings", "MemoryLimit", "65536", "DataPath", (dir / "data").string()});
    const std::string creating = "Creating " + std::to_string(effects + 2) + " resources..";
    EXPECT_TRUE(WaitUntil([&] { return TempFolder::Read(dir / "debug.log").find(creating) != std::string::npos; }));
    kill(program.pid, SIGTERM);
    ProgramResult run = FinishProgram(dir, program);

    EXPECT_EQ(run.signal, SIGTERM) << run.Said();
    EXPECT_TRUE(run.Logged("Interrupted")) << run.Said();
    EXPECT_FALSE(run.Logged("Check passed"));
    EXPECT_TRUE(run.ErrLine("Interrupted")) << run.err;
    // The stop is no failure of the presentation's: nothing says so.
    EXPECT_FALSE(run.Logged("Failed to create resources")) << run.Said();
}

TEST(Interruption, AFrameOfMillionsOfDrawsGivesWayWithinTheFrame) {
    // Sixteen million copies in one frame: far more than a presentation draws, but under the bound on
    // a frame's draws; drawn to its end, the frame takes half a minute on a small machine. The one
    // frame is never finished, so nothing is written.
    TempFolder dir;
    dir.Write("data/Config.txt", "resources { Texture Dot \"dot.png\" }\n"
                                 "scene S 0:0:0 1:0:0 { layers { Row 2DMultipleImage { Texture1 = Dot\n"
                                 "  Repeats = 16000000 } } }\nend\n");
    WriteSolidPng(dir / "data/dot.png", 255, 255, 255);
    const fs::path frames = dir / "frames";
    std::vector<std::string> args = CaptureArgs(dir, frames);
    args.insert(args.end(), {"CaptureEnd", "0.01"});
    StartedProgram program = StartProgram(dir, args);
    EXPECT_TRUE(WaitUntil(
        [&] { return TempFolder::Read(dir / "debug.log").find("Entering main loop..") != std::string::npos; }));
    kill(program.pid, SIGINT);
    // A run that waited for the end of the frame counts as hanging.
    ProgramResult run = FinishProgram(dir, program, 20);

    EXPECT_EQ(run.signal, SIGINT) << run.Said();
    EXPECT_TRUE(run.Logged("Interrupted")) << run.Said();
    EXPECT_EQ(FilesEndingIn(frames, ".png"), 0) << "the frame was drawn to its end";
}

TEST(InterruptionDeathTest, TheProgramEndsByTheStopSignalAfterItsCleanUp) {
    EXPECT_EXIT(
        {
            InstallStopSignalHandlers();
            raise(SIGTERM);
            if (!StopRequested())
                _exit(3);
            EndByStopSignal();
            _exit(4);
        },
        testing::KilledBySignal(SIGTERM), "");
    // Without a stop request it returns and the status is the program's.
    EXPECT_EXIT(
        {
            EndByStopSignal();
            _exit(5);
        },
        testing::ExitedWithCode(5), "");
}

TEST(InterruptionDeathTest, ASecondStopSignalEndsTheProgramAtOnce) {
    for (int second : {SIGINT, SIGTERM}) {
        EXPECT_EXIT(
            {
                InstallStopSignalHandlers();
                raise(SIGINT);
                if (StopSignal() != SIGINT)
                    _exit(3);
                raise(second); // the run is still busy with its clean-up
                _exit(4);
            },
            testing::KilledBySignal(second), "")
            << second;
    }
}

TEST(Interruption, ACheckStopsBetweenTheCompilesOfOneEffect) {
    // One effect of 64 fragment sections of long arithmetic, each compiled on its own: the signal
    // arrives while the effect is being made, and ends it as a stop, not as a failed compile.
    TempFolder dir;
    std::mt19937 random(std::random_device{}());
    auto number = [&] { return std::to_string(random() % 100000) + ".0 / 100000.0"; };
    std::string effect = "@vertex VS\nvoid main() { gl_Position = vec4(0.0); }\n";
    std::string passes = "@technique T\n";
    for (int i = 0; i < 64; ++i) {
        effect += "@fragment PS" + std::to_string(i) + "\nout vec4 c;\nvoid main() { vec4 v = gl_FragCoord;\n";
        for (int line = 0; line < 200; ++line)
            effect += "v = sin(v * (" + number() + ") + vec4(" + number() + "));\n";
        effect += "c = v; }\n";
        passes += "@pass vertex=VS fragment=PS" + std::to_string(i) + "\n";
    }
    dir.Write("data/long.fx", effect + passes);
    dir.Write("data/Config.txt", "resources { Shader S \"long.fx\" T { } }\nend\n");
    StartedProgram program = StartProgram(dir, {"Log", "Check", "SkipSettings", "DataPath", (dir / "data").string()});
    EXPECT_TRUE(WaitUntil(
        [&] { return TempFolder::Read(dir / "debug.log").find("Creating 3 resources..") != std::string::npos; }));
    kill(program.pid, SIGTERM);
    ProgramResult run = FinishProgram(dir, program);

    EXPECT_EQ(run.signal, SIGTERM) << run.Said();
    EXPECT_TRUE(run.Logged("Interrupted")) << run.Said();
    EXPECT_FALSE(run.Logged("Failed to create shader")) << run.Said();
    EXPECT_FALSE(run.Logged("Failed to create resources")) << run.Said();
}
