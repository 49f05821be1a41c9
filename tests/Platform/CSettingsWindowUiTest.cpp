// The settings dialog shown for real in the ImGui settings window, on the offscreen display, filled
// and read back by the application's RunSettingsWindow.
#include "Platform/ui/CSettingsWindowUi.h"
#include "App/run/RunSettingsWindow.h"
#include "Base/CSettings.h"
#include "Base/CommandLine.h"
#include "Platform/Platform.h"

#include "Support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

SettingsWindowResult RunWithKey(SettingsRecord& record, bool enter, int& framesShown) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    CSettingsWindowUi window;
    framesShown = 0;
    window.onFrame = [&](int frame) {
        framesShown = frame + 1;
        if (frame == 3)
            enter ? CSettingsWindowUi::PressEnter() : CSettingsWindowUi::PressEscape();
    };
    return RunSettingsWindow(window, record, CommandLineOptions{});
}

} // namespace

TEST(CSettingsWindowUi, EnterAcceptsTheShownChoices) {
    LogCapture log;
    SettingsRecord record;
    record.title = "Pick";
    record.volume = 0.5f;
    int frames = 0;
    SettingsWindowResult result = RunWithKey(record, true, frames);
    ASSERT_NE(result, SettingsWindowResult::Failed) << log.Text();
    EXPECT_EQ(result, SettingsWindowResult::Accepted);
    EXPECT_GE(frames, 4); // drawn before the key arrived
    EXPECT_TRUE(record.accepted);
    EXPECT_FLOAT_EQ(record.volume, 0.5f);
    EXPECT_FLOAT_EQ(record.aspect, record.width / record.height);
    EXPECT_TRUE(log.Has("Starting settings dialog.."));
    EXPECT_TRUE(log.Has("Finished settings dialog with OK button"));
    EXPECT_TRUE(log.Has("Render target size: "));
}

TEST(CSettingsWindowUi, EscapeCancels) {
    LogCapture log;
    SettingsRecord record;
    int frames = 0;
    SettingsWindowResult result = RunWithKey(record, false, frames);
    ASSERT_NE(result, SettingsWindowResult::Failed) << log.Text();
    EXPECT_EQ(result, SettingsWindowResult::Cancelled);
    EXPECT_FALSE(record.accepted);
    EXPECT_EQ(record.width, 1024.0f);
    EXPECT_TRUE(log.Has("Finished settings dialog with CANCEL button"));
}

TEST(CSettingsWindowUi, WithNoDisplayTheRecordIsLeftAsTheCommandLineMadeIt) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!InitVideo() || !IsHeadless())
        GTEST_SKIP() << "a display can be reached here";
    LogCapture log;
    const std::unique_ptr<CSettingsWindow> window = CreateSettingsWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->NoDisplay()) << "nobody would see it";
    SettingsRecord record;
    record.width = 800.0f;
    record.volume = 0.25f;
    EXPECT_EQ(RunSettingsWindow(*window, record, CommandLineOptions{}), SettingsWindowResult::NoDisplay);
    EXPECT_TRUE(record.accepted);
    EXPECT_FLOAT_EQ(record.width, 800.0f);
    EXPECT_FLOAT_EQ(record.volume, 0.25f);
    EXPECT_FALSE(log.Has("Starting settings dialog..")) << "the lists are not even filled";
}
