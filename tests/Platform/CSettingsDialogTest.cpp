#include "App/run/SettingsDialog.h"
#include "Base/CSettings.h"
#include "Base/CommandLine.h"

#include "Support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

SettingsDialogResult RunWithKey(SettingsRecord& record, bool enter, int& framesShown) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    CSettingsDialog shown;
    framesShown = 0;
    shown.onFrame = [&](int frame) {
        framesShown = frame + 1;
        if (frame == 3)
            enter ? CSettingsDialog::PressEnter() : CSettingsDialog::PressEscape();
    };
    return RunSettingsDialog(shown, record, CommandLineOptions{});
}

} // namespace

TEST(CSettingsDialog, EnterAcceptsTheShownChoices) {
    LogCapture log;
    SettingsRecord record;
    record.title = "Pick";
    record.volume = 0.5f;
    int frames = 0;
    SettingsDialogResult result = RunWithKey(record, true, frames);
    ASSERT_NE(result, SettingsDialogResult::Failed) << log.Text();
    EXPECT_EQ(result, SettingsDialogResult::Accepted);
    EXPECT_GE(frames, 4); // drawn before the key arrived
    EXPECT_TRUE(record.accepted);
    EXPECT_FLOAT_EQ(record.volume, 0.5f);
    EXPECT_FLOAT_EQ(record.aspect, record.width / record.height);
    EXPECT_TRUE(log.Has("Starting settings dialog.."));
    EXPECT_TRUE(log.Has("Finished settings dialog with OK button"));
    EXPECT_TRUE(log.Has("Render target size: "));
}

TEST(CSettingsDialog, EscapeCancels) {
    LogCapture log;
    SettingsRecord record;
    int frames = 0;
    SettingsDialogResult result = RunWithKey(record, false, frames);
    ASSERT_NE(result, SettingsDialogResult::Failed) << log.Text();
    EXPECT_EQ(result, SettingsDialogResult::Cancelled);
    EXPECT_FALSE(record.accepted);
    EXPECT_EQ(record.width, 1024.0f);
    EXPECT_TRUE(log.Has("Finished settings dialog with CANCEL button"));
}
