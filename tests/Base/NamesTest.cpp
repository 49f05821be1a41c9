#include "Base/Names.h"

#include <gtest/gtest.h>

// The "did you mean" hint: the nearest name within a third of its letters, case aside, and no guess
// where two are as near or none is near.
TEST(Names, TheNearestNameIsOfferedOnlyWhenItIsCloseAndAlone) {
    const std::vector<std::string> types = {"2DImage", "2DMultipleImage", "ClearRenderTarget", "Tunnel", "Wire"};
    EXPECT_EQ(NearestName("2dimgae", types), "2DImage");
    EXPECT_EQ(NearestName("ClearRendertarget", types), "ClearRenderTarget");
    EXPECT_EQ(NearestName("Tunel", types), "Tunnel");
    EXPECT_EQ(NearestName("Sparkle", types), "");
    EXPECT_EQ(NearestName("Wi", types), ""); // two of four letters is too far for a short name
    EXPECT_EQ(NearestName("Tire", {"Wire", "Tile"}), "");
    EXPECT_EQ(NearestName("x", {}), "");
}
