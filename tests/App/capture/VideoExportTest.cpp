// Runs the built program to export small videos and reads them back with FFmpeg's libraries: what
// the file holds, how its pictures compare with the PNG capture, where the music's sound lands, what
// a failed export leaves behind, whether parts of a capture join into the whole and which joins are
// refused.
#include "Support/ProgramRun.h"
#include "Support/VideoFile.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// 16-bit PCM at 44.1 kHz, a quiet sine with, when `clickAt` >= 0, a loud click of one millisecond.
void WriteWav(const fs::path& file, double seconds, int channels, double clickAt = -1) {
    const int rate = 44100, frames = static_cast<int>(seconds * rate);
    std::ofstream out(file, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t bytes = static_cast<uint32_t>(frames * channels * 2);
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(static_cast<uint16_t>(channels));
    u32(rate);
    u32(static_cast<uint32_t>(rate * channels * 2));
    u16(static_cast<uint16_t>(channels * 2));
    u16(16);
    out.write("data", 4);
    u32(bytes);
    const int click = clickAt >= 0 ? static_cast<int>(std::lround(clickAt * rate)) : -1000;
    for (int i = 0; i < frames; ++i) {
        const bool loud = i >= click && i < click + rate / 1000;
        const auto v = static_cast<int16_t>(loud ? 30000 : 600 * std::sin(i * 2 * M_PI * 220 / rate));
        for (int c = 0; c < channels; ++c)
            u16(static_cast<uint16_t>(v));
    }
}

// A smooth picture: an uncompressed TGA of red and green ramps.
std::string RampTga(int width, int height) {
    std::string out(18, '\0');
    out[2] = 2;
    out[12] = static_cast<char>(width);
    out[14] = static_cast<char>(height);
    out[16] = 32;
    out[17] = 0x28;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out += static_cast<char>(64 + y); // blue, green, red, alpha
            out += static_cast<char>(y * 255 / (height - 1));
            out += static_cast<char>(x * 255 / (width - 1));
            out += static_cast<char>(255);
        }
    }
    return out;
}

// Two seconds: a clear colour fading from black to blue under a turning ramp picture; with music
// when `music` names a file in the folder.
void WriteData(const TempFolder& dir, const std::string& music = std::string()) {
    dir.Write("data/ramp.tga", RampTga(128, 80));
    dir.Write("data/Config.txt",
              "system { AppName = \"Export\" " + (music.empty() ? std::string() : "Music = \"" + music + "\" ") +
                  "}\n"
                  "resources { Texture Ramp \"ramp.tga\" }\n"
                  "scene Ramp 0:0:0 1:0:0 {\n"
                  "  layers {\n"
                  "    Background ClearRenderTarget { ClearColourValue = 0 0 0 1 }\n"
                  "    Picture 2DImage { Texture1 = Ramp Position = 960 600 Scale = 9 9 }\n"
                  "  }\n"
                  "  keyframes {\n"
                  "    0:0:0 { Background ClearColourValue linear 0 0 0 1 Picture Rotation linear 0 }\n"
                  "    1:0:0 { Background ClearColourValue linear 0 0 1 1 Picture Rotation linear 60 }\n"
                  "  }\n"
                  "}\nend\n");
}

std::vector<std::string> Args(const TempFolder& dir, const fs::path& target, std::vector<std::string> more) {
    std::vector<std::string> args = {
        "Log", "DataPath", (dir / "data").string(), "Capture", target.string(), "Width", "160", "Height", "100"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Files left in a folder whose names end in ".part": temporary files of an export.
int PartFiles(const fs::path& folder) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        n += entry.path().extension() == ".part";
    return n;
}

#define SKIP_WITHOUT_LAYER_TYPES(run)                                                                                  \
    if ((run).err.find("Unknown layer type 'ClearRenderTarget'") != std::string::npos)                                 \
    GTEST_SKIP() << "the program has no layer types registered"

} // namespace

TEST(VideoExport, HoldsH264PicturesAndAacMusicOfExactlyTheCapturedRange) {
    TempFolder dir;
    WriteData(dir, "music.wav");
    WriteWav(dir / "data/music.wav", 2.5, 1);
    // Any letter case in the ending makes a video.
    const fs::path target = dir / "out/Export.MP4";
    ProgramResult run =
        RunProgram(dir, Args(dir, target, {"CaptureFps", "30", "CaptureStart", "0.5", "CaptureEnd", "1.5"}));
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    EXPECT_NE(run.err.find("Captured 30 of 30 frames"), std::string::npos) << run.err;
    EXPECT_TRUE(run.Logged("Captured 30 frames into '" + target.string() + "'")) << run.Said();
    EXPECT_EQ(PartFiles(dir / "out"), 0);

    const VideoFile video = ReadVideoFile(target.string());
    ASSERT_TRUE(video.opened);
    EXPECT_EQ(video.videoStreams, 1);
    EXPECT_EQ(video.audioStreams, 1);
    EXPECT_EQ(video.otherStreams, 0);
    EXPECT_EQ(video.videoCodec, "h264");
    EXPECT_EQ(video.pixelFormat, "yuv420p");
    EXPECT_EQ(video.width, 160);
    EXPECT_EQ(video.height, 100);
    EXPECT_EQ(video.frames, 30);
    EXPECT_NEAR(video.firstPictureTime, 0.0, 1e-6);
    EXPECT_NEAR(video.videoEnd, 1.0, 1e-6);
    EXPECT_NEAR(video.duration, 1.0, 1e-3);
    EXPECT_EQ(video.audioCodec, "aac");
    EXPECT_EQ(video.sampleRate, 48000);
    EXPECT_EQ(video.channels, 2);
    EXPECT_NEAR(video.audioStart, 0.0, 1e-6);
    // One second of music; the encoder rounds the track up to its next block of 1024 samples.
    EXPECT_GE(video.sound.size(), 48000u);
    EXPECT_LT(video.sound.size(), 48000u + 1024u);
}

TEST(VideoExport, APresentationWithoutMusicGivesAVideoOnlyMatroskaFile) {
    TempFolder dir;
    WriteData(dir);
    const fs::path target = dir / "silent.mkv";
    ProgramResult run = RunProgram(dir, Args(dir, target, {"CaptureFps", "12.5", "CaptureEnd", "0.8"}));
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    const VideoFile video = ReadVideoFile(target.string());
    ASSERT_TRUE(video.opened);
    EXPECT_EQ(video.formatName.rfind("matroska", 0), 0u) << video.formatName;
    EXPECT_EQ(video.videoStreams, 1);
    EXPECT_EQ(video.audioStreams, 0);
    EXPECT_EQ(video.frames, 10);
    EXPECT_NEAR(video.videoEnd, 0.8, 0.002); // Matroska keeps milliseconds
}

TEST(VideoExport, ADecodedPictureLooksLikeThePngOfTheSameFrame) {
    TempFolder dir;
    WriteData(dir);
    const std::vector<std::string> range = {"CaptureFps", "10", "CaptureEnd", "1"};
    ProgramResult run = RunProgram(dir, Args(dir, dir / "frames", range));
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    run = RunProgram(dir, Args(dir, dir / "video.mp4", range));
    ASSERT_EQ(run.status, 0) << run.Said();

    const VideoFile video = ReadVideoFile((dir / "video.mp4").string(), 7);
    ASSERT_EQ(video.keptRgb.size(), 160u * 100u * 3u);
    int w = 0, h = 0, channels = 0;
    stbi_uc* png = stbi_load((dir / "frames/frame_000007.png").c_str(), &w, &h, &channels, 3);
    ASSERT_TRUE(png);
    ASSERT_EQ(w * h * 3, static_cast<int>(video.keptRgb.size()));
    double total = 0;
    int far = 0;
    for (size_t i = 0; i < video.keptRgb.size(); ++i) {
        const int difference = std::abs(int(video.keptRgb[i]) - int(png[i]));
        total += difference;
        far += difference > 24;
    }
    stbi_image_free(png);
    // Lossy, with colour at a quarter of the resolution, but the same picture in the same colours.
    EXPECT_LT(total / video.keptRgb.size(), 3.0);
    EXPECT_LT(far, static_cast<int>(video.keptRgb.size() * 3 / 100)); // along the picture's edges
}

TEST(VideoExport, AClickInTheMusicIsHeardWithTheFrameShowingItsTime) {
    TempFolder dir;
    WriteData(dir, "click.wav");
    WriteWav(dir / "data/click.wav", 2.0, 2, 1.0);
    // The capture starts at 0.25 s, so the click at 1 s of the music comes 0.75 s into the video.
    ProgramResult run = RunProgram(
        dir, Args(dir, dir / "click.mp4", {"CaptureFps", "29.97", "CaptureStart", "0.25", "CaptureEnd", "1.75"}));
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    const VideoFile video = ReadVideoFile((dir / "click.mp4").string());
    ASSERT_FALSE(video.sound.empty());
    size_t loudest = 0;
    for (size_t i = 0; i < video.sound.size(); ++i)
        if (std::fabs(video.sound[i]) > std::fabs(video.sound[loudest]))
            loudest = i;
    EXPECT_GT(std::fabs(video.sound[loudest]), 0.5f);
    EXPECT_NEAR(video.audioStart + loudest / 48000.0, 0.75, 1 / 29.97);
    EXPECT_EQ(video.frames, 45);
}

TEST(VideoExport, AFailedExportLeavesNoFileUnderEitherName) {
    TempFolder dir;
    WriteData(dir, "music.wav");
    WriteWav(dir / "data/music.wav", 2.0, 2);
    fs::create_directories(dir / "out");

    // The disk fills up half-way: the program is refused writes past 64 kB (and is not killed for it).
    const fs::path full = dir / "out/full.mp4";
    ProgramResult run = RunProgram(dir, Args(dir, full, {"CaptureFps", "30", "CaptureQuality", "0"}), 60, [] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    SKIP_WITHOUT_LAYER_TYPES(run);
    EXPECT_EQ(run.status, 1) << run.Said();
    EXPECT_NE(run.err.find("Failed to write the video '" + full.string() + "': "), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(full));
    EXPECT_EQ(PartFiles(dir / "out"), 0);

    // A size H.264 in 4:2:0 cannot take is refused before anything is drawn.
    const fs::path odd = dir / "out/odd.mp4";
    run = RunProgram(dir,
                     {"DataPath", (dir / "data").string(), "Capture", odd.string(), "Width", "161", "Height", "100"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Failed to write the video '" + odd.string() +
                           "': a video needs an even width and height, not 161 x 100"),
              std::string::npos)
        << run.err;

    // A folder in the way of the file.
    fs::create_directories(dir / "out/taken.mkv");
    run = RunProgram(dir, {"DataPath", (dir / "data").string(), "Capture", (dir / "out/taken.mkv").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("': it is a folder"), std::string::npos) << run.err;
    EXPECT_EQ(PartFiles(dir / "out"), 0);

    // A folder the program may not write into (only without the powers that ignore permissions).
    if (geteuid() != 0) {
        fs::create_directories(dir / "locked");
        fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        run = RunProgram(dir, {"DataPath", (dir / "data").string(), "Capture", (dir / "locked/out.mp4").string()});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("cannot create"), std::string::npos) << run.err;
        fs::permissions(dir / "locked", fs::perms::owner_all);
        EXPECT_TRUE(fs::is_empty(dir / "locked"));
    }
}

// The range of the part tests: 45 frames, an odd number, at 25 frames/s from 0.3 s. Lossless, so
// that the pictures of parts encoded apart decode to the same as those of the whole.
const std::vector<std::string> PartRange = {"CaptureFps", "25",  "CaptureStart",   "0.3",
                                            "CaptureEnd", "2.1", "CaptureQuality", "0"};

// Exports part `index` of `count` of PartRange (with `more` options) into `name`.
ProgramResult ExportPart(const TempFolder& dir, const std::string& name, int index, int count,
                         std::vector<std::string> more = {}) {
    std::vector<std::string> options = PartRange;
    options.insert(options.end(), {"CapturePart", std::to_string(index), std::to_string(count)});
    options.insert(options.end(), more.begin(), more.end());
    return RunProgram(dir, Args(dir, dir / name, options));
}

ProgramResult Join(const TempFolder& dir, const std::string& out, const std::vector<std::string>& parts) {
    std::vector<std::string> args = {"DataPath", (dir / "data").string(), "Join", (dir / out).string()};
    for (const std::string& part : parts)
        args.push_back((dir / part).string());
    return RunProgram(dir, args);
}

TEST(VideoExport, ThreePartsJoinIntoTheWholeExportsPicturesAndSound) {
    TempFolder dir;
    WriteData(dir, "music.wav");
    WriteWav(dir / "data/music.wav", 2.5, 2, 1.3);
    ProgramResult run = RunProgram(dir, Args(dir, dir / "whole.mp4", PartRange));
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    for (int i = 1; i <= 3; ++i) {
        run = ExportPart(dir, "part-" + std::to_string(i) + ".mp4", i, 3);
        ASSERT_EQ(run.status, 0) << run.Said();
        EXPECT_NE(run.err.find("Wrote '" + (dir / ("part-" + std::to_string(i) + ".mp4")).string() + "': "),
                  std::string::npos)
            << run.err;
    }
    const VideoFile part = ReadVideoFile((dir / "part-2.mp4").string());
    EXPECT_EQ(part.frames, 15);
    EXPECT_EQ(part.audioStreams, 0); // the join adds the sound
    EXPECT_NE(
        std::find(part.tags.begin(), part.tags.end(), std::pair<std::string, std::string>("quorin_vanto_part", "2 3")),
        part.tags.end());

    // Named in any order; the parts say theirs.
    run = Join(dir, "joined.mp4", {"part-3.mp4", "part-1.mp4", "part-2.mp4"});
    ASSERT_EQ(run.status, 0) << run.Said();
    EXPECT_NE(run.err.find("Wrote '" + (dir / "joined.mp4").string() + "': "), std::string::npos) << run.err;
    EXPECT_EQ(PartFiles(dir.path), 0);

    const VideoFile whole = ReadVideoFile((dir / "whole.mp4").string());
    const VideoFile joined = ReadVideoFile((dir / "joined.mp4").string());
    ASSERT_TRUE(joined.opened);
    EXPECT_EQ(whole.frames, 45);
    EXPECT_EQ(joined.frames, whole.frames);
    EXPECT_NEAR(joined.videoEnd, 1.8, 1e-6);
    EXPECT_NEAR(joined.duration, whole.duration, 1e-3);
    EXPECT_NEAR(joined.firstPictureTime, 0.0, 1e-6);
    EXPECT_EQ(joined.pictureHashes, whole.pictureHashes);
    // One encoding of the whole range's music: the same samples as the whole export's, in the same
    // place, the click included.
    EXPECT_EQ(joined.audioCodec, "aac");
    EXPECT_EQ(joined.audioStart, whole.audioStart);
    ASSERT_EQ(joined.sound.size(), whole.sound.size());
    size_t differing = 0;
    for (size_t i = 0; i < whole.sound.size(); ++i)
        differing += joined.sound[i] != whole.sound[i];
    EXPECT_EQ(differing, 0u);
}

TEST(VideoExport, MatroskaPartsOfABarRangeJoinLikeMp4Ones) {
    TempFolder dir;
    WriteData(dir, "music.wav");
    WriteWav(dir / "data/music.wav", 2.5, 1);
    // 120 beats a minute: 0:1:0 to 0:3:0 is 0.5 s to 1.5 s.
    for (int i = 1; i <= 2; ++i) {
        ProgramResult run = RunProgram(dir, Args(dir, dir / ("p" + std::to_string(i) + ".mkv"),
                                                 {"CaptureFps", "30", "CaptureStart", "0:1:0", "CaptureEnd", "0:3:0",
                                                  "CapturePart", std::to_string(i), "2"}));
        SKIP_WITHOUT_LAYER_TYPES(run);
        ASSERT_EQ(run.status, 0) << run.Said();
    }
    ProgramResult run = Join(dir, "bars.mkv", {"p2.mkv", "p1.mkv"});
    ASSERT_EQ(run.status, 0) << run.Said();
    const VideoFile joined = ReadVideoFile((dir / "bars.mkv").string());
    EXPECT_EQ(joined.frames, 30);
    // Matroska starts a file with music 21 ms late, as a whole export (docs/export.md).
    EXPECT_NEAR(joined.videoEnd - joined.firstPictureTime, 1.0, 0.002);
    EXPECT_EQ(joined.audioStreams, 1);
    EXPECT_GE(joined.sound.size(), 48000u);
}

TEST(VideoExport, AJoinOfPartsThatDoNotMakeOneRangeIsRefusedAndWritesNothing) {
    TempFolder dir;
    WriteData(dir);
    ProgramResult run = ExportPart(dir, "a1.mp4", 1, 3);
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    ASSERT_EQ(ExportPart(dir, "a3.mp4", 3, 3).status, 0);
    ASSERT_EQ(ExportPart(dir, "small2.mp4", 2, 3, {"Width", "80", "Height", "50"}).status, 0);
    ASSERT_EQ(
        RunProgram(dir, Args(dir, dir / "b2.mp4", {"CaptureFps", "25", "CaptureEnd", "1", "CapturePart", "2", "3"}))
            .status,
        0);
    dir.Write("joined.mp4", "what was here before");
    struct Case {
        std::vector<std::string> parts;
        std::string message;
    };
    const Case cases[] = {
        {{"a1.mp4", "a3.mp4"}, "part 2 of 3 is missing (frames 15 to 29 of the range, from 0.9 s)"},
        {{"a1.mp4", "small2.mp4", "a3.mp4"},
         "'" + (dir / "small2.mp4").string() + "' is 80 x 50, '" + (dir / "a1.mp4").string() + "' 160 x 100"},
        {{"a1.mp4", "b2.mp4", "a3.mp4"}, "'" + (dir / "b2.mp4").string() + "' is part 2 of another range"},
    };
    for (const Case& c : cases) {
        run = Join(dir, "joined.mp4", c.parts);
        EXPECT_EQ(run.status, 1) << run.Said();
        EXPECT_NE(run.err.find("Failed to join the parts into '" + (dir / "joined.mp4").string() + "': " + c.message),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(TempFolder::Read(dir / "joined.mp4"), "what was here before");
        EXPECT_EQ(PartFiles(dir.path), 0);
    }
    // More parts than frames.
    run = RunProgram(dir,
                     Args(dir, dir / "many.mp4", {"CaptureFps", "10", "CaptureEnd", "0.5", "CapturePart", "1", "6"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("The capture range holds 5 frames, too few for 6 parts"), std::string::npos) << run.err;
}

TEST(VideoExport, DrawOnlyDrawsAndReadsBackEveryFrameAndWritesNothing) {
    TempFolder dir;
    WriteData(dir, "music.wav");
    WriteWav(dir / "data/music.wav", 2.0, 2);
    ProgramResult run =
        RunProgram(dir, Args(dir, dir / "out/never.mp4", {"CaptureFps", "20", "CaptureEnd", "1", "DrawOnly"}));
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    EXPECT_NE(run.err.find("Captured 20 of 20 frames"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Drew 20 frames (0:01.000 at 20 frames/s) in "), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(VideoExport, ABarRangeCapturesTheFramesOfTheSameRangeInSeconds) {
    TempFolder dir;
    WriteData(dir);
    ProgramResult run =
        RunProgram(dir, Args(dir, dir / "bars", {"CaptureFps", "10", "CaptureStart", "0:2:0", "CaptureEnd", "0:3:0"}));
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    run = RunProgram(dir, Args(dir, dir / "seconds", {"CaptureFps", "10", "CaptureStart", "1", "CaptureEnd", "1.5"}));
    ASSERT_EQ(run.status, 0) << run.Said();
    int frames = 0;
    for (const auto& entry : fs::directory_iterator(dir / "seconds")) {
        ++frames;
        EXPECT_EQ(TempFolder::Read(entry.path()), TempFolder::Read(dir / "bars" / entry.path().filename()))
            << entry.path().filename();
    }
    EXPECT_EQ(frames, 5);
    // A time the tempo does not have is refused once the script has said what it is.
    run = RunProgram(dir, Args(dir, dir / "bad", {"CaptureStart", "0:4:0"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Invalid value '0:4:0' for command line option 'CaptureStart': the script's bars have 4 "
                           "beats of 96 ticks"),
              std::string::npos)
        << run.err;
}

TEST(VideoExport, NamesThatReadLikeUrlsAreFilesOfThatNameInTheCurrentFolder) {
    TempFolder dir;
    WriteData(dir);
    for (const std::string name : {"pipe:1.mkv", "take:2.mp4", "file:out.mp4"}) {
        ProgramResult run = RunProgram(dir, Args(dir, name, {"CaptureFps", "10", "CaptureEnd", "0.2"}));
        SKIP_WITHOUT_LAYER_TYPES(run);
        ASSERT_EQ(run.status, 0) << name << ": " << run.Said();
        EXPECT_TRUE(fs::is_regular_file(dir / name)) << name;
        EXPECT_TRUE(ReadVideoFile("file:" + (dir / name).string()).opened) << name;
        EXPECT_TRUE(run.out.empty()) << name << ": the video went to standard output";
        EXPECT_EQ(PartFiles(dir.path), 0) << name;
    }
}

TEST(VideoExport, ALinkLaidAtATemporaryNameIsNeitherFollowedNorRemoved) {
    TempFolder dir;
    WriteData(dir);
    dir.Write("victim.txt", "keep me");
    const fs::path target = dir / "out.mp4";
    StartedProgram program = StartProgram(dir, Args(dir, target, {"CaptureFps", "10", "CaptureEnd", "0.2"}));
    // The names an export could once be expected to write first.
    const fs::path links[] = {dir / ("out.mp4." + std::to_string(program.pid) + ".part"), dir / "out.mp4.part"};
    for (const fs::path& link : links)
        fs::create_symlink(dir / "victim.txt", link);
    ProgramResult run = FinishProgram(dir, program);
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    EXPECT_EQ(TempFolder::Read(dir / "victim.txt"), "keep me");
    for (const fs::path& link : links)
        EXPECT_TRUE(fs::is_symlink(link)) << link;
    EXPECT_EQ(ReadVideoFile(target.string()).frames, 2);
}
