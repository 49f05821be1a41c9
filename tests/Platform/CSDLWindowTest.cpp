#include "Platform/sdl/CSDLWindow.h"
#include "Platform/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = CSDLWindow::Create("quorin-vanto tests", 32, 32, false, true);
        if (!window)
            GTEST_SKIP() << "no window can be made here";
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
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 225), KeyShift); // left shift
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 229), KeyShift); // right shift
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 224), KeyControl);
    EXPECT_EQ(CSDLWindow::KeyCodeFor(scancodeFlag | 226), 0) << "Alt has no entry";
    // The transport's keys.
    EXPECT_EQ(CSDLWindow::KeyCodeFor(' '), KeySpace);
    EXPECT_EQ(CSDLWindow::KeyCodeFor(','), KeyComma);
    EXPECT_EQ(CSDLWindow::KeyCodeFor('.'), KeyPeriod);
    EXPECT_EQ(CSDLWindow::KeyCodeFor('z'), KeyZ);
}

TEST_F(WindowTest, TheTitleFollowsThePresentation) {
    window->SetTitle("Neon Drift \xe2\x80\x94 reloaded");
    EXPECT_EQ(window->Title(), "Neon Drift \xe2\x80\x94 reloaded");
}

TEST_F(WindowTest, KeysWithAltAreNotRecordedButReleasesAlwaysAre) {
    window->OnKey(KeyP, true, false);
    EXPECT_TRUE(window->KeyDown(KeyP));
    window->OnKey(KeyP, false, true);
    EXPECT_FALSE(window->KeyDown(KeyP));
    window->OnKey(KeyEscape, true, true);
    EXPECT_FALSE(window->KeyDown(KeyEscape));
    EXPECT_FALSE(window->TakeKeyPress(KeyEscape));
}

TEST_F(WindowTest, MinimisingStopsAndReactivationForgetsKeysFromNineUp) {
    EXPECT_TRUE(window->Active()) << "a new window is active";
    window->OnKey(8, true, false);
    window->OnKey(KeyShift, true, false);
    window->OnKey(KeyRight, true, false);
    window->OnMinimised();
    EXPECT_FALSE(window->Active());
    window->OnActivated();
    EXPECT_TRUE(window->Active());
    EXPECT_FALSE(window->KeyDown(KeyShift));
    EXPECT_FALSE(window->KeyDown(KeyRight));
    EXPECT_TRUE(window->KeyDown(8)) << "codes below 9 are left alone";
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

TEST(CSDLWindow, TheOverlaysBracketKeysHaveTheirClassicCodes) {
    EXPECT_EQ(CSDLWindow::KeyCodeFor('['), KeyOpenBracket);
    EXPECT_EQ(CSDLWindow::KeyCodeFor('\\'), KeyBackslash);
    EXPECT_EQ(CSDLWindow::KeyCodeFor(']'), KeyCloseBracket);
    EXPECT_EQ(CSDLWindow::KeyCodeFor('k'), KeyK);
    EXPECT_EQ(CSDLWindow::KeyCodeFor((1 << 30) | 58), KeyF1);
    EXPECT_EQ(CSDLWindow::KeyCodeFor((1 << 30) | 62), KeyF5);
}

TEST_F(WindowTest, MouseLookSumsMotionOnlyWhileTheRightButtonIsHeldUntilTaken) {
    window->OnMouseMove(10, 20, 5, 5);
    window->OnMouseButton(true, true);
    window->OnMouseMove(14, 17, 4, -3);
    window->OnMouseMove(20, 17, 6, 0);
    window->OnWheel(2.0f);
    MouseState mouse = window->TakeMouse();
    EXPECT_EQ(mouse.x, 20);
    EXPECT_EQ(mouse.y, 17);
    EXPECT_TRUE(mouse.right);
    EXPECT_FALSE(mouse.left);
    EXPECT_FLOAT_EQ(mouse.lookX, 10.0f);
    EXPECT_FLOAT_EQ(mouse.lookY, -3.0f);
    EXPECT_FLOAT_EQ(mouse.wheel, 2.0f);
    mouse = window->TakeMouse();
    EXPECT_FLOAT_EQ(mouse.lookX, 0.0f) << "taken once";
    EXPECT_FLOAT_EQ(mouse.wheel, 0.0f);
    window->OnMouseButton(true, false);
    window->OnMouseMove(30, 30, 10, 13);
    EXPECT_FLOAT_EQ(window->TakeMouse().lookX, 0.0f);
    // A button held while the window lost its focus is forgotten.
    window->OnMouseButton(false, true);
    window->OnActivated();
    EXPECT_FALSE(window->TakeMouse().left);
}
