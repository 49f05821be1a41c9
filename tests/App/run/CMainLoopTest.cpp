#include "App/run/CMainLoop.h"
#include "Music/CMusicStream.h"
#include "Platform/CWindow.h"

#include "Support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace {

// Plays back one list of key changes per PumpEvents call through the window's own bookkeeping; closes
// when told or when the script runs out.
class ScriptedWindow : public CWindow {
public:
    struct Events {
        std::vector<int> down, up, repeat; // up after down, so a key in both is a tap
        bool minimise = false, restore = false, close = false;
    };
    bool PumpEvents() override {
        ++pumps;
        if (script.empty())
            return false;
        Events e = script.front();
        script.pop_front();
        for (int k : e.down)
            RecordKey(k, true, false, false);
        for (int k : e.repeat)
            RecordKey(k, true, false, true);
        for (int k : e.up)
            RecordKey(k, false, false, false);
        if (e.minimise)
            RecordMinimised();
        if (e.restore)
            RecordActivated();
        return !e.close;
    }
    std::deque<Events> script;
    int pumps = 0;
};

ScriptedWindow::Events Press(std::vector<int> down, std::vector<int> up = {}) {
    ScriptedWindow::Events e;
    e.down = std::move(down);
    e.up = std::move(up);
    return e;
}
ScriptedWindow::Events Flag(bool ScriptedWindow::Events::*flag) {
    ScriptedWindow::Events e;
    e.*flag = true;
    return e;
}

// Records the calls the loop makes; time is set by the test.
class FakeStream : public CMusicStream {
public:
    bool Init(float) override { return true; }
    float GetTime() override { return time; }
    void SetPaused(bool p) override {
        calls.push_back(p ? "pause" : "resume");
        paused = p;
    }
    bool IsPaused() override { return paused; }
    void SeekBy(float s) override {
        calls.push_back("seek " + std::to_string(s));
        time = std::max(0.0f, time + s);
    }
    void Restart() override {
        calls.push_back("restart");
        time = 0;
        finished = false;
    }
    void GetSpectrum(float* buffer) override {
        ++spectrumFetches;
        std::fill(buffer, buffer + SpectrumBands, 0.25f);
    }
    bool HasFinished() override { return finished; }

    float time = 0;
    bool paused = false, finished = false;
    int spectrumFetches = 0;
    std::vector<std::string> calls;
};

class MainLoopTest : public ::testing::Test {
protected:
    CMainLoop MakeLoop(bool debugKeys) {
        CMainLoop loop(window, stream, [this](float t, float d) {
            times.push_back(t);
            deltas.push_back(d);
        });
        loop.debugKeys = debugKeys;
        return loop;
    }
    ScriptedWindow window;
    FakeStream stream;
    std::vector<float> times, deltas;
};

std::string Seek(float s) { return "seek " + std::to_string(s); }

} // namespace

TEST_F(MainLoopTest, DebugKeysActOncePerPressInTheirOrder) {
    window.script = {Press({KeyUp, KeyP, KeyRight}), {}, Press({KeyP}), {}};
    stream.time = 3;
    CMainLoop loop = MakeLoop(true);
    EXPECT_EQ(loop.Run(), LoopEnd::Closed);
    EXPECT_EQ(stream.calls, (std::vector<std::string>{"restart", "pause", Seek(1), "resume"}));
    EXPECT_FALSE(window.KeyDown(KeyUp) || window.KeyDown(KeyP) || window.KeyDown(KeyRight));
    EXPECT_EQ(loop.framesRendered, 4);
}

TEST_F(MainLoopTest, ATapBetweenFramesActsAndAHeldKeyActsAgainOnlyOnItsRepeat) {
    ScriptedWindow::Events repeatRight;
    repeatRight.repeat = {KeyRight};
    window.script = {Press({KeyP}, {KeyP}), {}, Press({KeyRight}), {}, repeatRight, {}};
    stream.time = 10;
    MakeLoop(true).Run();
    EXPECT_EQ(stream.calls, (std::vector<std::string>{"pause", Seek(1), Seek(1)}));
}

TEST_F(MainLoopTest, LeftBeatsRightAndRightFollowsOnTheNextFrame) {
    window.script = {Press({KeyLeft, KeyRight}), {}, {}};
    stream.time = 10;
    CMainLoop loop = MakeLoop(true);
    loop.Run();
    EXPECT_EQ(stream.calls, (std::vector<std::string>{Seek(-1), Seek(1)}));
}

TEST_F(MainLoopTest, ShiftAndCtrlChooseTheStepAndStayDown) {
    window.script = {Press({KeyShift, KeyRight}), Press({KeyControl, KeyLeft}, {KeyShift}),
                     Press({KeyLeft}, {KeyControl})};
    stream.time = 10;
    CMainLoop loop = MakeLoop(true);
    loop.Run();
    EXPECT_EQ(stream.calls, (std::vector<std::string>{Seek(5), Seek(-0.01f), Seek(-1)}));
    EXPECT_FALSE(window.KeyDown(KeyShift));
}

TEST_F(MainLoopTest, ShiftWinsOverCtrl) {
    window.script = {Press({KeyShift, KeyControl, KeyLeft})};
    stream.time = 10;
    MakeLoop(true).Run();
    EXPECT_EQ(stream.calls, (std::vector<std::string>{Seek(-5)}));
    EXPECT_TRUE(window.KeyDown(KeyShift) && window.KeyDown(KeyControl));
}

TEST_F(MainLoopTest, WithoutDebugKeysOnlyEscapeActs) {
    LogCapture log;
    window.script = {Press({KeyUp, KeyP, KeyLeft, KeyRight}), {}, Press({KeyEscape}), {}};
    CMainLoop loop = MakeLoop(false);
    EXPECT_EQ(loop.Run(), LoopEnd::Escape);
    EXPECT_TRUE(stream.calls.empty());
    EXPECT_TRUE(window.KeyDown(KeyUp)); // never consumed
    EXPECT_EQ(loop.framesRendered, 2);
    EXPECT_TRUE(log.Has("WinMain] Escape key pressed"));
    EXPECT_FALSE(log.Has("Music finished"));
}

TEST_F(MainLoopTest, ATapOfEscapeShorterThanAFrameEndsTheShow) {
    window.script = {{}, Press({KeyEscape}, {KeyEscape}), {}, {}};
    CMainLoop loop = MakeLoop(false);
    EXPECT_EQ(loop.Run(), LoopEnd::Escape);
    EXPECT_EQ(loop.framesRendered, 1);
}

TEST_F(MainLoopTest, DeltaIsClampedAndPreviousTimeAlwaysFollows) {
    window.script = {{}, {}, {}, {}, {}};
    std::vector<float> clock = {0.5f, 0.25f, 2000.25f, 2001.0f, 2001.0f};
    size_t next = 0;
    CMainLoop loop(window, stream, [&](float t, float d) {
        times.push_back(t);
        deltas.push_back(d);
        if (next < clock.size())
            stream.time = clock[next++];
    });
    stream.time = 0.5f;
    next = 1;
    loop.Run();
    EXPECT_EQ(times, (std::vector<float>{0.5f, 0.25f, 2000.25f, 2001.0f, 2001.0f}));
    EXPECT_EQ(deltas, (std::vector<float>{0.5f, 0.0f, 1000.0f, 0.75f, 0.0f}));
}

TEST_F(MainLoopTest, EndsWhenTheMusicHasFinishedEvenWhilePaused) {
    LogCapture log;
    window.script = {{}, {}, {}, {}};
    stream.paused = true;
    CMainLoop loop(window, stream, [&](float, float) { stream.finished = true; });
    EXPECT_EQ(loop.Run(), LoopEnd::MusicFinished);
    EXPECT_EQ(loop.framesRendered, 1);
    EXPECT_TRUE(log.Has("WinMain] Music finished"));
}

TEST_F(MainLoopTest, EscapeIsCheckedBeforeTheEndOfTheMusic) {
    window.script = {Press({KeyEscape})};
    stream.finished = true;
    EXPECT_EQ(MakeLoop(false).Run(), LoopEnd::Escape);
}

TEST_F(MainLoopTest, ClosingEndsWithoutAMessageAndWithoutAFrame) {
    LogCapture log;
    window.script = {{}, Flag(&ScriptedWindow::Events::close)};
    CMainLoop loop = MakeLoop(false);
    EXPECT_EQ(loop.Run(), LoopEnd::Closed);
    EXPECT_EQ(loop.framesRendered, 1);
    EXPECT_FALSE(log.Has("Escape key pressed"));
    EXPECT_FALSE(log.Has("Music finished"));
}

TEST_F(MainLoopTest, NoFramesNorKeysWhileMinimised) {
    window.script = {Flag(&ScriptedWindow::Events::minimise), {}, Press({KeyEscape}),
                     Flag(&ScriptedWindow::Events::restore),  {}, Press({KeyEscape})};
    int waits = 0;
    CMainLoop loop = MakeLoop(false);
    loop.whileInactive = [&] { ++waits; };
    EXPECT_EQ(loop.Run(), LoopEnd::Escape);
    // Escape did nothing while minimised, and the window forgot it on coming back.
    EXPECT_EQ(waits, 3);
    EXPECT_EQ(loop.framesRendered, 2);
}

TEST_F(MainLoopTest, SpectrumIsFetchedOnlyWhenEnabled) {
    window.script = {{}, {}};
    std::fill(std::begin(SpectrumBuffer), std::end(SpectrumBuffer), 0.0f);
    CMainLoop off = MakeLoop(false);
    off.Run();
    EXPECT_EQ(stream.spectrumFetches, 0);
    window.script = {{}, {}};
    CMainLoop on = MakeLoop(false);
    on.spectrumEnabled = true;
    on.Run();
    EXPECT_EQ(stream.spectrumFetches, 2);
    EXPECT_EQ(SpectrumBuffer[511], 0.25f);
    std::fill(std::begin(SpectrumBuffer), std::end(SpectrumBuffer), 0.0f);
}

// Under Watch the transport moves by the music's beats and bars (120 beats a minute, four a bar: a beat
// is half a second), steps frames only while paused, and never ends the show at the music's end.
TEST_F(MainLoopTest, TheTransportMovesByBeatsAndBarsAndStepsFramesWhilePaused) {
    ScriptedWindow::Events shiftRight = Press({KeyShift, KeyRight});
    window.script = {Press({KeyRight}), Press({KeyRight}),  Press({KeyLeft}),  {}, shiftRight, Press({KeyPeriod}),
                     Press({KeySpace}), Press({KeyPeriod}), Press({KeyComma}), {}};
    stream.time = 0.3f;
    CMainLoop loop = MakeLoop(false);
    loop.transport = true;
    loop.tempo = [] { return CMusicalTime(120.0f, 4, 96); };
    EXPECT_EQ(loop.Run(), LoopEnd::Closed);
    ASSERT_EQ(times.size(), 10u);
    EXPECT_FLOAT_EQ(times[0], 0.5f); // the next beat
    EXPECT_FLOAT_EQ(times[1], 1.0f); // and the one after, never stalling on a boundary
    EXPECT_FLOAT_EQ(times[2], 0.5f); // the beat before
    EXPECT_FLOAT_EQ(times[4], 2.0f); // Shift: the next bar
    EXPECT_FLOAT_EQ(times[5], 2.0f); // no frame step while playing
    EXPECT_TRUE(stream.paused);
    EXPECT_NEAR(times[7], 2.0f + CMainLoop::FrameStep, 1e-6f);
    EXPECT_NEAR(times[8], 2.0f, 1e-6f);
}

TEST_F(MainLoopTest, UnderTheTransportTheEndOfTheMusicPausesAndSpacePlaysFromTheStart) {
    LogCapture log;
    window.script = {{}, {}, Press({KeySpace}), {}};
    stream.time = 73.5f;
    stream.finished = true;
    CMainLoop loop = MakeLoop(false);
    loop.transport = true;
    EXPECT_EQ(loop.Run(), LoopEnd::Closed);
    EXPECT_EQ(loop.framesRendered, 4);
    EXPECT_EQ(log.Count("Music finished: paused at the end"), 1);
    EXPECT_EQ(stream.calls, (std::vector<std::string>{"pause", "restart", "resume"}));
    EXPECT_EQ(times, (std::vector<float>{73.5f, 73.5f, 0.0f, 0.0f}));
}
