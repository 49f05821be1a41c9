#include "Platform/CWindow.h"

#include <gtest/gtest.h>

namespace {

// The bookkeeping every backend shares, driven the way a backend's event handling drives it.
class BareWindow : public CWindow {
public:
    bool PumpEvents() override { return true; }
    using CWindow::RecordActivated;
    using CWindow::RecordKey;
    using CWindow::RecordMinimised;
};

void Down(BareWindow& w, int code, bool alt = false, bool repeat = false) { w.RecordKey(code, true, alt, repeat); }
void Up(BareWindow& w, int code, bool alt = false) { w.RecordKey(code, false, alt, false); }

} // namespace

TEST(CWindow, APressIsTakenOnceEvenAfterItsReleaseAndAutoRepeatIsNoPress) {
    BareWindow w;
    Down(w, KeyF5);
    Up(w, KeyF5);
    EXPECT_FALSE(w.KeyDown(KeyF5));
    EXPECT_TRUE(w.TakeKeyPress(KeyF5)) << "a tap between two frames is not missed";
    EXPECT_FALSE(w.TakeKeyPress(KeyF5)) << "taken once";

    Down(w, KeyC);
    EXPECT_TRUE(w.TakeKeyPress(KeyC));
    Down(w, KeyC, false, true);
    EXPECT_TRUE(w.KeyDown(KeyC));
    EXPECT_FALSE(w.TakeKeyPress(KeyC)) << "holding the key does not press it again";
}

TEST(CWindow, AltPressesAreIgnoredButAnyReleaseCounts) {
    BareWindow w;
    Down(w, KeyEscape, true);
    EXPECT_FALSE(w.KeyDown(KeyEscape));
    EXPECT_FALSE(w.TakeKeyPress(KeyEscape));
    Down(w, KeyP);
    Up(w, KeyP, true);
    EXPECT_FALSE(w.KeyDown(KeyP)) << "Alt went down while P was held";
}

TEST(CWindow, CodesOutsideTheTableAreIgnored) {
    BareWindow w;
    for (int code : {-1, 0, CWindow::KeyCount, 300}) {
        Down(w, code);
        EXPECT_FALSE(w.KeyDown(code)) << code;
        EXPECT_FALSE(w.TakeKeyPress(code)) << code;
        w.ClearKey(code);
    }
    Down(w, 255);
    EXPECT_TRUE(w.KeyDown(255));
}

TEST(CWindow, ClearingAKeyForgetsItsPressAndClearingPressesKeepsKeysDown) {
    BareWindow w;
    Down(w, KeyUp);
    w.ClearKey(KeyUp);
    EXPECT_FALSE(w.KeyDown(KeyUp));
    EXPECT_FALSE(w.TakeKeyPress(KeyUp));
    Down(w, KeyUp, false, true);
    EXPECT_TRUE(w.KeyDown(KeyUp)) << "auto-repeat sets a cleared key again";

    Down(w, KeyF1);
    Down(w, KeyW);
    w.ClearKeyPresses();
    EXPECT_FALSE(w.TakeKeyPress(KeyF1));
    EXPECT_FALSE(w.TakeKeyPress(KeyW));
    EXPECT_TRUE(w.KeyDown(KeyW));
}

TEST(CWindow, ActivationForgetsKeysFromNineUpButNotPressesNotYetTaken) {
    BareWindow w;
    EXPECT_TRUE(w.Active());
    Down(w, 8);
    Down(w, 9);
    Down(w, KeyShift);
    w.RecordMinimised();
    EXPECT_FALSE(w.Active());
    w.RecordActivated();
    EXPECT_TRUE(w.Active());
    EXPECT_TRUE(w.KeyDown(8));
    EXPECT_FALSE(w.KeyDown(9));
    EXPECT_FALSE(w.KeyDown(KeyShift));
    EXPECT_TRUE(w.TakeKeyPress(KeyShift)) << "the press itself was made";
}

TEST(CWindow, APressKeepsTheModifiersItWasMadeWithAfterTheyAreReleased) {
    BareWindow w;
    // Ctrl+Z and Ctrl+Shift+Z pressed and let go between two frames.
    Down(w, KeyControl);
    Down(w, KeyZ);
    Up(w, KeyZ);
    Up(w, KeyControl);
    EXPECT_FALSE(w.KeyDown(KeyControl));
    EXPECT_TRUE(w.PressHadControl(KeyZ));
    EXPECT_FALSE(w.PressHadShift(KeyZ));
    Down(w, KeyShift);
    Down(w, KeyY);
    Up(w, KeyShift);
    EXPECT_FALSE(w.PressHadControl(KeyY));
    EXPECT_TRUE(w.PressHadShift(KeyY));
    // Each press records its own: Z again without Ctrl.
    Down(w, KeyZ);
    EXPECT_FALSE(w.PressHadControl(KeyZ));
}
