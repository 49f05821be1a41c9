// The image generator's painting: text lands where it is asked to, stays inside its atlas cell,
// and colours survive the premultiplied painting on their way to the file.
#include "../../tools/CImageCanvas.h"

#include <gtest/gtest.h>

namespace {

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    int inked = 0;
};

Box Ink(const CImageCanvas& c) {
    Box b;
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
            if (c.At(x, y).a > 0.5f) {
                b.x0 = std::min(b.x0, x);
                b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x);
                b.y1 = std::max(b.y1, y);
                ++b.inked;
            }
    return b;
}

TEST(CImageCanvas, CentredTextIsCentredAndSizedByTheScale) {
    CImageCanvas c(400, 200);
    EXPECT_GT(c.CentredText(200, 100, "NEON", 5.0f, {1, 1, 1, 1}), 0);
    const Box b = Ink(c);
    ASSERT_GT(b.inked, 0);
    EXPECT_NEAR((b.x0 + b.x1) / 2.0, 200.0, 5.0);
    EXPECT_NEAR((b.y0 + b.y1) / 2.0, 100.0, 5.0);
    EXPECT_NEAR(b.y1 - b.y0 + 1, 7 * 5, 6); // capitals are seven glyph units tall
    EXPECT_NEAR(b.x1 - b.x0 + 1, CImageCanvas::TextWidth("NEON", 5.0f), 10);
}

TEST(CImageCanvas, PaintOutsideTheCanvasIsDropped) {
    CImageCanvas c(32, 16);
    c.Text(-40, -5, "CLIPPED AT EVERY EDGE", 4.0f, {1, 0, 0, 1});
    c.Rect(-10, -10, 100, 100, {0, 1, 0, 0.5f});
    c.SoftDisc(0, 0, 50, {0, 0, 1, 1}, 1.0f);
    EXPECT_EQ(Ink(c).x1, 31);
    // Characters outside printable ASCII are drawn as '?' rather than read past the glyph table.
    CImageCanvas d(64, 16);
    EXPECT_GT(d.Text(0, 0, std::string("\x01\xff"), 1.0f, {1, 1, 1, 1}), 0);
}

TEST(CImageCanvas, HalfTransparentColourKeepsItsHueInTheFile) {
    CImageCanvas c(2, 1);
    c.Rect(0, 0, 1, 1, {1.0f, 0.5f, 0.0f, 0.5f});
    const std::vector<uint8_t> rgba = c.Bytes(4);
    EXPECT_EQ(rgba[0], 255);
    EXPECT_EQ(rgba[1], 128);
    EXPECT_EQ(rgba[2], 0);
    EXPECT_EQ(rgba[3], 128);
    EXPECT_EQ(rgba[7], 0); // untouched pixel: fully transparent
    const std::vector<uint8_t> rgb = c.Bytes(3);
    EXPECT_EQ(rgb[0], 128); // over black
    EXPECT_EQ(rgb[1], 64);
}

TEST(CImageCanvas, GlowSpreadsBeneathThePaintWithoutDimmingIt) {
    CImageCanvas c(64, 64);
    c.Rect(28, 28, 36, 36, {1, 1, 1, 1});
    c.Glow(4, {1, 0, 1, 1}, 2.0f);
    EXPECT_FLOAT_EQ(c.At(32, 32).r, 1.0f);
    EXPECT_FLOAT_EQ(c.At(32, 32).g, 1.0f);
    EXPECT_GT(c.At(40, 32).a, 0.05f); // the halo reaches past the edge
    EXPECT_FLOAT_EQ(c.At(40, 32).g, 0.0f);
    EXPECT_FLOAT_EQ(c.At(0, 0).a, 0.0f);
}

} // namespace
