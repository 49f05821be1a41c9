#include "Platform/CSDLWindow.h"
#include "Platform/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::fill(KeyDown, KeyDown + 256, false);
        AppActive = true;
        window = CSDLWindow::Create("quorin-vanto tests", 32, 32, false, true);
        if (!window)
            GTEST_SKIP() << "no window can be made here";
    }
    void TearDown() override {
        window.reset();
        std::fill(KeyDown, KeyDown + 256, false);
        AppActive = true;
    }
    std::unique_ptr<CSDLWindow> window;
};
} // namespace

TEST(CSDLWindow, KeysMapToTheClassicCodes) {
    // SDL names keys by their character where they have one, with a flag bit for the others.
    EXPECT_EQ(CSDLWindow::KeyCodeFor(27), KeyEscape);
    EXPECT_EQ(CSDLWindow::KeyCodeFor('p'), KeyP);
    EXPECT_EQ(CSDLWindow::KeyCodeFor('a'), 0x41);
    EXPECT_EQ(CSDLWindow::KeyCodeFor('0'), 0x30);
    const int scancodeFlag = 1 << 30;
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 80), KeyLeft);
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 79), KeyRight);
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 82), KeyUp);
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 225), KeyShift);  // left shift
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 229), KeyShift);  // right shift
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 224), KeyControl);
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 226), 0) << "Alt has no entry";
}

TEST_F(WindowTest, KeysWithAltAreNotRecordedButReleasesAlwaysAre) {
    window->OnKey(KeyP, true, false);
    EXPECT_TRUE(KeyDown[KeyP]);
    window->OnKey(KeyP, false, true);
    EXPECT_FALSE(KeyDown[KeyP]);
    window->OnKey(KeyEscape, true, true);
    EXPECT_FALSE(KeyDown[KeyEscape]);
    window->OnKey(0, true, false);
    window->OnKey(300, true, false);
}

TEST_F(WindowTest, MinimisingStopsAndReactivationForgetsKeysFromNineUp) {
    KeyDown[8] = true;
    window->OnKey(KeyShift, true, false);
    window->OnKey(KeyRight, true, false);
    window->OnMinimised();
    EXPECT_FALSE(AppActive);
    window->OnActivated();
    EXPECT_TRUE(AppActive);
    EXPECT_FALSE(KeyDown[KeyShift]);
    EXPECT_FALSE(KeyDown[KeyRight]);
    EXPECT_TRUE(KeyDown[8]) << "codes below 9 are left alone";
}

TEST_F(WindowTest, CloseRequestEndsPumping) {
    EXPECT_TRUE(window->PumpEvents());
    window->OnCloseRequest();
    EXPECT_TRUE(window->CloseRequested());
    EXPECT_FALSE(window->PumpEvents());
}

TEST(Platform, VideoStartsWithoutADisplayAndOffersNoMultisamplingFirst) {
    ASSERT_TRUE(InitVideo());
    std::vector<int> counts = SupportedSampleCounts();
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(counts[0], 0);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
}
