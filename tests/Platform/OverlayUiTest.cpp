// The overlay drawn for real on the headless OpenGL device: it changes the window's picture while
// shown, and never the back buffer that capture reads. The frames are laid out by the program's
// overlay model, as they are when the program runs.
#include "App/authoring/COverlayLayout.h"
#include "Platform/CGraphicsDevice.h"
#include "Platform/Platform.h"
#include "Platform/sdl/CSDLWindow.h"
#include "Platform/ui/COverlayUi.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint32_t Blue = 0xFF0000FFu; // packed ARGB

class OverlayUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = CSDLWindow::Create("quorin-vanto tests", 320, 200, false, true);
        if (!window)
            GTEST_SKIP() << "no window can be made here";
        device = CreateGraphicsDevice(*window, GraphicsDeviceOptions{320, 200, 4, 256, false});
        if (!device)
            GTEST_SKIP() << "no OpenGL 3.3 context can be made here";
        overlay = COverlayUi::Create(*window, *device);
        ASSERT_TRUE(overlay);
        overlay->KeepWindowPixels(true);

        frame.status.position = "12:3:48";
        frame.status.seconds = 25.5f;
        frame.status.length = 72.0f;
        frame.timeline.length = 72.0f;
        frame.timeline.playhead = 25.5f;
        frame.timeline.scenes = {{"Intro", 0.0f, 30.0f}};
        for (int i = 0; i < 512; ++i)
            spectrum[i] = 0.5f / static_cast<float>(1 + i);
        frame.spectrum.values = spectrum;
        frame.spectrum.count = 512;
        frame.spectrum.markedBands = {3};
        frame.scenes = {{0, "Intro", 25.5f, "12:3:48", {{"Back", "ClearRenderTarget", "", true}}}};
    }
    void TearDown() override {
        overlay.reset();
        device.reset();
        window.reset();
    }

    // A blue frame with the overlay over it; the number of window pixels that are not blue.
    int FrameAndCountOverlayPixels(OverlayActions* actions = nullptr) {
        device->Clear(ClearTarget, Blue, 1.0f);
        layout.LayOut(frame);
        OverlayActions done = overlay->Draw(frame);
        layout.AfterDraw(done);
        if (actions)
            *actions = done;
        device->Present();
        std::vector<uint8_t> rgba;
        int w = 0, h = 0;
        EXPECT_TRUE(overlay->WindowPixels(rgba, w, h));
        EXPECT_EQ(w, 320);
        EXPECT_EQ(h, 200);
        int changed = 0;
        for (size_t i = 0; i + 3 < rgba.size(); i += 4)
            changed += !(rgba[i] == 0 && rgba[i + 1] == 0 && rgba[i + 2] == 255);
        return changed;
    }

    bool BackBufferAllBlue() {
        std::vector<uint8_t> rgba;
        int w = 0, h = 0;
        EXPECT_TRUE(device->ReadBackBuffer(rgba, w, h));
        for (size_t i = 0; i + 3 < rgba.size(); i += 4)
            if (!(rgba[i] == 0 && rgba[i + 1] == 0 && rgba[i + 2] == 255))
                return false;
        return !rgba.empty();
    }

    std::unique_ptr<CSDLWindow> window;
    std::unique_ptr<CGraphicsDevice> device;
    std::unique_ptr<COverlayUi> overlay;
    COverlayLayout layout;
    OverlayFrame frame;
    float spectrum[512];
};

} // namespace

TEST_F(OverlayUiTest, DrawsOverTheWindowOnlyWhileShownAndNeverIntoTheBackBuffer) {
    EXPECT_FALSE(overlay->IsShown()) << "hidden at start";
    EXPECT_EQ(FrameAndCountOverlayPixels(), 0);

    overlay->Toggle();
    ASSERT_TRUE(overlay->IsShown());
    // The toolkit lays windows out on its first frame and draws from the second.
    FrameAndCountOverlayPixels();
    OverlayActions actions;
    const int shown = FrameAndCountOverlayPixels(&actions);
    EXPECT_GT(shown, 320 * 200 / 10) << "panels cover a good part of the window";
    // The strip the time line was drawn on, for the next frame's layout: nearly the window's width.
    EXPECT_GT(actions.strip.width, 320.0f * 0.8f);
    EXPECT_LT(actions.strip.width, 320.0f);
    EXPECT_GT(actions.strip.labelSpacing, 0.0f);
    EXPECT_FLOAT_EQ(layout.Strip().width, actions.strip.width);
    EXPECT_TRUE(BackBufferAllBlue()) << "capture reads the back buffer: it must not see the overlay";

    overlay->SetShown(false);
    EXPECT_EQ(FrameAndCountOverlayPixels(), 0);
}

TEST_F(OverlayUiTest, AnErrorShowsEvenWhileTheOverlayIsHidden) {
    frame.error = {true, "Config.txt", 12, "Unknown layer type 'Tunel' found at line 12"};
    FrameAndCountOverlayPixels();
    EXPECT_GT(FrameAndCountOverlayPixels(), 0);
    EXPECT_TRUE(BackBufferAllBlue());
    frame.error.shown = false;
    EXPECT_EQ(FrameAndCountOverlayPixels(), 0);
}

TEST(COverlayUiScale, PanelsGrowWithTheWindowFrom1024By768) {
    EXPECT_FLOAT_EQ(COverlayUi::ScaleFor(1024, 768), 1.0f);
    EXPECT_FLOAT_EQ(COverlayUi::ScaleFor(1920, 1200), 1200.0f / 768.0f);
    EXPECT_FLOAT_EQ(COverlayUi::ScaleFor(3840, 1080), 1080.0f / 768.0f) << "the tighter side decides";
    EXPECT_FLOAT_EQ(COverlayUi::ScaleFor(0, 0), 1.0f);
}
