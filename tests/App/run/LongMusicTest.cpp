// Music of hours runs like any other: checked, played and exported, in the memory a short track
// takes, since it is decoded as it plays.
#include "Music/MusicTestFiles.h"
#include "Support/ProgramRun.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

// The largest resident memory of any program this test process has run and waited for, in bytes.
int64_t LargestChildPeak() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return int64_t(usage.ru_maxrss) * 1024;
}

void WriteShow(const TempFolder& dir, int64_t seconds) {
    dir.Write("data/Config.txt", "system {\n Music = \"song.wav\"\n SpectrumEnabled = true\n}\n"
                                 "scene A 0:0:0 1:0:0 { layers { C ClearRenderTarget { } } }\nend\n");
    WriteLongSilence((dir / "data/song.wav").string(), seconds);
}

} // namespace

TEST(LongMusic, TracksOfHoursCheckPlayAndExportTheirEndInTheMemoryOfAShortOne) {
    TempFolder shortShow, show24, show3h;
    WriteShow(shortShow, 20);
    WriteShow(show24, 24 * 60);
    WriteShow(show3h, 3 * 3600);
    auto exportEnd = [](const TempFolder& dir, int64_t seconds) {
        return RunProgram(dir, {"SkipSettings", "DataPath", "data", "Capture", "end.mkv", "CaptureStart",
                                std::to_string(seconds - 1), "Width", "64", "Height", "40"});
    };
    ProgramResult run = exportEnd(shortShow, 20);
    ASSERT_EQ(run.status, 0) << run.Said();
    const int64_t shortPeak = LargestChildPeak();

    for (auto [dir, seconds] : {std::pair{&show24, int64_t(24 * 60)}, std::pair{&show3h, int64_t(3 * 3600)}}) {
        run = RunProgram(*dir, {"Log", "SkipSettings", "DataPath", "data", "Check"});
        EXPECT_EQ(run.status, 0) << run.Said();
        EXPECT_TRUE(run.Logged("Check passed")) << run.Said();
        run = exportEnd(*dir, seconds);
        EXPECT_EQ(run.status, 0) << run.Said();
        EXPECT_GT(std::filesystem::file_size(*dir / "end.mkv"), 0u);
        // Played with the dummy audio driver until stopped: the show closes, then ends by the signal.
        StartedProgram playing =
            StartProgram(*dir, {"SkipSettings", "DataPath", "data", "Width", "64", "Height", "40"});
        std::this_thread::sleep_for(std::chrono::seconds(2));
        kill(playing.pid, SIGINT);
        run = FinishProgram(*dir, playing);
        EXPECT_EQ(run.signal, SIGINT) << run.Said();
    }
    // Decoding the 3-hour track whole would take 2 GiB.
    EXPECT_LT(LargestChildPeak() - shortPeak, int64_t(64) << 20);
}
