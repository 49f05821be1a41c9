// The music's overview for the time line, made from synthetic decoded music: the waveform's lowest and
// highest samples per column, a tone's energy in the row of its frequency, bounded work on long music,
// and the background job that makes it once per music and stops when asked.
#include "App/authoring/CLogFrequencyAxis.h"
#include "App/authoring/CMusicAnalysis.h"
#include "App/authoring/CMusicOverview.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <numbers>
#include <thread>

namespace {

using Sample = std::function<float(int64_t frame, int channel)>;

// Music made of a formula; counts the frames read into `read` when given.
DecodedMusic Synthetic(int64_t frames, int channels, Sample sample, std::shared_ptr<std::atomic<int64_t>> read = {}) {
    DecodedMusic music;
    music.frames = frames;
    music.channels = channels;
    music.sampleRate = 44100;
    music.read = [=](int64_t first, int64_t count, float* out) {
        for (int64_t i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c)
                out[i * channels + c] = first + i >= 0 && first + i < frames ? sample(first + i, c) : 0.0f;
        if (read)
            *read += count;
    };
    return music;
}

std::shared_ptr<const CMusicOverview> Overview(const DecodedMusic& music, CMusicOverview::Resolution resolution = {}) {
    std::atomic<bool> stop{false};
    return CMusicOverview::Build(music, stop, resolution);
}

double Tone(int bin) { return 44100.0 * bin / 1024.0; }

int LoudestRow(const CMusicOverview& overview, int column) {
    int loudest = 0;
    for (int row = 1; row < overview.SpectrumRows(); ++row)
        if (overview.Level(row, column) > overview.Level(loudest, column))
            loudest = row;
    return loudest;
}

// The rows of `rows` that a band of the spectrum spans on the logarithmic axis.
void RowsOfBand(int band, int rows, int& first, int& last) {
    const CLogFrequencyAxis axis(44100.0f);
    first = static_cast<int>(std::floor(axis.BandStart(band) * rows));
    last = static_cast<int>(std::ceil(axis.BandEnd(band) * rows)) - 1;
}

} // namespace

TEST(CMusicOverview, EachWaveColumnKeepsItsLowestAndHighestSampleOverEveryChannel) {
    // 10 frames a column: a slow ramp up on the left, down on the right, and two clicks.
    const int64_t frames = 4096 * 10;
    const auto overview = Overview(Synthetic(frames, 2, [&](int64_t f, int c) {
        if (f == 12345)
            return c == 0 ? 0.9f : -0.5f;
        if (f == 30000 && c == 0)
            return -0.75f;
        const float ramp = 0.5f * static_cast<float>(f) / static_cast<float>(frames);
        return c == 0 ? ramp : -ramp;
    }));
    ASSERT_TRUE(overview);
    ASSERT_EQ(overview->WaveColumns(), 4096);
    EXPECT_TRUE(overview->ReadThrough());
    EXPECT_NEAR(overview->Seconds(), frames / 44100.0, 1e-6);
    for (int c : {0, 1, 700, 4095}) {
        const float last = 0.5f * static_cast<float>(c * 10 + 9) / static_cast<float>(frames);
        EXPECT_FLOAT_EQ(overview->Highs()[c], last) << c;
        EXPECT_FLOAT_EQ(overview->Lows()[c], -last) << c;
    }
    EXPECT_FLOAT_EQ(overview->Highs()[1234], 0.9f);
    EXPECT_FLOAT_EQ(overview->Lows()[1234], -0.5f) << "the channels are not mixed: a click on one shows";
    EXPECT_FLOAT_EQ(overview->Lows()[3000], -0.75f);

    // Frames that do not divide evenly: every column still holds frames, and each frame counts once.
    const auto uneven = Overview(Synthetic(10007, 1, [](int64_t f, int) { return f == 10006 ? 1.0f : 0.0f; }));
    ASSERT_EQ(uneven->WaveColumns(), 4096);
    EXPECT_FLOAT_EQ(uneven->Highs()[4095], 1.0f);
    EXPECT_FLOAT_EQ(uneven->Highs()[4094], 0.0f);
}

TEST(CMusicOverview, ShortEmptyAndBrokenMusicGiveASmallOrEmptyOverview) {
    const auto tiny = Overview(Synthetic(100, 1, [](int64_t f, int) { return f == 99 ? 0.5f : -0.25f; }));
    ASSERT_EQ(tiny->WaveColumns(), 100) << "never more columns than frames";
    EXPECT_EQ(tiny->SpectrumColumns(), 100);
    EXPECT_EQ(tiny->Spectrum().size(), 100u * 64u);
    EXPECT_FLOAT_EQ(tiny->Highs()[99], 0.5f);
    EXPECT_FLOAT_EQ(tiny->Lows()[0], -0.25f);

    const auto silent = Overview(Synthetic(0, 2, [](int64_t, int) { return 0.0f; }));
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->WaveColumns(), 0);
    EXPECT_EQ(silent->SpectrumColumns(), 0);
    EXPECT_EQ(Overview(DecodedMusic{})->WaveColumns(), 0) << "no reader";

    // Samples beyond full scale are kept at it.
    const auto loud = Overview(Synthetic(5000, 2, [](int64_t, int c) { return c ? 7.0f : -9.0f; }));
    EXPECT_FLOAT_EQ(loud->Highs()[10], 1.0f);
    EXPECT_FLOAT_EQ(loud->Lows()[10], -1.0f);
}

TEST(CMusicOverview, AToneLightsTheRowOfItsFrequencyWhileItPlays) {
    // One second of a low tone, then one of a high one, at half scale.
    const int64_t frames = 2 * 44100;
    const auto overview =
        Overview(Synthetic(frames, 1,
                           [](int64_t f, int) {
                               const double hz = f < 44100 ? Tone(12) : Tone(180);
                               return static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * hz * f / 44100.0));
                           }),
                 {4096, 64, 64});
    ASSERT_EQ(overview->SpectrumColumns(), 64);
    ASSERT_EQ(overview->SpectrumRows(), 64);
    int lowFirst = 0, lowLast = 0, highFirst = 0, highLast = 0;
    RowsOfBand(12, 64, lowFirst, lowLast);
    RowsOfBand(180, 64, highFirst, highLast);
    ASSERT_LT(lowLast, highFirst);
    for (int column : {2, 15, 29}) {
        EXPECT_GE(LoudestRow(*overview, column), lowFirst) << column;
        EXPECT_LE(LoudestRow(*overview, column), lowLast) << column;
        EXPECT_GE(overview->Level(LoudestRow(*overview, column), column), 250) << "the loudest in the music";
        EXPECT_LT(overview->Level(highFirst, column), 60) << "the high tone has not started";
    }
    for (int column : {34, 50, 63}) {
        EXPECT_GE(LoudestRow(*overview, column), highFirst) << column;
        EXPECT_LE(LoudestRow(*overview, column), highLast) << column;
        EXPECT_LT(overview->Level(lowFirst, column), 60) << "the low tone has stopped";
    }

    // Levels are relative to the music's loudest: the same tone 20 dB quieter looks the same, while
    // silence stays dark.
    const auto quiet = Overview(
        Synthetic(44100, 1,
                  [](int64_t f, int) {
                      return f < 22050
                                 ? 0.0f
                                 : static_cast<float>(0.05 * std::sin(2.0 * std::numbers::pi * Tone(12) * f / 44100.0));
                  }),
        {4096, 16, 64});
    EXPECT_GE(quiet->Level(LoudestRow(*quiet, 12), 12), 250);
    EXPECT_EQ(quiet->Level(LoudestRow(*quiet, 2), 2), 0);
}

TEST(CMusicOverview, LongMusicIsSampledColumnByColumnSoThatTheWorkStaysBounded) {
    // A hundred million frames, the second half loud: only a bounded part of it is read.
    const int64_t frames = 100'000'000;
    auto read = std::make_shared<std::atomic<int64_t>>(0);
    CMusicOverview::Resolution resolution{256, 64, 16, int64_t(1) << 20};
    const auto overview = Overview(Synthetic(
                                       frames, 2, [&](int64_t f, int) { return f >= frames / 2 ? 0.3f : 0.0f; }, read),
                                   resolution);
    ASSERT_TRUE(overview);
    EXPECT_FALSE(overview->ReadThrough());
    EXPECT_LE(read->load(), resolution.maxFramesRead + 256 * 4096) << "about the budget, not the music";
    EXPECT_FLOAT_EQ(overview->Highs()[10], 0.0f);
    EXPECT_FLOAT_EQ(overview->Highs()[200], 0.3f);
    EXPECT_EQ(overview->Level(0, 10), 0);
    EXPECT_GT(overview->Level(0, 60), 100) << "the loud half's spectrum is read too";

    std::atomic<bool> stop{true};
    EXPECT_EQ(CMusicOverview::Build(Synthetic(frames, 2, [](int64_t, int) { return 0.0f; }), stop, resolution), nullptr)
        << "a stopped overview is not a result";
}

TEST(CMusicAnalysis, MakesTheOverviewInTheBackgroundOnceAndKeepsIt) {
    CMusicAnalysis analysis;
    EXPECT_EQ(analysis.Result(), nullptr);
    EXPECT_FALSE(analysis.Busy());
    analysis.Follow(nullptr);
    EXPECT_FALSE(analysis.Busy()) << "no music, no overview";

    analysis.Start([](DecodedMusic& music) {
        music = Synthetic(44100, 2, [](int64_t f, int) { return f == 100 ? 0.5f : 0.0f; });
        return true;
    });
    std::shared_ptr<const CMusicOverview> result;
    for (int i = 0; i < 2000 && !(result = analysis.Result()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(result);
    EXPECT_FALSE(analysis.Busy());
    EXPECT_FLOAT_EQ(result->Highs()[9], 0.5f);
    EXPECT_EQ(analysis.Result(), result) << "the same overview every frame";

    // Music that cannot be opened: nothing, and the analysis is not busy forever.
    analysis.Start([](DecodedMusic&) { return false; });
    for (int i = 0; i < 2000 && analysis.Busy(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(analysis.Busy());
    EXPECT_EQ(analysis.Result(), nullptr);
}

TEST(CMusicAnalysis, StopsReadingWhenTheMusicChangesOrItIsDestroyed) {
    // Music that would take minutes to read through.
    auto read = std::make_shared<std::atomic<int64_t>>(0);
    auto slow = [read](DecodedMusic& music) {
        music = Synthetic(
            int64_t(1) << 34, 2,
            [](int64_t f, int c) {
                if (f % 4096 == 0 && c == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return 0.0f;
            },
            read);
        return true;
    };
    auto waitForReading = [&] {
        for (int i = 0; i < 2000 && read->load() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_GT(read->load(), 0);
    };
    {
        CMusicAnalysis analysis;
        analysis.Start(slow);
        waitForReading();
        EXPECT_TRUE(analysis.Busy());
        EXPECT_EQ(analysis.Result(), nullptr) << "nothing half made is shown";

        // A new music: the old reading stops, the new one starts from nothing.
        analysis.Start(slow);
        read->store(0);
        waitForReading();
    } // destroyed while reading
    const int64_t atEnd = read->load();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(read->load(), atEnd) << "nothing reads after destruction";
    EXPECT_LT(atEnd, int64_t(1) << 27);
}
